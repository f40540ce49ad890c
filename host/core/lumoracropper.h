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
    enum AspectRatioType {
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
    bool receiveMouseEvent(QGraphicsSceneMouseEvent *event) override;
    // Dims the picture outside the selection and frames the selection.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Reshapes the selection to the largest rectangle of that ratio centred in the
    // picture; AspectRatioFree keeps the selection as it is. A value outside the
    // enumeration is treated as AspectRatioFree.
    void setCropAspectRatioType(AspectRatioType type);
    AspectRatioType cropAspectRatioType() const;

    QRect selectionRect() const;
    // Host side: places the selection, clipped to the picture.
    void setSelectionRect(const QRect &rect);

public Q_SLOTS:
    // Starts a crop: the selection becomes the whole picture (the provider's
    // fullImageSize(); empty without a provider).
    void activate() override;

private:
    Q_DISABLE_COPY(LumoraCropper)
    QScopedPointer<LumoraCropperPrivate> d;
};

#endif // LUMORACROPPER_H
