// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Dialogs and popup lists on a window's scene: appearing, disappearing, deletion
// policies, rows, scrolling and taps.

#include "mpopuplist.h"
#include "mwindow.h"

#include "scenetap.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>

namespace {

QStringList rows(int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts.append(QStringLiteral("Row %1").arg(i));
    return texts;
}

// Runs the deferred deletions deleteLater() asked for, without an event loop.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestMPopupList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hiddenUntilItAppears();
    void appearsOnTopInTheMiddle();
    void disappearTakesItOut();
    void deletionPolicy_data();
    void deletionPolicy();
    void surviveTheWindow();
    void tappingARowChoosesIt_data();
    void tappingARowChoosesIt();
    void tapOutsideRowsDoesNothing();
    void currentIndex();
    void scrollToBringsRowIntoView_data();
    void scrollToBringsRowIntoView();
};

void TestMPopupList::hiddenUntilItAppears()
{
    MPopupList popup;
    QVERIFY(!popup.isVisible());
    QCOMPARE(popup.scene(), nullptr);
    QVERIFY(!popup.isAppeared());
    // Harmless when not shown, and no signal for it.
    QSignalSpy disappeared(&popup, &MDialog::disappeared);
    popup.disappear();
    popup.dismiss();
    QCOMPARE(disappeared.count(), 0);
    // A null window shows nothing.
    popup.appear(nullptr);
    QCOMPARE(popup.scene(), nullptr);
}

void TestMPopupList::appearsOnTopInTheMiddle()
{
    MWindow window;
    auto *underneath = window.scene()->addRect(0, 0, 854, 480);
    underneath->setZValue(100);
    QStringListModel model(rows(5));
    MPopupList popup;
    popup.setTitle(QStringLiteral("Resize"));
    popup.setItemModel(&model);
    QSignalSpy appeared(&popup, &MDialog::appeared);

    popup.appear(&window, MDialog::KeepWhenDone);
    QCOMPARE(appeared.count(), 1);
    QCOMPARE(popup.scene(), window.scene());
    QVERIFY(popup.isVisible());
    QVERIFY(popup.isAppeared());
    QCOMPARE(popup.appearedWindow(), &window);
    QVERIFY(popup.zValue() > underneath->zValue());
    QCOMPARE(popup.title(), QStringLiteral("Resize"));

    const QRectF placed = popup.geometry();
    const QRectF area = window.scene()->sceneRect();
    QVERIFY(area.contains(placed));
    QCOMPARE(placed.center(), area.center());
    // Every row of five fits.
    for (int row = 0; row < 5; ++row)
        QVERIFY(!popup.rowRect(row).isEmpty());
    QVERIFY(popup.rowRect(0).top() > 0); // below the title bar
}

void TestMPopupList::disappearTakesItOut()
{
    MWindow window;
    QStringListModel model(rows(3));
    MPopupList popup;
    popup.setItemModel(&model);
    QSignalSpy disappeared(&popup, &MDialog::disappeared);

    for (int round = 0; round < 2; ++round) {
        popup.appear(&window);
        QCOMPARE(popup.scene(), window.scene());
        popup.disappear();
        QCOMPARE(popup.scene(), nullptr);
        QVERIFY(!popup.isVisible());
        QVERIFY(!window.scene()->items().contains(&popup));
        QCOMPARE(popup.appearedWindow(), nullptr);
    }
    QCOMPARE(disappeared.count(), 2);
}

void TestMPopupList::deletionPolicy_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<bool>("dismiss");
    QTest::addColumn<bool>("expectDeleted");

    QTest::newRow("keep, disappear") << int(MDialog::KeepWhenDone) << false << false;
    QTest::newRow("keep, dismiss") << int(MDialog::KeepWhenDone) << true << false;
    QTest::newRow("destroy, disappear") << int(MDialog::DestroyWhenDone) << false << true;
    QTest::newRow("destroy, dismiss") << int(MDialog::DestroyWhenDone) << true << true;
    QTest::newRow("destroy when dismissed, disappear")
        << int(MDialog::DestroyWhenDismissed) << false << false;
    QTest::newRow("destroy when dismissed, dismiss")
        << int(MDialog::DestroyWhenDismissed) << true << true;
}

void TestMPopupList::deletionPolicy()
{
    QFETCH(int, policy);
    QFETCH(bool, dismiss);
    QFETCH(bool, expectDeleted);

    MWindow window;
    QPointer<MDialog> dialog = new MDialog;
    dialog->appear(&window, MDialog::DeletionPolicy(policy));
    if (dismiss)
        dialog->dismiss();
    else
        dialog->disappear();
    QVERIFY(dialog); // never at once: callers may still be using it
    runDeferredDeletes();
    QCOMPARE(dialog.isNull(), expectDeleted);
    delete dialog.data();
}

