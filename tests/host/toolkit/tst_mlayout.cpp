// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The policy-driven layout: which policy is active, which items show, and who
// owns and removes what.

#include "mlabel.h"
#include "mlayout.h"
#include "mlinearlayoutpolicy.h"

#include <QGraphicsWidget>
#include <QPointer>
#include <QTest>

namespace {

// Counts its own destruction, to prove the layout deletes it exactly once.
class CountedPolicy : public MLinearLayoutPolicy
{
public:
    CountedPolicy(MLayout *layout, int *destroyed)
        : MLinearLayoutPolicy(layout, Qt::Horizontal)
        , m_destroyed(destroyed)
    { }
    ~CountedPolicy() override { ++*m_destroyed; }

private:
    int *m_destroyed;
};

QGraphicsWidget *fixedWidget(qreal width, qreal height)
{
    auto *widget = new QGraphicsWidget;
    widget->setPreferredSize(width, height);
    widget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return widget;
}

} // namespace

class TestMLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parentWidgetGetsTheLayout();
    void firstPolicyBecomesActive();
    void activePolicysItemsShowOthersHide();
    void activatingRelaysOutAtOnce();
    void orientationPicksRegisteredPolicy_data();
    void orientationPicksRegisteredPolicy();
    void policyDeletedFirstUnregisters();
    void layoutDeletesItsPoliciesOnce();
    void addedWidgetsBecomeChildrenOfTheLayoutsWidget();
    void installingLaterReparentsItems();
    void deletedItemLeavesLayoutAndPolicies();
};

void TestMLayout::parentWidgetGetsTheLayout()
{
    QGraphicsWidget container;
    auto *layout = new MLayout(&container);
    QCOMPARE(container.layout(), layout);
    QCOMPARE(layout->parentLayoutItem(), &container);
    // No margins from the widget style: the container's contents are the layout's.
    container.resize(100, 50);
    layout->activate();
    QCOMPARE(layout->geometry(), QRectF(0, 0, 100, 50));
    QCOMPARE(layout->contentsRect(), QRectF(0, 0, 100, 50));
    // Installing it again is a no-op, not a second owner.
    container.setLayout(layout);
    QCOMPARE(container.layout(), layout);
}

void TestMLayout::firstPolicyBecomesActive()
{
    MLayout layout;
    auto *first = new MLinearLayoutPolicy(&layout, Qt::Horizontal);
    auto *second = new MLinearLayoutPolicy(&layout, Qt::Vertical);

    QCOMPARE(layout.policy(), first);
    QVERIFY(first->isActive());
    QVERIFY(!second->isActive());
    QCOMPARE(layout.registeredPolicies(), (QList<MAbstractLayoutPolicy *> { first, second }));

    second->activate();
    QCOMPARE(layout.policy(), second);
    QVERIFY(!first->isActive());

    layout.setPolicy(first);
    QCOMPARE(layout.policy(), first);
    QCOMPARE(layout.landscapePolicy(), first);
    QCOMPARE(layout.portraitPolicy(), first);
}

void TestMLayout::activePolicysItemsShowOthersHide()
{
    QGraphicsWidget container;
    auto *layout = new MLayout(&container);
    auto *wide = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    auto *tall = new MLinearLayoutPolicy(layout, Qt::Vertical);
    QGraphicsWidget *onlyWide = fixedWidget(10, 10);
    QGraphicsWidget *both = fixedWidget(10, 10);
    QGraphicsWidget *onlyTall = fixedWidget(10, 10);
    wide->addItem(onlyWide);
    wide->addItem(both);
    tall->addItem(both);
    tall->addItem(onlyTall);
    QCOMPARE(layout->count(), 3);

    QVERIFY(onlyWide->isVisible());
    QVERIFY(both->isVisible());
    QVERIFY(!onlyTall->isVisible());

    tall->activate();
    QVERIFY(!onlyWide->isVisible());
    QVERIFY(both->isVisible());
    QVERIFY(onlyTall->isVisible());

    wide->activate();
    QVERIFY(onlyWide->isVisible());
    QVERIFY(!onlyTall->isVisible());
}

