// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "deletionwatch.h"
#include "editvintageeffectswidget.h"
#include "editvintageeffectswidget_p.h"
#include "idcatalogue.h"

#include "mapplication.h"
#include "mbutton.h"
#include "mbuttongroup.h"
#include "mlayout.h"
#include "mlinearlayoutpolicy.h"
#include "mwindow.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsWidget>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
const QHash<QString, QString> effectTexts = {
    { QStringLiteral("qtn_lumo_effect_1"), QStringLiteral("Black and white") },
    { QStringLiteral("qtn_lumo_effect_2"), QStringLiteral("Sepia") },
    { QStringLiteral("qtn_lumo_effect_3"), QStringLiteral("Cross process") },
    { QStringLiteral("qtn_lumo_effect_4"), QStringLiteral("Old colour") },
};

enum WindowState { NoWindow, PortraitWindow, LandscapeWindow };
enum Policy { LandscapePolicy, PortraitPolicy };
enum Tap { ButtonClick, SceneMouse };
enum Owner { WidgetDeleted, ParentItemDeleted, SceneDeleted };

MButton *buttonAt(EditVintageEffectsWidget *widget, int index)
{
    EditVintageEffectsWidgetPrivate *d = EditVintageEffectsWidgetPrivate::get(widget);
    MButton *const buttons[]
        = { d->blackAndWhiteButton, d->sepiaButton, d->oldColorButton, d->crossProcessButton };
    return buttons[index];
}

MLinearLayoutPolicy *policyOf(EditVintageEffectsWidget *widget, Policy policy)
{
    EditVintageEffectsWidgetPrivate *d = EditVintageEffectsWidgetPrivate::get(widget);
    return policy == LandscapePolicy ? d->landscapePolicy : d->portraitPolicy;
}

// A press and a release in the middle of `item`, delivered by the scene as a finger's
// tap would be: to whichever item is on top there.
void tapThroughScene(QGraphicsScene *scene, QGraphicsItem *item)
{
    const QPointF point = item->mapToScene(item->boundingRect().center());
    QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
    press.setScenePos(point);
    press.setButtonDownScenePos(Qt::LeftButton, point);
    press.setButton(Qt::LeftButton);
    press.setButtons(Qt::LeftButton);
    QCoreApplication::sendEvent(scene, &press);

    QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
    release.setScenePos(point);
    release.setButtonDownScenePos(Qt::LeftButton, point);
    release.setButton(Qt::LeftButton);
    release.setButtons(Qt::NoButton);
    QCoreApplication::sendEvent(scene, &release);
}
} // namespace

Q_DECLARE_METATYPE(WindowState)
Q_DECLARE_METATYPE(Policy)
Q_DECLARE_METATYPE(Tap)
Q_DECLARE_METATYPE(Owner)

class TestEditVintageEffectsWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void metaObjectSurface();
    void widgetLook();
    void buttons_data();
    void buttons();
    void buttonTexts_data();
    void buttonTexts();
    void buttonsShareOneGroup();
    void layoutSetup();
    void policies_data();
    void policies();
    void initialPolicy_data();
    void initialPolicy();
    void taps_data();
    void taps();
    void sameTapTwiceEmitsTwice();
    void privateTeardown();
    void teardown_data();
    void teardown();

private:
    EditVintageEffectsWidget *createWidget();

    std::unique_ptr<QGraphicsScene> m_scene;
    QGraphicsWidget *m_root = nullptr; // owned by m_scene
};

void TestEditVintageEffectsWidget::init()
{
    MApplication::setActiveWindow(nullptr);
    m_scene.reset(new QGraphicsScene);
    m_root = new QGraphicsWidget;
    m_scene->addItem(m_root);
}

void TestEditVintageEffectsWidget::cleanup()
{
    m_scene.reset();
    m_root = nullptr;
    MApplication::setActiveWindow(nullptr);
}

// Owned by m_root, as the host's tool-bar item owns it.
EditVintageEffectsWidget *TestEditVintageEffectsWidget::createWidget()
{
    return new EditVintageEffectsWidget(m_root);
}

