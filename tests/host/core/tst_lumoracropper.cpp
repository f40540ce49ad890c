// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "lumoracropper.h"
#include "recordingprovider.h"

#include <QColor>
#include <QGraphicsSceneMouseEvent>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

using Type = LumoraCropper::AspectRatioType;

// Width to height of each ratio type, as the crop plug-in's list names them; 0:0
// for a free selection.
struct Ratio
{
    qint64 w = 0;
    qint64 h = 0;
};

Ratio ratioOf(int type, const QSize &picture)
{
    switch (type) {
    case 1:
        return { picture.width(), picture.height() };
    case 2:
        return { 1, 1 };
    case 3:
        return { 4, 3 };
    case 4:
        return { 3, 4 };
    case 5:
        return { 3, 2 };
    case 6:
        return { 2, 3 };
    case 7:
        return { 16, 9 };
    case 8:
        return { 9, 16 };
    default:
        return {};
    }
}

// Corners in edge coordinates (right and bottom one past the last pixel), in the
// order top left, top right, bottom right, bottom left: opposite corners are two apart.
QPoint cornerOf(const QRect &rect, int corner)
{
    const int right = rect.x() + rect.width();
    const int bottom = rect.y() + rect.height();
    switch (corner) {
    case 0:
        return { rect.x(), rect.y() };
    case 1:
        return { right, rect.y() };
    case 2:
        return { right, bottom };
    default:
        return { rect.x(), bottom };
    }
}

bool send(LumoraCropper &cropper, QEvent::Type type, const QPointF &pos,
          Qt::MouseButton button = Qt::LeftButton)
{
    QGraphicsSceneMouseEvent event(type);
    event.setPos(pos);
    event.setScenePos(pos);
    if (type != QEvent::GraphicsSceneMouseMove)
        event.setButton(button);
    if (type != QEvent::GraphicsSceneMouseRelease)
        event.setButtons(button);
    return cropper.receiveMouseEvent(&event);
}

bool press(LumoraCropper &cropper, const QPointF &pos, Qt::MouseButton button = Qt::LeftButton)
{
    return send(cropper, QEvent::GraphicsSceneMousePress, pos, button);
}

bool move(LumoraCropper &cropper, const QPointF &pos)
{
    return send(cropper, QEvent::GraphicsSceneMouseMove, pos);
}

bool release(LumoraCropper &cropper, const QPointF &pos)
{
    return send(cropper, QEvent::GraphicsSceneMouseRelease, pos);
}

QString describe(const QRect &rect)
{
    return QStringLiteral("(%1,%2 %3x%4)")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

// Empty when `rect` is a non-empty rectangle inside the picture; otherwise why not.
QString insideProblem(const QRect &rect, const QSize &picture)
{
    if (rect.width() < 1 || rect.height() < 1)
        return QStringLiteral("selection %1 is smaller than 1x1").arg(describe(rect));
    if (rect.x() < 0 || rect.y() < 0 || qint64(rect.x()) + rect.width() > picture.width()
        || qint64(rect.y()) + rect.height() > picture.height())
        return QStringLiteral("selection %1 leaves the %2x%3 picture")
            .arg(describe(rect))
            .arg(picture.width())
            .arg(picture.height());
    return {};
}

// Empty when the rectangle's sides meet the ratio within one unit of it.
QString ratioProblem(const QRect &rect, const Ratio &ratio)
{
    const qint64 error = qAbs(qint64(rect.width()) * ratio.h - qint64(rect.height()) * ratio.w);
    if (error > qMax(ratio.w, ratio.h))
        return QStringLiteral("selection %1 misses %2:%3 by %4")
            .arg(describe(rect))
            .arg(ratio.w)
            .arg(ratio.h)
            .arg(error);
    return {};
}

// A picture provider and a cropper activated on it.
struct Fixture
{
    explicit Fixture(const QSize &size)
        : provider(size)
    {
        cropper.setEditUiProvider(&provider);
        cropper.activate();
    }

    RecordingProvider provider;
    LumoraCropper cropper;
};

QList<QSize> pictureSizes()
{
    return { QSize(4000, 3000),
             QSize(3000, 4000),
             QSize(999, 767),
             QSize(1, 1),
             QSize(1, 10000),
             QSize(5, 1000),
             QSize(2147483647, 1999999999) };
}

QString sizeName(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

} // namespace

class TestLumoraCropper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void staticAnswers();
    void activateSelectsWholePicture_data();
    void activateSelectsWholePicture();
    void noPicture_data();
    void noPicture();
    void fixedRatioIsLargestCentredFit_data();
    void fixedRatioIsLargestCentredFit();
    void fixedRatioExamples_data();
    void fixedRatioExamples();
    void freeKeepsSelection();
    void originalIsWholePicture_data();
    void originalIsWholePicture();
    void unknownTypeShapesAsFree_data();
    void unknownTypeShapesAsFree();
    void setSelectionRect_data();
    void setSelectionRect();
    void dragMovesSelection_data();
    void dragMovesSelection();
    void moveDragFollowsPointerUntilRelease();
    void smallSelectionMovesFromInside();
    void cornerDragFree_data();
    void cornerDragFree();
    void cornerDragFixedRatio_data();
    void cornerDragFixedRatio();
    void cornerDragKeepsInvariants_data();
    void cornerDragKeepsInvariants();
    void refusedEvents_data();
    void refusedEvents();
    void pressOutsideRefused_data();
    void pressOutsideRefused();
    void outlandishPositionsAreClamped_data();
    void outlandishPositionsAreClamped();
    void dragEndsOnReshapeOrActivation_data();
    void dragEndsOnReshapeOrActivation();
    void paintDimsOutsideAndFramesSelection();
    void paintWithoutPicture();
};

