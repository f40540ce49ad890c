// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORAEDITUIPROVIDER_H
#define LUMORAEDITUIPROVIDER_H

#include "lumoracore_export.h"

#include <QHash>
#include <QSize>
#include <QString>
#include <QVariant>

// The host's picture editor as an edit plug-in sees it. A subclass must answer
// fullImageSize() and runEditFilter(); the other operations have defaults that
// describe an editor without a preview or an undo history.
class LUMORACORE_EXPORT LumoraEditUiProvider
{
public:
    virtual ~LumoraEditUiProvider();

    // Size of the picture as shown on screen. Default: the full size.
    virtual QSize previewImageSize() const;

    // Size of the full-resolution picture being edited.
    virtual QSize fullImageSize() const = 0;

    // Undo history of the edits run so far. Defaults: no history.
    virtual bool canUndo() const;
    virtual bool canRedo() const;
    virtual bool undo();
    virtual bool redo();

    // Runs the image filter `filterName` with `options` (option keys from
    // QuillImageFilter) on the picture. `flag` is 0 for an edit that stacks on the
    // picture and 1 for a preview choice that replaces the previous flag-1 edit of
    // the same activation. Returns false, leaving the picture unchanged, when the
    // filter is unknown or an option has the wrong type. The option table is the
    // caller's; the provider keeps no reference to it.
    virtual bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                               int flag)
        = 0;
};

#endif // LUMORAEDITUIPROVIDER_H
