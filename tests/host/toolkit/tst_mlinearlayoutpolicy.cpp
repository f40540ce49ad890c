// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Geometry of the linear policy: how items, stretches, alignments, margins and
// spacing divide a line, and what size the line asks for.

#include "mlayout.h"
#include "mlinearlayoutpolicy.h"

#include <QGraphicsWidget>
#include <QGuiApplication>
#include <QMarginsF>
#include <QTest>

namespace {

// One entry of a line under test: an item with its hints and size policy, or a
// stretch (stretch > 0).
struct LineEntry
{
    QSizeF preferred;
    Qt::Alignment alignment;
    QSizePolicy::Policy horizontal = QSizePolicy::Preferred;
    QSizePolicy::Policy vertical = QSizePolicy::Preferred;
    QSizeF minimum = QSizeF(0, 0);
    QSizeF maximum = QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    int stretch = 0;
};

LineEntry item(QSizeF preferred, Qt::Alignment alignment = {},
               QSizePolicy::Policy horizontal = QSizePolicy::Preferred,
               QSizePolicy::Policy vertical = QSizePolicy::Preferred)
{
    LineEntry entry;
    entry.preferred = preferred;
    entry.alignment = alignment;
    entry.horizontal = horizontal;
    entry.vertical = vertical;
    return entry;
}

LineEntry stretch(int factor = 1)
{
    LineEntry entry;
    entry.stretch = factor;
    return entry;
}

LineEntry withMinimum(LineEntry entry, QSizeF minimum)
{
    entry.minimum = minimum;
    return entry;
}

LineEntry withMaximum(LineEntry entry, QSizeF maximum)
{
    entry.maximum = maximum;
    return entry;
}

// A widget holding an MLayout with one linear policy built from `entryList`.
struct Line
{
    QGraphicsWidget container;
    MLayout *layout = nullptr;
    MLinearLayoutPolicy *policy = nullptr;
    QList<QGraphicsWidget *> items;

    Line(Qt::Orientation orientation, const QList<LineEntry> &entryList)
    {
        layout = new MLayout(&container);
        policy = new MLinearLayoutPolicy(layout, orientation);
        for (const LineEntry &entry : entryList) {
            if (entry.stretch > 0) {
                policy->insertStretch(-1, entry.stretch);
                continue;
            }
            auto *widget = new QGraphicsWidget;
            widget->setMinimumSize(entry.minimum);
            widget->setPreferredSize(entry.preferred);
            widget->setMaximumSize(entry.maximum);
            widget->setSizePolicy(entry.horizontal, entry.vertical);
            if (entry.alignment)
                policy->addItem(widget, entry.alignment);
            else
                policy->addItem(widget);
            items.append(widget);
        }
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<LineEntry>)

class TestMLinearLayoutPolicy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geometry_data();
    void geometry();
    void geometryFollowsWidgetResize();
    void sizeHintSumsAlongTheLine();
    void entriesKeepOrderWithStretches();
    void removedItemLeavesEntries();
    void notifiesLayoutPositionWhenEnabled_data();
    void notifiesLayoutPositionWhenEnabled();
    void rightToLeftMirrors_data();
    void rightToLeftMirrors();
};

void TestMLinearLayoutPolicy::geometry_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QList<LineEntry>>("entries");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<QMarginsF>("layoutMargins");
    QTest::addColumn<QMarginsF>("policyMargins");
    QTest::addColumn<qreal>("spacing");
    QTest::addColumn<QList<QRectF>>("expected");

    const QMarginsF none;
    const QSizeF box(100, 40);

