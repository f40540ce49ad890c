// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "lumoracropper.h"
#include "quillimagefilter.h"
#include "sizetoolbarplugintest.h"

#include <QSignalSpy>
#include <QStringListModel>

using namespace SizeToolBarProbe;

namespace {

const QStringList ratioTexts
    = { QStringLiteral("Free"), QStringLiteral("Original"), QStringLiteral("Square"),
        QStringLiteral("4:3"),  QStringLiteral("3:4"),      QStringLiteral("3:2"),
        QStringLiteral("2:3"),  QStringLiteral("16:9"),     QStringLiteral("9:16") };

QString sizeText(const QRect &rect)
{
    return QStringLiteral("%1 x %2").arg(rect.width()).arg(rect.height());
}

SizeToolBarPluginProfile cropProfile()
{
    return { "kadrel",
             "EditCropPlugin",
             "CropPluginButton",
             "qtn_lumo_editor_crop",
             5,
             "icon-m-image-edit-crop",
             { "performEditOperation()", "activate()", "deactivate(bool)", "openPopup()",
               "doCropSelection(QModelIndex)", "updateButtonText()" },
             { { QStringLiteral("qtn_lumo_editor_crop"), QStringLiteral("Crop") },
               { QStringLiteral("qtn_lumo_screen_ratio"), QStringLiteral("Aspect ratio") },
               { QStringLiteral("qtn_lumo_crop_toolbar_aspect_ratio_free"), ratioTexts[0] },
               { QStringLiteral("qtn_lumo_crop_toolbar_aspect_ratio_org"), ratioTexts[1] },
               { QStringLiteral("qtn_lumo_crop_toolbar_aspect_ratio_square"), ratioTexts[2] },
               { QStringLiteral("qtn_lumo_crop_button_value_2"), QStringLiteral("%1 x %2") } },
             QStringLiteral("Aspect ratio"),
             ratioTexts,
             1,
             QStringLiteral("Original"),
             7 };
}

} // namespace

// libkadrel: the ratio choice, the crop request and the labels following drags.
class TestEditCropPlugin : public SizeToolBarPluginTest
{
    Q_OBJECT

public:
    TestEditCropPlugin()
        : SizeToolBarPluginTest(cropProfile())
    { }

private Q_SLOTS:
    void choosesRatio_data();
    void choosesRatio();
    void tapsRatioThenRestarts();
    void performs_data();
    void performs();
    void followsDrags_data();
    void followsDrags();
    void writesLocaleDigits();

private:
    LumoraCropper *cropper() const { return qobject_cast<LumoraCropper *>(plugin); }
};

void TestEditCropPlugin::choosesRatio_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("type");
    for (int row = 0; row < ratioTexts.size(); ++row)
        QTest::addRow("%s", qPrintable(ratioTexts[row])) << row << row;
    // Rows the list does not offer keep the ratio chosen before, 3:2.
    QTest::newRow("row 9") << 9 << 5;
    QTest::newRow("invalid index") << -1 << 5;
}

void TestEditCropPlugin::choosesRatio()
{
    QFETCH(int, row);
    QFETCH(int, type);
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    QVERIFY(popup);
    choose(popup, 5);
    cropper()->setSelectionRect(QRect(0, 0, 1000, 800)); // behind the labels' back

    QStringListModel longerList(ratioTexts + ratioTexts);
    Q_EMIT popup->clicked(row < 0 ? QModelIndex() : longerList.index(row, 0));

    QCOMPARE(int(cropper()->cropAspectRatioType()), type);
    QCOMPARE(infoText(button), ratioTexts[type]);
    QCOMPARE(dimensionsText(button), sizeText(cropper()->selectionRect()));
}

void TestEditCropPlugin::tapsRatioThenRestarts()
{
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    // It opens from its first row ("Free", above the current "Original"); 3:2 is
    // scrolled to as a finger would.
    QVERIFY(popup && popup->firstVisibleRow() == 0 && !popup->rowRect(1).isEmpty());
    popup->scrollTo(popup->itemModel()->index(5, 0));
    QVERIFY(!popup->rowRect(5).isEmpty());

    tap(window->scene(), popup->mapToScene(popup->rowRect(5).center()));
    QVERIFY(!popup->isAppeared());
    QCOMPARE(int(cropper()->cropAspectRatioType()), 5);
    QCOMPARE(infoText(button), QStringLiteral("3:2"));
    QCOMPARE(dimensionsText(button), sizeText(cropper()->selectionRect()));

    plugin->activate();
    QCOMPARE(int(cropper()->cropAspectRatioType()), 1);
    QCOMPARE(infoText(button), QStringLiteral("Original"));
    QCOMPARE(dimensionsText(button), QStringLiteral("4000 x 3000"));
    QCOMPARE(popup->currentIndex().row(), 5);
}

