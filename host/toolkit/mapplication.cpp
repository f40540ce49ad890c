// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mapplication.h"

#include "mwindow.h"

#include <QPointer>

namespace {

// Kept apart from QApplication so that it works before (or without) an
// MApplication; the guarded pointer clears itself when the window is destroyed.
QPointer<MWindow> &activeWindowSlot()
{
    static QPointer<MWindow> window;
    return window;
}

} // namespace

MApplication::MApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

MApplication::~MApplication() = default;

MWindow *MApplication::activeWindow()
{
    return activeWindowSlot().data();
}

void MApplication::setActiveWindow(MWindow *window)
{
    activeWindowSlot() = window;
}