void TestLumoraCropper::staticAnswers()
{
    LumoraCropper cropper;
    QVERIFY(cropper.containsUi());
    QVERIFY(!cropper.zoomingAllowed());
    QCOMPARE(cropper.cropAspectRatioType(), LumoraCropper::AspectRatioFree);
    QVERIFY(cropper.selectionRect().isEmpty());
}

void TestLumoraCropper::activateSelectsWholePicture_data()
{
    QTest::addColumn<QSize>("picture");
    for (const QSize &size : pictureSizes())
        QTest::newRow(qPrintable(sizeName(size))) << size;
}

void TestLumoraCropper::activateSelectsWholePicture()
{
    QFETCH(QSize, picture);

    Fixture f(picture);
    QVERIFY(f.provider.fullImageSizeCalls > 0);
    QCOMPARE(f.cropper.selectionRect(), QRect(QPoint(0, 0), picture));

    // A new activation starts again from the whole picture, whatever came before,
    // and reads the picture size anew.
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioSquare);
    f.provider.imageSize = QSize(640, 480);
    f.cropper.activate();
    QCOMPARE(f.cropper.selectionRect(), QRect(0, 0, 640, 480));
}

void TestLumoraCropper::noPicture_data()
{
    QTest::addColumn<bool>("withProvider");
    QTest::addColumn<QSize>("picture");

    QTest::newRow("no provider") << false << QSize(4000, 3000);
    QTest::newRow("invalid size") << true << QSize();
    QTest::newRow("0x0") << true << QSize(0, 0);
    QTest::newRow("0x100") << true << QSize(0, 100);
    QTest::newRow("100x0") << true << QSize(100, 0);
    QTest::newRow("negative") << true << QSize(-20, 30);
}

void TestLumoraCropper::noPicture()
{
    QFETCH(bool, withProvider);
    QFETCH(QSize, picture);

    RecordingProvider provider(picture);
    LumoraCropper cropper;
    if (withProvider)
        cropper.setEditUiProvider(&provider);
    cropper.activate();
    QVERIFY(cropper.selectionRect().isEmpty());
    // 0 x 0, as a crop plug-in shows it, not the invalid size's -1 x -1.
    QCOMPARE(cropper.selectionRect().size(), QSize(0, 0));

    for (int type = 0; type <= 8; ++type) {
        cropper.setCropAspectRatioType(static_cast<Type>(type));
        QCOMPARE(cropper.cropAspectRatioType(), static_cast<Type>(type));
        QVERIFY2(cropper.selectionRect().isEmpty(), qPrintable(QString::number(type)));
    }

    // Nothing to grab, so nothing to drag.
    QVERIFY(!press(cropper, QPointF(0, 0)));
    QVERIFY(!press(cropper, QPointF(10, 10)));
    QVERIFY(!move(cropper, QPointF(20, 20)));
    QVERIFY(!release(cropper, QPointF(20, 20)));
    cropper.setSelectionRect(QRect(0, 0, 10, 10));
    QVERIFY(cropper.selectionRect().isEmpty());
    QVERIFY(provider.calls.isEmpty());
}

void TestLumoraCropper::fixedRatioIsLargestCentredFit_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("type");

    for (const QSize &size : pictureSizes()) {
        for (int type = 1; type <= 8; ++type)
            QTest::addRow("%s type %d", qPrintable(sizeName(size)), type) << size << type;
    }
}

