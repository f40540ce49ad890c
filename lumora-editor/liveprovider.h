// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LIVEPROVIDER_H
#define LIVEPROVIDER_H

#include "lumoraedituiprovider.h"

#include <functional>
#include <memory>

class ImageEditor;

// The edit UI provider the window hands its plug-ins: it forwards every call to the
// picture's editor, which does the work, and says as soon as the picture has changed
// under a plug-in (every filter run, final or preview, and every undo or redo it asks
// for), so that the view shows an effect the moment it is tapped rather than when the
// plug-in is left. The plug-ins see the same answers as from the editor itself.
class LiveProvider : public LumoraEditUiProvider
{
public:
    // `editor` is not owned and must outlive the provider. `changed` is called on the
    // thread of the call, after each call that may have changed the picture, also when
    // a filter failed (the picture is then as it was).
    LiveProvider(ImageEditor &editor, std::function<void()> changed);
    ~LiveProvider() override;
    LiveProvider(const LiveProvider &) = delete;
    LiveProvider &operator=(const LiveProvider &) = delete;

    // LumoraEditUiProvider
    QSize previewImageSize() const override;
    QSize fullImageSize() const override;
    bool canUndo() const override;
    bool canRedo() const override;
    bool undo() override;
    bool redo() override;
    bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                       int flag) override;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // LIVEPROVIDER_H
