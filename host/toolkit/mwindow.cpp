// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mwindow.h"

#include "mapplication.h"
#include "mdialog.h"

#include <QGraphicsScene>

namespace {

QSize screenSize(M::Orientation orientation)
{
    return orientation == M::Portrait ? QSize(480, 854) : QSize(854, 480);
}

} // namespace

MWindow::MWindow(QWidget *parent)
    : QGraphicsView(parent)
{
    // The scene is a child object of the window and goes with it.
    setScene(new QGraphicsScene(this));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QSize size = screenSize(m_orientation);
    resize(size);
    scene()->setSceneRect(QRectF(QPointF(0, 0), size));
}

MWindow::~MWindow()
{
    // The guarded pointer would clear only in ~QObject; clear it now so that
    // nobody reaches a half-destroyed window in between.
    if (MApplication::activeWindow() == this)
        MApplication::setActiveWindow(nullptr);

    // Dialogs shown here belong to whoever created them, not to the scene that
    // would delete them with the window: take them out first.
    if (QGraphicsScene *ownScene = scene()) {
        const QList<QGraphicsItem *> items = ownScene->items();
        QList<QPointer<MDialog>> dialogs;
        for (QGraphicsItem *item : items) {
            if (item->parentItem())
                continue;
            if (auto *dialog = qobject_cast<MDialog *>(item->toGraphicsObject()))
                dialogs.append(dialog);
        }
        for (const QPointer<MDialog> &dialog : std::as_const(dialogs)) {
            if (dialog)
                dialog->disappear();
        }
    }
}

M::Orientation MWindow::orientation() const
{
    return m_orientation;
}

void MWindow::setOrientation(M::Orientation orientation)
{
    if (m_orientation == orientation)
        return;
    m_orientation = orientation;
    const QSize size = screenSize(orientation);
    resize(size);
    scene()->setSceneRect(QRectF(QPointF(0, 0), size));
    emit orientationChanged(orientation);
}
