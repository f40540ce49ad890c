// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "scenekeys.h"

#include "lumoracropper.h"
#include "lumoraedituiprovider.h"
#include "mbutton.h"
#include "mpopuplist.h"
#include "pictureview.h"
#include "pluginsession.h"

#include <QAbstractItemModel>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <functional>

namespace {

// Above every dialog of the toolkit (its dialogs stand at 10000).
constexpr qreal OverlayZ = 20000;
constexpr qreal RingWidth = 3;
constexpr qreal HintHeight = 14;

void collectButtons(QGraphicsItem *root, QList<MButton *> *out)
{
    for (QGraphicsItem *child : root->childItems()) {
        auto *button = qobject_cast<MButton *>(child->toGraphicsObject());
        if (button && button->isVisible() && !button->objectName().isEmpty())
            out->append(button);
        collectButtons(child, out);
    }
}

MPopupList *shownPopup(QGraphicsScene *scene)
{
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        auto *popup = qobject_cast<MPopupList *>(item->toGraphicsObject());
        if (popup && popup->isAppeared() && popup->itemModel())
            return popup;
    }
    return nullptr;
}

int shownRows(const MPopupList *popup)
{
    int shown = 0;
    while (!popup->rowRect(popup->firstVisibleRow() + shown).isEmpty())
        ++shown;
    return shown;
}

// A tap as a finger gives it: press and release at `at`, through the scene, so that a
// modal popup and the mouse grabber have their say.
void tapAt(QGraphicsScene *scene, const QPointF &at)
{
    for (const QEvent::Type type :
         { QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease }) {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(at);
        event.setButtonDownScenePos(Qt::LeftButton, at);
        event.setLastScenePos(at);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMousePress ? Qt::LeftButton : Qt::NoButton);
        event.setAccepted(false);
        QCoreApplication::sendEvent(scene, &event);
    }
}

} // namespace

class OverlayItem;

class SceneKeys::Private
{
public:
    explicit Private(SceneKeys *owner, PictureView *view)
        : q(owner)
        , view(view)
    { }
    virtual ~Private() = default;

    QGraphicsScene *scene() const { return view->scene(); }
    QList<MButton *> buttons() const;
    void sync();
    bool moveInToolBar(int step);
    void moveInPopup(MPopupList *popup, int step);
    bool nudge(int dx, int dy);
    // In scene coordinates, as things stand now; empty when there is no ring.
    QRectF ringRect() const;

    SceneKeys *q;
    PictureView *view;
    QPointer<PluginSession> session;
    OverlayItem *overlay = nullptr; // in the scene; deleted with this
    QPointer<MButton> button; // the ring's button, if on the tool bar
    QPointer<MPopupList> popup; // the list last seen shown
    int row = -1; // the ring's row while a list is shown
    bool ringOnPopup = false; // the list was opened by a key, or a key moved in it
    QString focused;
};

// The focus ring, and on a popup list with rows out of view a band with an arrow at
// the edge where more rows are. Worked out as it is painted, so that whatever paints
// the scene (a grab too) shows it as things stand.
class OverlayItem : public QGraphicsItem
{
public:
    // `ring` says where the ring is now, in scene coordinates (empty: none).
    explicit OverlayItem(std::function<QRectF()> ring)
        : m_ring(std::move(ring))
    {
        setZValue(OverlayZ);
        setAcceptedMouseButtons(Qt::NoButton);
    }

    QRectF boundingRect() const override { return scene() ? scene()->sceneRect() : QRectF(); }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (MPopupList *popup = shownPopup(scene()))
            paintHints(painter, popup);
        const QRectF ring = m_ring();
        if (!ring.isEmpty()) {
            // Two colours, so that it shows on light and dark alike.
            painter->setBrush(Qt::NoBrush);
            painter->setPen(QPen(QColor(0x10, 0x10, 0x10), RingWidth + 2));
            painter->drawRoundedRect(ring, 4, 4);
            painter->setPen(QPen(QColor(0xff, 0xc4, 0x2e), RingWidth));
            painter->drawRoundedRect(ring, 4, 4);
        }
        painter->restore();
    }

