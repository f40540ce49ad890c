// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "lumoraeditplugin.h"

class LumoraEditPluginPrivate
{
public:
    virtual ~LumoraEditPluginPrivate() = default;

    LumoraEditUiProvider *provider = nullptr; // not owned
};

LumoraEditPlugin::LumoraEditPlugin(QObject *parent)
    : QObject(parent)
    , d(new LumoraEditPluginPrivate)
{ }

LumoraEditPlugin::~LumoraEditPlugin() = default;

QString LumoraEditPlugin::name() const
{
    return QString();
}

int LumoraEditPlugin::menuIndex() const
{
    return -1;
}

QString LumoraEditPlugin::iconID() const
{
    return QString();
}

bool LumoraEditPlugin::containsUi() const
{
    return false;
}

bool LumoraEditPlugin::zoomingAllowed() const
{
    return true;
}

bool LumoraEditPlugin::receiveMouseEvent(QGraphicsSceneMouseEvent *)
{
    return false;
}

void LumoraEditPlugin::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) { }

QSize LumoraEditPlugin::toolBarWidgetSize(const M::Orientation &orientation) const
{
    return orientation == M::Portrait ? QSize(480, 72) : QSize(854, 72);
}

QVariant LumoraEditPlugin::extensionOperation(int, const QVariant &)
{
    return QVariant();
}

bool LumoraEditPlugin::toolBarWidgetVisible(M::Orientation) const
{
    return true;
}

void LumoraEditPlugin::performEditOperation()
{
    Q_EMIT editOperationPerformed();
}

void LumoraEditPlugin::activate() { }

void LumoraEditPlugin::deactivate(bool) { }

QGraphicsWidget *LumoraEditPlugin::createToolBarWidget(QGraphicsItem *)
{
    return nullptr;
}

LumoraEditUiProvider *LumoraEditPlugin::editUiProvider() const
{
    return d->provider;
}

void LumoraEditPlugin::setEditUiProvider(LumoraEditUiProvider *provider)
{
    d->provider = provider;
}
