// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITRESIZEPLUGIN_H
#define EDITRESIZEPLUGIN_H

#include "lumoraeditplugin.h"

#include <QModelIndex>

class EditResizePluginPrivate;

// The resize entry of the editor menu: scales the whole picture to 12, 25, 50 or
// 75 % of its full size, or leaves it at 100 %. The percentage is picked from a
// popup list opened by the tool-bar button, which shows the percentage and the
// resulting size; on confirm the host scales the picture.
class Q_DECL_EXPORT EditResizePlugin : public LumoraEditPlugin
{
    Q_OBJECT
    Q_INTERFACES(LumoraEditPlugin)

public:
    explicit EditResizePlugin(QObject *parent = nullptr);
    ~EditResizePlugin() override;

    QString name() const override;
    int menuIndex() const override;
    QString iconID() const override;
    // True: the plug-in has a tool bar.
    bool containsUi() const override;
    // The base's width, height 72.
    QSize toolBarWidgetSize(const M::Orientation &orientation) const override;
    // A new tool bar (owned by `parent`) holding a new button; only the newest one is
    // kept up to date.
    QGraphicsWidget *createToolBarWidget(QGraphicsItem *parent) override;

public Q_SLOTS:
    // Scales the picture unless 100 % is chosen; then editOperationPerformed(), always.
    void performEditOperation() override;
    // Back to 100 %; the labels and the popup list's current row stay as they are.
    void activate() override;
    // Closes the popup list; on `confirm` performs the edit; then the base's.
    void deactivate(bool confirm) override;
    // Shows the percentage list on the active window.
    void openPopup();
    // Applies the percentage of `index`'s row (a row not offered changes nothing)
    // and refreshes the labels.
    void doSelection(const QModelIndex &index);
    // Shows the percentage and the target size on the newest button, when there is
    // a button and a provider.
    void updateButtonText();

private:
    Q_DISABLE_COPY(EditResizePlugin)
    EditResizePluginPrivate *d; // owned
};

#endif // EDITRESIZEPLUGIN_H
