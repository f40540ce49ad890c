// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "liveprovider.h"

#include "imageeditor.h"

class LiveProvider::Private
{
public:
    Private(ImageEditor &editor, std::function<void()> changed)
        : editor(editor)
        , changed(std::move(changed))
    { }
    virtual ~Private() = default;

    // Runs `call` on the editor, then tells the window, whatever it returned.
    template<typename Call> bool changing(Call call)
    {
        const bool ok = call();
        if (changed)
            changed();
        return ok;
    }

    ImageEditor &editor;
    std::function<void()> changed;
};

LiveProvider::LiveProvider(ImageEditor &editor, std::function<void()> changed)
    : d(new Private(editor, std::move(changed)))
{ }

LiveProvider::~LiveProvider() = default;

QSize LiveProvider::previewImageSize() const
{
    return d->editor.previewImageSize();
}

QSize LiveProvider::fullImageSize() const
{
    return d->editor.fullImageSize();
}

bool LiveProvider::canUndo() const
{
    return d->editor.canUndo();
}

bool LiveProvider::canRedo() const
{
    return d->editor.canRedo();
}

bool LiveProvider::undo()
{
    return d->changing([this] { return d->editor.undo(); });
}

bool LiveProvider::redo()
{
    return d->changing([this] { return d->editor.redo(); });
}

bool LiveProvider::runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                                 int flag)
{
    return d->changing([&] { return d->editor.runEditFilter(filterName, options, flag); });
}