    QTest::newRow("stretches centre an aligned item")
        << Qt::Horizontal << QList<LineEntry> { stretch(), item(box, Qt::AlignCenter), stretch() }
        << QSizeF(400, 100) << none << none << qreal(0)
        << QList<QRectF> { QRectF(150, 30, 100, 40) };
    QTest::newRow("stretch factors share by weight")
        << Qt::Horizontal << QList<LineEntry> { stretch(1), item(box, Qt::AlignCenter), stretch(3) }
        << QSizeF(400, 100) << none << none << qreal(0)
        << QList<QRectF> { QRectF(75, 30, 100, 40) };
    QTest::newRow("unaligned item fills across the line")
        << Qt::Horizontal << QList<LineEntry> { item(box), stretch() } << QSizeF(400, 100) << none
        << none << qreal(0) << QList<QRectF> { QRectF(0, 0, 100, 100) };
    QTest::newRow("filling stops at the item's maximum")
        << Qt::Horizontal << QList<LineEntry> { withMaximum(item(box), QSizeF(200, 60)), stretch() }
        << QSizeF(400, 100) << none << none << qreal(0) << QList<QRectF> { QRectF(0, 0, 100, 60) };
    QTest::newRow("aligned bottom right keeps its preferred height")
        << Qt::Horizontal
        << QList<LineEntry> { stretch(), item(box, Qt::AlignBottom | Qt::AlignRight) }
        << QSizeF(400, 100) << none << none << qreal(0)
        << QList<QRectF> { QRectF(300, 60, 100, 40) };
    QTest::newRow("layout and policy margins both come off")
        << Qt::Horizontal << QList<LineEntry> { item(box, {}, QSizePolicy::Expanding) }
        << QSizeF(400, 100) << QMarginsF(10, 10, 10, 10) << QMarginsF(64, 0, 64, 0) << qreal(0)
        << QList<QRectF> { QRectF(74, 10, 252, 80) };
    QTest::newRow("expanding item takes the free space")
        << Qt::Horizontal << QList<LineEntry> { item(box), item(box, {}, QSizePolicy::Expanding) }
        << QSizeF(400, 40) << none << none << qreal(0)
        << QList<QRectF> { QRectF(0, 0, 100, 40), QRectF(100, 0, 300, 40) };
    QTest::newRow("without stretches or expanding items growable items share")
        << Qt::Horizontal << QList<LineEntry> { item(box), item(box) } << QSizeF(400, 40) << none
        << none << qreal(0) << QList<QRectF> { QRectF(0, 0, 200, 40), QRectF(200, 0, 200, 40) };
    QTest::newRow("stretches win over expanding items")
        << Qt::Horizontal << QList<LineEntry> { item(box, {}, QSizePolicy::Expanding), stretch() }
        << QSizeF(400, 40) << none << none << qreal(0) << QList<QRectF> { QRectF(0, 0, 100, 40) };
    QTest::newRow("fixed items keep their size, with spacing between them")
        << Qt::Horizontal
        << QList<LineEntry> { item(box, {}, QSizePolicy::Fixed), item(box, {}, QSizePolicy::Fixed) }
        << QSizeF(400, 40) << none << none << qreal(10)
        << QList<QRectF> { QRectF(0, 0, 100, 40), QRectF(110, 0, 100, 40) };
    QTest::newRow("short line shrinks items toward their minimum")
        << Qt::Horizontal
        << QList<LineEntry> { withMinimum(item(box), QSizeF(50, 0)),
                              withMinimum(item(box), QSizeF(100, 0)) }
        << QSizeF(150, 40) << none << none << qreal(0)
        << QList<QRectF> { QRectF(0, 0, 50, 40), QRectF(50, 0, 100, 40) };
    QTest::newRow("vertical line with side margins centres aligned items")
        << Qt::Vertical
        << QList<LineEntry> { item(QSizeF(200, 64), Qt::AlignCenter, QSizePolicy::Preferred,
                                   QSizePolicy::Fixed),
                              item(QSizeF(200, 64), Qt::AlignCenter, QSizePolicy::Preferred,
                                   QSizePolicy::Fixed),
                              stretch() }
        << QSizeF(480, 216) << none << QMarginsF(64, 0, 64, 0) << qreal(0)
        << QList<QRectF> { QRectF(140, 0, 200, 64), QRectF(140, 64, 200, 64) };
    QTest::newRow("vertical line: unaligned items fill the width")
        << Qt::Vertical << QList<LineEntry> { stretch(), item(box), stretch() } << QSizeF(300, 140)
        << none << none << qreal(0) << QList<QRectF> { QRectF(0, 50, 300, 40) };
}

void TestMLinearLayoutPolicy::geometry()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QList<LineEntry>, entries);
    QFETCH(QSizeF, size);
    QFETCH(QMarginsF, layoutMargins);
    QFETCH(QMarginsF, policyMargins);
    QFETCH(qreal, spacing);
    QFETCH(QList<QRectF>, expected);

    Line line(orientation, entries);
    line.layout->setContentsMargins(layoutMargins.left(), layoutMargins.top(),
                                    layoutMargins.right(), layoutMargins.bottom());
    line.policy->setContentsMargins(policyMargins.left(), policyMargins.top(),
                                    policyMargins.right(), policyMargins.bottom());
    line.policy->setSpacing(spacing);
    line.layout->setGeometry(QRectF(QPointF(0, 0), size));

    QCOMPARE(line.items.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(line.items.at(i)->geometry(), expected.at(i));
}