void TestEditVintageEffectsWidget::metaObjectSurface()
{
    EditVintageEffectsWidget *widget = createWidget();
    const QMetaObject *meta = widget->metaObject();
    QCOMPARE(meta, &EditVintageEffectsWidget::staticMetaObject);
    QCOMPARE(meta->className(), "EditVintageEffectsWidget");
    QCOMPARE(meta->superClass(), &MLabel::staticMetaObject);
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 5);
    QCOMPARE(meta->classInfoCount() - meta->classInfoOffset(), 0);
    QCOMPARE(meta->propertyCount() - meta->propertyOffset(), 0);
    QCOMPARE(meta->enumeratorCount() - meta->enumeratorOffset(), 0);

    const QByteArrayList signatures
        = { "effectSelected(QString)", "onBlackAndWhiteButtonClicked()", "onSepiaButtonClicked()",
            "onOldColorButtonClicked()", "onCrossProcessButtonClicked()" };
    for (int i = 0; i < signatures.size(); ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        QCOMPARE(method.methodSignature(), signatures.at(i));
        QCOMPARE(method.access(), QMetaMethod::Public);
        QCOMPARE(method.methodType(), i == 0 ? QMetaMethod::Signal : QMetaMethod::Slot);
    }
    QCOMPARE(meta->method(meta->methodOffset()).parameterNames(), QByteArrayList { "effect" });

    QCOMPARE(widget->qt_metacast("EditVintageEffectsWidget"), static_cast<void *>(widget));
    QCOMPARE(widget->qt_metacast("MLabel"), static_cast<void *>(widget));
    QCOMPARE(widget->qt_metacast(nullptr), nullptr);
    QCOMPARE(widget->qt_metacast("Lumora.EditPlugin/1.0"), nullptr);

    // Slots reached by name emit as a tap does.
    QSignalSpy spy(widget, SIGNAL(effectSelected(QString)));
    QVERIFY(QMetaObject::invokeMethod(widget, "onOldColorButtonClicked"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("com.velmo.old-color-photo"));
    // A slot checks nothing: check state is the taps' and the group's business.
    for (int i = 0; i < 4; ++i)
        QVERIFY(!buttonAt(widget, i)->isChecked());
}

void TestEditVintageEffectsWidget::widgetLook()
{
    EditVintageEffectsWidget *widget = createWidget();
    QCOMPARE(widget->parentItem(), m_root);
    QCOMPARE(widget->scene(), m_scene.get());
    QCOMPARE(widget->styleName(), QStringLiteral("ImageEditorBcControl"));
    QVERIFY(widget->objectName().isEmpty());
    QVERIFY(widget->text().isEmpty());

    qreal left = -1, top = -1, right = -1, bottom = -1;
    widget->getContentsMargins(&left, &top, &right, &bottom);
    QCOMPARE(left, 0.0);
    QCOMPARE(top, 0.0);
    QCOMPARE(right, 0.0);
    QCOMPARE(bottom, 0.0);
}

void TestEditVintageEffectsWidget::buttons_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("textId");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("styleName");

    QTest::newRow("black and white") << 0 << "qtn_lumo_effect_1"
                                     << "BlackAndWhiteButton"
                                     << "CommonTopSplitButtonInverted";
    QTest::newRow("sepia") << 1 << "qtn_lumo_effect_2"
                           << "SepiaButton"
                           << "CommonVerticalCenterSplitButtonInverted";
    QTest::newRow("old colour") << 2 << "qtn_lumo_effect_4"
                                << "OldColorButton"
                                << "CommonVerticalCenterSplitButtonInverted";
    QTest::newRow("cross-process") << 3 << "qtn_lumo_effect_3"
                                   << "CrossProcessButton"
                                   << "CommonBottomSplitButtonInverted";
}

void TestEditVintageEffectsWidget::buttons()
{
    QFETCH(int, index);
    QFETCH(QString, textId);
    QFETCH(QString, objectName);
    QFETCH(QString, styleName);

    EditVintageEffectsWidget *widget = createWidget();
    MButton *button = buttonAt(widget, index);
    QVERIFY(button);
    QCOMPARE(button->objectName(), objectName);
    QCOMPARE(button->styleName(), styleName);
    QCOMPARE(button->text(), textId); // no catalogue: the logical ID shows
    QVERIFY(button->isCheckable());
    QVERIFY(!button->isChecked());
    // A child item of the widget, placed in that position by both policies.
    QCOMPARE(button->parentItem(), widget);
    QCOMPARE(policyOf(widget, LandscapePolicy)->itemAt(index), button);
    QCOMPARE(policyOf(widget, PortraitPolicy)->itemAt(index), button);
}

void TestEditVintageEffectsWidget::buttonTexts_data()
{
    QTest::addColumn<bool>("translated");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("untranslated") << false
                                  << QStringList { "qtn_lumo_effect_1", "qtn_lumo_effect_2",
                                                   "qtn_lumo_effect_4", "qtn_lumo_effect_3" };
    QTest::newRow("translated") << true
                                << QStringList { "Black and white", "Sepia", "Old colour",
                                                 "Cross process" };
}

