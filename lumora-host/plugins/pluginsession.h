// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PLUGINSESSION_H
#define PLUGINSESSION_H

#include <QEvent>
#include <QObject>
#include <QPointF>
#include <QStringList>

#include <memory>

class ImageEditor;
class LumoraEditPlugin;
class LumoraEditUiProvider;
class MWindow;
class QGraphicsWidget;
class ToolBarHost;

// One pick of an editor-menu entry, from activate() to the plug-in being left, in the
// order the editor drives every plug-in; the only place that order is written down,
// shared by every front end:
//
//   start():   the plug-in gets the provider, the editor opens an activation, activate().
//              A plug-in without a tool bar (containsUi() false) runs at once:
//              performEditOperation(), deactivate(true), and the session is over.
//   buildToolBar(): toolBarWidgetSize(orientation) and createToolBarWidget() at the
//              bottom of the window's scene, for the window's orientation.
//   confirm(): deactivate(true); performEditOperation() only when that reported no
//              completion (a plug-in that ran its edits on each tap only reports).
//   cancel():  deactivate(false).
//
// Leaving destroys the tool bar, closes the activation (confirmed only when every
// filter asked for succeeded; otherwise the picture is put back as it was) and takes
// the provider back. The session is busy from the request of an edit until the
// plug-in emits editOperationPerformed(). Everything runs on the GUI thread; nothing
// is applied twice: a confirm or cancel after the session is over does nothing.
class PluginSession : public QObject
{
    Q_OBJECT

public:
    enum Outcome {
        Running, // started, not left yet
        Confirmed, // left with the edit kept (possibly one that changed nothing)
        Cancelled, // left with the edit dropped
        Failed, // confirmed, but a filter failed: the picture is as it was before
    };

    // `plugin` and `editor` are not owned and must outlive the session; `provider` (not
    // owned; null: the editor itself) is what the plug-in is handed, such as a tracer
    // standing in front of the editor.
    PluginSession(LumoraEditPlugin *plugin, ImageEditor &editor,
                  LumoraEditUiProvider *provider = nullptr, QObject *parent = nullptr);
    // Leaves a plug-in still active as cancel() does.
    ~PluginSession() override;

    LumoraEditPlugin *plugin() const;
    // Whether a cancelled or failed activation puts back the edits as they were at
    // start() (default true). A caller that discards the picture on failure (a
    // command-line run) may turn it off. Set before start().
    void setRestoreOnFailure(bool restore);
    // Activates the plug-in; a one-shot is run and confirmed before this returns.
    void start();
    // Whether the plug-in wants a tool bar and the user's choices before it is left.
    bool needsToolBar() const;

    // Builds the plug-in's tool bar in `window` (not owned; its scene owns the tool bar)
    // for the window's orientation, replacing the one built before. Call again when the
    // window has turned: a plug-in lays its tool bar out for the orientation at the time
    // it builds it. Null when the plug-in builds none.
    QGraphicsWidget *buildToolBar(MWindow *window);
    // The tool bar built last, or null; owned by the window's scene until the session
    // destroys it.
    QGraphicsWidget *toolBar() const;
    ToolBarHost *toolBarHost() const;

    // A mouse event on the picture, handed to receiveMouseEvent() with `picturePos` in
    // full-resolution picture pixels; true when the plug-in used it.
    bool forwardMouse(QEvent::Type type, const QPointF &picturePos, const QPointF &scenePos,
                      Qt::MouseButton button, Qt::MouseButtons buttons);
    // A left-button press at `from`, one move to `to` and a release there.
    void drag(const QPointF &from, const QPointF &to);

    void confirm();
    void cancel();

    Outcome outcome() const;
    bool isActive() const; // started and not left
    bool isBusy() const;
    // Why the filters asked for failed, once the session has failed.
    QStringList errors() const;

Q_SIGNALS:
    void busyChanged(bool busy);
    // The plug-in reported an operation as complete.
    void editOperationPerformed();
    // The plug-in has been left; the tool bar is gone and the activation closed.
    void finished(PluginSession::Outcome outcome);

private:
    void leave(bool confirmed);

    class Private;
    const std::unique_ptr<Private> d;
};

#endif // PLUGINSESSION_H
