// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "sizetoolbar.h"

#include "editsizewidget.h"
#include "mlabel.h"
#include "mlayout.h"
#include "mlinearlayoutpolicy.h"
#include "mpopuplist.h"

#include <QStringListModel>

namespace SizeToolBar {

EditSizeWidget *createButton(const QString &objectName, QObject *receiver,
                             const char *clickedMember)
{
    auto *button = new EditSizeWidget(nullptr);
    button->setObjectName(objectName);
    button->setStyleName(QStringLiteral("TempCommonSingleOversizeInvertedButton"));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum, QSizePolicy::DefaultType);
    QObject::connect(button, SIGNAL(clicked()), receiver, clickedMember);
    return button;
}

Container createContainer(EditSizeWidget *button, QGraphicsItem *parent)
{
    auto *container = new MLabel(parent, nullptr);
    container->setStyleName(QStringLiteral("ImageEditorInfoControl"));
    container->setContentsMargins(0.0, 0.0, 0.0, 0.0);

    // The layout installs itself on the container and owns the policy; the tool bar
    // appears at once, without animation.
    auto *layout = new MLayout(container);
    layout->setContentsMargins(0.0, 0.0, 0.0, 0.0);
    layout->setAnimation(nullptr);

    auto *policy = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    policy->setContentsMargins(0.0, 0.0, 0.0, 0.0);
    policy->insertStretch(-1, 1);
    policy->addItem(button, Qt::AlignCenter);
    policy->insertStretch(-1, 1);

    layout->setPolicy(policy);
    policy->activate();
    return { container, policy };
}

void forgetPolicyWithButton(EditSizeWidget *button, const QPointer<EditSizeWidget> &newest,
                            MLinearLayoutPolicy *&policy, QObject *context)
{
    // By the time destroyed() arrives, every guard of the dying button reads null;
    // a live `newest` is thus a newer button whose policy stays.
    const QPointer<EditSizeWidget> *newestButton = &newest;
    MLinearLayoutPolicy **newestPolicy = &policy;
    QObject::connect(button, &QObject::destroyed, context, [newestButton, newestPolicy] {
        if (newestButton->isNull())
            *newestPolicy = nullptr;
    });
}

QString sizeText(const char *textId, qlonglong width, qlonglong height)
{
    return qtTrId(textId, -1)
        .arg(width, 0, 10, QLatin1Char(' '))
        .arg(height, 0, 10, QLatin1Char(' '));
}

MPopupList *createChoicePopup(const QString &title, const QStringList &texts, int currentRow,
                              QObject *receiver, const char *clickedMember)
{
    auto *popup = new MPopupList;
    popup->setTitle(title);
    QObject::connect(popup, SIGNAL(clicked(QModelIndex)), receiver, clickedMember);

    // Parented to the list, the model goes with it.
    auto *model = new QStringListModel(popup);
    model->setStringList(texts);
    popup->setItemModel(model);

    const QModelIndex current = model->index(currentRow, 0);
    popup->setCurrentIndex(current);
    popup->scrollTo(current);
    // Scrolled again each time it opens, at its full size: from the top, as far as shows
    // the current row. Before it first appears the list is a row high, which scrolled the
    // rows above the current one out of view.
    QObject::connect(popup, &MDialog::appeared, popup, [popup, model] {
        popup->scrollTo(model->index(0, 0));
        popup->scrollTo(popup->currentIndex());
    });
    return popup;
}

} // namespace SizeToolBar
