// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editsizewidget.h"

#include "mlabel.h"

#include <QGraphicsLinearLayout>

class EditSizeWidgetPrivate
{
public:
    EditSizeWidgetPrivate() = default;
    // The labels are the widget's children through its layout as well, but the
    // private data deletes them itself, first, so that the layout and the item tree
    // only ever see them leave.
    virtual ~EditSizeWidgetPrivate()
    {
        delete infoLabel;
        delete dimensionsLabel;
    }

    MLabel *infoLabel = nullptr; // owned
    MLabel *dimensionsLabel = nullptr; // owned

private:
    Q_DISABLE_COPY(EditSizeWidgetPrivate)
};

EditSizeWidget::EditSizeWidget(QGraphicsItem *parent)
    : MButton(parent, nullptr)
    , d(new EditSizeWidgetPrivate)
{
    // The labels fill the button's face; the theme's button frame gives the spacing.
    setContentsMargins(0.0, 0.0, 0.0, 0.0);

    d->infoLabel = new MLabel(nullptr, nullptr);
    d->infoLabel->setStyleName(QStringLiteral("TempCommonInvertedButtonInformationLabel"));
    d->infoLabel->setTextElide(true);
    d->infoLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Minimum: the ratio or percentage keeps its width; the dimensions give way.
    d->infoLabel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum,
                                QSizePolicy::DefaultType);

    d->dimensionsLabel = new MLabel(nullptr, nullptr);
    d->dimensionsLabel->setStyleName(QStringLiteral("TempCommonInvertedButtonDimensionsLabel"));
    d->dimensionsLabel->setTextElide(true);
    d->dimensionsLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    d->dimensionsLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred,
                                      QSizePolicy::DefaultType);

    auto *layout = new QGraphicsLinearLayout(Qt::Horizontal, nullptr);
    layout->insertItem(-1, d->infoLabel);
    layout->insertItem(-1, d->dimensionsLabel);
    // The widget takes the layout and, through it, becomes the labels' parent.
    setLayout(layout);
}

EditSizeWidget::~EditSizeWidget()
{
    delete d;
    d = nullptr;
}

void EditSizeWidget::setText(const QString &text)
{
    d->dimensionsLabel->setText(text);
}

QString EditSizeWidget::text() const
{
    return d->dimensionsLabel->text();
}

void EditSizeWidget::setInfoLabelText(const QString &text)
{
    d->infoLabel->setText(text);
}
