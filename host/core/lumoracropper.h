// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORACROPPER_H
#define LUMORACROPPER_H

#include "lumoraeditplugin.h"

#include <QRect>

class LumoraCropperPrivate;

// The host's interactive crop tool: owns the selection rectangle (in picture
// pixels), keeps it to the chosen aspect ratio and inside the picture, and moves
// or resizes it from the scene mouse events the host forwards while it is active.
class LUMORACORE_EXPORT LumoraCropper : public LumoraEditPlugin
{
    Q_OBJECT

public:
    // The value of each type is also its row in a crop plug-in's ratio list.
    // Backed by int, so that any popup row cast to it is a valid value.
    enum AspectRatioType : int {
        AspectRatioFree = 0, // no fixed ratio
        AspectRatioOriginal = 1, // the picture's own ratio
        AspectRatioSquare = 2,
        AspectRatio4To3 = 3,
        AspectRatio3To4 = 4,
        AspectRatio3To2 = 5,
        AspectRatio2To3 = 6,
        AspectRatio16To9 = 7,
        AspectRatio9To16 = 8
    };

    explicit LumoraCropper(QObject *parent = nullptr);
    ~LumoraCropper() override;

    // The crop tool draws over the picture: true.
    bool containsUi() const override;
    // The selection is in picture pixels, so zooming is off while cropping: false.
    bool zoomingAllowed() const override;
    // Press on the selection or one of its corners, then move: drags the selection or
    // that corner. Positions are in picture pixels. True only for an event used.
    // A corner is grabbed within max(8, 2 % of the picture's shorter side) pixels of
    // it (inside the selection within at most a quarter of its shorter side, so that
    // a small selection can still be moved); the opposite corner stays put, the chosen
    // ratio is kept and the selection stays inside the picture, at least 1x1. A moved
    // selection keeps its size and stops at the picture's edges. A press naming only
    // buttons other than the left one is refused; so are moves and releases without
    // an accepted press first.
    bool receiveMouseEvent(QGraphicsSceneMouseEvent *event) override;
    // Dims the picture outside the selection and frames the selection.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Reshapes the selection to the largest rectangle of that ratio centred in the
    // picture; AspectRatioFree keeps the selection as it is. A value outside the
    // enumeration is kept as the type but shapes like AspectRatioFree. The side that
    // limits the fit is taken whole and the other is rounded down, so the selection
    // misses the exact ratio by less than one unit of it (for 16:9, less than 16 in
    // w * 9 - h * 16); no side drops below 1 pixel. Ends a drag in progress.
    void setCropAspectRatioType(AspectRatioType type);
    AspectRatioType cropAspectRatioType() const;

    QRect selectionRect() const;
    // Host side: places the selection, clipped to the picture, as given even when a
    // fixed ratio is chosen (the host places it deliberately; the next corner drag
    // brings it back to the ratio). A rectangle that misses the picture altogether
    // leaves the selection unchanged. Ends a drag in progress.
    void setSelectionRect(const QRect &rect);

public Q_SLOTS:
    // Starts a crop: the selection becomes the whole picture (the provider's
    // fullImageSize(); empty without a provider or for an empty size), whatever the
    // ratio type, and any drag in progress ends.
    void activate() override;

private:
    Q_DISABLE_COPY(LumoraCropper)
    QScopedPointer<LumoraCropperPrivate> d;
};

#endif // LUMORACROPPER_H
