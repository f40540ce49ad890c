// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pluginsession.h"

#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "toolbarhost.h"

#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QImage>

class PluginSession::Private
{
public:
    Private(LumoraEditPlugin *plugin, ImageEditor &editor, LumoraEditUiProvider *provider)
        : plugin(plugin)
        , editor(editor)
        , provider(provider ? provider : &editor)
    { }
    virtual ~Private() = default;

    LumoraEditPlugin *plugin; // not owned
    ImageEditor &editor;
    LumoraEditUiProvider *provider; // not owned
    std::unique_ptr<ToolBarHost> toolBar;
    QMetaObject::Connection performedConnection;
    EditList before; // the edits at activation, to go back to
    bool restore = true;
    QStringList errors;
    Outcome outcome = Running;
    bool started = false;
    bool busy = false;
    bool hasToolBar = false; // the plug-in's containsUi(), asked once at activation
    int performed = 0; // editOperationPerformed() since activate()
};

PluginSession::PluginSession(LumoraEditPlugin *plugin, ImageEditor &editor,
                             LumoraEditUiProvider *provider, QObject *parent)
    : QObject(parent)
    , d(new Private(plugin, editor, provider))
{ }

PluginSession::~PluginSession()
{
    // Nobody listens any more: a session going away must not call back into a front
    // end that is being destroyed itself.
    blockSignals(true);
    if (isActive())
        cancel();
}

void PluginSession::setRestoreOnFailure(bool restore)
{
    d->restore = restore;
}

LumoraEditPlugin *PluginSession::plugin() const
{
    return d->plugin;
}

void PluginSession::start()
{
    if (d->started)
        return;
    d->started = true;
    d->plugin->setEditUiProvider(d->provider);
    d->performedConnection
        = connect(d->plugin, &LumoraEditPlugin::editOperationPerformed, this, [this] {
              ++d->performed;
              if (d->busy) {
                  d->busy = false;
                  Q_EMIT busyChanged(false);
              }
              Q_EMIT editOperationPerformed();
          });

    if (d->restore)
        d->before = d->editor.edits();
    d->editor.beginActivation(QString::fromLatin1(d->plugin->metaObject()->className()));
    d->plugin->activate();
    d->hasToolBar = d->plugin->containsUi();
    if (!d->hasToolBar) {
        // A one-shot edit runs the moment it is picked.
        d->busy = true;
        Q_EMIT busyChanged(true);
        d->plugin->performEditOperation();
        d->plugin->deactivate(true);
        leave(true);
    }
}

bool PluginSession::needsToolBar() const
{
    return isActive() && d->hasToolBar;
}

QGraphicsWidget *PluginSession::buildToolBar(MWindow *window)
{
    if (!isActive() || !window)
        return nullptr;
    // The old one goes first: the plug-in keeps only the newest one up to date.
    d->toolBar.reset();
    d->toolBar.reset(new ToolBarHost(window, d->plugin));
    return d->toolBar->toolBar();
}

QGraphicsWidget *PluginSession::toolBar() const
{
    return d->toolBar ? d->toolBar->toolBar() : nullptr;
}

ToolBarHost *PluginSession::toolBarHost() const
{
    return d->toolBar.get();
}

bool PluginSession::forwardMouse(QEvent::Type type, const QPointF &picturePos,
                                 const QPointF &scenePos, Qt::MouseButton button,
                                 Qt::MouseButtons buttons)
{
    if (!isActive())
        return false;
    QGraphicsSceneMouseEvent event(type);
    event.setPos(picturePos);
    event.setScenePos(scenePos);
    event.setButton(button);
    event.setButtons(buttons);
    return d->plugin->receiveMouseEvent(&event);
}

void PluginSession::drag(const QPointF &from, const QPointF &to)
{
    forwardMouse(QEvent::GraphicsSceneMousePress, from, from, Qt::LeftButton, Qt::LeftButton);
    forwardMouse(QEvent::GraphicsSceneMouseMove, to, to, Qt::LeftButton, Qt::LeftButton);
    forwardMouse(QEvent::GraphicsSceneMouseRelease, to, to, Qt::LeftButton, Qt::NoButton);
}

void PluginSession::confirm()
{
    if (!isActive())
        return;
    d->busy = true;
    Q_EMIT busyChanged(true);
    // Confirming hides the plug-in's popups and, for a plug-in that runs its edit on
    // confirmation, runs it; one that ran its edits on each tap only reports.
    d->plugin->deactivate(true);
    if (d->performed == 0)
        d->plugin->performEditOperation();
    leave(true);
}

void PluginSession::cancel()
{
    if (!isActive())
        return;
    d->plugin->deactivate(false);
    leave(false);
}

PluginSession::Outcome PluginSession::outcome() const
{
    return d->outcome;
}

bool PluginSession::isActive() const
{
    return d->started && d->outcome == Running;
}

bool PluginSession::isBusy() const
{
    return d->busy;
}

QStringList PluginSession::errors() const
{
    return d->errors;
}

void PluginSession::leave(bool confirmed)
{
    // The host destroys the tool bar when the plug-in is left.
    d->toolBar.reset();
    bool kept = confirmed;
    if (confirmed && !d->editor.activationErrors().isEmpty()) {
        d->errors = d->editor.activationErrors();
        kept = false;
    }
    d->editor.endActivation(kept);
    // A failed edit leaves nothing behind; neither does a dropped one that a filter had
    // already reached.
    if (!kept && d->restore && !(d->editor.edits() == d->before))
        d->editor.setEdits(d->before);
    d->before = EditList();

    disconnect(d->performedConnection);
    d->plugin->setEditUiProvider(nullptr);
    d->outcome = kept ? Confirmed : confirmed ? Failed : Cancelled;
    if (d->busy) {
        d->busy = false;
        Q_EMIT busyChanged(false);
    }
    Q_EMIT finished(d->outcome);
}
