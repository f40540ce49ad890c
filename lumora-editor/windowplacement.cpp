// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "windowplacement.h"

WindowPlacement::First WindowPlacement::first(const QSize &available)
{
    if (available.isEmpty())
        return { PreferredSize, false };
    const QSize room = (available - FrameAllowance).expandedTo(QSize(1, 1));
    // A phone's screen: the window is all there is to see.
    if (available.height() > available.width())
        return { room, true };
    return { PreferredSize.boundedTo(room), false };
}
