// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MWINDOW_H
#define MWINDOW_H

#include "mnamespace.h"
#include "velmotouchcore_export.h"

#include <QGraphicsView>

// A top-level window of the application: a graphics view with a scene of its own
// (owned by the window),
// sized as the screen in its orientation (854x480 landscape, 480x854 portrait).
class M_CORE_EXPORT MWindow : public QGraphicsView
{
    Q_OBJECT

public:
    explicit MWindow(QWidget *parent = nullptr);
    ~MWindow() override;

    M::Orientation orientation() const;
    // Turns the window: resizes it and its scene, and emits orientationChanged().
    void setOrientation(M::Orientation orientation);

Q_SIGNALS:
    void orientationChanged(M::Orientation orientation);

private:
    M::Orientation m_orientation = M::Landscape;
};

#endif // MWINDOW_H
