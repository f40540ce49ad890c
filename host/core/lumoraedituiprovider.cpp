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