void TestMLinearLayoutPolicy::geometryFollowsWidgetResize()
{
    Line line(Qt::Horizontal, { stretch(), item(QSizeF(100, 40), Qt::AlignCenter), stretch() });
    line.container.resize(600, 80);
    // The layout request Qt posts is handled here, without waiting.
    QCoreApplication::sendPostedEvents(&line.container, QEvent::LayoutRequest);
    line.layout->activate();
    QCOMPARE(line.items.at(0)->geometry(), QRectF(250, 20, 100, 40));
}

void TestMLinearLayoutPolicy::sizeHintSumsAlongTheLine()
{
    LineEntry wide = withMinimum(item(QSizeF(100, 40)), QSizeF(30, 20));
    LineEntry tall = withMinimum(item(QSizeF(50, 60)), QSizeF(10, 50));
    Line line(Qt::Horizontal, { wide, stretch(), tall });
    line.policy->setSpacing(5);
    line.policy->setContentsMargins(1, 2, 3, 4);
    line.layout->setContentsMargins(10, 10, 10, 10);

    QCOMPARE(line.policy->sizeHint(Qt::PreferredSize), QSizeF(100 + 5 + 50 + 4, 60 + 6));
    QCOMPARE(line.layout->effectiveSizeHint(Qt::PreferredSize),
             QSizeF(100 + 5 + 50 + 4 + 20, 60 + 6 + 20));
    QCOMPARE(line.layout->effectiveSizeHint(Qt::MinimumSize),
             QSizeF(30 + 5 + 10 + 4 + 20, 50 + 6 + 20));
    // The container asks its layout.
    QCOMPARE(line.container.effectiveSizeHint(Qt::PreferredSize),
             QSizeF(100 + 5 + 50 + 4 + 20, 60 + 6 + 20));

    Line column(Qt::Vertical, { wide, tall });
    QCOMPARE(column.policy->sizeHint(Qt::PreferredSize), QSizeF(100, 40 + 60));
}

void TestMLinearLayoutPolicy::entriesKeepOrderWithStretches()
{
    Line line(Qt::Horizontal, {});
    QGraphicsWidget first;
    QGraphicsWidget second;
    line.policy->insertStretch(-1, 2);
    line.policy->addItem(&first, Qt::AlignCenter);
    line.policy->insertItem(0, &second);

    const QList<MLinearLayoutPolicy::Entry> entries = line.policy->entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0).item, &second);
    QCOMPARE(entries.at(1).item, nullptr);
    QCOMPARE(entries.at(1).stretch, 2);
    QCOMPARE(entries.at(2).item, &first);
    QCOMPARE(entries.at(2).alignment, Qt::Alignment(Qt::AlignCenter));
    // The items alone, in the same order.
    QCOMPARE(line.policy->count(), 2);
    QCOMPARE(line.policy->itemAt(0), &second);
    QCOMPARE(line.policy->itemAt(1), &first);
    QCOMPARE(line.policy->alignment(&first), Qt::Alignment(Qt::AlignCenter));
    // An item is in a policy once.
    line.policy->addItem(&first);
    QCOMPARE(line.policy->entries().size(), 3);
    // The widgets must not be deleted twice: they live on the stack here.
    line.layout->removeAt(line.layout->indexOf(&first));
    line.layout->removeAt(line.layout->indexOf(&second));
}

void TestMLinearLayoutPolicy::removedItemLeavesEntries()
{
    Line line(Qt::Horizontal, { item(QSizeF(10, 10)), stretch(), item(QSizeF(20, 20)) });
    QGraphicsWidget *first = line.items.at(0);
    line.policy->removeItem(first);

    const QList<MLinearLayoutPolicy::Entry> entries = line.policy->entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).item, nullptr);
    QCOMPARE(entries.at(1).item, line.items.at(1));
    QCOMPARE(line.policy->indexOf(first), -1);
    // The layout still holds it, hidden since no active policy places it.
    QVERIFY(line.layout->indexOf(first) >= 0);
    QVERIFY(!first->isVisible());
}

void TestMLinearLayoutPolicy::notifiesLayoutPositionWhenEnabled_data()
{
    QTest::addColumn<int>("itemCount");
    QTest::addColumn<QStringList>("positions");

    QTest::newRow("one") << 1 << QStringList { "single" };
    QTest::newRow("two") << 2 << QStringList { "first", "last" };
    QTest::newRow("four") << 4 << QStringList { "first", "middle", "middle", "last" };
}

