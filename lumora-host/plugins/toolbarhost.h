// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef TOOLBARHOST_H
#define TOOLBARHOST_H

#include <QImage>
#include <QPointer>
#include <QString>

class LumoraEditPlugin;
class MWindow;
class QGraphicsScene;
class QGraphicsWidget;

// Holds one plug-in's tool bar at the bottom of a window's scene, as the editor
// does while the plug-in is active, and taps on it as a user's finger would.
class ToolBarHost
{
public:
    // Asks `plugin` for its tool bar in `window` (neither owned). The tool bar gets the
    // size the plug-in asks for in the window's orientation.
    ToolBarHost(MWindow *window, LumoraEditPlugin *plugin);
    // Destroys the tool bar, as the host does when the plug-in is left.
    ~ToolBarHost();

    // The plug-in's tool bar, or null when it has none.
    QGraphicsWidget *toolBar() const;

    // Taps the centre of the visible item named `objectName` inside the tool bar.
    bool tap(const QString &objectName);
    // Taps row `row` of the popup list shown on the window, scrolling to it first.
    bool tapPopupRow(int row);

    // The tool bar as it looks on screen.
    QImage render() const;

    // A press and a release at `scenePos`, delivered by the scene to the item there.
    static void tapAt(QGraphicsScene *scene, const QPointF &scenePos);

private:
    QPointer<MWindow> m_window;
    QGraphicsWidget *m_holder; // owned: the tool bar area, parent of the tool bar
    QPointer<QGraphicsWidget> m_toolBar;
};

#endif // TOOLBARHOST_H
