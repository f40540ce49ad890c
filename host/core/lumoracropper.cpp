// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "lumoracropper.h"

#include "lumoraedituiprovider.h"

#include <QColor>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPen>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Width and height of an aspect ratio, in lowest terms; both zero when the selection
// may take any shape. 64-bit because the picture's own ratio uses its full sides.
struct Ratio
{
    qint64 w = 0;
    qint64 h = 0;

    bool isFixed() const { return w > 0 && h > 0; }
};

Ratio ratioFor(int type, const QSize &picture)
{
    switch (type) {
    case LumoraCropper::AspectRatioOriginal: {
        if (picture.isEmpty())
            return {};
        const qint64 w = picture.width();
        const qint64 h = picture.height();
        const qint64 divisor = std::gcd(w, h);
        return { w / divisor, h / divisor };
    }
    case LumoraCropper::AspectRatioSquare:
        return { 1, 1 };
    case LumoraCropper::AspectRatio4To3:
        return { 4, 3 };
    case LumoraCropper::AspectRatio3To4:
        return { 3, 4 };
    case LumoraCropper::AspectRatio3To2:
        return { 3, 2 };
    case LumoraCropper::AspectRatio2To3:
        return { 2, 3 };
    case LumoraCropper::AspectRatio16To9:
        return { 16, 9 };
    case LumoraCropper::AspectRatio9To16:
        return { 9, 16 };
    default:
        // AspectRatioFree and anything unknown.
        return {};
    }
}

// The largest rectangle of the ratio that fits a box of at least 1x1: the limiting
// side is taken whole and the other one is the floor of the exact fit, so the result
// never exceeds the box and misses the exact ratio by less than one unit of the ratio
// (|w * ratio.h - h * ratio.w| < max(ratio.w, ratio.h)). Neither side drops below 1.
QSize fitRatio(qint64 boxWidth, qint64 boxHeight, const Ratio &ratio)
{
    boxWidth = std::max<qint64>(boxWidth, 1);
    boxHeight = std::max<qint64>(boxHeight, 1);
    qint64 w;
    qint64 h;
    if (boxWidth * ratio.h <= boxHeight * ratio.w) {
        w = boxWidth;
        h = std::max<qint64>(boxWidth * ratio.h / ratio.w, 1);
    } else {
        h = boxHeight;
        w = std::max<qint64>(boxHeight * ratio.w / ratio.h, 1);
    }
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

// Clamps a coordinate into [low, high]; NaN gives low. Done in floating point before
// any conversion, so that far-away or odd pointer positions cannot overflow an int.
double bounded(double value, double low, double high)
{
    if (!(value > low))
        return low;
    if (!(value < high))
        return high;
    return value;
}

qint64 roundedBounded(double value, qint64 low, qint64 high)
{
    return std::llround(bounded(value, static_cast<double>(low), static_cast<double>(high)));
}

} // namespace

class LumoraCropperPrivate
{
public:
    enum class Drag { None, Move, Corner };

    virtual ~LumoraCropperPrivate() = default;

    // Corner handles are this close to the pointer to be grabbed: at least 8 pixels,
    // more on large pictures so that a finger still hits them once the picture is
    // scaled down to the screen.
    double grabRadius() const
    {
        return std::max(8.0, 0.02 * std::min(imageSize.width(), imageSize.height()));
    }

    bool pressAt(const QPointF &pos);
    void moveCornerTo(const QPointF &pos);
    void moveSelectionTo(const QPointF &pos);

    QSize imageSize;
    QRect selection;
    // Kept as a plain value: the crop plug-in passes a popup row, which need not be
    // one of the enumeration's values.
    int type = LumoraCropper::AspectRatioFree;

    Drag drag = Drag::None;
    // Corner drag: the opposite corner, which stays put, in edge coordinates (the
    // right and bottom edges lie one past the last pixel), and the side of the anchor
    // the dragged corner is on (+1 right or below, -1 left or above).
    qint64 anchorX = 0;
    qint64 anchorY = 0;
    int directionX = 1;
    int directionY = 1;
    // Corner drag: from the pointer to the corner at the press, so that the corner
    // does not jump to the pointer. Move: from the selection's top left corner to
    // the pointer at the press.
    QPointF grabOffset;
};

