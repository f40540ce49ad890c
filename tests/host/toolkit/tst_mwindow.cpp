// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Windows, their orientation and scene, and the application's active window.

#include "mapplication.h"
#include "mwindow.h"

#include <QGraphicsScene>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

class TestMWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsInLandscape();
    void setOrientation_data();
    void setOrientation();
    void ownsItsScene();
    void activeWindowIsClearedWithTheWindow();
};

void TestMWindow::startsInLandscape()
{
    MWindow window;
    QCOMPARE(window.orientation(), M::Landscape);
    QCOMPARE(window.size(), QSize(854, 480));
    QVERIFY(window.scene());
    QCOMPARE(window.scene()->sceneRect(), QRectF(0, 0, 854, 480));
}

void TestMWindow::setOrientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("signalCount");

    QTest::newRow("to portrait") << int(M::Portrait) << QSize(480, 854) << 1;
    QTest::newRow("stay in landscape") << int(M::Landscape) << QSize(854, 480) << 0;
}

void TestMWindow::setOrientation()
{
    QFETCH(int, orientation);
    QFETCH(QSize, size);
    QFETCH(int, signalCount);

    MWindow window;
    QSignalSpy changed(&window, &MWindow::orientationChanged);
    window.setOrientation(M::Orientation(orientation));

    QCOMPARE(window.orientation(), M::Orientation(orientation));
    QCOMPARE(window.size(), size);
    QCOMPARE(window.scene()->sceneRect(), QRectF(QPointF(0, 0), size));
    QCOMPARE(changed.count(), signalCount);
    if (signalCount)
        QCOMPARE(changed.at(0).at(0).value<M::Orientation>(), M::Orientation(orientation));

    // Turning back undoes it.
    window.setOrientation(M::Landscape);
    QCOMPARE(window.size(), QSize(854, 480));
}

void TestMWindow::ownsItsScene()
{
    auto *window = new MWindow;
    QPointer<QGraphicsScene> scene = window->scene();
    QVERIFY(scene);
    delete window;
    QVERIFY(scene.isNull());
}

void TestMWindow::activeWindowIsClearedWithTheWindow()
{
    QCOMPARE(MApplication::activeWindow(), nullptr);
    auto *first = new MWindow;
    MWindow second;
    MApplication::setActiveWindow(first);
    QCOMPARE(MApplication::activeWindow(), first);

    // Someone watching the window go must not find it still active.
    MWindow *seenWhileDying = first;
    connect(first, &QObject::destroyed, this,
            [&seenWhileDying] { seenWhileDying = MApplication::activeWindow(); });
    delete first;
    QCOMPARE(MApplication::activeWindow(), nullptr);
    QCOMPARE(seenWhileDying, nullptr);

    // Deleting a window that is not the active one leaves the active one alone.
    MApplication::setActiveWindow(&second);
    {
        MWindow other;
    }
    QCOMPARE(MApplication::activeWindow(), &second);
    MApplication::setActiveWindow(nullptr);
    QCOMPARE(MApplication::activeWindow(), nullptr);
}

QTEST_MAIN(TestMWindow)
#include "tst_mwindow.moc"
