// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef IMAGEEDITOR_H
#define IMAGEEDITOR_H

#include "editlist.h"
#include "lumoraedituiprovider.h"
#include "pictureturn.h"

#include <QImage>
#include <QStringList>

#include <memory>
#include <optional>

// The host's edit UI provider: records the filters plug-ins ask for in an EditList, in
// full-picture pixels, and shows their result on the picture it holds.
//
// The picture held is the original, or a copy of it reduced for the screen
// (setFullImageSize()), or none at all for a front end that renders only when it writes
// (a null picture with a full size). A request is checked against the full picture's
// geometry, recorded, and rendered on the held picture with its geometry scaled.
//
// Edits asked with flag 0 stack. An edit asked with flag 1 is a preview choice: it
// replaces the previous flag-1 edit of the same activation instead of stacking on it, is
// kept when the activation is confirmed and dropped when it is cancelled (EditList).
// Undo and redo move along the list one activation at a time; no pictures are kept for
// them, only a few recent renders of the held picture to go back to at once.
class ImageEditor : public LumoraEditUiProvider
{
public:
    // Whether the plug-ins may undo. A run that never undoes also renders in the held
    // picture's own pixels where a filter can, so that a chain holds one picture.
    enum History { KeepHistory, NoHistory };

    explicit ImageEditor(const QImage &image = QImage(), History history = KeepHistory);
    ~ImageEditor() override;

    // The held picture with the edits done; null when none is held.
    QImage image() const;
    // The held picture as it was given, before any edit.
    QImage original() const;
    // A new original, its own full size; the edits are cleared.
    void setImage(const QImage &image);
    // The held picture stands in for one of `size`, upright: requests are checked against
    // it and fullImageSize() answers it as edited. An invalid size answers the held
    // picture's.
    void setFullImageSize(const QSize &size);
    // The full picture's size before any edit.
    QSize originalFullSize() const;

    // The edits, and going back to an earlier list of them (a cancelled activation that
    // a plug-in had already changed, a list read back). Setting re-renders.
    const EditList &edits() const;
    void setEdits(const EditList &edits);
    bool revert(); // undoes every edit; false when there was none

    // Bracket one plug-in activation (host side): `plugin` is the class of the plug-in
    // whose requests follow, `text` what the edit is called (EditList::text()).
    void beginActivation(const QString &plugin = QString(), const QString &text = QString());
    void endActivation(bool confirmed);

    // Why filters asked for since beginActivation() failed, one entry each.
    QStringList activationErrors() const;

    // When every edit done is a flip or a rotation: the turn they compose to (the
    // identity when there is none).
    std::optional<PictureTurn> turn() const;

    // The size the picture is shown at, answered as previewImageSize(); an invalid
    // size (the default) answers the full size, as an editor without a view does.
    void setPreviewImageSize(const QSize &size);

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

#endif // IMAGEEDITOR_H
