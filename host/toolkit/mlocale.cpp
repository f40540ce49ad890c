// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mlocale.h"

MLocale::MLocale(QObject *parent)
    : QObject(parent)
    , m_locale() // the application's default locale, fixed from now on
{ }

MLocale::~MLocale() = default;

QString MLocale::formatPercent(double value, int decimals) const
{
    // QLocale gives the digits (Arabic-Indic for Arabic), the decimal separator and
    // the percent sign; it has no pattern for where the sign goes, so it follows
    // the number, which is how the locales the editor ships for write it.
    const QString number = m_locale.toString(value * 100.0, 'f', qMax(0, decimals));
    return number + m_locale.percent();
}

QString MLocale::formatNumber(qlonglong value) const
{
    return m_locale.toString(value);
}

QLocale MLocale::locale() const
{
    return m_locale;
}