void TestEditVintageEffectsWidget::buttonTexts()
{
    QFETCH(bool, translated);
    QFETCH(QStringList, texts);

    std::unique_ptr<IdCatalogue> catalogue;
    if (translated)
        catalogue.reset(new IdCatalogue(effectTexts));
    EditVintageEffectsWidget *widget = createWidget();
    catalogue.reset();

    QStringList shown;
    for (int i = 0; i < 4; ++i)
        shown << buttonAt(widget, i)->text();
    // Built once: removing the catalogue does not change the texts.
    QCOMPARE(shown, texts);
}

void TestEditVintageEffectsWidget::buttonsShareOneGroup()
{
    EditVintageEffectsWidget *widget = createWidget();
    EditVintageEffectsWidgetPrivate *d = EditVintageEffectsWidgetPrivate::get(widget);
    QVERIFY(d->buttonGroup);
    QVERIFY(!d->buttonGroup->parent());
    const QList<MButton *> expected
        = { d->blackAndWhiteButton, d->sepiaButton, d->oldColorButton, d->crossProcessButton };
    QCOMPARE(d->buttonGroup->buttons(), expected);
    QCOMPARE(d->buttonGroup->checkedButton(), nullptr);
    QVERIFY(d->buttonGroup->exclusive()); // left at the group's default

    // One group for all four: a tap on one button takes the check from another.
    d->sepiaButton->click();
    QVERIFY(d->sepiaButton->isChecked());
    d->crossProcessButton->click();
    QVERIFY(d->crossProcessButton->isChecked());
    QVERIFY(!d->sepiaButton->isChecked());
    QCOMPARE(d->buttonGroup->checkedButton(), d->crossProcessButton);
}

void TestEditVintageEffectsWidget::layoutSetup()
{
    EditVintageEffectsWidget *widget = createWidget();
    EditVintageEffectsWidgetPrivate *d = EditVintageEffectsWidgetPrivate::get(widget);
    QCOMPARE(widget->layout(), d->layout);
    QCOMPARE(d->layout->animation(), nullptr);
    QCOMPARE(d->layout->landscapePolicy(), d->landscapePolicy);
    QCOMPARE(d->layout->portraitPolicy(), d->portraitPolicy);
    QCOMPARE(d->layout->registeredPolicies().size(), 2);
    QCOMPARE(d->layout->count(), 4);

    qreal left = -1, top = -1, right = -1, bottom = -1;
    d->layout->getContentsMargins(&left, &top, &right, &bottom);
    QCOMPARE(left, 0.0);
    QCOMPARE(top, 0.0);
    QCOMPARE(right, 0.0);
    QCOMPARE(bottom, 0.0);
}

void TestEditVintageEffectsWidget::policies_data()
{
    QTest::addColumn<Policy>("policy");
    QTest::addColumn<Qt::Orientation>("direction");
    QTest::addColumn<QList<qreal>>("margins");
    QTest::addColumn<int>("alignment");

    QTest::newRow("landscape policy")
        << LandscapePolicy << Qt::Horizontal << QList<qreal> { 0, 0, 0, 0 } << 0;
    QTest::newRow("portrait policy")
        << PortraitPolicy << Qt::Vertical << QList<qreal> { 64, 0, 64, 0 } << int(Qt::AlignCenter);
}

void TestEditVintageEffectsWidget::policies()
{
    QFETCH(Policy, policy);
    QFETCH(Qt::Orientation, direction);
    QFETCH(QList<qreal>, margins);
    QFETCH(int, alignment);

    EditVintageEffectsWidget *widget = createWidget();
    MLinearLayoutPolicy *linear = policyOf(widget, policy);
    QVERIFY(linear);
    QCOMPARE(linear->layout(), EditVintageEffectsWidgetPrivate::get(widget)->layout);
    QCOMPARE(linear->orientation(), direction);
    QCOMPARE(linear->spacing(), 0.0);
    QVERIFY(linear->isNotifyWidgetsOfLayoutPositionEnabled());

    qreal left = -1, top = -1, right = -1, bottom = -1;
    linear->getContentsMargins(&left, &top, &right, &bottom);
    QCOMPARE((QList<qreal> { left, top, right, bottom }), margins);

    // Four buttons in table order, each with its alignment, and no stretches.
    const QList<MLinearLayoutPolicy::Entry> entries = linear->entries();
    QCOMPARE(entries.size(), 4);
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries.at(i).item, buttonAt(widget, i));
        QCOMPARE(int(entries.at(i).alignment), alignment);
        QCOMPARE(int(linear->alignment(buttonAt(widget, i))), alignment);
    }
}

