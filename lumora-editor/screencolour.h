// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SCREENCOLOUR_H
#define SCREENCOLOUR_H

#include <QByteArray>
#include <QImage>

// The colours of pictures as the screen shows them. The screen's profile is the one an X
// server's root window names in its _ICC_PROFILE property (colour managers such as
// colord set it), read once; sRGB where there is none or no X server.
namespace ScreenColour {

// The screen's ICC profile; empty for sRGB.
QByteArray screenProfile();

// `picture` taken from its own colour space (sRGB where it has none) to the screen's, for
// drawing only: the same size, format and depth. Returned as it is where the two are the
// same, or where its profile cannot be read or is of another model (a grey profile).
QImage shown(const QImage &picture);

} // namespace ScreenColour

#endif // SCREENCOLOUR_H