void TestMLayout::activatingRelaysOutAtOnce()
{
    QGraphicsWidget container;
    auto *layout = new MLayout(&container);
    auto *wide = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    auto *tall = new MLinearLayoutPolicy(layout, Qt::Vertical);
    QGraphicsWidget *first = fixedWidget(40, 30);
    QGraphicsWidget *second = fixedWidget(40, 30);
    for (MLinearLayoutPolicy *policy : { wide, tall }) {
        policy->addItem(first, Qt::AlignLeft | Qt::AlignTop);
        policy->addItem(second, Qt::AlignLeft | Qt::AlignTop);
    }
    container.resize(200, 200);
    layout->activate();
    QCOMPARE(second->pos(), QPointF(40, 0));

    // No event loop runs between the switch and the check.
    tall->activate();
    QCOMPARE(second->pos(), QPointF(0, 30));
    wide->activate();
    QCOMPARE(second->pos(), QPointF(40, 0));
}

void TestMLayout::orientationPicksRegisteredPolicy_data()
{
    QTest::addColumn<bool>("onePolicyForBoth");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("expectTall");

    QTest::newRow("split, portrait") << false << int(M::Portrait) << true;
    QTest::newRow("split, landscape") << false << int(M::Landscape) << false;
    QTest::newRow("one for both, portrait") << true << int(M::Portrait) << false;
    QTest::newRow("one for both, landscape") << true << int(M::Landscape) << false;
}

void TestMLayout::orientationPicksRegisteredPolicy()
{
    QFETCH(bool, onePolicyForBoth);
    QFETCH(int, orientation);
    QFETCH(bool, expectTall);

    MLayout layout;
    auto *wide = new MLinearLayoutPolicy(&layout, Qt::Horizontal);
    auto *tall = new MLinearLayoutPolicy(&layout, Qt::Vertical);
    if (onePolicyForBoth) {
        layout.setPolicy(wide);
    } else {
        layout.setLandscapePolicy(wide);
        layout.setPortraitPolicy(tall);
    }
    // Registering alone does not switch; starting from the other policy shows
    // that setOrientation() does.
    tall->activate();
    layout.setOrientation(M::Landscape);
    QCOMPARE(layout.policy(), wide);

    layout.setOrientation(M::Orientation(orientation));
    QCOMPARE(layout.policy(), expectTall ? static_cast<MAbstractLayoutPolicy *>(tall) : wide);
}

void TestMLayout::policyDeletedFirstUnregisters()
{
    QGraphicsWidget container;
    auto *layout = new MLayout(&container);
    auto *wide = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    auto *tall = new MLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setLandscapePolicy(wide);
    layout->setPortraitPolicy(tall);
    QGraphicsWidget *item = fixedWidget(10, 10);
    wide->addItem(item);
    tall->addItem(item);

    delete tall;
    QCOMPARE(layout->registeredPolicies(), (QList<MAbstractLayoutPolicy *> { wide }));
    QCOMPARE(layout->portraitPolicy(), nullptr);
    QCOMPARE(layout->policy(), wide);
    layout->setOrientation(M::Portrait); // nothing registered: stays
    QCOMPARE(layout->policy(), wide);

    delete wide;
    QCOMPARE(layout->policy(), nullptr);
    QVERIFY(layout->registeredPolicies().isEmpty());
    // The item stays in the layout, with nothing left to show it.
    QCOMPARE(layout->count(), 1);
    QVERIFY(!item->isVisible());
    layout->setGeometry(QRectF(0, 0, 100, 100));
}

