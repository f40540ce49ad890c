// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The five one-shot plug-ins, loaded through their entry points and driven as the
// host drives them, with a recording edit UI provider and with none.

#include "idcatalogue.h"
#include "lumoraeditplugin.h"
#include "pluginlibrary.h"
#include "quillimagefilter.h"
#include "recordingprovider.h"

#include <QSignalSpy>
#include <QTest>

class tst_OneShotPlugins : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void init();
    void description();
    void nameIsTranslatedOnEveryCall();
    void hostDefaults();
    void performRunsOneFilter();
    void performTwiceRunsTwiceWithFreshTables();
    void performWithoutProvider();
    void activationRunsNothing();

private:
    LumoraEditPlugin *m_plugin = nullptr;
};

void tst_OneShotPlugins::initTestCase_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("nameId");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<int>("menuIndex");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("optionKey");
    QTest::addColumn<QVariant>("optionValue");

    QTest::newRow("flip vertical") << "tornel"
                                   << "qtn_lumo_editor_flip_vertical"
                                   << "icon-m-image-edit-flip-vertical" << 11 << "org.quenta.flip"
                                   << QString(QuillImageFilter::Horizontal) << QVariant(false);
    QTest::newRow("flip horizontal")
        << "spekel"
        << "qtn_lumo_editor_flip_horizontal"
        << "icon-m-image-edit-flip-horizontal" << 10 << "org.quenta.flip"
        << QString(QuillImageFilter::Horizontal) << QVariant(true);
    QTest::newRow("rotate clockwise")
        << "dextral"
        << "qtn_lumo_editor_rotate_right"
        << "icon-m-image-edit-rotate-right" << 3 << "org.quenta.rotate"
        << QString(QuillImageFilter::Angle) << QVariant(90);
    QTest::newRow("rotate counter-clockwise")
        << "laeval"
        << "qtn_lumo_editor_rotate_left"
        << "icon-m-image-edit-rotate-left" << 2 << "org.quenta.rotate"
        << QString(QuillImageFilter::Angle) << QVariant(-90);
    QTest::newRow("auto-fix") << "nivora"
                              << "qtn_lumo_editor_autofix_all"
                              << "icon-m-image-edit-autofix-all" << 1 << "org.quenta.auto.levels"
                              << QString() << QVariant();
}

void tst_OneShotPlugins::init()
{
    QFETCH_GLOBAL(QString, library);
    static QHash<QString, PluginLibrary *> libraries; // loaded once, for the whole run
    PluginLibrary *&lib = libraries[library];
    if (!lib)
        lib = new PluginLibrary(library);
    QVERIFY2(lib->isLoaded(), qPrintable(lib->errorString()));
    m_plugin = lib->plugin();
    QVERIFY(m_plugin);
    m_plugin->setEditUiProvider(nullptr);
}

void tst_OneShotPlugins::description()
{
    QFETCH_GLOBAL(QString, nameId);
    QFETCH_GLOBAL(QString, icon);
    QFETCH_GLOBAL(int, menuIndex);
    // Without a catalogue the logical identifier shows through.
    QCOMPARE(m_plugin->name(), nameId);
    QCOMPARE(m_plugin->iconID(), icon);
    QCOMPARE(m_plugin->menuIndex(), menuIndex);
}

void tst_OneShotPlugins::nameIsTranslatedOnEveryCall()
{
    QFETCH_GLOBAL(QString, nameId);
    QCOMPARE(m_plugin->name(), nameId);
    {
        IdCatalogue catalogue({ { nameId, QStringLiteral("Translated %1").arg(nameId) } });
        QCOMPARE(m_plugin->name(), QStringLiteral("Translated %1").arg(nameId));
    }
    QCOMPARE(m_plugin->name(), nameId);
}

void tst_OneShotPlugins::hostDefaults()
{
    QVERIFY(!m_plugin->containsUi());
    QCOMPARE(m_plugin->createToolBarWidget(nullptr), nullptr);
    QCOMPARE(m_plugin->receiveMouseEvent(nullptr), false);
    QCOMPARE(m_plugin->toolBarWidgetSize(M::Landscape),
             m_plugin->LumoraEditPlugin::toolBarWidgetSize(M::Landscape));
}

void tst_OneShotPlugins::performRunsOneFilter()
{
    QFETCH_GLOBAL(QString, filter);
    QFETCH_GLOBAL(QString, optionKey);
    QFETCH_GLOBAL(QVariant, optionValue);
    RecordingProvider provider;
    m_plugin->setEditUiProvider(&provider);
    int callsAtSignal = -1;
    connect(m_plugin, &LumoraEditPlugin::editOperationPerformed, this,
            [&] { callsAtSignal = int(provider.calls.size()); });
    QSignalSpy performed(m_plugin, &LumoraEditPlugin::editOperationPerformed);

    m_plugin->performEditOperation();
    disconnect(m_plugin, nullptr, this, nullptr);

    QCOMPARE(performed.count(), 1);
    QCOMPARE(callsAtSignal, 1); // the signal comes after the provider call returned
    QCOMPARE(provider.calls.size(), 1);
    const RecordingProvider::Call &call = provider.calls.first();
    QCOMPARE(call.filterName, filter);
    QCOMPARE(call.flag, 0);
    if (optionKey.isEmpty()) {
        QVERIFY(call.options.isEmpty());
    } else {
        QCOMPARE(call.options.size(), 1);
        QVERIFY(call.options.contains(optionKey));
        const QVariant value = call.options.value(optionKey);
        QCOMPARE(value.typeId(), optionValue.typeId()); // exactly bool, or exactly int
        QCOMPARE(value, optionValue);
    }
}

void tst_OneShotPlugins::performTwiceRunsTwiceWithFreshTables()
{
    RecordingProvider provider;
    m_plugin->setEditUiProvider(&provider);
    QSignalSpy performed(m_plugin, &LumoraEditPlugin::editOperationPerformed);
    m_plugin->performEditOperation();
    QVERIFY(QMetaObject::invokeMethod(m_plugin, "performEditOperation"));
    QCOMPARE(performed.count(), 2);
    QCOMPARE(provider.calls.size(), 2);
    QCOMPARE(provider.calls[0].filterName, provider.calls[1].filterName);
    QCOMPARE(provider.calls[0].options, provider.calls[1].options);
}

void tst_OneShotPlugins::performWithoutProvider()
{
    QSignalSpy performed(m_plugin, &LumoraEditPlugin::editOperationPerformed);
    m_plugin->performEditOperation();
    QCOMPARE(performed.count(), 1);
}

void tst_OneShotPlugins::activationRunsNothing()
{
    RecordingProvider provider;
    m_plugin->setEditUiProvider(&provider);
    QSignalSpy performed(m_plugin, &LumoraEditPlugin::editOperationPerformed);
    m_plugin->activate();
    m_plugin->deactivate(true);
    m_plugin->deactivate(false);
    QCOMPARE(performed.count(), 0);
    QVERIFY(provider.calls.isEmpty());
}

QTEST_GUILESS_MAIN(tst_OneShotPlugins)
#include "tst_oneshotplugins.moc"