void TestLumoraCropper::fixedRatioIsLargestCentredFit()
{
    QFETCH(QSize, picture);
    QFETCH(int, type);

    Fixture f(picture);
    // Start from a selection of another shape, off centre, so that reshaping shows.
    f.cropper.setSelectionRect(QRect(0, 0, qMax(1, picture.width() / 3), picture.height()));
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));
    QCOMPARE(f.cropper.cropAspectRatioType(), static_cast<Type>(type));

    const QRect rect = f.cropper.selectionRect();
    const Ratio ratio = ratioOf(type, picture);
    QString problem = insideProblem(rect, picture);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    problem = ratioProblem(rect, ratio);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // Largest: one side spans the picture, and the other would come out longer
    // than the ratio allows with one more pixel.
    const qint64 w = rect.width();
    const qint64 h = rect.height();
    const bool widthLimited
        = w == picture.width() && (h == picture.height() || (h + 1) * ratio.w > w * ratio.h);
    const bool heightLimited
        = h == picture.height() && (w == picture.width() || (w + 1) * ratio.h > h * ratio.w);
    QVERIFY2(widthLimited || heightLimited, qPrintable(describe(rect)));

    // Centred: the margins on opposite sides differ by at most one pixel.
    const qint64 right = qint64(picture.width()) - rect.x() - w;
    const qint64 bottom = qint64(picture.height()) - rect.y() - h;
    QVERIFY2(qAbs(right - rect.x()) <= 1, qPrintable(describe(rect)));
    QVERIFY2(qAbs(bottom - rect.y()) <= 1, qPrintable(describe(rect)));
}

void TestLumoraCropper::fixedRatioExamples_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("type");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("4000x3000 square") << QSize(4000, 3000) << 2 << QRect(500, 0, 3000, 3000);
    QTest::newRow("4000x3000 4:3") << QSize(4000, 3000) << 3 << QRect(0, 0, 4000, 3000);
    QTest::newRow("4000x3000 3:4") << QSize(4000, 3000) << 4 << QRect(875, 0, 2250, 3000);
    QTest::newRow("4000x3000 16:9") << QSize(4000, 3000) << 7 << QRect(0, 375, 4000, 2250);
    QTest::newRow("3000x4000 4:3") << QSize(3000, 4000) << 3 << QRect(0, 875, 3000, 2250);
    QTest::newRow("3000x4000 9:16") << QSize(3000, 4000) << 8 << QRect(375, 0, 2250, 4000);
    QTest::newRow("999x767 4:3") << QSize(999, 767) << 3 << QRect(0, 9, 999, 749);
    QTest::newRow("999x767 2:3") << QSize(999, 767) << 6 << QRect(244, 0, 511, 767);
    QTest::newRow("999x767 16:9") << QSize(999, 767) << 7 << QRect(0, 103, 999, 561);
    QTest::newRow("1x1 16:9") << QSize(1, 1) << 7 << QRect(0, 0, 1, 1);
    QTest::newRow("1x10000 16:9") << QSize(1, 10000) << 7 << QRect(0, 4999, 1, 1);
    QTest::newRow("1x10000 9:16") << QSize(1, 10000) << 8 << QRect(0, 4999, 1, 1);
    QTest::newRow("5x1000 9:16") << QSize(5, 1000) << 8 << QRect(0, 496, 5, 8);
    QTest::newRow("5x1000 3:2") << QSize(5, 1000) << 5 << QRect(0, 498, 5, 3);
}

void TestLumoraCropper::fixedRatioExamples()
{
    QFETCH(QSize, picture);
    QFETCH(int, type);
    QFETCH(QRect, expected);

    Fixture f(picture);
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));
    QCOMPARE(f.cropper.selectionRect(), expected);
}

void TestLumoraCropper::freeKeepsSelection()
{
    Fixture f(QSize(4000, 3000));
    f.cropper.setSelectionRect(QRect(100, 200, 300, 50));
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    QCOMPARE(f.cropper.cropAspectRatioType(), LumoraCropper::AspectRatioFree);
    QCOMPARE(f.cropper.selectionRect(), QRect(100, 200, 300, 50));

    // Back to free after a fixed ratio: the fixed shape stays.
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatio16To9);
    QCOMPARE(f.cropper.selectionRect(), QRect(0, 375, 4000, 2250));
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    QCOMPARE(f.cropper.selectionRect(), QRect(0, 375, 4000, 2250));
}

void TestLumoraCropper::originalIsWholePicture_data()
{
    activateSelectsWholePicture_data();
}

void TestLumoraCropper::originalIsWholePicture()
{
    QFETCH(QSize, picture);

    Fixture f(picture);
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioSquare);
    f.cropper.setSelectionRect(QRect(0, 0, 1, 1));
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioOriginal);
    QCOMPARE(f.cropper.selectionRect(), QRect(QPoint(0, 0), picture));
}

void TestLumoraCropper::unknownTypeShapesAsFree_data()
{
    QTest::addColumn<int>("type");
    // Values past 8 that the enumeration can still hold (it spans 0 to 15).
    QTest::newRow("9") << 9;
    QTest::newRow("12") << 12;
    QTest::newRow("15") << 15;
}