void TestEditVintageEffectsWidget::initialPolicy_data()
{
    QTest::addColumn<WindowState>("window");
    QTest::addColumn<Policy>("active");

    QTest::newRow("no active window") << NoWindow << LandscapePolicy;
    QTest::newRow("portrait window") << PortraitWindow << LandscapePolicy;
    QTest::newRow("landscape window") << LandscapeWindow << PortraitPolicy;
}

void TestEditVintageEffectsWidget::initialPolicy()
{
    QFETCH(WindowState, window);
    QFETCH(Policy, active);

    MWindow mainWindow;
    mainWindow.setOrientation(window == PortraitWindow ? M::Portrait : M::Landscape);
    if (window != NoWindow)
        MApplication::setActiveWindow(&mainWindow);

    EditVintageEffectsWidget *widget = createWidget();
    MLinearLayoutPolicy *expected = policyOf(widget, active);
    MLinearLayoutPolicy *other
        = policyOf(widget, active == LandscapePolicy ? PortraitPolicy : LandscapePolicy);
    MLayout *layout = EditVintageEffectsWidgetPrivate::get(widget)->layout;
    QCOMPARE(layout->policy(), static_cast<MAbstractLayoutPolicy *>(expected));
    QVERIFY(expected->isActive());
    QVERIFY(!other->isActive());
    // The choice does not change the registration.
    QCOMPARE(layout->landscapePolicy(),
             static_cast<MAbstractLayoutPolicy *>(policyOf(widget, LandscapePolicy)));
    QCOMPARE(layout->portraitPolicy(),
             static_cast<MAbstractLayoutPolicy *>(policyOf(widget, PortraitPolicy)));

    // Laid out at the plug-in's tool-bar size, the buttons follow the active policy:
    // a row from left to right, or a column from top to bottom.
    widget->resize(active == LandscapePolicy ? QSizeF(854, 72) : QSizeF(854, 216));
    layout->activate();
    for (int i = 1; i < 4; ++i) {
        const QRectF previous = buttonAt(widget, i - 1)->geometry();
        const QRectF current = buttonAt(widget, i)->geometry();
        QVERIFY(!current.isEmpty());
        if (active == LandscapePolicy)
            QVERIFY(current.center().x() > previous.center().x());
        else
            QVERIFY(current.center().y() > previous.center().y());
    }

    MApplication::setActiveWindow(nullptr);
}

void TestEditVintageEffectsWidget::taps_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Tap>("tap");
    QTest::addColumn<QString>("effect");

    const struct
    {
        const char *name;
        const char *effect;
    } rows[] = { { "black and white", "com.velmo.greyscale" },
                 { "sepia", "com.velmo.sepia" },
                 { "old colour", "com.velmo.old-color-photo" },
                 { "cross-process", "com.velmo.cross-processing" } };
    for (int i = 0; i < 4; ++i) {
        QTest::addRow("%s, click", rows[i].name) << i << ButtonClick << rows[i].effect;
        QTest::addRow("%s, scene mouse", rows[i].name) << i << SceneMouse << rows[i].effect;
    }
}

void TestEditVintageEffectsWidget::taps()
{
    QFETCH(int, index);
    QFETCH(Tap, tap);
    QFETCH(QString, effect);

    EditVintageEffectsWidget *widget = createWidget();
    widget->resize(854, 72);
    widget->layout()->activate();
    MButton *button = buttonAt(widget, index);
    QSignalSpy spy(widget, SIGNAL(effectSelected(QString)));

    if (tap == ButtonClick) {
        button->click();
    } else {
        QVERIFY(!button->geometry().isEmpty());
        tapThroughScene(m_scene.get(), button);
    }

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), effect);
    QVERIFY(button->isChecked()); // the toolkit's tap checks it
}

void TestEditVintageEffectsWidget::sameTapTwiceEmitsTwice()
{
    EditVintageEffectsWidget *widget = createWidget();
    QSignalSpy spy(widget, SIGNAL(effectSelected(QString)));
    buttonAt(widget, 1)->click();
    buttonAt(widget, 1)->click();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("com.velmo.sepia"));
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("com.velmo.sepia"));
}

