// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MAPPLICATION_H
#define MAPPLICATION_H

#include "velmotouchcore_export.h"

#include <QApplication>

class MWindow;

// The touch application. Its active window is the one popups appear on; it is
// kept apart from Qt's focus handling so that it works under any QApplication,
// shown or offscreen.
class M_CORE_EXPORT MApplication : public QApplication
{
    Q_OBJECT

public:
    MApplication(int &argc, char **argv);
    ~MApplication() override;

    // The window popups appear on, or null. Not owned; cleared when it is destroyed.
    static MWindow *activeWindow();
    static void setActiveWindow(MWindow *window);
};

#endif // MAPPLICATION_H