void TestLumoraCropper::unknownTypeShapesAsFree()
{
    QFETCH(int, type);

    Fixture f(QSize(4000, 3000));
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioSquare);
    f.cropper.setSelectionRect(QRect(100, 200, 300, 50));
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));
    QCOMPARE(static_cast<int>(f.cropper.cropAspectRatioType()), type);
    QCOMPARE(f.cropper.selectionRect(), QRect(100, 200, 300, 50));

    // Dragging a corner follows the pointer exactly, as for a free selection.
    QVERIFY(press(f.cropper, QPointF(400, 250)));
    QVERIFY(move(f.cropper, QPointF(1000, 1300)));
    QCOMPARE(f.cropper.selectionRect(), QRect(100, 200, 900, 1100));
    QVERIFY(release(f.cropper, QPointF(1000, 1300)));
}

void TestLumoraCropper::setSelectionRect_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QRect>("placed");
    QTest::addColumn<QRect>("expected");

    const QRect full(0, 0, 4000, 3000);
    QTest::newRow("inside") << 0 << QRect(10, 20, 30, 40) << QRect(10, 20, 30, 40);
    QTest::newRow("whole picture") << 0 << full << full;
    QTest::newRow("over the top left") << 0 << QRect(-10, -20, 110, 120) << QRect(0, 0, 100, 100);
    QTest::newRow("over the bottom right")
        << 0 << QRect(3900, 2900, 500, 500) << QRect(3900, 2900, 100, 100);
    QTest::newRow("larger than the picture") << 0 << QRect(-5, -5, 5000, 5000) << full;
    QTest::newRow("outside: unchanged") << 0 << QRect(4000, 0, 10, 10) << full;
    QTest::newRow("empty: unchanged") << 0 << QRect(10, 10, 0, 0) << full;
    QTest::newRow("fixed ratio kept as placed")
        << 7 << QRect(10, 20, 30, 40) << QRect(10, 20, 30, 40);
}

void TestLumoraCropper::setSelectionRect()
{
    QFETCH(int, type);
    QFETCH(QRect, placed);
    QFETCH(QRect, expected);

    Fixture f(QSize(4000, 3000));
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));
    f.cropper.setSelectionRect(QRect(0, 0, 4000, 3000));
    f.cropper.setSelectionRect(placed);
    QCOMPARE(f.cropper.selectionRect(), expected);
    QCOMPARE(static_cast<int>(f.cropper.cropAspectRatioType()), type);
}

// Drags a free 800x600 selection at (1000, 1000) of a 4000x3000 picture from the row's
// `grab` to its `to` and checks the row's `expected` selection during and after the drag.
void dragFreeSelection()
{
    QFETCH(QPointF, grab);
    QFETCH(QPointF, to);
    QFETCH(QRect, expected);

    Fixture f(QSize(4000, 3000));
    f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));
    QVERIFY(press(f.cropper, grab));
    QCOMPARE(f.cropper.selectionRect(), QRect(1000, 1000, 800, 600));
    QVERIFY(move(f.cropper, to));
    QCOMPARE(f.cropper.selectionRect(), expected);
    QVERIFY(release(f.cropper, to));
    QCOMPARE(f.cropper.selectionRect(), expected);
}

void TestLumoraCropper::dragMovesSelection_data()
{
    QTest::addColumn<QPointF>("grab");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRect>("expected");

    // The selection is (1000,1000 800x600) in a 4000x3000 picture.
    const QPointF centre(1400, 1300);
    QTest::newRow("inside") << centre << QPointF(1500, 1350) << QRect(1100, 1050, 800, 600);
    QTest::newRow("off centre grab")
        << QPointF(1100, 1550) << QPointF(1000, 1000) << QRect(900, 450, 800, 600);
    QTest::newRow("fraction rounds")
        << centre << QPointF(1400.6, 1299.4) << QRect(1001, 999, 800, 600);
    QTest::newRow("left edge") << centre << QPointF(100, 1300) << QRect(0, 1000, 800, 600);
    QTest::newRow("top edge") << centre << QPointF(1400, 10) << QRect(1000, 0, 800, 600);
    QTest::newRow("right edge") << centre << QPointF(3900, 1300) << QRect(3200, 1000, 800, 600);
    QTest::newRow("bottom edge") << centre << QPointF(1400, 2999) << QRect(1000, 2400, 800, 600);
    QTest::newRow("exactly to the edge")
        << centre << QPointF(3600, 2700) << QRect(3200, 2400, 800, 600);
    QTest::newRow("negative") << centre << QPointF(-500, -700) << QRect(0, 0, 800, 600);
    QTest::newRow("far out") << centre << QPointF(1e9, 1e9) << QRect(3200, 2400, 800, 600);
    QTest::newRow("mixed") << centre << QPointF(3900, 100) << QRect(3200, 0, 800, 600);
}

