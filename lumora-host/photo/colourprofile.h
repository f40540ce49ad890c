// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef COLOURPROFILE_H
#define COLOURPROFILE_H

#include <QByteArray>
#include <QString>

// What is read of an ICC colour profile's own bytes, through Little CMS. Internal to
// lumoraphoto.
namespace ColourProfile {

// The profile's description: the English text if there is one, else the first, up to its
// first NUL, trimmed. Empty when the profile cannot be read or has none.
QString description(const QByteArray &profile);

// The colour model a profile describes its pixels in.
enum class Model { Rgb, Gray, Cmyk, Other };
Model model(const QByteArray &profile); // Other also for a profile that cannot be read
QString modelName(Model model); // "RGB", "grey", "CMYK", "unknown"

} // namespace ColourProfile

#endif // COLOURPROFILE_H
