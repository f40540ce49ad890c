// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pictureview.h"

#include "lumoracropper.h"
#include "mpopuplist.h"
#include "mwindow.h"
#include "pluginsession.h"
#include "screencolour.h"

#include <QAbstractItemModel>
#include <QGestureEvent>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPinchGesture>
#include <QPointer>
#include <QStyleOptionGraphicsItem>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Room around the fitted picture, so that a handle on its corner is whole on screen.
constexpr qreal PictureMargin = PictureView::HandleSize / 2;
constexpr qreal ZoomStep = 1.25;
constexpr qreal MinimumZoom = 0.01; // device pixels per picture pixel
constexpr qreal MaximumZoom = 16;
// Zooms this close are one: steps are powers of 1.25, far apart.
constexpr qreal SameZoom = 1e-6;
// A shorter side a crop tool is given at least when fitted, in device-independent
// pixels: four handles' worth, so that the handles never cover the picture.
constexpr qreal SmallestCropSide = 4 * PictureView::HandleSize;
// The share of a landscape view a tool bar may keep to itself; a taller one lies over
// the picture's edge.
constexpr qreal ToolBarShare = 0.2;
// Stacking in the scene: picture, handles, tool bar; the toolkit's dialogs lie above.
constexpr qreal PictureZ = 0;
constexpr qreal HandlesZ = 1;
constexpr qreal ToolBarZ = 100;

LumoraCropper *cropperOf(PluginSession *session)
{
    return session && session->isActive() ? qobject_cast<LumoraCropper *>(session->plugin())
                                          : nullptr;
}

// Two greys in squares of 8 device-independent pixels, as photo viewers show
// transparency.
QBrush checkerboard()
{
    QPixmap tile(16, 16);
    tile.fill(QColor(0xcc, 0xcc, 0xcc));
    QPainter painter(&tile);
    painter.fillRect(0, 0, 8, 8, QColor(0x99, 0x99, 0x99));
    painter.fillRect(8, 8, 8, 8, QColor(0x99, 0x99, 0x99));
    return QBrush(tile);
}

} // namespace

class PictureView::Private
{
public:
    class PictureItem;
    class HandlesItem;

    explicit Private(PictureView *view)
        : q(view)
    { }
    virtual ~Private() = default;

    QRectF area() const; // where the picture may be, in viewport coordinates
    qreal ratio() const { return q->viewport()->devicePixelRatioF(); }
    qreal fittedZoom() const; // in scene pixels per picture pixel
    // The nearest of the zoom steps and the fitted zoom beyond NOW (screen pixels per
    // picture pixel), above it or below it; none at the end of the steps.
    std::optional<qreal> nextZoom(qreal now, bool above) const;
    void place(); // the picture's item at zoom and offset, kept within its area
    void syncScene();

    // The pointer on the picture or on a handle, in scene coordinates.
    bool press(QGraphicsSceneMouseEvent *event);
    void move(QGraphicsSceneMouseEvent *event);
    void release(QGraphicsSceneMouseEvent *event);
    QPointF toPicture(const QPointF &scenePos) const;
    void gesture(QGestureEvent *event);

    PictureView *q;
    QPointer<MWindow> toolkitWindow;
    QImage picture; // possibly reduced from `size`
    QSize size; // the picture's, in the picture pixels plug-ins are given
    PictureItem *pictureItem = nullptr; // owned by the scene
    HandlesItem *handlesItem = nullptr; // owned by the scene
    QPointer<PluginSession> session;
    qreal zoom = 1; // scene (device-independent) pixels per picture pixel
    QPointF offset; // the picture's top left corner in the viewport
    bool fitted = true;
    QSize previewSize;
    QString placeholder;

    // The pointer's hold on the picture between a press and its release.
    enum class Hold { None, Plugin, Pan } hold = Hold::None;
    QPointF grabOffset; // picture pixels from the pointer to what it holds
    std::optional<QPointF> swipeFrom; // a press that may become a swipe, in the viewport
    QPointF lastScenePos;
    qreal pinchStartZoom = 1;
};

// The picture at the view's zoom, in picture pixels, with the active plug-in painting
// over it; the pointer's events on it go to the plug-in.
class PictureView::Private::PictureItem : public QGraphicsItem
{
public:
    explicit PictureItem(Private *owner)
        : m_owner(owner)
    {
        setAcceptedMouseButtons(Qt::LeftButton);
        setZValue(PictureZ);
    }