void TestLumoraCropper::dragMovesSelection()
{
    dragFreeSelection();
}

void TestLumoraCropper::moveDragFollowsPointerUntilRelease()
{
    Fixture f(QSize(4000, 3000));
    f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatio4To3);
    f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));

    QVERIFY(press(f.cropper, QPointF(1400, 1300)));
    QVERIFY(move(f.cropper, QPointF(4000, 1300)));
    QCOMPARE(f.cropper.selectionRect(), QRect(3200, 1000, 800, 600));
    // Back from the edge: the pointer keeps its place in the selection.
    QVERIFY(move(f.cropper, QPointF(1500, 1400)));
    QCOMPARE(f.cropper.selectionRect(), QRect(1100, 1100, 800, 600));
    QVERIFY(release(f.cropper, QPointF(1500, 1400)));

    // After the release the drag is over.
    QVERIFY(!move(f.cropper, QPointF(2000, 2000)));
    QVERIFY(!release(f.cropper, QPointF(2000, 2000)));
    QCOMPARE(f.cropper.selectionRect(), QRect(1100, 1100, 800, 600));
}

void TestLumoraCropper::smallSelectionMovesFromInside()
{
    // The grab radius on 4000x3000 is 60 pixels, wider than this selection; a press
    // in its middle moves it, a press just outside a corner resizes.
    Fixture f(QSize(4000, 3000));
    f.cropper.setSelectionRect(QRect(100, 100, 20, 20));
    QVERIFY(press(f.cropper, QPointF(110, 110)));
    QVERIFY(move(f.cropper, QPointF(210, 310)));
    QCOMPARE(f.cropper.selectionRect(), QRect(200, 300, 20, 20));
    QVERIFY(release(f.cropper, QPointF(210, 310)));

    QVERIFY(press(f.cropper, QPointF(250, 350)));
    QVERIFY(move(f.cropper, QPointF(300, 400)));
    QCOMPARE(f.cropper.selectionRect(), QRect(200, 300, 70, 70));
    QVERIFY(release(f.cropper, QPointF(300, 400)));
}

void TestLumoraCropper::cornerDragFree_data()
{
    QTest::addColumn<QPointF>("grab");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRect>("expected");

    // The selection is (1000,1000 800x600) in a 4000x3000 picture; grab radius 60.
    QTest::newRow("bottom right out")
        << QPointF(1800, 1600) << QPointF(2000, 2000) << QRect(1000, 1000, 1000, 1000);
    QTest::newRow("bottom right grabbed off the corner")
        << QPointF(1830, 1580) << QPointF(2030, 1980) << QRect(1000, 1000, 1000, 1000);
    QTest::newRow("bottom right in")
        << QPointF(1800, 1600) << QPointF(1500, 1200) << QRect(1000, 1000, 500, 200);
    QTest::newRow("fraction rounds")
        << QPointF(1800, 1600) << QPointF(1800.4, 1599.6) << QRect(1000, 1000, 800, 600);
    QTest::newRow("top left out") << QPointF(1000, 1000) << QPointF(500, 200)
                                  << QRect(500, 200, 1300, 1400);
    QTest::newRow("top left across the anchor")
        << QPointF(1000, 1000) << QPointF(3000, 3000) << QRect(1799, 1599, 1, 1);
    QTest::newRow("top left past the picture")
        << QPointF(1000, 1000) << QPointF(-300, -300) << QRect(0, 0, 1800, 1600);
    QTest::newRow("top right") << QPointF(1800, 1000) << QPointF(2500, 700)
                               << QRect(1000, 700, 1500, 900);
    QTest::newRow("top right, right out, down across")
        << QPointF(1800, 1000) << QPointF(5000, 2900) << QRect(1000, 1599, 3000, 1);
    QTest::newRow("bottom left") << QPointF(1000, 1600) << QPointF(-300, 3500)
                                 << QRect(0, 1000, 1800, 2000);
    QTest::newRow("bottom left to its anchor")
        << QPointF(1000, 1600) << QPointF(1800, 1000) << QRect(1799, 1000, 1, 1);
}

void TestLumoraCropper::cornerDragFree()
{
    dragFreeSelection();
}

