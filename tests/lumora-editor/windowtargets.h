// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The window's touch targets as the window tests reach them: by name, as a user's finger
// would find them on screen.
#pragma once

#include "editorwindow.h"

#include <QRect>
#include <QTest>
#include <QWindow>

// Where the target NAME is in the window, or an empty rectangle when it is not shown.
inline QRect targetRect(const EditorWindow &window, const QString &name)
{
    for (const EditorWindow::Target &target : window.touchTargets()) {
        if (target.name == name)
            return target.rect;
    }
    return QRect();
}

// The names of the targets shown, those starting with PREFIX when one is given.
inline QStringList targetNames(const EditorWindow &window, const QString &prefix = QString())
{
    QStringList names;
    for (const EditorWindow::Target &target : window.touchTargets()) {
        if (target.name.startsWith(prefix))
            names << target.name;
    }
    return names;
}

// A tap as the window system delivers it: to whatever widget is under the point.
inline bool tap(EditorWindow &window, const QString &name)
{
    const QRect rect = targetRect(window, name);
    if (rect.isEmpty())
        return false;
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, rect.center());
    return true;
}