    QRectF boundingRect() const override { return QRectF(QPointF(0, 0), m_owner->size); }
    // The picture is about to change its size.
    void resize() { prepareGeometryChange(); }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override
    {
        const QImage &picture = m_owner->picture;
        if (picture.isNull())
            return;
        // Drawn from a copy at the size shown, so that a large picture costs a small
        // one's time on every frame of a drag.
        const QSize shown = painter->worldTransform()
                                .mapRect(boundingRect())
                                .size()
                                .toSize()
                                .boundedTo(picture.size());
        if (m_cache.size() != shown || m_cacheKey != picture.cacheKey()) {
            m_cache = picture.size() == shown
                ? picture
                : picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_cacheKey = picture.cacheKey();
        }
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        if (m_cache.hasAlphaChannel()) {
            // In the viewport's own pixels, sharp, so that the squares keep their size
            // on screen at any zoom.
            static const QBrush squares = checkerboard();
            const QRectF shownRect = painter->worldTransform().mapRect(boundingRect());
            painter->save();
            painter->resetTransform();
            painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter->setBrushOrigin(shownRect.topLeft());
            painter->fillRect(shownRect, squares);
            painter->restore();
        }
        painter->drawImage(boundingRect(), m_cache);
        if (m_owner->session && m_owner->session->isActive())
            m_owner->session->plugin()->paint(painter, option, widget);
    }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override
    {
        if (!m_owner->press(event))
            event->ignore();
    }
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override { m_owner->move(event); }
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override { m_owner->release(event); }

private:
    Private *m_owner;
    QImage m_cache;
    qint64 m_cacheKey = 0;
};

// The crop handles as touch targets, drawn in viewport pixels over the plug-in's own;
// a press on one is taken here, also where it reaches past the picture.
class PictureView::Private::HandlesItem : public QGraphicsItem
{
public:
    explicit HandlesItem(Private *owner)
        : m_owner(owner)
    {
        setAcceptedMouseButtons(Qt::LeftButton);
        setZValue(HandlesZ);
    }

    QRectF boundingRect() const override { return m_owner->q->sceneRect(); }
    QPainterPath shape() const override
    {
        QPainterPath path;
        for (const QRectF &handle : m_owner->q->cropHandles())
            path.addRect(handle);
        return path;
    }
    // The handles move with the selection.
    void changed()
    {
        prepareGeometryChange();
        update();
    }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        const QList<QRectF> handles = m_owner->q->cropHandles();
        if (handles.isEmpty())
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(255, 255, 255, 220), 2));
        painter->setBrush(QColor(255, 255, 255, 40));
        for (const QRectF &handle : handles)
            painter->drawRoundedRect(handle.adjusted(1, 1, -1, -1), 8, 8);
        painter->restore();
    }

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override
    {
        if (!m_owner->press(event))
            event->ignore();
    }
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override { m_owner->move(event); }
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override { m_owner->release(event); }

private:
    Private *m_owner;
};

QPointF PictureView::Private::toPicture(const QPointF &scenePos) const
{
    return pictureItem->mapFromScene(scenePos);
}

QRectF PictureView::Private::area() const
{
    qreal bottom = q->viewport()->height();
    if (session && session->toolBar()) {
        qreal kept = session->toolBar()->size().height();
        if (q->orientation() == M::Landscape)
            kept = std::min(kept, std::max<qreal>(2 * HandleSize, bottom * ToolBarShare));
        bottom -= kept;
    }
    return QRectF(QPointF(0, 0), QSizeF(q->viewport()->width(), std::max<qreal>(bottom, 1)))
        .adjusted(PictureMargin, PictureMargin, -PictureMargin, -PictureMargin);
}