void TestLumoraCropper::cornerDragFixedRatio_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QPointF>("grab");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRect>("expected");

    // On 4000x3000, 4:3 starts as the whole picture and 16:9 as (0,375 4000x2250).
    QTest::newRow("4:3 bottom right diagonal")
        << 3 << QPointF(4000, 3000) << QPointF(2000, 1500) << QRect(0, 0, 2000, 1500);
    QTest::newRow("4:3 bottom right off the diagonal")
        << 3 << QPointF(4000, 3000) << QPointF(2000, 1000) << QRect(0, 0, 1760, 1320);
    QTest::newRow("4:3 bottom right left only")
        << 3 << QPointF(4000, 3000) << QPointF(2000, 3000) << QRect(0, 0, 2720, 2040);
    QTest::newRow("4:3 bottom right up only")
        << 3 << QPointF(4000, 3000) << QPointF(4000, 1000) << QRect(0, 0, 3040, 2280);
    QTest::newRow("4:3 bottom right back out")
        << 3 << QPointF(4000, 3000) << QPointF(9000, 9000) << QRect(0, 0, 4000, 3000);
    QTest::newRow("4:3 bottom right across the anchor")
        << 3 << QPointF(4000, 3000) << QPointF(-100, -100) << QRect(0, 0, 1, 1);
    QTest::newRow("4:3 top left") << 3 << QPointF(0, 0) << QPointF(2000, 1500)
                                  << QRect(2000, 1500, 2000, 1500);
    QTest::newRow("16:9 top left inwards")
        << 7 << QPointF(0, 375) << QPointF(2000, 2000) << QRect(2214, 1621, 1786, 1004);
    QTest::newRow("16:9 top left up: the width stops at the picture")
        << 7 << QPointF(0, 375) << QPointF(-1000, -2000) << QRect(0, 375, 4000, 2250);
    QTest::newRow("16:9 bottom right down: the width stops at the picture")
        << 7 << QPointF(4000, 2625) << QPointF(4000, 3000) << QRect(0, 375, 4000, 2250);
    QTest::newRow("16:9 bottom left")
        << 7 << QPointF(0, 2625) << QPointF(2400, 2625) << QRect(1824, 375, 2176, 1224);
    QTest::newRow("square top right")
        << 2 << QPointF(3500, 0) << QPointF(2000, 1000) << QRect(500, 1250, 1750, 1750);
    QTest::newRow("square top right: the height stops at the picture")
        << 2 << QPointF(3500, 0) << QPointF(3600, -500) << QRect(500, 0, 3000, 3000);
}

void TestLumoraCropper::cornerDragFixedRatio()
{
    QFETCH(int, type);
    QFETCH(QPointF, grab);
    QFETCH(QPointF, to);
    QFETCH(QRect, expected);

    const QSize picture(4000, 3000);
    Fixture f(picture);
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));
    QVERIFY(press(f.cropper, grab));
    QVERIFY(move(f.cropper, to));
    const QRect rect = f.cropper.selectionRect();
    QCOMPARE(rect, expected);
    const QString problem = ratioProblem(rect, ratioOf(type, picture));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(release(f.cropper, to));
}

void TestLumoraCropper::cornerDragKeepsInvariants_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("corner");

    const QList<QSize> sizes = { QSize(4000, 3000), QSize(999, 767), QSize(5, 1000),
                                 QSize(1, 10000), QSize(2147483647, 1999999999) };
    for (const QSize &size : sizes) {
        for (int type = 0; type <= 8; ++type) {
            for (int corner = 0; corner < 4; ++corner)
                QTest::addRow("%s type %d corner %d", qPrintable(sizeName(size)), type, corner)
                    << size << type << corner;
        }
    }
}

void TestLumoraCropper::cornerDragKeepsInvariants()
{
    QFETCH(QSize, picture);
    QFETCH(int, type);
    QFETCH(int, corner);

    Fixture f(picture);
    if (type == 0) {
        // A free selection somewhere in the middle.
        f.cropper.setSelectionRect(QRect(picture.width() / 4, picture.height() / 4,
                                         qMax(1, picture.width() / 2),
                                         qMax(1, picture.height() / 2)));
    }
    f.cropper.setCropAspectRatioType(static_cast<Type>(type));

    const Ratio ratio = ratioOf(type, picture);
    const QRect start = f.cropper.selectionRect();
    const QPoint anchor = cornerOf(start, (corner + 2) % 4);
    QVERIFY(press(f.cropper, cornerOf(start, corner)));

    const double inf = std::numeric_limits<double>::infinity();
    const double w = picture.width();
    const double h = picture.height();
    const QList<double> xs = { -inf, -1e12, -50, 0, 1, w / 3, w / 2, w - 1, w, w + 50, 1e12, inf };
    const QList<double> ys = { -inf, -1e12, -50, 0, 1, h / 3, h / 2, h - 1, h, h + 50, 1e12, inf };
    for (double x : xs) {
        for (double y : ys) {
            const QString where = QStringLiteral(" at (%1, %2)").arg(x).arg(y);
            QVERIFY2(move(f.cropper, QPointF(x, y)), qPrintable(where));
            const QRect rect = f.cropper.selectionRect();
            QString problem = insideProblem(rect, picture);
            QVERIFY2(problem.isEmpty(), qPrintable(problem + where));
            QVERIFY2(cornerOf(rect, (corner + 2) % 4) == anchor,
                     qPrintable(QStringLiteral("anchor moved: ") + describe(rect) + where));
            if (ratio.w > 0) {
                problem = ratioProblem(rect, ratio);
                QVERIFY2(problem.isEmpty(), qPrintable(problem + where));
            }
        }
    }
    QVERIFY(release(f.cropper, QPointF(0, 0)));
}

