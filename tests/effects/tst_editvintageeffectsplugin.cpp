// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "idcatalogue.h"
#include "pluginlibrary.h"
#include "recordingprovider.h"

#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "mbutton.h"
#include "mwindow.h"

#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
// The tool bar's button called `objectName`, or null; the tool bar's class is hidden
// inside the plug-in, its buttons are the toolkit's.
MButton *findButton(QGraphicsWidget *toolBar, const QString &objectName)
{
    const QList<QGraphicsItem *> children = toolBar->childItems();
    for (QGraphicsItem *child : children) {
        MButton *button = qobject_cast<MButton *>(child->toGraphicsObject());
        if (button && button->objectName() == objectName)
            return button;
    }
    return nullptr;
}

QStringList filterNames(const QList<RecordingProvider::Call> &calls)
{
    QStringList names;
    for (const RecordingProvider::Call &call : calls)
        names << call.filterName;
    return names;
}
} // namespace

Q_DECLARE_METATYPE(M::Orientation)

class TestEditVintageEffectsPlugin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void metaObjectSurface();
    void answers();
    void nameTranslatedOnEveryCall();
    void toolBarWidgetSize_data();
    void toolBarWidgetSize();
    void taps_data();
    void taps();
    void sepiaThenCrossProcess();
    void sameEffectTwice();
    void twoToolBars();
    void performEditOperationWithoutTaps();
    void noProvider();
    void slotsByName();

private:
    QGraphicsWidget *createToolBar();

    PluginLibrary m_library { QStringLiteral("patinex") };
    LumoraEditPlugin *m_plugin = nullptr; // the library's instance, never deleted here
    std::unique_ptr<RecordingProvider> m_provider;
    std::unique_ptr<QGraphicsScene> m_scene;
    QGraphicsWidget *m_root = nullptr; // owned by m_scene
};

void TestEditVintageEffectsPlugin::initTestCase()
{
    QVERIFY2(m_library.isLoaded(), qPrintable(m_library.errorString()));
    m_plugin = m_library.plugin();
    QVERIFY(m_plugin);
}

void TestEditVintageEffectsPlugin::init()
{
    MApplication::setActiveWindow(nullptr);
    m_provider.reset(new RecordingProvider);
    m_plugin->setEditUiProvider(m_provider.get());
    m_scene.reset(new QGraphicsScene);
    m_root = new QGraphicsWidget;
    m_scene->addItem(m_root);
}

void TestEditVintageEffectsPlugin::cleanup()
{
    m_scene.reset();
    m_root = nullptr;
    m_plugin->setEditUiProvider(nullptr);
    m_provider.reset();
}

// Owned by m_root, as the host's tool-bar item owns it.
QGraphicsWidget *TestEditVintageEffectsPlugin::createToolBar()
{
    return m_plugin->createToolBarWidget(m_root);
}

void TestEditVintageEffectsPlugin::metaObjectSurface()
{
    const QMetaObject *meta = m_plugin->metaObject();
    QCOMPARE(meta->className(), "EditVintageEffectsPlugin");
    QCOMPARE(meta->superClass(), &LumoraEditPlugin::staticMetaObject);
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 2);
    QCOMPARE(meta->classInfoCount() - meta->classInfoOffset(), 0);
    QCOMPARE(meta->propertyCount() - meta->propertyOffset(), 0);

    const QMetaMethod select = meta->method(meta->methodOffset());
    QCOMPARE(select.methodSignature(), QByteArray("selectEditOperation(QString)"));
    QCOMPARE(select.parameterNames(), QByteArrayList { "operation" });
    QCOMPARE(select.methodType(), QMetaMethod::Slot);
    QCOMPARE(select.access(), QMetaMethod::Public);
    const QMetaMethod perform = meta->method(meta->methodOffset() + 1);
    QCOMPARE(perform.methodSignature(), QByteArray("performEditOperation()"));
    QCOMPARE(perform.methodType(), QMetaMethod::Slot);
    QCOMPARE(perform.access(), QMetaMethod::Public);

    void *self = m_plugin;
    QCOMPARE(m_plugin->qt_metacast("EditVintageEffectsPlugin"), self);
    QCOMPARE(m_plugin->qt_metacast("Lumora.EditPlugin/1.0"), self);
    QCOMPARE(m_plugin->qt_metacast("LumoraEditPlugin"), self); // the base's answer
    QCOMPARE(m_plugin->qt_metacast(nullptr), nullptr);
    QCOMPARE(m_plugin->qt_metacast("EditVintageEffectsWidget"), nullptr);
    QVERIFY(!m_plugin->parent());
}

