// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The frame every plug-in shared object carries, checked on each built plug-in
// through its exported entry points, as the host's loader meets it.

#include "lumoraeditplugin.h"
#include "lumorapluginframe.h"
#include "pluginlibrary.h"
#include "recordingprovider.h"

#include <QSignalSpy>
#include <QTest>

#include <cstring>

class tst_PluginFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data();
    void verificationRecord();
    void singleInstance();
    void newInstanceAfterDeletion();
    void interfaceCast();
    void slotByName();
    void metaCallPastOwnMethods();
    void metaCallOfOtherKind();

private:
    PluginLibrary &library();
    QHash<QString, PluginLibrary *> m_libraries;
};

void tst_PluginFrame::initTestCase_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QByteArray>("baseClassName");
    QTest::addColumn<int>("ownMethods");

    QTest::newRow("tornel") << "tornel" << QByteArray("EditFlipVerticalPlugin")
                            << QByteArray("LumoraEditPlugin") << 1;
    QTest::newRow("spekel") << "spekel" << QByteArray("EditFlipHorizontalPlugin")
                            << QByteArray("LumoraEditPlugin") << 1;
    QTest::newRow("dextral") << "dextral" << QByteArray("EditRotateClockwisePlugin")
                             << QByteArray("LumoraEditPlugin") << 1;
    QTest::newRow("laeval") << "laeval" << QByteArray("EditRotateCounterClockwisePlugin")
                            << QByteArray("LumoraEditPlugin") << 1;
    QTest::newRow("nivora") << "nivora" << QByteArray("EditAutoFixPlugin")
                            << QByteArray("LumoraEditPlugin") << 1;
    QTest::newRow("kadrel") << "kadrel" << QByteArray("EditCropPlugin")
                            << QByteArray("LumoraCropper") << 6;
    QTest::newRow("mensura") << "mensura" << QByteArray("EditResizePlugin")
                             << QByteArray("LumoraEditPlugin") << 6;
    QTest::newRow("patinex") << "patinex" << QByteArray("EditVintageEffectsPlugin")
                             << QByteArray("LumoraEditPlugin") << 2;
}

PluginLibrary &tst_PluginFrame::library()
{
    QFETCH_GLOBAL(QString, library);
    PluginLibrary *&entry = m_libraries[library];
    if (!entry)
        entry = new PluginLibrary(library); // kept loaded for the whole run
    return *entry;
}

void tst_PluginFrame::verificationRecord()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    const char *record = lib.verificationData();
    QVERIFY(record);
    QCOMPARE(QByteArray(record),
             QByteArray("pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.7.4\ndebug=false\n"
                        "buildkey=armv6 linux g++-4 full-config"));
    QVERIFY(QByteArray(record).endsWith("full-config"));
    // Asking again has no side effect and gives the same text.
    QCOMPARE(std::strcmp(lib.verificationData(), LumoraPluginFrame::verificationData), 0);
}

void tst_PluginFrame::singleInstance()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    QObject *first = lib.instance();
    QVERIFY(first);
    QCOMPARE(lib.instance(), first);
    QCOMPARE(first->parent(), nullptr);
    QFETCH_GLOBAL(QByteArray, className);
    QCOMPARE(QByteArray(first->metaObject()->className()), className);
}

void tst_PluginFrame::newInstanceAfterDeletion()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    QObject *old = lib.instance();
    QVERIFY(old);
    old->setObjectName(QStringLiteral("deleted by the host"));
    QSignalSpy destroyed(old, &QObject::destroyed);
    delete old;
    QCOMPARE(destroyed.count(), 1);

    QObject *fresh = lib.instance();
    QVERIFY(fresh);
    // Constructed anew, not the old object's memory handed back with its state.
    QVERIFY(fresh->objectName().isEmpty());
    QCOMPARE(fresh->parent(), nullptr);
    QCOMPARE(lib.instance(), fresh);
    QFETCH_GLOBAL(QByteArray, className);
    QCOMPARE(QByteArray(fresh->metaObject()->className()), className);
}

void tst_PluginFrame::interfaceCast()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    QObject *object = lib.instance();
    QFETCH_GLOBAL(QByteArray, className);
    QFETCH_GLOBAL(QByteArray, baseClassName);

    QCOMPARE(object->qt_metacast(className.constData()), static_cast<void *>(object));
    void *asInterface = object->qt_metacast("Lumora.EditPlugin/1.0");
    QCOMPARE(asInterface,
             static_cast<void *>(
                 static_cast<LumoraEditPlugin *>(qobject_cast<LumoraEditPlugin *>(object))));
    QCOMPARE(asInterface, static_cast<void *>(object)); // single inheritance: one address
    QCOMPARE(lib.plugin(), qobject_cast<LumoraEditPlugin *>(object));
    // Other names are the base classes' answers.
    QCOMPARE(object->qt_metacast(baseClassName.constData()), static_cast<void *>(object));
    QCOMPARE(object->qt_metacast("QObject"), static_cast<void *>(object));
    QCOMPARE(object->qt_metacast("Lumora.EditPlugin/2.0"), nullptr);
    QCOMPARE(object->qt_metacast("QWidget"), nullptr);
    QCOMPARE(object->qt_metacast(nullptr), nullptr);
}

void tst_PluginFrame::slotByName()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    LumoraEditPlugin *plugin = lib.plugin();
    QVERIFY(plugin);
    RecordingProvider provider;
    plugin->setEditUiProvider(&provider);
    QSignalSpy performed(plugin, &LumoraEditPlugin::editOperationPerformed);
    QVERIFY(QMetaObject::invokeMethod(plugin, "performEditOperation"));
    QCOMPARE(performed.count(), 1);
    plugin->setEditUiProvider(nullptr);
}

void tst_PluginFrame::metaCallPastOwnMethods()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    LumoraEditPlugin *plugin = lib.plugin();
    QFETCH_GLOBAL(int, ownMethods);
    const QMetaObject *meta = plugin->metaObject();
    QCOMPARE(meta->methodCount() - meta->methodOffset(), ownMethods);

    RecordingProvider provider(QSize(10, 10));
    plugin->setEditUiProvider(&provider);
    QSignalSpy performed(plugin, &LumoraEditPlugin::editOperationPerformed);
    // Local index `ownMethods + k` belongs to no method: nothing runs, k comes back.
    for (int k = 0; k < 3; ++k) {
        void *args[] = { nullptr };
        const int result = plugin->qt_metacall(QMetaObject::InvokeMetaMethod,
                                               meta->methodOffset() + ownMethods + k, args);
        QCOMPARE(result, k);
    }
    QCOMPARE(performed.count(), 0);
    QVERIFY(provider.calls.isEmpty());
    plugin->setEditUiProvider(nullptr);
}

void tst_PluginFrame::metaCallOfOtherKind()
{
    PluginLibrary &lib = library();
    QVERIFY2(lib.isLoaded(), qPrintable(lib.errorString()));
    LumoraEditPlugin *plugin = lib.plugin();
    plugin->setObjectName(QStringLiteral("read me"));
    // objectName, QObject's property 0, read through the plug-in's meta-call.
    QString value;
    void *args[] = { &value };
    const int result = plugin->qt_metacall(QMetaObject::ReadProperty, 0, args);
    QCOMPARE(value, QStringLiteral("read me"));
    QString again;
    void *baseArgs[] = { &again };
    QCOMPARE(result, plugin->LumoraEditPlugin::qt_metacall(QMetaObject::ReadProperty, 0, baseArgs));
    plugin->setObjectName(QString());
}

QTEST_MAIN(tst_PluginFrame)
#include "tst_pluginframe.moc"
