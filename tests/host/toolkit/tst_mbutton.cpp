// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Buttons tapped through the scene (and once through the view), their look, and
// button groups.

#include "mbutton.h"
#include "mbuttongroup.h"
#include "mlabel.h"
#include "mwindow.h"

#include "scenetap.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

QPointF centreOf(const QGraphicsWidget *widget)
{
    return widget->mapToScene(widget->rect().center());
}

// The colour painted at `scenePos` when the scene is rendered as it stands.
QColor colourAt(QGraphicsScene *scene, const QPointF &scenePos)
{
    const QRectF area = scene->sceneRect();
    QImage image(area.size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    scene->render(&painter, QRectF(QPointF(0, 0), area.size()), area);
    painter.end();
    return image.pixelColor((scenePos - area.topLeft()).toPoint());
}

} // namespace

class TestMButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tapThroughTheScene_data();
    void tapThroughTheScene();
    void tapThroughTheView();
    void releaseOutsideCancels();
    void clickIsATap();
    void sizeHintFitsTextAndFinger();
    void lookFollowsStyleAndState();
    void childrenPaintOverTheFrame();
    void groupIsExclusiveByDefault();
    void groupReportsClickedMember();
    void groupIdsAndRemoval();
    void deletedButtonLeavesGroup();
};

void TestMButton::tapThroughTheScene_data()
{
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<int>("taps");
    QTest::addColumn<bool>("checkedAfter");
    QTest::addColumn<int>("toggles");

    QTest::newRow("plain, one tap") << false << 1 << false << 0;
    QTest::newRow("checkable, one tap") << true << 1 << true << 1;
    QTest::newRow("checkable, two taps") << true << 2 << false << 2;
}

void TestMButton::tapThroughTheScene()
{
    QFETCH(bool, checkable);
    QFETCH(int, taps);
    QFETCH(bool, checkedAfter);
    QFETCH(int, toggles);

    MWindow window;
    auto *button = new MButton(QStringLiteral("Sepia"));
    button->setCheckable(checkable);
    button->setGeometry(100, 100, 200, 80);
    window.scene()->addItem(button);
    QSignalSpy clicked(button, &MButton::clicked);
    QSignalSpy toggled(button, &MButton::toggled);

    for (int i = 0; i < taps; ++i)
        tapScene(window.scene(), centreOf(button));

    QCOMPARE(clicked.count(), taps);
    QCOMPARE(toggled.count(), toggles);
    QCOMPARE(button->isChecked(), checkedAfter);
    QVERIFY(!button->isDown());
}

void TestMButton::tapThroughTheView()
{
    MWindow window;
    auto *button = new MButton(QStringLiteral("Crop"));
    button->setGeometry(50, 50, 200, 80);
    window.scene()->addItem(button);
    QSignalSpy clicked(button, &MButton::clicked);

    const QPoint inView = window.mapFromScene(centreOf(button));
    QTest::mouseClick(window.viewport(), Qt::LeftButton, {}, inView);
    QCOMPARE(clicked.count(), 1);

    // Beside the button nothing takes the press, so nothing is tapped.
    QTest::ignoreMessage(QtWarningMsg,
                         "Mouse event \"MousePress\" not accepted by receiving widget");
    QTest::mouseClick(window.viewport(), Qt::LeftButton, {}, window.mapFromScene(400, 300));
    QCOMPARE(clicked.count(), 1);
}

void TestMButton::releaseOutsideCancels()
{
    MWindow window;
    auto *button = new MButton(QStringLiteral("B"));
    button->setCheckable(true);
    button->setGeometry(100, 100, 100, 64);
    window.scene()->addItem(button);
    QSignalSpy clicked(button, &MButton::clicked);

    sendSceneMouse(window.scene(), QEvent::GraphicsSceneMousePress, centreOf(button));
    QVERIFY(button->isDown());
    sendSceneMouse(window.scene(), QEvent::GraphicsSceneMouseRelease, QPointF(400, 400));
    QCOMPARE(clicked.count(), 0);
    QVERIFY(!button->isChecked());
    QVERIFY(!button->isDown());
}

void TestMButton::clickIsATap()
{
    MButton button(QStringLiteral("B"));
    button.setCheckable(true);
    QList<QString> order;
    connect(&button, &MButton::toggled, this,
            [&order](bool checked) { order.append(checked ? "toggled on" : "toggled off"); });
    connect(&button, &MButton::clicked, this, [&order] { order.append("clicked"); });

    button.click();
    QVERIFY(button.isChecked());
    QCOMPARE(order, (QList<QString> { "toggled on", "clicked" }));
}

void TestMButton::sizeHintFitsTextAndFinger()
{
    MButton shortButton(QStringLiteral("B"));
    MButton longButton(QStringLiteral("Black and white photograph"));
    const QSizeF shortHint = shortButton.effectiveSizeHint(Qt::PreferredSize);
    const QSizeF longHint = longButton.effectiveSizeHint(Qt::PreferredSize);

    QVERIFY(shortHint.height() >= 64);
    const qreal textWidth = QFontMetricsF(longButton.font()).horizontalAdvance(longButton.text());
    QVERIFY(longHint.width() > textWidth);
    QVERIFY(longHint.width() > shortHint.width());

    // A button with labels on its face is at least as big as they need.
    MButton carrier;
    auto *layout = new QGraphicsLinearLayout(Qt::Horizontal);
    auto *label = new MLabel(QStringLiteral("A rather long caption for a label"));
    layout->addItem(label);
    carrier.setLayout(layout);
    QVERIFY(carrier.effectiveSizeHint(Qt::PreferredSize).width()
            >= label->effectiveSizeHint(Qt::PreferredSize).width());
}