void PictureView::Private::place()
{
    const QRectF room = area();
    const QSizeF size = this->size;
    if (size.isEmpty() || room.width() <= 0 || room.height() <= 0) {
        pictureItem->setTransform(QTransform());
        return;
    }
    const qreal whole = fittedZoom();
    if (fitted)
        zoom = whole;
    zoom = std::clamp(zoom, std::min(whole, 1 / ratio()), std::max(whole, MaximumZoom / ratio()));
    // A picture smaller than its area stands in its middle; a larger one covers it.
    const QSizeF shown = size * zoom;
    const auto keep = [](qreal offset, qreal shown, qreal start, qreal length) {
        if (shown <= length)
            return start + (length - shown) / 2;
        return std::clamp(offset, start + length - shown, start);
    };
    offset = QPointF(keep(offset.x(), shown.width(), room.left(), room.width()),
                     keep(offset.y(), shown.height(), room.top(), room.height()));
    pictureItem->setTransform(QTransform(zoom, 0, 0, zoom, offset.x(), offset.y()));
    handlesItem->changed();

    const QSize preview = q->previewSize();
    if (preview != previewSize) {
        previewSize = preview;
        Q_EMIT q->previewSizeChanged(preview);
    }
    Q_EMIT q->zoomChanged(q->zoom());
    Q_EMIT q->layoutChanged();
}

qreal PictureView::Private::fittedZoom() const
{
    const QRectF room = area();
    qreal largest = 1;
    if (cropperOf(session) && !size.isEmpty()) {
        // A tiny picture is enlarged until the handles leave most of it free.
        largest = std::max<qreal>(
            1, SmallestCropSide * ratio() / std::min(size.width(), size.height()));
    }
    return PictureView::fitZoom(size, room.size(), ratio(), largest) / ratio();
}

void PictureView::Private::syncScene()
{
    // Popups centre themselves in the scene's rectangle: it is the viewport's.
    const QRectF rect(QPointF(0, 0), q->viewport()->size());
    if (q->scene()->sceneRect() != rect)
        q->scene()->setSceneRect(rect);
    q->placeToolBar();
}

bool PictureView::Private::press(QGraphicsSceneMouseEvent *event)
{
    hold = Hold::None;
    lastScenePos = event->scenePos();
    if (session && session->isActive()) {
        const QPointF pointer = toPicture(event->scenePos());
        QPointF at = pointer;
        grabOffset = QPointF();
        if (LumoraCropper *cropper = cropperOf(session)) {
            // A press on a handle as shown grabs its corner exactly, wherever in the
            // handle it landed.
            const QRect selection = cropper->selectionRect();
            const QPointF corners[4]
                = { QPointF(selection.left(), selection.top()),
                    QPointF(selection.left() + selection.width(), selection.top()),
                    QPointF(selection.left() + selection.width(),
                            selection.top() + selection.height()),
                    QPointF(selection.left(), selection.top() + selection.height()) };
            const QList<QRectF> handles = q->cropHandles();
            for (int i = 0; i < handles.size(); ++i) {
                if (handles[i].contains(event->scenePos())) {
                    grabOffset = corners[i] - pointer;
                    at = corners[i];
                    break;
                }
            }
        }
        if (session->forwardMouse(QEvent::GraphicsSceneMousePress, at, event->scenePos(),
                                  event->button(), event->buttons())) {
            hold = Hold::Plugin;
            pictureItem->update();
            handlesItem->changed();
            return true;
        }
    }
    const QRectF room = area();
    const QSizeF shown = QSizeF(size) * zoom;
    if (q->isZoomAllowed() && (shown.width() > room.width() || shown.height() > room.height())) {
        hold = Hold::Pan;
        return true;
    }
    return false;
}

void PictureView::Private::move(QGraphicsSceneMouseEvent *event)
{
    switch (hold) {
    case Hold::Plugin:
        if (session)
            session->forwardMouse(QEvent::GraphicsSceneMouseMove,
                                  toPicture(event->scenePos()) + grabOffset, event->scenePos(),
                                  Qt::NoButton, event->buttons());
        pictureItem->update();
        handlesItem->changed();
        Q_EMIT q->layoutChanged();
        break;
    case Hold::Pan:
        q->pan(event->scenePos() - lastScenePos);
        break;
    case Hold::None:
        break;
    }
    lastScenePos = event->scenePos();
}

void PictureView::Private::release(QGraphicsSceneMouseEvent *event)
{
    if (hold == Hold::Plugin && session) {
        session->forwardMouse(QEvent::GraphicsSceneMouseRelease,
                              toPicture(event->scenePos()) + grabOffset, event->scenePos(),
                              event->button(), event->buttons());
        pictureItem->update();
        handlesItem->changed();
        Q_EMIT q->layoutChanged();
    }
    hold = Hold::None;
}

