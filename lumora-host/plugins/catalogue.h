// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef CATALOGUE_H
#define CATALOGUE_H

#include <QLocale>
#include <QString>

// The host's translation catalogue for the plug-ins' logical text identifiers,
// compiled into the program ("en" and "ar").
namespace Catalogue {

// Makes `locale` the default locale (its digits and percent sign reach the plug-ins'
// number formatting) and installs its catalogue, replacing the one installed before.
// Falls back to English for a language without a catalogue; false if none loads.
// The file layer's messages (PictureFile's and those it passes on) follow too.
bool install(const QLocale &locale);

// The catalogue's language the environment asks for when no option names one: the first
// of LC_ALL, LC_MESSAGES and LANG that is set and not empty, as POSIX orders them.
// "ar" for an Arabic locale (ar, ar_EG.UTF-8, ...), "en" for any other, "C" and none.
QString languageFromEnvironment();

} // namespace Catalogue

#endif // CATALOGUE_H