void TestEditCropPlugin::performs_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QSize>("fullSize");
    QTest::addColumn<bool>("crops");
    QTest::newRow("whole picture") << QRect(0, 0, 4000, 3000) << QSize(4000, 3000) << false;
    QTest::newRow("one pixel narrower") << QRect(0, 0, 3999, 3000) << QSize(4000, 3000) << true;
    QTest::newRow("one pixel lower") << QRect(0, 0, 4000, 2999) << QSize(4000, 3000) << true;
    QTest::newRow("inner") << QRect(10, 20, 300, 400) << QSize(4000, 3000) << true;
    // Only the size is compared, not the position.
    QTest::newRow("picture's size elsewhere")
        << QRect(100, 100, 3000, 2000) << QSize(3000, 2000) << false;
    // The host replaced the picture after activation: the selection is not in it.
    QTest::newRow("outside a smaller picture")
        << QRect(10, 20, 300, 400) << QSize(200, 200) << false;
}

void TestEditCropPlugin::performs()
{
    QFETCH(QRect, selection);
    QFETCH(QSize, fullSize);
    QFETCH(bool, crops);
    cropper()->setSelectionRect(selection);
    provider.imageSize = fullSize;
    QSignalSpy performed(plugin.data(), &LumoraEditPlugin::editOperationPerformed);

    plugin->deactivate(true);

    QCOMPARE(performed.count(), 1);
    QCOMPARE(provider.calls.size(), crops ? 1 : 0);
    if (!crops)
        return;
    const RecordingProvider::Call &call = provider.calls.first();
    QCOMPARE(call.filterName, QStringLiteral("org.quenta.crop"));
    QCOMPARE(call.options.size(), 1);
    const QVariant rect = call.options.value(QString(QuillImageFilter::CropRectangle));
    QCOMPARE(rect.typeId(), int(QMetaType::QRect));
    QCOMPARE(rect.toRect(), selection);
    QCOMPARE(call.flag, 0);
}

void TestEditCropPlugin::followsDrags_data()
{
    QTest::addColumn<QList<int>>("events");
    QTest::addColumn<bool>("used");
    QTest::addColumn<bool>("refreshes");
    const int press = QEvent::GraphicsSceneMousePress;
    const int move = QEvent::GraphicsSceneMouseMove;
    const int release = QEvent::GraphicsSceneMouseRelease;
    QTest::newRow("press") << QList<int>({ press }) << true << false;
    QTest::newRow("move after a press") << QList<int>({ press, move }) << true << true;
    QTest::newRow("release after a press") << QList<int>({ press, release }) << true << false;
    QTest::newRow("move without a press") << QList<int>({ move }) << false << false;
}

void TestEditCropPlugin::followsDrags()
{
    QFETCH(QList<int>, events);
    QFETCH(bool, used);
    QFETCH(bool, refreshes);
    MButton *button = buttonOf(buildToolBar());
    // Behind the labels' back, so that any refresh shows.
    cropper()->setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    cropper()->setSelectionRect(QRect(0, 0, 2000, 1500));

    // The bottom-right corner, pulled outwards.
    bool lastUsed = false;
    for (int type : events) {
        QGraphicsSceneMouseEvent event { QEvent::Type(type) };
        fillMouseEvent(event,
                       type == QEvent::GraphicsSceneMousePress ? QPointF(1999, 1499)
                                                               : QPointF(2999, 1999));
        lastUsed = plugin->receiveMouseEvent(&event);
    }

    QCOMPARE(lastUsed, used);
    QCOMPARE(infoText(button), refreshes ? QStringLiteral("Free") : QStringLiteral("Original"));
    QCOMPARE(dimensionsText(button),
             refreshes ? sizeText(cropper()->selectionRect()) : QStringLiteral("4000 x 3000"));
    QCOMPARE(cropper()->selectionRect().width() > 2000, refreshes);
}

void TestEditCropPlugin::writesLocaleDigits()
{
    recreatePlugin(QLocale(QLocale::Arabic, QLocale::Egypt));
    QVERIFY(QMetaObject::invokeMethod(plugin, "openPopup"));
    MPopupList *popup = find<MPopupList>(window->scene());
    QVERIFY(popup);
    QCOMPARE(popup->itemModel()->index(7, 0).data().toString(),
             QStringLiteral("\u0661\u0666:\u0669"));
}

SIZETOOLBAR_PLUGIN_TEST_MAIN(TestEditCropPlugin)

#include "tst_editcropplugin.moc"
