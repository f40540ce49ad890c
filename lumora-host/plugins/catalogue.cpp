// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "catalogue.h"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

namespace Catalogue {

bool install(const QLocale &locale)
{
    // One translator for the whole program; plug-ins look their texts up with qtTrId.
    static QTranslator translator;
    // The file layer's messages, by their English text: compiled into that layer's
    // library, found where the program links it. English has none to load.
    static QTranslator fileMessages;
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&fileMessages);
    QLocale::setDefault(locale);
    const QString directory = QStringLiteral(":/i18n");
    if (fileMessages.load(locale, QStringLiteral("lumoraphoto"), QStringLiteral("_"), directory))
        QCoreApplication::installTranslator(&fileMessages);
    if (!translator.load(locale, QStringLiteral("lumora"), QStringLiteral("_"), directory)
        && !translator.load(QStringLiteral("lumora_en"), directory))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

QString languageFromEnvironment()
{
    for (const char *name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const QString value = qEnvironmentVariable(name);
        if (value.isEmpty())
            continue;
        // Only the language part counts: "ar_EG.UTF-8@latin" is Arabic, "arn" is not.
        const QString language = value.section(QLatin1Char('_'), 0, 0)
                                     .section(QLatin1Char('.'), 0, 0)
                                     .section(QLatin1Char('@'), 0, 0);
        return language == QLatin1String("ar") ? QStringLiteral("ar") : QStringLiteral("en");
    }
    return QStringLiteral("en");
}

} // namespace Catalogue
