// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORAEDITPLUGIN_H
#define LUMORAEDITPLUGIN_H

#include "lumoracore_export.h"
#include "mnamespace.h"

#include <QObject>
#include <QScopedPointer>
#include <QSize>
#include <QString>
#include <QVariant>

class LumoraEditUiProvider;
class LumoraEditPluginPrivate;
class QGraphicsItem;
class QGraphicsSceneMouseEvent;
class QGraphicsWidget;
class QPainter;
class QStyleOptionGraphicsItem;
class QWidget;

// One entry of the picture editor's menu, loaded from a plug-in.
//
// The host asks for the description (name, menu position, icon), activates the
// plug-in when the user picks it, builds its tool bar if it has one, forwards
// scene mouse events while it is active and finally deactivates it. Every
// operation ends with editOperationPerformed(). All calls arrive on the GUI thread.
//
// The virtual operations keep this order; plug-ins built against it rely on it.
class LUMORACORE_EXPORT LumoraEditPlugin : public QObject
{
    Q_OBJECT

public:
    explicit LumoraEditPlugin(QObject *parent = nullptr);
    ~LumoraEditPlugin() override;

    // Translated menu text. Default: empty.
    virtual QString name() const;
    // Position in the editor menu, 1 first. Default: -1, no position.
    virtual int menuIndex() const;
    // Theme icon name. Default: empty.
    virtual QString iconID() const;
    // Whether the plug-in shows a tool bar of its own. Default: false.
    virtual bool containsUi() const;
    // Whether the user may zoom the picture while the plug-in is active. Default: true.
    virtual bool zoomingAllowed() const;
    // A scene mouse event while active; true when used. Default: false.
    virtual bool receiveMouseEvent(QGraphicsSceneMouseEvent *event);
    // Paints over the picture while active. Default: nothing.
    virtual void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget);
    // Size of the tool bar. Default: the screen's width in that orientation
    // (854 landscape, 480 portrait) by 72.
    virtual QSize toolBarWidgetSize(const M::Orientation &orientation) const;
    // Host-specific extension point. Default: an invalid QVariant.
    virtual QVariant extensionOperation(int operation, const QVariant &argument);
    // Whether the tool bar is shown in that orientation. Default: true.
    virtual bool toolBarWidgetVisible(M::Orientation orientation) const;

public Q_SLOTS:
    // Runs the edit, then emits editOperationPerformed(). Default: only the signal.
    virtual void performEditOperation();
    // The user picked the plug-in. Default: nothing.
    virtual void activate();
    // The user left the plug-in; `confirm` is true when the edit is to be kept.
    // Default: nothing.
    virtual void deactivate(bool confirm);

public:
    // Builds a new tool-bar widget as a child of `parent`; the item tree (the host)
    // owns it. Default: null, no tool bar.
    virtual QGraphicsWidget *createToolBarWidget(QGraphicsItem *parent);

    // The host's edit UI provider, or null when none is set.
    LumoraEditUiProvider *editUiProvider() const;
    // Host side: sets the provider (not owned; null allowed).
    void setEditUiProvider(LumoraEditUiProvider *provider);

Q_SIGNALS:
    void editOperationPerformed();

private:
    Q_DISABLE_COPY(LumoraEditPlugin)
    QScopedPointer<LumoraEditPluginPrivate> d;
};

Q_DECLARE_INTERFACE(LumoraEditPlugin, "Lumora.EditPlugin/1.0")

#endif // LUMORAEDITPLUGIN_H
