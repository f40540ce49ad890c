// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITVINTAGEEFFECTSPLUGIN_H
#define EDITVINTAGEEFFECTSPLUGIN_H

#include "lumoraeditplugin.h"

// The colour-effects entry of the picture editor (menu position 8): black and white,
// sepia, old colour photo and cross-processing, chosen on its four-button tool bar.
//
// Each tap on the tool bar runs that effect's filter at once through the host's edit
// UI provider, with no options and flag 1; performEditOperation() runs nothing and
// only reports completion. The plug-in keeps no state: no pointer to its tool bars,
// no remembered effect.
class Q_DECL_EXPORT EditVintageEffectsPlugin : public LumoraEditPlugin
{
    Q_OBJECT
    Q_INTERFACES(LumoraEditPlugin)

public:
    explicit EditVintageEffectsPlugin(QObject *parent = nullptr);
    ~EditVintageEffectsPlugin() override;

    // Translated on every call.
    QString name() const override;
    int menuIndex() const override;
    QString iconID() const override;
    bool containsUi() const override;
    // The base's width; height 216 for M::Landscape, 72 for M::Portrait.
    QSize toolBarWidgetSize(const M::Orientation &orientation) const override;

public Q_SLOTS:
    // Runs the filter named `operation` through the edit UI provider with an empty
    // option table and flag 1; without a provider does nothing. Emits nothing.
    void selectEditOperation(const QString &operation);
    // Only emits editOperationPerformed(): the effects have run already.
    void performEditOperation() override;

public:
    // A new effects tool bar, child of `parent` and owned through it (the host's item
    // tree); its taps reach selectEditOperation(). The plug-in keeps no pointer to it.
    QGraphicsWidget *createToolBarWidget(QGraphicsItem *parent) override;

private:
    Q_DISABLE_COPY(EditVintageEffectsPlugin)
};

#endif // EDITVINTAGEEFFECTSPLUGIN_H
