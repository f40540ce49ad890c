// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MLOCALE_H
#define MLOCALE_H

#include "velmotouchcore_export.h"

#include <QLocale>
#include <QObject>

// Locale-aware formatting, following the application's default locale
// (QLocale::setDefault) at the time of construction.
class M_CORE_EXPORT MLocale : public QObject
{
    Q_OBJECT

public:
    explicit MLocale(QObject *parent = nullptr);
    ~MLocale() override;

    // `value` as a percentage (0.5 is 50 %), with `decimals` digits after the
    // separator, in the locale's digits and percent sign ("50%", "٥٠٪").
    QString formatPercent(double value, int decimals = 0) const;
    QString formatNumber(qlonglong value) const;

    QLocale locale() const;

private:
    QLocale m_locale;
};

#endif // MLOCALE_H
