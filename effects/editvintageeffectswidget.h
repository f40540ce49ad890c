// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITVINTAGEEFFECTSWIDGET_H
#define EDITVINTAGEEFFECTSWIDGET_H

#include "mlabel.h"

class EditVintageEffectsWidgetPrivate;

// The colour-effects tool bar: a styled container (style "ImageEditorBcControl", no
// margins, no text of its own) holding four checkable buttons in one button group,
// in this order: black and white, sepia, old colour, cross-process.
//
// A tap on a button emits effectSelected() with that effect's image-filter name; the
// widget knows nothing of the host and changes no check state itself. Its layout has
// a horizontal policy registered for landscape and a vertical one registered for
// portrait; at construction the vertical one is made active when the application's
// active window is in landscape, the horizontal one otherwise (portrait, or no
// window), to match the tool-bar height the effects plug-in asks for.
//
// Ownership: the parent item (the host's scene) owns the widget; the widget owns its
// buttons, their group, its layout and the layout's policies.
class EditVintageEffectsWidget : public MLabel
{
    Q_OBJECT

public:
    // `parent` may be null; it becomes the owner of the widget.
    explicit EditVintageEffectsWidget(QGraphicsItem *parent = nullptr);
    ~EditVintageEffectsWidget() override;

Q_SIGNALS:
    // `effect` is one of "com.velmo.greyscale", "com.velmo.sepia",
    // "com.velmo.old-color-photo" and "com.velmo.cross-processing".
    void effectSelected(const QString &effect);

public Q_SLOTS:
    // Each emits effectSelected() once with its effect's filter name, and nothing else.
    void onBlackAndWhiteButtonClicked();
    void onSepiaButtonClicked();
    void onOldColorButtonClicked();
    void onCrossProcessButtonClicked();

private:
    Q_DISABLE_COPY(EditVintageEffectsWidget)
    friend class EditVintageEffectsWidgetPrivate;

    EditVintageEffectsWidgetPrivate *d; // owned
};

#endif // EDITVINTAGEEFFECTSWIDGET_H
