// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "catalogue.h"

#include <QCoreApplication>
#include <QTranslator>

namespace Catalogue {

bool install(const QLocale &locale)
{
    // One translator for the whole program; plug-ins look their texts up with qtTrId.
    static QTranslator translator;
    QCoreApplication::removeTranslator(&translator);
    QLocale::setDefault(locale);
    const QString directory = QStringLiteral(":/i18n");
    if (!translator.load(locale, QStringLiteral("lumora"), QStringLiteral("_"), directory)
        && !translator.load(QStringLiteral("lumora_en"), directory))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace Catalogue
