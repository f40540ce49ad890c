// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITCROPPLUGIN_H
#define EDITCROPPLUGIN_H

#include "lumoracropper.h"

#include <QModelIndex>

class EditCropPluginPrivate;

// The crop entry of the editor menu, on the host's crop tool. Offers nine aspect
// ratios in a popup list, shows the ratio and the crop size on its tool-bar button
// while the user drags, and on confirm asks the host to crop to the selection when
// its size differs from the picture's.
class Q_DECL_EXPORT EditCropPlugin : public LumoraCropper
{
    Q_OBJECT
    Q_INTERFACES(LumoraEditPlugin)

public:
    explicit EditCropPlugin(QObject *parent = nullptr);
    ~EditCropPlugin() override;

    QString name() const override;
    int menuIndex() const override;
    QString iconID() const override;
    // The cropper's answer; refreshes the labels after each move it used.
    bool receiveMouseEvent(QGraphicsSceneMouseEvent *event) override;
    // The base's width, height 72.
    QSize toolBarWidgetSize(const M::Orientation &orientation) const override;
    // A new tool bar (owned by `parent`) holding a new button; only the newest one is
    // kept up to date.
    QGraphicsWidget *createToolBarWidget(QGraphicsItem *parent) override;

    // The display text of `type` ("16:9", or the translated free, original and square);
    // empty for a value outside the enumeration.
    QString cropAspectRatioString(LumoraCropper::AspectRatioType type) const;
    // The same for the cropper's current type.
    QString cropAspectRatioString() const;

public Q_SLOTS:
    // Crops to the selection when it lies inside the picture and its size differs
    // from the picture's; then editOperationPerformed(), always.
    void performEditOperation() override;
    // Starts from the picture's own ratio, whatever was chosen before.
    void activate() override;
    // Hides the popup list; on `confirm` performs the edit; then the base's.
    void deactivate(bool confirm) override;
    // Shows the ratio list on the active window.
    void openPopup();
    // Applies the ratio of `index`'s row (0 to 8; other rows change nothing) and
    // refreshes the labels.
    void doCropSelection(const QModelIndex &index);
    // Shows the current ratio and the selection's size on the newest button, when
    // there is a button and a provider.
    void updateButtonText();

private:
    Q_DISABLE_COPY(EditCropPlugin)
    EditCropPluginPrivate *d; // owned
};

#endif // EDITCROPPLUGIN_H
