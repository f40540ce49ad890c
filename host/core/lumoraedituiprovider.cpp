// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "lumoraedituiprovider.h"

LumoraEditUiProvider::~LumoraEditUiProvider() = default;

QSize LumoraEditUiProvider::previewImageSize() const
{
    return fullImageSize();
}

bool LumoraEditUiProvider::canUndo() const
{
    return false;
}

bool LumoraEditUiProvider::canRedo() const
{
    return false;
}

bool LumoraEditUiProvider::undo()
{
    return false;
}

bool LumoraEditUiProvider::redo()
{
    return false;
}
