// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef COLOURPROFILE_H
#define COLOURPROFILE_H

#include <QByteArray>
#include <QString>

// What is read of an ICC colour profile's own bytes. Internal to lumoraphoto.
namespace ColourProfile {

// The profile's description ('desc' tag): v2 text, or v4 localised text (the English
// record if there is one, else the first), up to its first NUL, trimmed. Empty when the
// profile has none or its tag table or tag lies outside the profile; never reads past it.
QString description(const QByteArray &profile);

} // namespace ColourProfile

#endif // COLOURPROFILE_H