void TestEditVintageEffectsWidget::privateTeardown()
{
    auto *d = new EditVintageEffectsWidgetPrivate;
    QCOMPARE(d->blackAndWhiteButton, nullptr);
    QCOMPARE(d->crossProcessButton, nullptr);
    QVERIFY(!d->layout->parentLayoutItem());
    QCOMPARE(d->layout->registeredPolicies(),
             (QList<MAbstractLayoutPolicy *> { d->landscapePolicy, d->portraitPolicy }));
    d->blackAndWhiteButton = d->addButton(QStringLiteral("1"), QStringLiteral("A"), QString());
    d->sepiaButton = d->addButton(QStringLiteral("2"), QStringLiteral("B"), QString());
    d->oldColorButton = d->addButton(QStringLiteral("3"), QStringLiteral("C"), QString());
    d->crossProcessButton = d->addButton(QStringLiteral("4"), QStringLiteral("D"), QString());
    QVERIFY(!d->sepiaButton->parentItem()); // until a widget takes the layout
    QCOMPARE(d->layout->count(), 4);
    MLayout *layout = d->layout;
    const void *const parts[]
        = { d->blackAndWhiteButton, d->sepiaButton,     d->oldColorButton, d->crossProcessButton,
            d->buttonGroup,         d->landscapePolicy, d->portraitPolicy };

    DeletionWatch watch;
    for (const void *part : parts)
        watch.watch(part);
    watch.watch(layout);

    delete d;
    for (int i = 0; i < int(std::size(parts)); ++i) {
        QVERIFY2(watch.deletions(parts[i]) == 1, qPrintable(QString::number(i)));
        QCOMPARE(watch.order(parts[i]), i + 1);
    }
    // The layout survives, emptied of items and policies, and then goes without
    // deleting any part again.
    QCOMPARE(watch.deletions(layout), 0);
    QCOMPARE(layout->count(), 0);
    QVERIFY(layout->registeredPolicies().isEmpty());
    QCOMPARE(layout->policy(), nullptr);
    delete layout;
    QCOMPARE(watch.deletions(layout), 1);
    for (const void *part : parts)
        QCOMPARE(watch.deletions(part), 1);
}

void TestEditVintageEffectsWidget::teardown_data()
{
    QTest::addColumn<Owner>("how");
    QTest::newRow("widget deleted") << WidgetDeleted;
    QTest::newRow("parent item deleted") << ParentItemDeleted;
    QTest::newRow("scene deleted") << SceneDeleted;
}

void TestEditVintageEffectsWidget::teardown()
{
    QFETCH(Owner, how);

    MWindow mainWindow;
    MApplication::setActiveWindow(&mainWindow); // landscape: the vertical policy is active
    EditVintageEffectsWidget *widget = createWidget();
    widget->resize(854, 216);
    widget->layout()->activate();
    EditVintageEffectsWidgetPrivate *d = EditVintageEffectsWidgetPrivate::get(widget);
    const void *const parts[] = { d->blackAndWhiteButton, d->sepiaButton, d->oldColorButton,
                                  d->crossProcessButton,  d->buttonGroup, d->landscapePolicy,
                                  d->portraitPolicy,      d->layout,      widget };

    QList<QPointer<QObject>> objects = { d->blackAndWhiteButton, d->sepiaButton, d->oldColorButton,
                                         d->crossProcessButton,  d->buttonGroup, widget };
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (QObject *object : std::as_const(objects))
        spies << std::make_shared<QSignalSpy>(object, SIGNAL(destroyed(QObject *)));

    {
        DeletionWatch watch;
        for (const void *part : parts)
            watch.watch(part);

        if (how == WidgetDeleted)
            delete widget;
        else if (how == ParentItemDeleted)
            delete m_root;
        else
            m_scene.reset();

        // Each part deleted exactly once, in the order buttons, group, policies, then
        // the layout with the widget's base, then the widget itself.
        for (int i = 0; i < int(std::size(parts)); ++i) {
            QVERIFY2(watch.deletions(parts[i]) == 1, qPrintable(QString::number(i)));
            QCOMPARE(watch.order(parts[i]), i + 1);
        }
    }
    for (int i = 0; i < objects.size(); ++i) {
        QVERIFY(objects.at(i).isNull());
        QCOMPARE(spies.at(i)->count(), 1);
    }
    if (how == ParentItemDeleted)
        m_root = nullptr;
    MApplication::setActiveWindow(nullptr);
}

int main(int argc, char *argv[])
{
    MApplication app(argc, argv);
    TestEditVintageEffectsWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editvintageeffectswidget.moc"
