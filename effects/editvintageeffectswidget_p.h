// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITVINTAGEEFFECTSWIDGET_P_H
#define EDITVINTAGEEFFECTSWIDGET_P_H

#include <QString>

class EditVintageEffectsWidget;
class MButton;
class MButtonGroup;
class MLayout;
class MLinearLayoutPolicy;

// The parts of an EditVintageEffectsWidget. Not part of the widget's interface; the
// widget and its tests use it.
class EditVintageEffectsWidgetPrivate
{
public:
    // Builds the group, the layout and both policies; the buttons stay null until the
    // widget adds them.
    EditVintageEffectsWidgetPrivate();
    // Deletes the buttons, the group and both policies, in that order; not the layout,
    // which the widget owns once it is set.
    virtual ~EditVintageEffectsWidgetPrivate();

    // A new checkable button in the group and in both policies; owned by this object.
    MButton *addButton(const QString &text, const QString &objectName, const QString &styleName);

    // The private part of `widget` (not null); owned by the widget.
    static EditVintageEffectsWidgetPrivate *get(EditVintageEffectsWidget *widget);

    MButton *blackAndWhiteButton; // owned
    MButton *sepiaButton; // owned
    MButton *oldColorButton; // owned
    MButton *crossProcessButton; // owned
    MButtonGroup *buttonGroup; // owned
    MLayout *layout; // owned by the widget once it is its layout
    // The layout would delete its policies too; deleting them here first takes them
    // off its list, so each is deleted once.
    MLinearLayoutPolicy *landscapePolicy; // owned; horizontal
    MLinearLayoutPolicy *portraitPolicy; // owned; vertical

private:
    Q_DISABLE_COPY(EditVintageEffectsWidgetPrivate)
};

#endif // EDITVINTAGEEFFECTSWIDGET_P_H
