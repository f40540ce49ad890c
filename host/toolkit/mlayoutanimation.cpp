// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mlayoutanimation.h"

// Out of line so that the class has one home for its vtable.
MLayoutAnimation::~MLayoutAnimation() = default;
