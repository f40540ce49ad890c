// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef IDCATALOGUE_H
#define IDCATALOGUE_H

#include <QCoreApplication>
#include <QHash>
#include <QTranslator>

// A translation catalogue for logical text identifiers (qtTrId), filled by the test.
// Installed for its lifetime; identifiers it does not know stay untranslated.
class IdCatalogue : public QTranslator
{
public:
    explicit IdCatalogue(const QHash<QString, QString> &texts)
        : m_texts(texts)
    {
        QCoreApplication::installTranslator(this);
    }
    ~IdCatalogue() override { QCoreApplication::removeTranslator(this); }

    bool isEmpty() const override { return m_texts.isEmpty(); }
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(context)
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        return m_texts.value(QString::fromUtf8(sourceText));
    }

private:
    QHash<QString, QString> m_texts;
};

#endif // IDCATALOGUE_H