bool LumoraCropperPrivate::pressAt(const QPointF &pos)
{
    drag = Drag::None;
    if (selection.isEmpty() || !std::isfinite(pos.x()) || !std::isfinite(pos.y()))
        return false;

    const double left = selection.x();
    const double top = selection.y();
    const double right = left + selection.width();
    const double bottom = top + selection.height();
    const bool inside = pos.x() >= left && pos.x() <= right && pos.y() >= top && pos.y() <= bottom;

    // Inside the selection the corner zones shrink to a quarter of its shorter side,
    // so that a small selection can still be moved; around it they keep the full
    // radius, so that its corners can still be grabbed.
    double radius = grabRadius();
    if (inside)
        radius = std::min(radius, std::min(selection.width(), selection.height()) / 4.0);

    const QPointF corners[4]
        = { { left, top }, { right, top }, { right, bottom }, { left, bottom } };
    int nearest = -1;
    double nearestDistance = radius * radius;
    for (int i = 0; i < 4; ++i) {
        const QPointF delta = corners[i] - pos;
        const double distance = delta.x() * delta.x() + delta.y() * delta.y();
        if (distance <= nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }

    if (nearest >= 0) {
        const QPointF corner = corners[nearest];
        const QPointF anchor = corners[(nearest + 2) % 4];
        anchorX = static_cast<qint64>(anchor.x());
        anchorY = static_cast<qint64>(anchor.y());
        directionX = corner.x() > anchor.x() ? 1 : -1;
        directionY = corner.y() > anchor.y() ? 1 : -1;
        grabOffset = corner - pos;
        drag = Drag::Corner;
        return true;
    }
    if (inside) {
        grabOffset = pos - QPointF(left, top);
        drag = Drag::Move;
        return true;
    }
    return false;
}

void LumoraCropperPrivate::moveCornerTo(const QPointF &pos)
{
    const qint64 pictureWidth = imageSize.width();
    const qint64 pictureHeight = imageSize.height();
    const qint64 cornerX = roundedBounded(pos.x() + grabOffset.x(), 0, pictureWidth);
    const qint64 cornerY = roundedBounded(pos.y() + grabOffset.y(), 0, pictureHeight);

    // The room between the anchor and the picture's edge on the dragged side; at least
    // the selection's side, so never below 1. The corner never crosses the anchor.
    const qint64 roomX = directionX > 0 ? pictureWidth - anchorX : anchorX;
    const qint64 roomY = directionY > 0 ? pictureHeight - anchorY : anchorY;
    const qint64 wantedWidth = std::clamp<qint64>(directionX * (cornerX - anchorX), 0, roomX);
    const qint64 wantedHeight = std::clamp<qint64>(directionY * (cornerY - anchorY), 0, roomY);

    QSize size;
    const Ratio ratio = ratioFor(type, imageSize);
    if (ratio.isFixed()) {
        // The corner follows the pointer's projection onto the ratio's diagonal
        // through the anchor, so that moving along either axis alone still resizes;
        // the largest rectangle of the ratio within that point and the room is taken.
        const double rw = static_cast<double>(ratio.w);
        const double rh = static_cast<double>(ratio.h);
        const double scale
            = (static_cast<double>(wantedWidth) * rw + static_cast<double>(wantedHeight) * rh)
            / (rw * rw + rh * rh);
        const qint64 boxWidth = std::min<qint64>(std::llround(scale * rw), roomX);
        const qint64 boxHeight = std::min<qint64>(std::llround(scale * rh), roomY);
        size = fitRatio(boxWidth, boxHeight, ratio);
    } else {
        size = QSize(static_cast<int>(std::max<qint64>(wantedWidth, 1)),
                     static_cast<int>(std::max<qint64>(wantedHeight, 1)));
    }

    const qint64 x = directionX > 0 ? anchorX : anchorX - size.width();
    const qint64 y = directionY > 0 ? anchorY : anchorY - size.height();
    selection = QRect(QPoint(static_cast<int>(x), static_cast<int>(y)), size);
}

void LumoraCropperPrivate::moveSelectionTo(const QPointF &pos)
{
    const qint64 x = roundedBounded(pos.x() - grabOffset.x(), 0,
                                    qint64(imageSize.width()) - selection.width());
    const qint64 y = roundedBounded(pos.y() - grabOffset.y(), 0,
                                    qint64(imageSize.height()) - selection.height());
    selection.moveTopLeft(QPoint(static_cast<int>(x), static_cast<int>(y)));
}

LumoraCropper::LumoraCropper(QObject *parent)
    : LumoraEditPlugin(parent)
    , d(new LumoraCropperPrivate)
{ }

LumoraCropper::~LumoraCropper() = default;

bool LumoraCropper::containsUi() const
{
    return true;
}

bool LumoraCropper::zoomingAllowed() const
{
    return false;
}

bool LumoraCropper::receiveMouseEvent(QGraphicsSceneMouseEvent *event)
{
    if (!event)
        return false;

    switch (event->type()) {
    case QEvent::GraphicsSceneMousePress: {
        // A press that names only other buttons is not for the crop tool; a press
        // without any button information (as from a touch) counts as the left one.
        const Qt::MouseButtons buttons = event->button() | event->buttons();
        if (buttons != Qt::NoButton && !(buttons & Qt::LeftButton)) {
            d->drag = LumoraCropperPrivate::Drag::None;
            return false;
        }
        return d->pressAt(event->pos());
    }
    case QEvent::GraphicsSceneMouseMove:
        switch (d->drag) {
        case LumoraCropperPrivate::Drag::Corner:
            d->moveCornerTo(event->pos());
            return true;
        case LumoraCropperPrivate::Drag::Move:
            d->moveSelectionTo(event->pos());
            return true;
        case LumoraCropperPrivate::Drag::None:
            break;
        }
        return false;
    case QEvent::GraphicsSceneMouseRelease: {
        const bool dragging = d->drag != LumoraCropperPrivate::Drag::None;
        d->drag = LumoraCropperPrivate::Drag::None;
        return dragging;
    }
    default:
        return false;
    }
}

void LumoraCropper::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!painter || d->imageSize.isEmpty() || d->selection.isEmpty())
        return;

    const QRectF picture(QPointF(0, 0), QSizeF(d->imageSize));
    const QRectF selection(d->selection);

    painter->save();
    painter->setClipRect(picture, Qt::IntersectClip);

    // Dim the four bands around the selection.
    const QColor dim(0, 0, 0, 128);
    painter->fillRect(QRectF(0, 0, picture.width(), selection.top()), dim);
    painter->fillRect(
        QRectF(0, selection.bottom(), picture.width(), picture.height() - selection.bottom()), dim);
    painter->fillRect(QRectF(0, selection.top(), selection.left(), selection.height()), dim);
    painter->fillRect(QRectF(selection.right(), selection.top(),
                             picture.width() - selection.right(), selection.height()),
                      dim);

    // The frame keeps its screen width at any zoom; the handles are squares as wide
    // as the grab radius, centred on the corners they move.
    QPen frame(Qt::white);
    frame.setCosmetic(true);
    frame.setWidthF(2);
    painter->setPen(frame);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(selection);

    const double handle = d->grabRadius();
    const QPointF corners[4] = { selection.topLeft(), selection.topRight(), selection.bottomRight(),
                                 selection.bottomLeft() };
    for (const QPointF &corner : corners)
        painter->fillRect(QRectF(corner - QPointF(handle / 2, handle / 2), QSizeF(handle, handle)),
                          Qt::white);

    painter->restore();
}

