// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editresizeplugin.h"

#include "editsizewidget.h"
#include "lumoraedituiprovider.h"
#include "lumorapluginframe.h"
#include "mapplication.h"
#include "mlabel.h"
#include "mlocale.h"
#include "mpopuplist.h"
#include "quillimagefilter.h"
#include "sizetoolbar.h"

#include <QHash>
#include <QPointer>

namespace {

// The percentages offered, in popup order; the last, 100 %, is the default.
constexpr int percentages[] = { 12, 25, 50, 75, 100 };
constexpr int defaultRow = 4;
constexpr int fullPercentage = 100;

} // namespace

class EditResizePluginPrivate
{
public:
    EditResizePluginPrivate() = default;
    // A scene that dies while showing the popup list deletes it with its items; the
    // guard then reads null and the list is not deleted twice.
    virtual ~EditResizePluginPrivate() { delete popupList.data(); }

    // Stores the percentage of popup row `row`; a row not offered keeps the current one.
    void setResizePercentage(int row);
    // `fullSize` at the chosen percentage, each side truncated; when a side would
    // drop below 1 pixel, the smallest size of `fullSize`'s shape covering 1 x 1.
    QSize sizeFromPercent(const QSize &fullSize) const;

    // Not owned: the host's tool bar holds it. Guarded, since the host may destroy the
    // tool bar while the plug-in lives on; null until the first tool bar.
    QPointer<EditSizeWidget> sizeWidget;
    qint32 resizePercentage = fullPercentage;
    QPointer<MPopupList> popupList; // owned, unless a dying scene took it first
    QHash<int, int> percentageByRow;
    // Not owned: the newest tool bar's layout holds it. Never dereferenced; null
    // until the first tool bar and again once its button is gone.
    MLinearLayoutPolicy *layoutPolicy = nullptr;

private:
    Q_DISABLE_COPY(EditResizePluginPrivate)
};

void EditResizePluginPrivate::setResizePercentage(int row)
{
    const int percentage = percentageByRow.value(row, -1);
    if (percentage >= 0)
        resizePercentage = percentage;
}

QSize EditResizePluginPrivate::sizeFromPercent(const QSize &fullSize) const
{
    // The product in 64 bits: a side times the percentage can pass the int range.
    const auto scaled
        = [this](int side) { return int(double(qint64(side) * resizePercentage) / 100.0); };
    const int width = scaled(fullSize.width());
    const int height = scaled(fullSize.height());
    if (width >= 1 && height >= 1)
        return QSize(width, height);
    return fullSize.scaled(1, 1, Qt::KeepAspectRatioByExpanding);
}

EditResizePlugin::EditResizePlugin(QObject *parent)
    : LumoraEditPlugin(parent)
    , d(new EditResizePluginPrivate)
{
    // Built once, in the locale of the moment.
    const MLocale locale(nullptr);
    QStringList texts;
    for (int percentage : percentages)
        texts.append(locale.formatPercent(percentage / 100.0, 0));
    d->popupList = SizeToolBar::createChoicePopup(qtTrId("qtn_lumo_resize", -1), texts, defaultRow,
                                                  this, SLOT(doSelection(QModelIndex)));

    int row = 0;
    for (int percentage : percentages)
        d->percentageByRow.insert(row++, percentage);
}

EditResizePlugin::~EditResizePlugin()
{
    // The tool bars are the host's and stay; the watch on their buttons ends with
    // this object, and nothing here destroys a button in between.
    delete d;
    d = nullptr;
}

QString EditResizePlugin::name() const
{
    return qtTrId("qtn_lumo_editor_resize", -1);
}

int EditResizePlugin::menuIndex() const
{
    return 6;
}

QString EditResizePlugin::iconID() const
{
    return QStringLiteral("icon-m-image-edit-resize");
}

bool EditResizePlugin::containsUi() const
{
    return true;
}

QSize EditResizePlugin::toolBarWidgetSize(const M::Orientation &orientation) const
{
    QSize size = LumoraEditPlugin::toolBarWidgetSize(orientation);
    size.setHeight(SizeToolBar::Height);
    return size;
}

QGraphicsWidget *EditResizePlugin::createToolBarWidget(QGraphicsItem *parent)
{
    d->sizeWidget
        = SizeToolBar::createButton(QStringLiteral("ResizePluginButton"), this, SLOT(openPopup()));
    SizeToolBar::forgetPolicyWithButton(d->sizeWidget, d->sizeWidget, d->layoutPolicy, this);
    updateButtonText();

    const SizeToolBar::Container toolBar = SizeToolBar::createContainer(d->sizeWidget, parent);
    d->layoutPolicy = toolBar.policy;
    return toolBar.container;
}

void EditResizePlugin::performEditOperation()
{
    LumoraEditUiProvider *provider = editUiProvider();
    if (d->resizePercentage != fullPercentage && provider) {
        const QSize size = d->sizeFromPercent(provider->fullImageSize());
        QHash<QString, QVariant> options;
        options.insert(QString(QuillImageFilter::SizeAfter), QVariant(size));
        provider->runEditFilter(QStringLiteral("org.quenta.scale"), options, 0);
    }
    Q_EMIT editOperationPerformed();
}

void EditResizePlugin::activate()
{
    d->resizePercentage = fullPercentage;
}

void EditResizePlugin::deactivate(bool confirm)
{
    if (d->popupList)
        d->popupList->disappear();
    if (confirm)
        performEditOperation();
    LumoraEditPlugin::deactivate(confirm);
}

void EditResizePlugin::openPopup()
{
    // Kept when done: every tap shows the same list again.
    if (d->popupList)
        d->popupList->appear(MApplication::activeWindow(), MDialog::KeepWhenDone);
}

void EditResizePlugin::doSelection(const QModelIndex &index)
{
    d->setResizePercentage(index.row());
    updateButtonText();
}

void EditResizePlugin::updateButtonText()
{
    LumoraEditUiProvider *provider = editUiProvider();
    if (!provider || !d->sizeWidget)
        return;
    const QSize size = d->sizeFromPercent(provider->fullImageSize());
    const QString dimensions
        = SizeToolBar::sizeText("qtn_lumo_resize_button_value_2", size.width(), size.height());
    const QString percentage = MLocale(nullptr).formatPercent(d->resizePercentage / 100.0, 0);
    d->sizeWidget->setInfoLabelText(percentage);
    d->sizeWidget->setText(dimensions);
}

LUMORA_EXPORT_PLUGIN(EditResizePlugin)