void TestMPopupList::surviveTheWindow()
{
    QStringListModel model(rows(3));
    MPopupList popup;
    popup.setItemModel(&model);
    {
        MWindow window;
        popup.appear(&window);
        QCOMPARE(popup.scene(), window.scene());
    }
    // The window's scene did not take the list with it.
    QCOMPARE(popup.scene(), nullptr);
    QVERIFY(!popup.isVisible());
    QCOMPARE(popup.itemModel(), &model);
}

void TestMPopupList::tappingARowChoosesIt_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("first") << 0;
    QTest::newRow("third") << 2;
    QTest::newRow("last") << 4;
}

void TestMPopupList::tappingARowChoosesIt()
{
    QFETCH(int, row);

    MWindow window;
    QStringListModel model(rows(5));
    MPopupList popup;
    popup.setTitle(QStringLiteral("Resize"));
    popup.setItemModel(&model);
    popup.appear(&window);
    QSignalSpy clicked(&popup, &MPopupList::clicked);
    QSignalSpy changed(&popup, &MPopupList::currentIndexChanged);
    // What a plug-in sees in its slot: the list already has the new current row.
    int currentSeenInSlot = -1;
    connect(&popup, &MPopupList::clicked, this,
            [&] { currentSeenInSlot = popup.currentIndex().row(); });

    tapScene(window.scene(), popup.mapToScene(popup.rowRect(row).center()));

    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<QModelIndex>(), model.index(row, 0));
    QCOMPARE(currentSeenInSlot, row);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(popup.currentIndex(), model.index(row, 0));
    QVERIFY(!popup.isVisible());
    QCOMPARE(popup.scene(), nullptr);

    // Shown again, it still works.
    popup.appear(&window);
    tapScene(window.scene(), popup.mapToScene(popup.rowRect(0).center()));
    QCOMPARE(clicked.count(), 2);
}

void TestMPopupList::tapOutsideRowsDoesNothing()
{
    MWindow window;
    QStringListModel model(rows(2));
    MPopupList popup;
    popup.setTitle(QStringLiteral("Aspect ratio"));
    popup.setItemModel(&model);
    popup.appear(&window);
    QSignalSpy clicked(&popup, &MPopupList::clicked);

    // On the title bar, and on the scene beside the list.
    tapScene(window.scene(), popup.mapToScene(QPointF(popup.size().width() / 2, 5)));
    tapScene(window.scene(), QPointF(2, 2));
    // Pressed on one row, released on another: no choice.
    sendSceneMouse(window.scene(), QEvent::GraphicsSceneMousePress,
                   popup.mapToScene(popup.rowRect(0).center()));
    sendSceneMouse(window.scene(), QEvent::GraphicsSceneMouseRelease,
                   popup.mapToScene(popup.rowRect(1).center()));

    QCOMPARE(clicked.count(), 0);
    QVERIFY(popup.isAppeared());
    QVERIFY(!popup.currentIndex().isValid());
}

void TestMPopupList::currentIndex()
{
    QStringListModel model(rows(4));
    QStringListModel otherModel(rows(4));
    MPopupList popup;
    popup.setItemModel(&model);
    QSignalSpy changed(&popup, &MPopupList::currentIndexChanged);

    popup.setCurrentIndex(model.index(3, 0));
    QCOMPARE(popup.currentIndex(), model.index(3, 0));
    popup.setCurrentIndex(model.index(3, 0));
    QCOMPARE(changed.count(), 1);

    // Only this list's model counts.
    popup.setCurrentIndex(otherModel.index(1, 0));
    QCOMPARE(popup.currentIndex(), model.index(3, 0));

    // The index follows its row when rows move in front of it.
    model.insertRows(0, 1);
    QCOMPARE(popup.currentIndex().row(), 4);
}

void TestMPopupList::scrollToBringsRowIntoView_data()
{
    QTest::addColumn<bool>("appearFirst");
    QTest::newRow("scrolled, then shown") << false;
    QTest::newRow("shown, then scrolled") << true;
}

void TestMPopupList::scrollToBringsRowIntoView()
{
    QFETCH(bool, appearFirst);

    MWindow window;
    QStringListModel model(rows(9)); // more than fit at once
    MPopupList popup;
    popup.setTitle(QStringLiteral("Aspect ratio"));
    popup.setItemModel(&model);
    if (appearFirst)
        popup.appear(&window);
    popup.scrollTo(model.index(8, 0));
    if (!appearFirst)
        popup.appear(&window);

    QVERIFY(popup.firstVisibleRow() > 0);
    QVERIFY(!popup.rowRect(8).isEmpty());
    QVERIFY(popup.rowRect(0).isEmpty());
    QVERIFY(popup.geometry().height() >= popup.rowRect(8).bottom());

    // Tapping the scrolled-to row chooses that row, not the one painted there before.
    QSignalSpy clicked(&popup, &MPopupList::clicked);
    tapScene(window.scene(), popup.mapToScene(popup.rowRect(8).center()));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<QModelIndex>().row(), 8);

    popup.scrollTo(model.index(0, 0));
    QCOMPARE(popup.firstVisibleRow(), 0);
}

QTEST_MAIN(TestMPopupList)
#include "tst_mpopuplist.moc"