void TestMButton::lookFollowsStyleAndState()
{
    QGraphicsScene scene(0, 0, 200, 100);
    auto *button = new MButton;
    button->setGeometry(0, 0, 200, 100);
    scene.addItem(button);
    const QPointF inside(20, 50); // clear of the (empty) centred text

    const QColor plain = colourAt(&scene, inside);
    button->setStyleName(QStringLiteral("CommonTopSplitButtonInverted"));
    QCOMPARE(button->styleName(), QStringLiteral("CommonTopSplitButtonInverted"));
    const QColor inverted = colourAt(&scene, inside);
    QVERIFY2(inverted.lightness() < plain.lightness(), "inverted buttons are darker");

    button->setCheckable(true);
    button->setChecked(true);
    const QColor checked = colourAt(&scene, inside);
    QVERIFY2(checked != inverted, "a checked button is highlighted");
}

void TestMButton::childrenPaintOverTheFrame()
{
    QGraphicsScene scene(0, 0, 200, 100);
    auto *button = new MButton;
    button->setStyleName(QStringLiteral("TempCommonSingleOversizeInvertedButton"));
    button->setGeometry(0, 0, 200, 100);
    scene.addItem(button);
    const QColor frame = colourAt(&scene, QPointF(100, 50));

    // A container label on the button, painting the tool-bar strip colour.
    auto *child = new MLabel(button);
    child->setStyleName(QStringLiteral("ImageEditorBcControl"));
    child->setLayout(new QGraphicsLinearLayout);
    child->setGeometry(50, 25, 100, 50);
    const QColor covered = colourAt(&scene, QPointF(100, 50));
    QVERIFY(covered != frame);
    QCOMPARE(colourAt(&scene, QPointF(20, 50)), frame);
}

void TestMButton::groupIsExclusiveByDefault()
{
    MWindow window;
    MButtonGroup group;
    QVERIFY(group.exclusive());
    QList<MButton *> buttons;
    for (int i = 0; i < 3; ++i) {
        auto *button = new MButton(QString::number(i));
        button->setCheckable(true);
        button->setGeometry(i * 120, 0, 100, 64);
        window.scene()->addItem(button);
        group.addButton(button);
        buttons.append(button);
    }
    QCOMPARE(group.checkedButton(), nullptr);

    tapScene(window.scene(), centreOf(buttons.at(0)));
    QCOMPARE(group.checkedButton(), buttons.at(0));
    tapScene(window.scene(), centreOf(buttons.at(2)));
    QCOMPARE(group.checkedButton(), buttons.at(2));
    QVERIFY(!buttons.at(0)->isChecked());
    QVERIFY(!buttons.at(1)->isChecked());

    // Checking in code follows the same rule.
    buttons.at(1)->setChecked(true);
    QVERIFY(!buttons.at(2)->isChecked());
    QCOMPARE(group.checkedButton(), buttons.at(1));
}

void TestMButton::groupReportsClickedMember()
{
    MButtonGroup group;
    MButton first;
    MButton second;
    MButton outsider;
    group.addButton(&first);
    group.addButton(&second);
    QSignalSpy clicked(&group, &MButtonGroup::buttonClicked);

    second.click();
    outsider.click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<MButton *>(), &second);
}

void TestMButton::groupIdsAndRemoval()
{
    MButtonGroup group;
    MButton automatic1;
    MButton chosen;
    MButton automatic2;
    group.addButton(&automatic1);
    group.addButton(&chosen, 7);
    group.addButton(&automatic2);
    QCOMPARE(group.id(&automatic1), -2);
    QCOMPARE(group.id(&chosen), 7);
    QCOMPARE(group.id(&automatic2), -3);
    QCOMPARE(group.buttons(), (QList<MButton *> { &automatic1, &chosen, &automatic2 }));

    QSignalSpy clicked(&group, &MButtonGroup::buttonClicked);
    group.removeButton(&chosen);
    QCOMPARE(group.id(&chosen), -1);
    chosen.click();
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(group.buttons().size(), 2);
}

void TestMButton::deletedButtonLeavesGroup()
{
    MButtonGroup group;
    auto *doomed = new MButton;
    doomed->setCheckable(true);
    MButton kept;
    kept.setCheckable(true);
    group.addButton(doomed);
    group.addButton(&kept);
    doomed->setChecked(true);
    QCOMPARE(group.checkedButton(), doomed);

    delete doomed;
    QCOMPARE(group.buttons(), (QList<MButton *> { &kept }));
    QCOMPARE(group.checkedButton(), nullptr);
    kept.click(); // the group must not reach the deleted button
    QCOMPARE(group.checkedButton(), &kept);
}

QTEST_MAIN(TestMButton)
#include "tst_mbutton.moc"
