// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editvintageeffectswidget.h"

#include "editvintageeffectswidget_p.h"

#include "mapplication.h"
#include "mbutton.h"
#include "mbuttongroup.h"
#include "mlayout.h"
#include "mlinearlayoutpolicy.h"
#include "mwindow.h"

namespace {
// Side margins of the vertical policy keep the column of buttons off the screen edge.
constexpr qreal PortraitSideMargin = 64;
} // namespace

EditVintageEffectsWidgetPrivate::EditVintageEffectsWidgetPrivate()
    : blackAndWhiteButton(nullptr)
    , sepiaButton(nullptr)
    , oldColorButton(nullptr)
    , crossProcessButton(nullptr)
    , buttonGroup(new MButtonGroup(nullptr))
    , layout(new MLayout(nullptr))
    , landscapePolicy(new MLinearLayoutPolicy(layout, Qt::Horizontal))
    , portraitPolicy(new MLinearLayoutPolicy(layout, Qt::Vertical))
{
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setAnimation(nullptr);

    landscapePolicy->setContentsMargins(0, 0, 0, 0);
    landscapePolicy->setNotifyWidgetsOfLayoutPositionEnabled(true);
    landscapePolicy->setSpacing(0);

    portraitPolicy->setContentsMargins(PortraitSideMargin, 0, PortraitSideMargin, 0);
    portraitPolicy->setNotifyWidgetsOfLayoutPositionEnabled(true);
    portraitPolicy->setSpacing(0);

    layout->setLandscapePolicy(landscapePolicy);
    layout->setPortraitPolicy(portraitPolicy);
}

EditVintageEffectsWidgetPrivate::~EditVintageEffectsWidgetPrivate()
{
    // The buttons go first, while the widget is still whole: each one leaves the
    // layout (and so its policies) and the widget's children as it is deleted, so
    // neither the policies nor the widget's base later touch or delete it again.
    delete blackAndWhiteButton;
    delete sepiaButton;
    delete oldColorButton;
    delete crossProcessButton;
    // The group only watches the buttons and forgets them as they go.
    delete buttonGroup;
    // A policy deleted before its layout unregisters itself, so the layout, deleted
    // later by the widget's base, finds none left to delete.
    delete landscapePolicy;
    delete portraitPolicy;
}

MButton *EditVintageEffectsWidgetPrivate::addButton(const QString &text, const QString &objectName,
                                                    const QString &styleName)
{
    // Built without a parent: the widget's setLayout() later makes it a child item.
    MButton *button = new MButton(text, nullptr, nullptr);
    // The toolkit's virtual setter, so that the theme can follow the name.
    button->setObjectName(objectName);
    button->setCheckable(true);
    button->setStyleName(styleName);
    buttonGroup->addButton(button);
    // Horizontal: the buttons fill the row side by side; vertical: each keeps its
    // preferred width and stands in the middle of the column.
    landscapePolicy->addItem(button);
    portraitPolicy->addItem(button, Qt::AlignCenter);
    return button;
}

EditVintageEffectsWidgetPrivate *
EditVintageEffectsWidgetPrivate::get(EditVintageEffectsWidget *widget)
{
    return widget->d;
}

EditVintageEffectsWidget::EditVintageEffectsWidget(QGraphicsItem *parent)
    : MLabel(parent, nullptr)
    , d(new EditVintageEffectsWidgetPrivate)
{
    setStyleName(QStringLiteral("ImageEditorBcControl"));
    setContentsMargins(0, 0, 0, 0);

    // The translated texts do not follow the button order: the old-colour button shows
    // "qtn_lumo_effect_4" and the cross-process button "qtn_lumo_effect_3".
    d->blackAndWhiteButton
        = d->addButton(qtTrId("qtn_lumo_effect_1", -1), QStringLiteral("BlackAndWhiteButton"),
                       QStringLiteral("CommonTopSplitButtonInverted"));
    connect(d->blackAndWhiteButton, SIGNAL(clicked()), this, SLOT(onBlackAndWhiteButtonClicked()));

    d->sepiaButton = d->addButton(qtTrId("qtn_lumo_effect_2", -1), QStringLiteral("SepiaButton"),
                                  QStringLiteral("CommonVerticalCenterSplitButtonInverted"));
    connect(d->sepiaButton, SIGNAL(clicked()), this, SLOT(onSepiaButtonClicked()));

    d->oldColorButton
        = d->addButton(qtTrId("qtn_lumo_effect_4", -1), QStringLiteral("OldColorButton"),
                       QStringLiteral("CommonVerticalCenterSplitButtonInverted"));
    connect(d->oldColorButton, SIGNAL(clicked()), this, SLOT(onOldColorButtonClicked()));

    d->crossProcessButton
        = d->addButton(qtTrId("qtn_lumo_effect_3", -1), QStringLiteral("CrossProcessButton"),
                       QStringLiteral("CommonBottomSplitButtonInverted"));
    connect(d->crossProcessButton, SIGNAL(clicked()), this, SLOT(onCrossProcessButtonClicked()));

    // From here on the widget owns the layout and the buttons are its child items.
    setLayout(d->layout);

    // In landscape the tool bar is tall (the plug-in asks for 216) and takes the
    // column of buttons, in portrait it is one row high (72) and takes the row: the
    // opposite of the policies' registered orientations, chosen once here.
    MWindow *window = MApplication::activeWindow();
    if (window && window->orientation() == M::Landscape)
        d->portraitPolicy->activate();
    else
        d->landscapePolicy->activate();
}

EditVintageEffectsWidget::~EditVintageEffectsWidget()
{
    // The parts go before MLabel's destructor runs: the base then deletes a layout
    // with neither items nor policies left, and finds no child items to delete.
    delete d;
    d = nullptr;
}

void EditVintageEffectsWidget::onBlackAndWhiteButtonClicked()
{
    Q_EMIT effectSelected(QStringLiteral("com.velmo.greyscale"));
}

void EditVintageEffectsWidget::onSepiaButtonClicked()
{
    Q_EMIT effectSelected(QStringLiteral("com.velmo.sepia"));
}

void EditVintageEffectsWidget::onOldColorButtonClicked()
{
    Q_EMIT effectSelected(QStringLiteral("com.velmo.old-color-photo"));
}

void EditVintageEffectsWidget::onCrossProcessButtonClicked()
{
    Q_EMIT effectSelected(QStringLiteral("com.velmo.cross-processing"));
}
