// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editcropplugin.h"

#include "editsizewidget.h"
#include "lumoraedituiprovider.h"
#include "lumorapluginframe.h"
#include "mapplication.h"
#include "mlabel.h"
#include "mpopuplist.h"
#include "quillimagefilter.h"
#include "sizetoolbar.h"

#include <QGraphicsSceneMouseEvent>
#include <QHash>
#include <QPointer>

namespace {

// The ratios offered, in popup order: the row of each is its type value. The
// first three have translated names; the others show width:height.
struct AspectRatio
{
    LumoraCropper::AspectRatioType type;
    const char *textId; // null for a numeric ratio
    int width;
    int height;
};

constexpr AspectRatio aspectRatios[] = {
    { LumoraCropper::AspectRatioFree, "qtn_lumo_crop_toolbar_aspect_ratio_free", 0, 0 },
    { LumoraCropper::AspectRatioOriginal, "qtn_lumo_crop_toolbar_aspect_ratio_org", 0, 0 },
    { LumoraCropper::AspectRatioSquare, "qtn_lumo_crop_toolbar_aspect_ratio_square", 0, 0 },
    { LumoraCropper::AspectRatio4To3, nullptr, 4, 3 },
    { LumoraCropper::AspectRatio3To4, nullptr, 3, 4 },
    { LumoraCropper::AspectRatio3To2, nullptr, 3, 2 },
    { LumoraCropper::AspectRatio2To3, nullptr, 2, 3 },
    { LumoraCropper::AspectRatio16To9, nullptr, 16, 9 },
    { LumoraCropper::AspectRatio9To16, nullptr, 9, 16 },
};

constexpr int aspectRatioCount = int(sizeof(aspectRatios) / sizeof(aspectRatios[0]));

QString aspectRatioText(const AspectRatio &ratio)
{
    if (ratio.textId)
        return qtTrId(ratio.textId, -1);
    // %L: the default locale's digits.
    return QStringLiteral("%L1:%L2")
        .arg(qlonglong(ratio.width), 0, 10, QLatin1Char(' '))
        .arg(qlonglong(ratio.height), 0, 10, QLatin1Char(' '));
}

} // namespace

class EditCropPluginPrivate
{
public:
    EditCropPluginPrivate() = default;
    // A scene that dies while showing the popup list deletes it with its items; the
    // guard then reads null and the list is not deleted twice.
    virtual ~EditCropPluginPrivate() { delete popupList.data(); }

    // Not owned: the host's tool bar holds it. Guarded, since the host may destroy the
    // tool bar while the plug-in lives on; null until the first tool bar.
    QPointer<EditSizeWidget> sizeWidget;
    QHash<LumoraCropper::AspectRatioType, QString> aspectRatioTexts;
    QPointer<MPopupList> popupList; // owned, unless a dying scene took it first
    // Not owned: the newest tool bar's layout holds it. Never dereferenced; null
    // until the first tool bar and again once its button is gone.
    MLinearLayoutPolicy *layoutPolicy = nullptr;

private:
    Q_DISABLE_COPY(EditCropPluginPrivate)
};

EditCropPlugin::EditCropPlugin(QObject *parent)
    : LumoraCropper(parent)
    , d(new EditCropPluginPrivate)
{
    // Built once: a later change of language does not rebuild them.
    for (const AspectRatio &ratio : aspectRatios)
        d->aspectRatioTexts.insert(ratio.type, aspectRatioText(ratio));

    QStringList texts;
    for (int type = 0; type < aspectRatioCount; ++type)
        texts.append(cropAspectRatioString(LumoraCropper::AspectRatioType(type)));
    d->popupList = SizeToolBar::createChoicePopup(qtTrId("qtn_lumo_screen_ratio", -1), texts,
                                                  LumoraCropper::AspectRatioOriginal, this,
                                                  SLOT(doCropSelection(QModelIndex)));
}

EditCropPlugin::~EditCropPlugin()
{
    // The tool bars are the host's and stay; the watch on their buttons ends with
    // this object, and nothing here destroys a button in between.
    delete d;
    d = nullptr;
}