void TestLumoraCropper::refusedEvents_data()
{
    QTest::addColumn<int>("eventType");
    QTest::addColumn<bool>("pressFirst");
    QTest::addColumn<bool>("expected");

    QTest::newRow("move without press") << int(QEvent::GraphicsSceneMouseMove) << false << false;
    QTest::newRow("release without press")
        << int(QEvent::GraphicsSceneMouseRelease) << false << false;
    QTest::newRow("double click") << int(QEvent::GraphicsSceneMouseDoubleClick) << false << false;
    QTest::newRow("double click while dragging")
        << int(QEvent::GraphicsSceneMouseDoubleClick) << true << false;
    QTest::newRow("move while dragging") << int(QEvent::GraphicsSceneMouseMove) << true << true;
    QTest::newRow("release while dragging")
        << int(QEvent::GraphicsSceneMouseRelease) << true << true;
}

void TestLumoraCropper::refusedEvents()
{
    QFETCH(int, eventType);
    QFETCH(bool, pressFirst);
    QFETCH(bool, expected);

    Fixture f(QSize(4000, 3000));
    QVERIFY(!f.cropper.receiveMouseEvent(nullptr));
    f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));
    if (pressFirst)
        QVERIFY(press(f.cropper, QPointF(1400, 1300)));
    QCOMPARE(send(f.cropper, static_cast<QEvent::Type>(eventType), QPointF(1500, 1500)), expected);
    const QRect expectedRect = eventType == QEvent::GraphicsSceneMouseMove && expected
        ? QRect(1100, 1200, 800, 600)
        : QRect(1000, 1000, 800, 600);
    QCOMPARE(f.cropper.selectionRect(), expectedRect);
    QVERIFY(!f.cropper.receiveMouseEvent(nullptr));
}

void TestLumoraCropper::pressOutsideRefused_data()
{
    QTest::addColumn<QPointF>("pos");
    QTest::addColumn<int>("button");

    // The selection is (1000,1000 800x600) in a 4000x3000 picture; grab radius 60.
    QTest::newRow("left of it") << QPointF(900, 1300) << int(Qt::LeftButton);
    QTest::newRow("below it") << QPointF(1400, 1700) << int(Qt::LeftButton);
    QTest::newRow("just beyond a corner's reach") << QPointF(1043, 957) << int(Qt::LeftButton);
    QTest::newRow("negative") << QPointF(-10, -10) << int(Qt::LeftButton);
    QTest::newRow("far out") << QPointF(1e9, -1e9) << int(Qt::LeftButton);
    QTest::newRow("not a number") << QPointF(qQNaN(), 1300) << int(Qt::LeftButton);
    QTest::newRow("right button inside") << QPointF(1400, 1300) << int(Qt::RightButton);
    QTest::newRow("middle button on a corner") << QPointF(1800, 1600) << int(Qt::MiddleButton);
}

void TestLumoraCropper::pressOutsideRefused()
{
    QFETCH(QPointF, pos);
    QFETCH(int, button);

    Fixture f(QSize(4000, 3000));
    f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));
    QVERIFY(!press(f.cropper, pos, static_cast<Qt::MouseButton>(button)));
    QVERIFY(!move(f.cropper, QPointF(1500, 1500)));
    QVERIFY(!release(f.cropper, QPointF(1500, 1500)));
    QCOMPARE(f.cropper.selectionRect(), QRect(1000, 1000, 800, 600));

    // A press without any button information, as a touch may bring, counts.
    QVERIFY(press(f.cropper, QPointF(1400, 1300), Qt::NoButton));
}

void TestLumoraCropper::outlandishPositionsAreClamped_data()
{
    QTest::addColumn<QPointF>("grab");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRect>("expected");

    const double inf = std::numeric_limits<double>::infinity();
    // The whole 4000x3000 picture is selected; grab radius 60.
    QTest::newRow("corner grabbed from outside, moved negative")
        << QPointF(-30, -30) << QPointF(-500, -500) << QRect(0, 0, 4000, 3000);
    QTest::newRow("corner grabbed from outside, moved in")
        << QPointF(-30, -30) << QPointF(970, 470) << QRect(1000, 500, 3000, 2500);
    QTest::newRow("corner to minus infinity")
        << QPointF(4000, 3000) << QPointF(-inf, -inf) << QRect(0, 0, 1, 1);
    QTest::newRow("corner to huge")
        << QPointF(0, 3000) << QPointF(1e300, 1e300) << QRect(3999, 0, 1, 3000);
    QTest::newRow("corner to not a number")
        << QPointF(4000, 3000) << QPointF(qQNaN(), qQNaN()) << QRect(0, 0, 1, 1);
}

