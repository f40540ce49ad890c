// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editvintageeffectsplugin.h"

#include "editvintageeffectswidget.h"
#include "lumoraedituiprovider.h"
#include "lumorapluginframe.h"

#include <QHash>
#include <QVariant>

namespace {
constexpr int EffectsMenuIndex = 8;
// Landscape gets the column of four buttons the widget starts with there; portrait
// the single row.
constexpr int LandscapeToolBarHeight = 216;
constexpr int PortraitToolBarHeight = 72;
// Tells the provider that a tap previews an effect in place of the one tapped
// before, where every other edit stacks (flag 0).
constexpr int EffectChoiceFlag = 1;
} // namespace

EditVintageEffectsPlugin::EditVintageEffectsPlugin(QObject *parent)
    : LumoraEditPlugin(parent)
{ }

EditVintageEffectsPlugin::~EditVintageEffectsPlugin() = default;

QString EditVintageEffectsPlugin::name() const
{
    // Translated on every call, so a language change shows in the next menu.
    return qtTrId("qtn_lumo_editor_color_effects", -1);
}

int EditVintageEffectsPlugin::menuIndex() const
{
    return EffectsMenuIndex;
}

QString EditVintageEffectsPlugin::iconID() const
{
    return QStringLiteral("icon-m-image-edit-filter");
}

bool EditVintageEffectsPlugin::containsUi() const
{
    return true;
}

QSize EditVintageEffectsPlugin::toolBarWidgetSize(const M::Orientation &orientation) const
{
    // The width is the host's to choose; only the height depends on the layout the
    // tool bar starts with, which follows the orientation.
    QSize size = LumoraEditPlugin::toolBarWidgetSize(orientation);
    size.setHeight(orientation == M::Landscape ? LandscapeToolBarHeight : PortraitToolBarHeight);
    return size;
}

void EditVintageEffectsPlugin::selectEditOperation(const QString &operation)
{
    LumoraEditUiProvider *provider = editUiProvider();
    if (!provider)
        return;
    // The effects take no options; the table lives only for this call.
    provider->runEditFilter(operation, QHash<QString, QVariant>(), EffectChoiceFlag);
}

void EditVintageEffectsPlugin::performEditOperation()
{
    // Every choice has run already, on its tap.
    Q_EMIT editOperationPerformed();
}

QGraphicsWidget *EditVintageEffectsPlugin::createToolBarWidget(QGraphicsItem *parent)
{
    // A fresh tool bar each time; the connection ends with the widget, which the host
    // destroys with its parent item.
    EditVintageEffectsWidget *widget = new EditVintageEffectsWidget(parent);
    connect(widget, SIGNAL(effectSelected(QString)), this, SLOT(selectEditOperation(QString)));
    return widget;
}

LUMORA_EXPORT_PLUGIN(EditVintageEffectsPlugin)