void TestEditVintageEffectsPlugin::answers()
{
    QCOMPARE(m_plugin->name(), QStringLiteral("qtn_lumo_editor_color_effects"));
    QCOMPARE(m_plugin->iconID(), QStringLiteral("icon-m-image-edit-filter"));
    QCOMPARE(m_plugin->menuIndex(), 8);
    QVERIFY(m_plugin->containsUi());
}

void TestEditVintageEffectsPlugin::nameTranslatedOnEveryCall()
{
    {
        IdCatalogue english({ { QStringLiteral("qtn_lumo_editor_color_effects"),
                                QStringLiteral("Colour effects") } });
        QCOMPARE(m_plugin->name(), QStringLiteral("Colour effects"));
    }
    QCOMPARE(m_plugin->name(), QStringLiteral("qtn_lumo_editor_color_effects"));
    IdCatalogue finnish(
        { { QStringLiteral("qtn_lumo_editor_color_effects"), QStringLiteral("Väritehosteet") } });
    QCOMPARE(m_plugin->name(), QStringLiteral("Väritehosteet"));
}

void TestEditVintageEffectsPlugin::toolBarWidgetSize_data()
{
    QTest::addColumn<M::Orientation>("orientation");
    QTest::addColumn<int>("height");

    QTest::newRow("landscape") << M::Landscape << 216;
    QTest::newRow("portrait") << M::Portrait << 72;
}

void TestEditVintageEffectsPlugin::toolBarWidgetSize()
{
    QFETCH(M::Orientation, orientation);
    QFETCH(int, height);

    LumoraEditPlugin base;
    const QSize size = m_plugin->toolBarWidgetSize(orientation);
    QCOMPARE(size.height(), height);
    QCOMPARE(size.width(), base.toolBarWidgetSize(orientation).width());

    // The orientation argument alone decides, not the active window.
    MWindow window;
    window.setOrientation(orientation == M::Landscape ? M::Portrait : M::Landscape);
    MApplication::setActiveWindow(&window);
    QCOMPARE(m_plugin->toolBarWidgetSize(orientation), size);
    MApplication::setActiveWindow(nullptr);
}

void TestEditVintageEffectsPlugin::taps_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("filter");

    QTest::newRow("black and white") << "BlackAndWhiteButton"
                                     << "com.velmo.greyscale";
    QTest::newRow("sepia") << "SepiaButton"
                           << "com.velmo.sepia";
    QTest::newRow("old colour") << "OldColorButton"
                                << "com.velmo.old-color-photo";
    QTest::newRow("cross-process") << "CrossProcessButton"
                                   << "com.velmo.cross-processing";
}

void TestEditVintageEffectsPlugin::taps()
{
    QFETCH(QString, button);
    QFETCH(QString, filter);

    QGraphicsWidget *toolBar = createToolBar();
    QVERIFY(toolBar);
    MButton *effect = findButton(toolBar, button);
    QVERIFY(effect);
    QSignalSpy performed(m_plugin, SIGNAL(editOperationPerformed()));

    effect->click();

    QCOMPARE(m_provider->calls.size(), 1);
    QCOMPARE(m_provider->calls.at(0).filterName, filter);
    QVERIFY(m_provider->calls.at(0).options.isEmpty());
    QCOMPARE(m_provider->calls.at(0).flag, 1);
    QCOMPARE(performed.count(), 0);
    QCOMPARE(m_provider->fullImageSizeCalls, 0);
}

void TestEditVintageEffectsPlugin::sepiaThenCrossProcess()
{
    QGraphicsWidget *toolBar = createToolBar();
    QSignalSpy performed(m_plugin, SIGNAL(editOperationPerformed()));

    findButton(toolBar, QStringLiteral("SepiaButton"))->click();
    findButton(toolBar, QStringLiteral("CrossProcessButton"))->click();

    QCOMPARE(filterNames(m_provider->calls),
             (QStringList { "com.velmo.sepia", "com.velmo.cross-processing" }));
    for (const RecordingProvider::Call &call : std::as_const(m_provider->calls)) {
        QVERIFY(call.options.isEmpty());
        QCOMPARE(call.flag, 1);
    }
    QCOMPARE(performed.count(), 0);
}