void PictureView::Private::gesture(QGestureEvent *event)
{
    const bool allowed = q->isZoomAllowed();
    if (auto *pan = static_cast<QPanGesture *>(event->gesture(Qt::PanGesture))) {
        if (allowed)
            q->pan(pan->delta());
        event->accept(pan);
    }
    if (auto *pinch = static_cast<QPinchGesture *>(event->gesture(Qt::PinchGesture))) {
        if (pinch->state() == Qt::GestureStarted)
            pinchStartZoom = zoom;
        if (allowed && (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged)) {
            const QPointF anchor = q->viewport()->mapFromGlobal(pinch->centerPoint());
            q->zoomBy(pinchStartZoom * pinch->totalScaleFactor() / zoom, anchor);
        }
        event->accept(pinch);
    }
}

PictureView::PictureView(MWindow *toolkitWindow, QWidget *parent)
    : QGraphicsView(parent)
    , d(new Private(this))
{
    d->toolkitWindow = toolkitWindow;
    setScene(toolkitWindow->scene());
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignTop);
    setTransformationAnchor(QGraphicsView::NoAnchor);
    setResizeAnchor(QGraphicsView::NoAnchor);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setBackgroundBrush(QColor(0x20, 0x20, 0x20));
    // The picture is never mirrored, whatever the language.
    setLayoutDirection(Qt::LeftToRight);
    setAcceptDrops(false); // the window takes dropped files

    // Touch: unhandled single touches come as mouse events; two fingers as gestures.
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    viewport()->grabGesture(Qt::PinchGesture);
    viewport()->grabGesture(Qt::PanGesture);

    d->pictureItem = new Private::PictureItem(d.get());
    d->handlesItem = new Private::HandlesItem(d.get());
    scene()->addItem(d->pictureItem);
    scene()->addItem(d->handlesItem);
    connect(scene(), &QGraphicsScene::changed, this, &PictureView::layoutChanged);
}

PictureView::~PictureView()
{
    // The scene is the toolkit window's and may outlive the view: take the view's own
    // items out of it.
    if (scene()) {
        delete d->handlesItem;
        delete d->pictureItem;
    }
}

void PictureView::setPicture(const QImage &image, const QSize &size)
{
    const QSize shown = size.isValid() ? size : image.size();
    if (shown != d->size) {
        d->fitted = true;
        d->pictureItem->resize();
    }
    // Drawn in the screen's colours; plug-ins and saves keep the picture's own.
    d->picture = ScreenColour::shown(image);
    d->size = shown;
    d->pictureItem->update();
    d->place();
}

void PictureView::setSession(PluginSession *session)
{
    d->session = session;
    d->hold = Private::Hold::None;
    d->handlesItem->changed();
    // Zooming stays as it is unless the plug-in forbids it: then the whole picture shows.
    if (!isZoomAllowed())
        d->fitted = true;
    placeToolBar();
}

void PictureView::placeToolBar()
{
    if (d->session) {
        if (QGraphicsWidget *toolBar = d->session->toolBar()) {
            // The tool bar's holder, given by the session, stands centred at the bottom.
            QGraphicsItem *holder = toolBar->parentItem() ? toolBar->parentItem() : toolBar;
            const QSizeF size = toolBar->size();
            holder->setPos(std::max<qreal>(0, (viewport()->width() - size.width()) / 2),
                           viewport()->height() - size.height());
            holder->setZValue(ToolBarZ);
        }
    }
    d->place();
    d->pictureItem->update();
}

M::Orientation PictureView::orientation() const
{
    return d->toolkitWindow ? d->toolkitWindow->orientation() : M::Landscape;
}

void PictureView::setOrientation(M::Orientation orientation)
{
    if (!d->toolkitWindow || d->toolkitWindow->orientation() == orientation)
        return;
    // The toolkit window sizes its scene for a screen of that orientation; the scene
    // here is the viewport's, so it is put back at once.
    d->toolkitWindow->setOrientation(orientation);
    d->syncScene();
}