private:
    static void paintHints(QPainter *painter, const MPopupList *popup)
    {
        const int shown = shownRows(popup);
        if (shown == 0)
            return;
        const int first = popup->firstVisibleRow();
        const QRectF rows = popup->mapRectToScene(
            popup->rowRect(first).united(popup->rowRect(first + shown - 1)));
        const auto hint = [painter](const QRectF &band, bool up) {
            painter->fillRect(band, QColor(0, 0, 0, 150));
            const QPointF mid = band.center();
            const qreal w = band.height() * 0.6, h = band.height() * 0.35;
            const qreal tip = up ? -h : h;
            const QPointF arrow[3]
                = { mid + QPointF(-w, -tip), mid + QPointF(w, -tip), mid + QPointF(0, tip) };
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(0xf2, 0xf2, 0xf2));
            painter->drawPolygon(arrow, 3);
        };
        if (first > 0)
            hint(QRectF(rows.topLeft(), QSizeF(rows.width(), HintHeight)), true);
        if (first + shown < popup->itemModel()->rowCount())
            hint(QRectF(rows.bottomLeft() - QPointF(0, HintHeight),
                        QSizeF(rows.width(), HintHeight)),
                 false);
    }

    const std::function<QRectF()> m_ring;
};

QList<MButton *> SceneKeys::Private::buttons() const
{
    QList<MButton *> found;
    if (session && session->toolBar())
        collectButtons(session->toolBar(), &found);
    // Reading order: from the left, or from the right in a right-to-left language.
    const bool rtl = QGuiApplication::layoutDirection() == Qt::RightToLeft;
    std::stable_sort(found.begin(), found.end(), [rtl](MButton *a, MButton *b) {
        const QPointF pa = a->sceneBoundingRect().center();
        const QPointF pb = b->sceneBoundingRect().center();
        if (qAbs(pa.y() - pb.y()) > 1)
            return pa.y() < pb.y();
        return rtl ? pa.x() > pb.x() : pa.x() < pb.x();
    });
    return found;
}

QRectF SceneKeys::Private::ringRect() const
{
    if (popup && popup->isAppeared()) {
        const QRectF rect = ringOnPopup && row >= 0 ? popup->rowRect(row) : QRectF();
        return rect.isEmpty() ? QRectF() : popup->mapRectToScene(rect).adjusted(3, 3, -3, -3);
    }
    return button ? button->sceneBoundingRect().adjusted(2, 2, -2, -2) : QRectF();
}

void SceneKeys::Private::sync()
{
    MPopupList *shown = session ? shownPopup(scene()) : nullptr;
    if (shown != popup.data()) {
        popup = shown;
        // A list opened by a key has the ring on its current row.
        ringOnPopup = shown && !button.isNull();
        const QModelIndex current = shown ? shown->currentIndex() : QModelIndex();
        row = shown ? (current.isValid() ? current.row() : 0) : -1;
    }
    if (button && (!session || !buttons().contains(button.data())))
        button = nullptr;
    if (!overlay) {
        overlay = new OverlayItem([this] { return ringRect(); });
        scene()->addItem(overlay);
    }
    QString now;
    if (popup && ringOnPopup && row >= 0)
        now = QStringLiteral("popup:%1").arg(row);
    else if (!popup && button)
        now = QStringLiteral("toolbar:") + button->objectName();
    if (now != focused) {
        focused = now;
        overlay->update();
        Q_EMIT q->focusChanged(now);
    }
}

bool SceneKeys::Private::moveInToolBar(int step)
{
    const QList<MButton *> all = buttons();
    if (all.isEmpty())
        return false;
    int at = button ? int(all.indexOf(button.data())) : -1;
    if (at < 0)
        at = step > 0 ? 0 : int(all.size()) - 1;
    else
        at = (at + step + int(all.size())) % int(all.size());
    button = all.at(at);
    sync();
    return true;
}

void SceneKeys::Private::moveInPopup(MPopupList *shown, int step)
{
    const int count = shown->itemModel()->rowCount();
    if (count == 0)
        return;
    ringOnPopup = true;
    row = std::clamp(row < 0 ? 0 : row + step, 0, count - 1);
    shown->scrollTo(shown->itemModel()->index(row, 0));
    sync();
    overlay->update();
}