void TestMLayout::layoutDeletesItsPoliciesOnce()
{
    int destroyed = 0;
    QPointer<QGraphicsWidget> item;
    {
        auto *container = new QGraphicsWidget;
        auto *layout = new MLayout(container);
        auto *first = new CountedPolicy(layout, &destroyed);
        new CountedPolicy(layout, &destroyed);
        item = fixedWidget(10, 10);
        first->addItem(item);
        delete container;
    }
    QCOMPARE(destroyed, 2);
    // The widget item went with its parent widget, not with the layout.
    QVERIFY(item.isNull());

    // A layout never installed on a widget deletes its policies but not its items.
    destroyed = 0;
    QGraphicsWidget loose;
    {
        auto *layout = new MLayout;
        auto *policy = new CountedPolicy(layout, &destroyed);
        policy->addItem(&loose);
        QCOMPARE(loose.parentLayoutItem(), layout);
        delete layout;
    }
    QCOMPARE(destroyed, 1);
    QCOMPARE(loose.parentLayoutItem(), nullptr);
}

void TestMLayout::addedWidgetsBecomeChildrenOfTheLayoutsWidget()
{
    QGraphicsWidget container;
    QGraphicsWidget elsewhere;
    auto *layout = new MLayout(&container);
    auto *policy = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    QGraphicsWidget *item = fixedWidget(10, 10);
    item->setParentItem(&elsewhere);

    policy->addItem(item);
    QCOMPARE(item->parentItem(), &container);
    QCOMPARE(item->parentLayoutItem(), layout);

    // An item already held by the layout is not added again by a second policy.
    auto *other = new MLinearLayoutPolicy(layout, Qt::Vertical);
    other->addItem(item);
    QCOMPARE(layout->count(), 1);
    QCOMPARE(other->count(), 1);
}

void TestMLayout::installingLaterReparentsItems()
{
    // The order the effects tool bar uses: fill the layout first, install it later.
    auto *layout = new MLayout;
    auto *wide = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    auto *tall = new MLinearLayoutPolicy(layout, Qt::Vertical);
    layout->setLandscapePolicy(wide);
    layout->setPortraitPolicy(tall);
    QList<QGraphicsWidget *> items;
    for (int i = 0; i < 3; ++i) {
        QGraphicsWidget *item = fixedWidget(50, 20);
        wide->addItem(item);
        tall->addItem(item, Qt::AlignCenter);
        items.append(item);
    }
    QCOMPARE(items.at(0)->parentItem(), nullptr);

    MLabel container;
    container.setLayout(layout);
    for (QGraphicsWidget *item : std::as_const(items))
        QCOMPARE(item->parentItem(), &container);

    // Tear down as the tool bar does: items, then policies, then the container.
    qDeleteAll(items);
    QCOMPARE(layout->count(), 0);
    QCOMPARE(wide->count(), 0);
    QVERIFY(tall->entries().isEmpty());
    delete wide;
    delete tall;
    QVERIFY(layout->registeredPolicies().isEmpty());
}

void TestMLayout::deletedItemLeavesLayoutAndPolicies()
{
    QGraphicsWidget container;
    auto *layout = new MLayout(&container);
    auto *policy = new MLinearLayoutPolicy(layout, Qt::Horizontal);
    QGraphicsWidget *doomed = fixedWidget(30, 10);
    QGraphicsWidget *kept = fixedWidget(30, 10);
    policy->addItem(doomed, Qt::AlignLeft);
    policy->insertStretch(-1, 1);
    policy->addItem(kept, Qt::AlignLeft);

    delete doomed;
    QCOMPARE(layout->count(), 1);
    QCOMPARE(layout->itemAt(0), kept);
    QCOMPARE(policy->count(), 1);
    QCOMPARE(policy->entries().size(), 2);

    // Relaying out after the removal places only what is left.
    layout->setGeometry(QRectF(0, 0, 100, 10));
    QCOMPARE(kept->geometry(), QRectF(70, 0, 30, 10));
}

QTEST_MAIN(TestMLayout)
#include "tst_mlayout.moc"