bool PictureView::isZoomAllowed() const
{
    return !d->session || !d->session->isActive() || d->session->plugin()->zoomingAllowed()
        || cropperOf(d->session);
}

bool PictureView::isFitted() const
{
    return d->fitted;
}

qreal PictureView::zoom() const
{
    return d->zoom * d->ratio();
}

bool PictureView::isActualSize() const
{
    return std::abs(zoom() - 1) < SameZoom;
}

void PictureView::showActualSize(const QPointF &anchor)
{
    zoomBy(1 / zoom(), anchor);
}

QList<qreal> PictureView::zoomSteps()
{
    QList<qreal> steps;
    // Counted from 100 % both ways, so that it is one of them exactly.
    for (qreal step = 1; step >= MinimumZoom; step /= ZoomStep)
        steps.prepend(step);
    for (qreal step = ZoomStep; step < MaximumZoom; step *= ZoomStep)
        steps.append(step);
    steps.append(MaximumZoom);
    return steps;
}

qreal PictureView::fitZoom(const QSizeF &picture, const QSizeF &room, qreal devicePixelRatio,
                           qreal largest)
{
    if (picture.isEmpty() || room.isEmpty())
        return largest;
    return std::min({ largest, devicePixelRatio * room.width() / picture.width(),
                      devicePixelRatio * room.height() / picture.height() });
}

std::optional<qreal> PictureView::Private::nextZoom(qreal now, bool above) const
{
    QList<qreal> steps = PictureView::zoomSteps();
    steps.append(fittedZoom() * ratio());
    std::sort(steps.begin(), steps.end());
    if (above) {
        const auto next = std::find_if(steps.cbegin(), steps.cend(),
                                       [now](qreal step) { return step > now * (1 + SameZoom); });
        return next == steps.cend() ? std::nullopt : std::optional<qreal>(*next);
    }
    const auto next = std::find_if(steps.crbegin(), steps.crend(),
                                   [now](qreal step) { return step < now * (1 - SameZoom); });
    return next == steps.crend() ? std::nullopt : std::optional<qreal>(*next);
}

void PictureView::zoomIn()
{
    if (!isZoomAllowed() || d->picture.isNull())
        return;
    const qreal now = zoom();
    if (const std::optional<qreal> next = d->nextZoom(now, true))
        zoomBy(*next / now);
}

void PictureView::zoomOut()
{
    if (!isZoomAllowed() || d->picture.isNull())
        return;
    const qreal now = zoom();
    const std::optional<qreal> next = d->nextZoom(now, false);
    if (!next)
        return;
    // Back at the fitted zoom, it stays fitted as the window changes its size.
    const qreal fitted = d->fittedZoom() * d->ratio();
    if (std::abs(*next - fitted) <= fitted * SameZoom)
        fit();
    else
        zoomBy(*next / now);
}

void PictureView::zoomBy(qreal factor, const QPointF &anchor)
{
    if (!isZoomAllowed() || d->picture.isNull() || !(factor > 0))
        return;
    const QPointF at = anchor.isNull() ? d->area().center() : anchor;
    const QPointF picturePoint = (at - d->offset) / d->zoom;
    d->fitted = false;
    d->zoom = std::clamp(d->zoom * factor, MinimumZoom / d->ratio(), MaximumZoom / d->ratio());
    d->offset = at - picturePoint * d->zoom;
    d->place();
}

void PictureView::fit()
{
    d->fitted = true;
    d->place();
}

void PictureView::pan(const QPointF &delta)
{
    if (!isZoomAllowed())
        return;
    d->offset += delta;
    d->place();
}

QRectF PictureView::pictureRect() const
{
    return d->pictureItem->sceneTransform().mapRect(d->pictureItem->boundingRect());
}

QSize PictureView::previewSize() const
{
    return pictureRect().size().toSize();
}

QPointF PictureView::toPicture(const QPointF &viewportPos) const
{
    return d->pictureItem->mapFromScene(mapToScene(viewportPos.toPoint()));
}

QPointF PictureView::fromPicture(const QPointF &picturePos) const
{
    return d->pictureItem->mapToScene(picturePos);
}

