// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SCENETAP_H
#define SCENETAP_H

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

// A finger on a graphics scene: left-button events delivered by the scene to the item
// at `scenePos`, as the view would deliver them.
inline void sendSceneMouse(QGraphicsScene *scene, QEvent::Type type, const QPointF &scenePos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(scenePos);
    event.setScreenPos(scenePos.toPoint());
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    event.setButtonDownScenePos(Qt::LeftButton, scenePos);
    event.setButtonDownScreenPos(Qt::LeftButton, scenePos.toPoint());
    QCoreApplication::sendEvent(scene, &event);
}

// A press and a release at the same place.
inline void tapScene(QGraphicsScene *scene, const QPointF &scenePos)
{
    sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, scenePos);
    sendSceneMouse(scene, QEvent::GraphicsSceneMouseRelease, scenePos);
}

#endif // SCENETAP_H