void TestMLinearLayoutPolicy::notifiesLayoutPositionWhenEnabled()
{
    QFETCH(int, itemCount);
    QFETCH(QStringList, positions);

    QList<LineEntry> entryList;
    for (int i = 0; i < itemCount; ++i)
        entryList.append(item(QSizeF(10, 10)));
    Line quiet(Qt::Horizontal, entryList);
    quiet.layout->setGeometry(QRectF(0, 0, 200, 20));
    QVERIFY(!quiet.policy->isNotifyWidgetsOfLayoutPositionEnabled());
    QVERIFY(!quiet.items.at(0)->property("layoutPosition").isValid());

    Line told(Qt::Horizontal, entryList);
    told.policy->setNotifyWidgetsOfLayoutPositionEnabled(true);
    told.layout->setGeometry(QRectF(0, 0, 200, 20));
    for (int i = 0; i < itemCount; ++i)
        QCOMPARE(told.items.at(i)->property("layoutPosition").toString(), positions.at(i));
}

void TestMLinearLayoutPolicy::rightToLeftMirrors_data()
{
    QTest::addColumn<Qt::LayoutDirection>("application");
    QTest::addColumn<Qt::LayoutDirection>("widget"); // LayoutDirectionAuto: not set
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<QList<LineEntry>>("entries");
    QTest::addColumn<QMarginsF>("policyMargins");
    QTest::addColumn<QList<QRectF>>("expected");

    const QMarginsF none;
    const QSizeF box(100, 40);
    const QList<LineEntry> row { item(box, {}, QSizePolicy::Fixed),
                                 item(QSizeF(50, 40), {}, QSizePolicy::Fixed), stretch() };
    // Left to right the row would stand at (0, 0, 100, 100) and (100, 0, 50, 100).
    const QList<QRectF> rowFromTheRight { QRectF(300, 0, 100, 100), QRectF(250, 0, 50, 100) };

    QTest::newRow("right-to-left application: the row starts at the right")
        << Qt::RightToLeft << Qt::LayoutDirectionAuto << Qt::Horizontal << row << none
        << rowFromTheRight;
    QTest::newRow("right-to-left widget in a left-to-right application")
        << Qt::LeftToRight << Qt::RightToLeft << Qt::Horizontal << row << none << rowFromTheRight;
    QTest::newRow("left-to-right widget in a right-to-left application is not mirrored")
        << Qt::RightToLeft << Qt::LeftToRight << Qt::Horizontal << row << none
        << QList<QRectF> { QRectF(0, 0, 100, 100), QRectF(100, 0, 50, 100) };
    QTest::newRow("left and right margins swap")
        << Qt::RightToLeft << Qt::LayoutDirectionAuto << Qt::Horizontal
        << QList<LineEntry> { item(box, {}, QSizePolicy::Fixed), stretch() }
        << QMarginsF(30, 0, 10, 0) << QList<QRectF> { QRectF(270, 0, 100, 100) };
    QTest::newRow("column: a left alignment stands at the right")
        << Qt::RightToLeft << Qt::LayoutDirectionAuto << Qt::Vertical
        << QList<LineEntry> { item(box, Qt::AlignLeft | Qt::AlignTop, QSizePolicy::Fixed,
                                   QSizePolicy::Fixed),
                              item(box, Qt::AlignCenter, QSizePolicy::Fixed, QSizePolicy::Fixed),
                              stretch() }
        << none << QList<QRectF> { QRectF(300, 0, 100, 40), QRectF(150, 40, 100, 40) };
}

void TestMLinearLayoutPolicy::rightToLeftMirrors()
{
    QFETCH(Qt::LayoutDirection, application);
    QFETCH(Qt::LayoutDirection, widget);
    QFETCH(Qt::Orientation, orientation);
    QFETCH(QList<LineEntry>, entries);
    QFETCH(QMarginsF, policyMargins);
    QFETCH(QList<QRectF>, expected);

    QGuiApplication::setLayoutDirection(application);
    Line line(orientation, entries);
    if (widget != Qt::LayoutDirectionAuto)
        line.container.setLayoutDirection(widget);
    line.policy->setContentsMargins(policyMargins.left(), policyMargins.top(),
                                    policyMargins.right(), policyMargins.bottom());
    line.layout->setGeometry(QRectF(0, 0, 400, 100));
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);

    QCOMPARE(line.items.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(line.items.at(i)->geometry(), expected.at(i));
}

QTEST_MAIN(TestMLinearLayoutPolicy)
#include "tst_mlinearlayoutpolicy.moc"