bool SceneKeys::Private::nudge(int dx, int dy)
{
    auto *cropper = session ? qobject_cast<LumoraCropper *>(session->plugin()) : nullptr;
    if (!cropper || !cropper->editUiProvider())
        return false;
    const QRect selection = cropper->selectionRect();
    const QSize full = cropper->editUiProvider()->fullImageSize();
    if (selection.isEmpty() || full.isEmpty())
        return false;
    // Moved whole, stopping at the edges: the size stays.
    dx = std::clamp(dx, -selection.left(), full.width() - selection.left() - selection.width());
    dy = std::clamp(dy, -selection.top(), full.height() - selection.top() - selection.height());
    if (dx == 0 && dy == 0)
        return true;
    cropper->setSelectionRect(selection.translated(dx, dy));
    view->placeToolBar(); // shown again, with its handles
    Q_EMIT q->selectionNudged();
    return true;
}

SceneKeys::SceneKeys(PictureView *view, QObject *parent)
    : QObject(parent)
    , d(new Private(this, view))
{
    // The ring and the hints follow what the scene shows: a list opened by a tap,
    // scrolled by the wheel, a tool bar rebuilt.
    connect(view->scene(), &QGraphicsScene::changed, this, [this] { d->sync(); });
}

SceneKeys::~SceneKeys()
{
    delete d->overlay;
}

void SceneKeys::setSession(PluginSession *session)
{
    d->session = session;
    d->button = nullptr;
    d->popup = nullptr;
    d->row = -1;
    d->ringOnPopup = false;
    d->sync();
}

bool SceneKeys::wantsKey(const QKeyEvent *event) const
{
    if (!d->session || !d->session->isActive())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool plain = modifiers == Qt::NoModifier;
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && (plain || modifiers == Qt::ShiftModifier)))
        return true;
    if (shownPopup(d->scene()))
        return plain
            && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Space
                || key == Qt::Key_Return || key == Qt::Key_Enter);
    const bool arrow
        = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (d->button)
        return plain
            && (arrow || key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter);
    return arrow && (plain || modifiers == Qt::ShiftModifier)
        && qobject_cast<LumoraCropper *>(d->session->plugin());
}

bool SceneKeys::handleKey(const QKeyEvent *event)
{
    if (!wantsKey(event))
        return false;
    const int key = event->key();
    const bool back = key == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
    const bool rtl = QGuiApplication::layoutDirection() == Qt::RightToLeft;
    const bool pick = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;

    if (MPopupList *popup = shownPopup(d->scene())) {
        d->sync();
        if (pick) {
            if (d->row < 0)
                return false;
            popup->scrollTo(popup->itemModel()->index(d->row, 0));
            const QRectF rect = popup->rowRect(d->row);
            if (rect.isEmpty())
                return false;
            tapAt(d->scene(), popup->mapToScene(rect.center()));
            d->sync();
            return true;
        }
        const bool up = key == Qt::Key_Up || (key != Qt::Key_Down && back);
        d->moveInPopup(popup, up ? -1 : 1);
        return true;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return d->moveInToolBar(back ? -1 : 1);
    if (d->button) {
        if (pick) {
            const QPointer<MButton> button = d->button;
            tapAt(d->scene(), button->sceneBoundingRect().center());
            d->sync();
            return true;
        }
        if (key == Qt::Key_Left || key == Qt::Key_Right)
            return d->moveInToolBar((key == Qt::Key_Right) != rtl ? 1 : -1);
        return true; // up and down: a tool bar is one row
    }
    const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    switch (key) {
    case Qt::Key_Left:
        return d->nudge(-step, 0);
    case Qt::Key_Right:
        return d->nudge(step, 0);
    case Qt::Key_Up:
        return d->nudge(0, -step);
    case Qt::Key_Down:
        return d->nudge(0, step);
    default:
        return false;
    }
}

QString SceneKeys::focused() const
{
    return d->focused;
}
