// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "quillimagefilter.h"
#include "sizetoolbarplugintest.h"

#include <QSignalSpy>
#include <QStringListModel>

#include <climits>

using namespace SizeToolBarProbe;

namespace {

const QStringList percentTexts
    = { QStringLiteral("12%"), QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
        QStringLiteral("100%") };

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

SizeToolBarPluginProfile resizeProfile()
{
    return { "mensura",
             "EditResizePlugin",
             "ResizePluginButton",
             "qtn_lumo_editor_resize",
             6,
             "icon-m-image-edit-resize",
             { "performEditOperation()", "activate()", "deactivate(bool)", "openPopup()",
               "doSelection(QModelIndex)", "updateButtonText()" },
             { { QStringLiteral("qtn_lumo_editor_resize"), QStringLiteral("Resize") },
               { QStringLiteral("qtn_lumo_resize"), QStringLiteral("Image size") },
               { QStringLiteral("qtn_lumo_resize_button_value_2"), QStringLiteral("%1 x %2") } },
             QStringLiteral("Image size"),
             percentTexts,
             4,
             QStringLiteral("100%"),
             2 };
}

} // namespace

// libmensura: the percentage choice, the size arithmetic and the scale request.
class TestEditResizePlugin : public SizeToolBarPluginTest
{
    Q_OBJECT

public:
    TestEditResizePlugin()
        : SizeToolBarPluginTest(resizeProfile())
    { }

private Q_SLOTS:
    void resizes_data();
    void resizes();
    void keepsPercentageForUnknownRows_data();
    void keepsPercentageForUnknownRows();
    void tapsPercentageThenRestarts();
    void writesLocalePercentages();
};

void TestEditResizePlugin::resizes_data()
{
    QTest::addColumn<QSize>("fullSize");
    QTest::addColumn<int>("row");
    QTest::addColumn<QSize>("size");
    QTest::newRow("12 %") << QSize(4000, 3000) << 0 << QSize(480, 360);
    QTest::newRow("100 %") << QSize(4000, 3000) << 4 << QSize(4000, 3000);
    QTest::newRow("truncated") << QSize(999, 767) << 1 << QSize(249, 191);
    // A side below one pixel: the full size's shape, covering 1 x 1.
    QTest::newRow("thin") << QSize(5, 1000) << 0 << QSize(1, 200);
    QTest::newRow("huge and thin") << QSize(100000000, 3) << 1 << QSize(33333333, 1);
    for (int row = 0; row < percentTexts.size(); ++row) {
        QTest::addRow("empty, %s", qPrintable(percentTexts[row]))
            << QSize(0, 0) << row << QSize(1, 1);
        QTest::addRow("invalid, %s", qPrintable(percentTexts[row]))
            << QSize(-1, -1) << row << QSize(1, 1);
    }
    // A side times the percentage beyond the int range.
    QTest::newRow("huge, 50 %") << QSize(100000000, 3) << 2 << QSize(50000000, 1);
    QTest::newRow("huge, 75 %") << QSize(30000000, 20000000) << 3 << QSize(22500000, 15000000);
    QTest::newRow("largest, 75 %") << QSize(INT_MAX, INT_MAX) << 3 << QSize(1610612735, 1610612735);
}

void TestEditResizePlugin::resizes()
{
    QFETCH(QSize, fullSize);
    QFETCH(int, row);
    QFETCH(QSize, size);
    provider.imageSize = fullSize;
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    QVERIFY(popup);
    QSignalSpy performed(plugin.data(), &LumoraEditPlugin::editOperationPerformed);

    choose(popup, row);
    QCOMPARE(infoText(button), percentTexts[row]);
    QCOMPARE(dimensionsText(button), sizeText(size));
    plugin->deactivate(true);

    QCOMPARE(performed.count(), 1);
    QCOMPARE(provider.calls.size(), row == 4 ? 0 : 1); // 100 % scales nothing
    if (row == 4)
        return;
    const RecordingProvider::Call &call = provider.calls.first();
    QCOMPARE(call.filterName, QStringLiteral("org.quenta.scale"));
    QCOMPARE(call.options.size(), 1);
    const QVariant sizeAfter = call.options.value(QString(QuillImageFilter::SizeAfter));
    QCOMPARE(sizeAfter.typeId(), int(QMetaType::QSize));
    QCOMPARE(sizeAfter.toSize(), size);
    QCOMPARE(call.flag, 0);
}

void TestEditResizePlugin::keepsPercentageForUnknownRows_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("row 5") << 5;
    QTest::newRow("invalid index") << -1;
}

void TestEditResizePlugin::keepsPercentageForUnknownRows()
{
    QFETCH(int, row);
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    QVERIFY(popup);
    choose(popup, 2);
    provider.imageSize = QSize(1000, 800); // asked afresh: a refresh shows it

    QStringListModel longerList(percentTexts + percentTexts);
    Q_EMIT popup->clicked(row < 0 ? QModelIndex() : longerList.index(row, 0));

    QCOMPARE(infoText(button), QStringLiteral("50%"));
    QCOMPARE(dimensionsText(button), QStringLiteral("500 x 400"));
}

void TestEditResizePlugin::tapsPercentageThenRestarts()
{
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    QVERIFY(popup && !popup->rowRect(2).isEmpty());

    tap(window->scene(), popup->mapToScene(popup->rowRect(2).center()));
    QVERIFY(!popup->isAppeared());
    QCOMPARE(infoText(button), QStringLiteral("50%"));
    QCOMPARE(dimensionsText(button), QStringLiteral("2000 x 1500"));

    // Back to 100 %: nothing to scale; the labels wait for the next refresh.
    plugin->activate();
    QCOMPARE(infoText(button), QStringLiteral("50%"));
    QCOMPARE(popup->currentIndex().row(), 2);
    QSignalSpy performed(plugin.data(), &LumoraEditPlugin::editOperationPerformed);
    plugin->deactivate(true);
    QCOMPARE(performed.count(), 1);
    QVERIFY(provider.calls.isEmpty());
    QCOMPARE(infoText(buttonOf(buildToolBar())), QStringLiteral("100%"));
}

void TestEditResizePlugin::writesLocalePercentages()
{
    recreatePlugin(QLocale(QLocale::Arabic, QLocale::Egypt));
    QVERIFY(QMetaObject::invokeMethod(plugin, "openPopup"));
    MPopupList *popup = find<MPopupList>(window->scene());
    QVERIFY(popup);
    const QString half = popup->itemModel()->index(2, 0).data().toString();
    QVERIFY2(half.contains(QStringLiteral("\u0665\u0660")), qPrintable(half)); // 50
}

SIZETOOLBAR_PLUGIN_TEST_MAIN(TestEditResizePlugin)

#include "tst_editresizeplugin.moc"