void TestLumoraCropper::outlandishPositionsAreClamped()
{
    QFETCH(QPointF, grab);
    QFETCH(QPointF, to);
    QFETCH(QRect, expected);

    Fixture f(QSize(4000, 3000));
    QVERIFY(press(f.cropper, grab));
    QVERIFY(move(f.cropper, to));
    QCOMPARE(f.cropper.selectionRect(), expected);

    // A moved selection stays whole and inside as well.
    QVERIFY(press(f.cropper, QRectF(expected).center()));
    for (const QPointF &pos : { QPointF(-1e300, 1e300), QPointF(qQNaN(), -5), to }) {
        QVERIFY(move(f.cropper, pos));
        const QString problem = insideProblem(f.cropper.selectionRect(), QSize(4000, 3000));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(f.cropper.selectionRect().size(), expected.size());
    }
}

void TestLumoraCropper::dragEndsOnReshapeOrActivation_data()
{
    QTest::addColumn<int>("step");
    QTest::newRow("ratio type chosen") << 0;
    QTest::newRow("selection placed") << 1;
    QTest::newRow("activated again") << 2;
}

void TestLumoraCropper::dragEndsOnReshapeOrActivation()
{
    QFETCH(int, step);

    Fixture f(QSize(4000, 3000));
    f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));
    QVERIFY(press(f.cropper, QPointF(1400, 1300)));
    if (step == 0)
        f.cropper.setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    else if (step == 1)
        f.cropper.setSelectionRect(QRect(1000, 1000, 800, 600));
    else
        f.cropper.activate();
    const QRect before = f.cropper.selectionRect();
    QVERIFY(!move(f.cropper, QPointF(2000, 2000)));
    QVERIFY(!release(f.cropper, QPointF(2000, 2000)));
    QCOMPARE(f.cropper.selectionRect(), before);
}

void TestLumoraCropper::paintDimsOutsideAndFramesSelection()
{
    // 100x80: grab radius and handle size 8.
    Fixture f(QSize(100, 80));
    f.cropper.setSelectionRect(QRect(20, 20, 40, 30));

    const QColor grey(128, 128, 128);
    QImage image(100, 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(grey);
    {
        QPainter painter(&image);
        f.cropper.paint(&painter, nullptr, nullptr);
    }

    // Outside, away from the handles: darker, still grey.
    for (const QPoint &p : { QPoint(2, 2), QPoint(90, 70), QPoint(40, 5), QPoint(40, 70),
                             QPoint(5, 35), QPoint(80, 35) }) {
        const QColor c = image.pixelColor(p);
        QVERIFY2(c.red() < 100 && c.red() > 20 && c.red() == c.blue(),
                 qPrintable(QStringLiteral("(%1,%2): %3").arg(p.x()).arg(p.y()).arg(c.name())));
    }
    // Inside, away from the frame: untouched.
    for (const QPoint &p : { QPoint(40, 35), QPoint(30, 30), QPoint(50, 42) })
        QCOMPARE(image.pixelColor(p), grey);
    // On the frame and on the handles: light.
    for (const QPoint &p : { QPoint(20, 35), QPoint(40, 20), QPoint(20, 20), QPoint(59, 49),
                             QPoint(62, 52), QPoint(17, 17) }) {
        const QColor c = image.pixelColor(p);
        QVERIFY2(c.red() > 200,
                 qPrintable(QStringLiteral("(%1,%2): %3").arg(p.x()).arg(p.y()).arg(c.name())));
    }
    // The painter is left as it was given.
    QImage second(100, 80, QImage::Format_ARGB32_Premultiplied);
    second.fill(grey);
    QPainter painter(&second);
    painter.setPen(Qt::red);
    f.cropper.paint(&painter, nullptr, nullptr);
    QCOMPARE(painter.pen().color(), QColor(Qt::red));
    QVERIFY(!painter.hasClipping());
}

void TestLumoraCropper::paintWithoutPicture()
{
    LumoraCropper cropper;
    cropper.activate();
    cropper.paint(nullptr, nullptr, nullptr);

    QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    const QImage before = image;
    {
        QPainter painter(&image);
        cropper.paint(&painter, nullptr, nullptr);
    }
    QCOMPARE(image, before);

    // With a picture, a null painter is still ignored.
    Fixture f(QSize(50, 50));
    f.cropper.paint(nullptr, nullptr, nullptr);
    QCOMPARE(f.cropper.selectionRect(), QRect(0, 0, 50, 50));
}

QTEST_MAIN(TestLumoraCropper)
#include "tst_lumoracropper.moc"