QString EditCropPlugin::name() const
{
    return qtTrId("qtn_lumo_editor_crop", -1);
}

int EditCropPlugin::menuIndex() const
{
    return 5;
}

QString EditCropPlugin::iconID() const
{
    return QStringLiteral("icon-m-image-edit-crop");
}

bool EditCropPlugin::receiveMouseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool used = LumoraCropper::receiveMouseEvent(event);
    // Only a drag changes the selection; presses and releases leave the labels.
    if (used && event && event->type() == QEvent::GraphicsSceneMouseMove)
        updateButtonText();
    return used;
}

QSize EditCropPlugin::toolBarWidgetSize(const M::Orientation &orientation) const
{
    QSize size = LumoraEditPlugin::toolBarWidgetSize(orientation);
    size.setHeight(SizeToolBar::Height);
    return size;
}

QGraphicsWidget *EditCropPlugin::createToolBarWidget(QGraphicsItem *parent)
{
    d->sizeWidget
        = SizeToolBar::createButton(QStringLiteral("CropPluginButton"), this, SLOT(openPopup()));
    SizeToolBar::forgetPolicyWithButton(d->sizeWidget, d->sizeWidget, d->layoutPolicy, this);
    updateButtonText();

    const SizeToolBar::Container toolBar = SizeToolBar::createContainer(d->sizeWidget, parent);
    d->layoutPolicy = toolBar.policy;
    return toolBar.container;
}

QString EditCropPlugin::cropAspectRatioString(LumoraCropper::AspectRatioType type) const
{
    return d->aspectRatioTexts.value(type);
}

QString EditCropPlugin::cropAspectRatioString() const
{
    return cropAspectRatioString(cropAspectRatioType());
}

void EditCropPlugin::performEditOperation()
{
    if (LumoraEditUiProvider *provider = editUiProvider()) {
        const QSize fullSize = provider->fullImageSize();
        const QRect selection = selectionRect();
        // Only the size matters: a selection as large as the picture crops nothing,
        // wherever it stands. Nor does one that is empty or reaches outside the
        // picture (the crop tool never activated on a picture, or the host has
        // changed the picture since): it would ask for pixels that are not there.
        const bool inside
            = !selection.isEmpty() && QRect(QPoint(0, 0), fullSize).contains(selection);
        if (inside
            && (selection.width() != fullSize.width() || selection.height() != fullSize.height())) {
            QHash<QString, QVariant> options;
            options.insert(QString(QuillImageFilter::CropRectangle), QVariant(selection));
            provider->runEditFilter(QStringLiteral("org.quenta.crop"), options, 0);
        }
    }
    Q_EMIT editOperationPerformed();
}

void EditCropPlugin::activate()
{
    setCropAspectRatioType(LumoraCropper::AspectRatioOriginal);
    LumoraCropper::activate();
    updateButtonText();
}

void EditCropPlugin::deactivate(bool confirm)
{
    if (d->popupList)
        d->popupList->disappear();
    if (confirm)
        performEditOperation();
    LumoraEditPlugin::deactivate(confirm);
}

void EditCropPlugin::openPopup()
{
    // Kept when done: every tap shows the same list again.
    if (d->popupList)
        d->popupList->appear(MApplication::activeWindow(), MDialog::KeepWhenDone);
}

void EditCropPlugin::doCropSelection(const QModelIndex &index)
{
    // The list offers only the nine rows; anything else keeps the current ratio
    // rather than handing the cropper a value it does not know.
    const int row = index.row();
    if (index.isValid() && row >= 0 && row < aspectRatioCount)
        setCropAspectRatioType(LumoraCropper::AspectRatioType(row));
    updateButtonText();
}

void EditCropPlugin::updateButtonText()
{
    if (!editUiProvider() || !d->sizeWidget)
        return;
    const QString dimensions = SizeToolBar::sizeText(
        "qtn_lumo_crop_button_value_2", selectionRect().width(), selectionRect().height());
    d->sizeWidget->setInfoLabelText(cropAspectRatioString());
    d->sizeWidget->setText(dimensions);
}

LUMORA_EXPORT_PLUGIN(EditCropPlugin)
