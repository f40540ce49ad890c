// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITDRIVER_H
#define EDITDRIVER_H

#include "editrequest.h"

#include <QScopedPointer>

class ImageEditor;
class MWindow;
class PluginLoader;
class QIODevice;

// Carries out edits through the loaded plug-ins exactly as the editor and a user
// do: picks the plug-in, activates it, builds its tool bar in the active window,
// taps the tool bar's buttons and popup rows, drags the crop selection, and confirms.
// The driving itself is PluginSession's; this class plays the user. Never runs a
// filter itself: every pixel change is one the plug-in asked for.
class EditDriver
{
public:
    // `loader` and `editor` are not owned; `trace` (not owned, may be null) receives
    // one JSON line per provider call and per editOperationPerformed().
    EditDriver(const PluginLoader &loader, ImageEditor &editor, QIODevice *trace = nullptr);
    ~EditDriver();

    // Applies one edit to the editor's picture. On failure `error` says why and the
    // picture is to be discarded: no copy is held to put it back, so that a filter
    // may work on the only one in place. A one-shot request (plugin=CLASS) for a
    // plug-in with a tool bar is cancelled and fails: it needs a person at the window.
    bool apply(const EditRequest &request, QString *error);

    // The window tool bars are built in; created on first use and made the
    // application's active window.
    MWindow *window();

private:
    // The user's part between activation and confirmation; false, with `error`, when
    // the tool bar lacks what the request needs.
    bool interact(const EditRequest &request, class PluginSession &session, QString *error);

    const PluginLoader &m_loader;
    ImageEditor &m_editor;
    QIODevice *m_trace;
    QScopedPointer<MWindow> m_window;
};

#endif // EDITDRIVER_H