QList<QRectF> PictureView::cropHandles() const
{
    LumoraCropper *cropper = cropperOf(d->session);
    if (!cropper || cropper->selectionRect().isEmpty())
        return {};
    const QRect selection = cropper->selectionRect();
    const QRectF shown(fromPicture(selection.topLeft()),
                       fromPicture(QPointF(selection.left() + selection.width(),
                                           selection.top() + selection.height())));
    const qreal inward
        = std::min<qreal>(HandleSize / 2.0, std::min(shown.width(), shown.height()) / 4);
    const qreal outward = HandleSize - inward;
    const QSizeF size(HandleSize, HandleSize);
    return { QRectF(shown.topLeft() - QPointF(outward, outward), size),
             QRectF(shown.topRight() + QPointF(-inward, -outward), size),
             QRectF(shown.bottomRight() - QPointF(inward, inward), size),
             QRectF(shown.bottomLeft() + QPointF(-outward, -inward), size) };
}

void PictureView::setPlaceholderText(const QString &text)
{
    d->placeholder = text;
    viewport()->update();
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    d->syncScene();
}

bool PictureView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Gesture) {
        d->gesture(static_cast<QGestureEvent *>(event));
        return true;
    }
    return QGraphicsView::viewportEvent(event);
}

void PictureView::wheelEvent(QWheelEvent *event)
{
    // A popup list longer than it is shown scrolls under the wheel.
    const QList<QGraphicsItem *> under = items(event->position().toPoint());
    for (QGraphicsItem *item : under) {
        auto *popup = qobject_cast<MPopupList *>(item->toGraphicsObject());
        if (!popup || !popup->isAppeared() || !popup->itemModel())
            continue;
        int shown = 0;
        while (!popup->rowRect(popup->firstVisibleRow() + shown).isEmpty())
            ++shown;
        const int first = popup->firstVisibleRow();
        const int row = event->angleDelta().y() > 0 ? first - 1 : first + shown;
        if (row >= 0 && row < popup->itemModel()->rowCount())
            popup->scrollTo(popup->itemModel()->index(row, 0));
        event->accept();
        Q_EMIT layoutChanged();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        const qreal steps = event->angleDelta().y() / 120.0;
        zoomBy(std::pow(ZoomStep, steps), event->position());
    } else {
        pan(QPointF(event->angleDelta()) / 2);
    }
    event->accept();
}

void PictureView::mousePressEvent(QMouseEvent *event)
{
    // Anywhere on the view, the picture or around it, but not where a drag pans or a
    // plug-in has the pointer.
    d->swipeFrom.reset();
    QGraphicsView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && d->hold == Private::Hold::None
        && !(d->session && d->session->isActive()) && !d->picture.isNull())
        d->swipeFrom = event->position();
}

void PictureView::mouseReleaseEvent(QMouseEvent *event)
{
    QGraphicsView::mouseReleaseEvent(event);
    if (!d->swipeFrom || event->button() != Qt::LeftButton)
        return;
    // Mostly sideways, and far enough not to be a tap.
    const QPointF moved = event->position() - *std::exchange(d->swipeFrom, std::nullopt);
    const qreal far = std::max<qreal>(2 * HandleSize, viewport()->width() / 8.0);
    if (std::abs(moved.x()) >= far && std::abs(moved.x()) > 2 * std::abs(moved.y()))
        Q_EMIT swiped(moved.x() < 0 ? -1 : 1);
}

void PictureView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // With a plug-in active, its tool and the picture's own events have the pointer.
    if (event->button() != Qt::LeftButton || (d->session && d->session->isActive())
        || d->picture.isNull()) {
        QGraphicsView::mouseDoubleClickEvent(event);
        return;
    }
    if (isActualSize() && !isFitted())
        fit();
    else
        showActualSize(event->position());
    event->accept();
}

void PictureView::drawBackground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawBackground(painter, rect);
    if (!d->picture.isNull() || d->placeholder.isEmpty())
        return;
    painter->save();
    painter->setPen(QColor(0xd0, 0xd0, 0xd0));
    QFont font = painter->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    painter->setFont(font);
    // The scene's rectangle is the viewport's.
    const QRectF room = sceneRect().adjusted(HandleSize, HandleSize, -HandleSize, -HandleSize);
    painter->drawText(room, Qt::AlignCenter | Qt::TextWordWrap, d->placeholder);
    painter->restore();
}
