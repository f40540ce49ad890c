// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "toolbarhost.h"

#include "lumoraeditplugin.h"
#include "mpopuplist.h"
#include "mwindow.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QPainter>

namespace {

QGraphicsObject *findNamed(QGraphicsItem *root, const QString &objectName)
{
    for (QGraphicsItem *child : root->childItems()) {
        QGraphicsObject *object = child->toGraphicsObject();
        if (object && object->isVisible() && object->objectName() == objectName)
            return object;
        if (QGraphicsObject *found = findNamed(child, objectName))
            return found;
    }
    return nullptr;
}

void sendMouse(QGraphicsScene *scene, QEvent::Type type, const QPointF &scenePos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(scenePos);
    event.setButtonDownScenePos(Qt::LeftButton, scenePos);
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    QCoreApplication::sendEvent(scene, &event);
}

} // namespace

ToolBarHost::ToolBarHost(MWindow *window, LumoraEditPlugin *plugin)
    : m_window(window)
    , m_holder(new QGraphicsWidget)
{
    QGraphicsScene *scene = window->scene();
    const QSize size = plugin->toolBarWidgetSize(window->orientation());
    scene->addItem(m_holder);
    m_holder->setGeometry(QRectF(QPointF(0, scene->sceneRect().height() - size.height()), size));
    m_toolBar = plugin->createToolBarWidget(m_holder);
    if (m_toolBar) {
        m_toolBar->setGeometry(QRectF(QPointF(0, 0), size));
        // Lay out now, as the first paint would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

ToolBarHost::~ToolBarHost()
{
    delete m_holder;
}

QGraphicsWidget *ToolBarHost::toolBar() const
{
    return m_toolBar;
}

bool ToolBarHost::tap(const QString &objectName)
{
    QGraphicsObject *item = m_toolBar ? findNamed(m_toolBar, objectName) : nullptr;
    if (!item || !m_window)
        return false;
    tapAt(m_window->scene(), item->mapToScene(item->boundingRect().center()));
    return true;
}

bool ToolBarHost::tapPopupRow(int row)
{
    if (!m_window)
        return false;
    MPopupList *popup = nullptr;
    for (QGraphicsItem *item : m_window->scene()->items()) {
        if (auto *candidate = qobject_cast<MPopupList *>(item->toGraphicsObject());
            candidate && candidate->isVisible()) {
            popup = candidate;
            break;
        }
    }
    if (!popup || !popup->itemModel() || row < 0 || row >= popup->itemModel()->rowCount())
        return false;
    popup->scrollTo(popup->itemModel()->index(row, 0));
    const QRectF rect = popup->rowRect(row);
    if (rect.isEmpty())
        return false;
    tapAt(m_window->scene(), popup->mapToScene(rect.center()));
    return true;
}

QImage ToolBarHost::render() const
{
    if (!m_toolBar || !m_window)
        return QImage();
    const QRectF area = m_toolBar->sceneBoundingRect();
    QImage image(area.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    m_window->scene()->render(&painter, QRectF(QPointF(0, 0), area.size()), area);
    return image;
}

void ToolBarHost::tapAt(QGraphicsScene *scene, const QPointF &scenePos)
{
    sendMouse(scene, QEvent::GraphicsSceneMousePress, scenePos);
    sendMouse(scene, QEvent::GraphicsSceneMouseRelease, scenePos);
}
