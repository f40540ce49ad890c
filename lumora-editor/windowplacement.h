// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef WINDOWPLACEMENT_H
#define WINDOWPLACEMENT_H

#include <QSize>

// How big the first window is on a screen whose free area (without panels) is
// `available`: on a screen taller than wide, as a phone's, the window fills it
// (maximised, so that the window manager's frame fits too); elsewhere it is
// PreferredSize, made smaller where the screen is, leaving FrameAllowance for the
// window manager's title bar and borders.
namespace WindowPlacement {

constexpr QSize PreferredSize(1024, 720);
constexpr QSize FrameAllowance(16, 48);

struct First
{
    QSize size; // of the window's contents
    bool maximised = false;
};

First first(const QSize &available);

} // namespace WindowPlacement

#endif // WINDOWPLACEMENT_H