void LumoraCropper::setCropAspectRatioType(AspectRatioType type)
{
    d->type = static_cast<int>(type);
    d->drag = LumoraCropperPrivate::Drag::None;

    const Ratio ratio = ratioFor(d->type, d->imageSize);
    if (!ratio.isFixed() || d->imageSize.isEmpty())
        return;
    const QSize size = fitRatio(d->imageSize.width(), d->imageSize.height(), ratio);
    d->selection = QRect(QPoint((d->imageSize.width() - size.width()) / 2,
                                (d->imageSize.height() - size.height()) / 2),
                         size);
}

LumoraCropper::AspectRatioType LumoraCropper::cropAspectRatioType() const
{
    return static_cast<AspectRatioType>(d->type);
}

QRect LumoraCropper::selectionRect() const
{
    return d->selection;
}

void LumoraCropper::setSelectionRect(const QRect &rect)
{
    d->drag = LumoraCropperPrivate::Drag::None;
    const QRect placed = rect.intersected(QRect(QPoint(0, 0), d->imageSize));
    if (!placed.isEmpty())
        d->selection = placed;
}

void LumoraCropper::activate()
{
    d->drag = LumoraCropperPrivate::Drag::None;
    const QSize size = editUiProvider() ? editUiProvider()->fullImageSize() : QSize();
    d->imageSize = size.isEmpty() ? QSize() : size;
    // Without a picture the selection is 0 x 0, not the -1 x -1 of the invalid size.
    d->selection = d->imageSize.isEmpty() ? QRect() : QRect(QPoint(0, 0), d->imageSize);
}