void TestEditVintageEffectsPlugin::sameEffectTwice()
{
    QGraphicsWidget *toolBar = createToolBar();
    MButton *oldColour = findButton(toolBar, QStringLiteral("OldColorButton"));
    oldColour->click();
    oldColour->click();
    QCOMPARE(filterNames(m_provider->calls),
             (QStringList { "com.velmo.old-color-photo", "com.velmo.old-color-photo" }));
}

void TestEditVintageEffectsPlugin::twoToolBars()
{
    QGraphicsWidget *first = createToolBar();
    QGraphicsWidget *second = createToolBar();
    QVERIFY(first);
    QVERIFY(second);
    QVERIFY(first != second);
    QCOMPARE(first->metaObject()->className(), "EditVintageEffectsWidget");
    QCOMPARE(second->metaObject()->className(), "EditVintageEffectsWidget");
    MButton *firstSepia = findButton(first, QStringLiteral("SepiaButton"));
    MButton *secondSepia = findButton(second, QStringLiteral("SepiaButton"));
    QVERIFY(firstSepia != secondSepia);

    // Each is connected: one call per tap, whichever tool bar it comes from.
    findButton(second, QStringLiteral("BlackAndWhiteButton"))->click();
    firstSepia->click();
    QCOMPARE(filterNames(m_provider->calls),
             (QStringList { "com.velmo.greyscale", "com.velmo.sepia" }));
    QVERIFY(!findButton(first, QStringLiteral("BlackAndWhiteButton"))->isChecked());

    // The first one gone, the second still works, once per tap.
    delete first;
    secondSepia->click();
    QCOMPARE(filterNames(m_provider->calls),
             (QStringList { "com.velmo.greyscale", "com.velmo.sepia", "com.velmo.sepia" }));

    // The second belongs to the parent item, not to the plug-in.
    QPointer<QGraphicsWidget> kept = second;
    QCOMPARE(second->parentItem(), m_root);
    QVERIFY(!second->parent());
    delete m_root;
    m_root = nullptr;
    QVERIFY(kept.isNull());
}

void TestEditVintageEffectsPlugin::performEditOperationWithoutTaps()
{
    createToolBar();
    QSignalSpy performed(m_plugin, SIGNAL(editOperationPerformed()));
    m_plugin->performEditOperation();
    QCOMPARE(performed.count(), 1);
    QVERIFY(m_provider->calls.isEmpty());
    QCOMPARE(m_provider->fullImageSizeCalls, 0);

    // Activation and deactivation are the base's: nothing runs, nothing is reported.
    m_plugin->activate();
    m_plugin->deactivate(true);
    m_plugin->deactivate(false);
    QCOMPARE(performed.count(), 1);
    QVERIFY(m_provider->calls.isEmpty());
}

void TestEditVintageEffectsPlugin::noProvider()
{
    m_plugin->setEditUiProvider(nullptr);
    QGraphicsWidget *toolBar = createToolBar();
    QSignalSpy performed(m_plugin, SIGNAL(editOperationPerformed()));

    findButton(toolBar, QStringLiteral("SepiaButton"))->click();
    QCOMPARE(performed.count(), 0);

    // Nothing was remembered for a provider that comes later.
    m_plugin->setEditUiProvider(m_provider.get());
    m_plugin->performEditOperation();
    QCOMPARE(performed.count(), 1);
    QVERIFY(m_provider->calls.isEmpty());
}

void TestEditVintageEffectsPlugin::slotsByName()
{
    QSignalSpy performed(m_plugin, SIGNAL(editOperationPerformed()));

    QVERIFY(QMetaObject::invokeMethod(m_plugin, "selectEditOperation",
                                      Q_ARG(QString, QStringLiteral("com.velmo.greyscale"))));
    QCOMPARE(filterNames(m_provider->calls), QStringList { "com.velmo.greyscale" });
    QCOMPARE(m_provider->calls.at(0).flag, 1);
    QCOMPARE(performed.count(), 0);

    QVERIFY(QMetaObject::invokeMethod(m_plugin, "performEditOperation"));
    QCOMPARE(performed.count(), 1);
    QCOMPARE(m_provider->calls.size(), 1);
}

int main(int argc, char *argv[])
{
    MApplication app(argc, argv);
    TestEditVintageEffectsPlugin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editvintageeffectsplugin.moc"
