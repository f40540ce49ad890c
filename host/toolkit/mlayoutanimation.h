// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MLAYOUTANIMATION_H
#define MLAYOUTANIMATION_H

#include "velmotouchcore_export.h"

// How a layout animates item moves. The stand-in animates nothing; a layout
// without one (null) places its items at once.
class M_CORE_EXPORT MLayoutAnimation
{
public:
    virtual ~MLayoutAnimation();
};

#endif // MLAYOUTANIMATION_H
