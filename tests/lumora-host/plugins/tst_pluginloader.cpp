// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The host's plug-in loader against the real plug-ins and against shared objects it
// must refuse, side by side in one folder.

#include "lumoraeditplugin.h"
#include "pluginlibrary.h"
#include "pluginloader.h"
#include "pluginpaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_PluginLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsThePluginFolderInMenuOrder();
    void refusesWhatIsNoPlugin_data();
    void refusesWhatIsNoPlugin();
    void missingFolder();
    void sameMenuIndexKeepsBoth();
    void firstFolderWins();
    void searchPath();

private:
    static QString realPlugins() { return QStringLiteral(LUMORA_PLUGIN_DIR); }
};

void tst_PluginLoader::loadsThePluginFolderInMenuOrder()
{
    PluginLoader loader;
    const int loaded = loader.loadDirectory(realPlugins());
    QCOMPARE(loader.refusals(), QStringList());
    QCOMPARE(loaded, 8);
    QList<int> indices;
    for (const LoadedPlugin &plugin : loader.plugins()) {
        indices << plugin.plugin->menuIndex();
        QCOMPARE(loader.plugin(plugin.className), plugin.plugin);
        QVERIFY(plugin.fileName.endsWith(QLatin1String(".so")));
    }
    QCOMPARE(indices, QList<int>({ 1, 2, 3, 5, 6, 8, 10, 11 }));
    QCOMPARE(loader.plugin(QStringLiteral("NoSuchPlugin")), nullptr);
}

void tst_PluginLoader::refusesWhatIsNoPlugin_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("contents"); // empty: copy the fixture of that name
    QTest::addColumn<QString>("reason");

    QTest::newRow("other verification record")
        << "libforeign.so" << QByteArray() << "verification record does not match";
    QTest::newRow("no instance entry point")
        << "libnoinstance.so" << QByteArray() << "no qt_plugin_instance entry point";
    QTest::newRow("no verification entry point")
        << "libnoverification.so" << QByteArray()
        << "no qt_plugin_query_verification_data entry point";
    QTest::newRow("not an edit plug-in")
        << "libnotaneditplugin.so" << QByteArray() << "does not implement Lumora.EditPlugin/1.0";
    QTest::newRow("throwing constructor")
        << "libthrowing.so" << QByteArray() << "could not be created (no picture editor here)";
    QTest::newRow("null instance")
        << "libnullinstance.so" << QByteArray() << "plug-in returned no instance";
    QTest::newRow("truncated copy")
        << "libtornel-truncated.so" << QByteArray("TRUNCATE") << "not a loadable shared object";
    QTest::newRow("directory") << "libfolder.so" << QByteArray("DIRECTORY") << "not a regular file";
    QTest::newRow("dangling link") << "libdangling.so" << QByteArray("DANGLING") << "dangling link";
    QTest::newRow("text file") << "libjunk.so" << QByteArray("not a shared object\n")
                               << "not a loadable shared object";
    QTest::newRow("empty file") << "libempty.so" << QByteArray("\0", 1)
                                << "not a loadable shared object";
}

void tst_PluginLoader::refusesWhatIsNoPlugin()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The real plug-ins, with the stranger among them.
    for (const QString &name : QDir(realPlugins()).entryList({ QStringLiteral("lib*.so") }))
        QVERIFY(QFile::copy(QDir(realPlugins()).filePath(name), dir.filePath(name)));
    const QString stranger = dir.filePath(fileName);
    if (contents.isEmpty()) {
        QVERIFY(QFile::copy(QStringLiteral(LUMORA_FIXTURE_DIR "/") + fileName, stranger));
    } else if (contents == "TRUNCATE") {
        QFile real(PluginLibrary::pathOf(QStringLiteral("tornel")));
        QVERIFY(real.open(QIODevice::ReadOnly));
        QFile file(stranger);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(real.read(real.size() / 3));
    } else if (contents == "DIRECTORY") {
        QVERIFY(QDir().mkpath(stranger));
    } else if (contents == "DANGLING") {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.so")), stranger));
    } else {
        QFile file(stranger);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    PluginLoader loader;
    QCOMPARE(loader.loadDirectory(dir.path()), 8);
    QCOMPARE(loader.refusals().size(), 1);
    const QString refusal = loader.refusals().first();
    QVERIFY2(refusal.startsWith(stranger + QLatin1String(": ")), qPrintable(refusal));
    QVERIFY2(refusal.contains(reason), qPrintable(refusal));
    QVERIFY(!refusal.contains(QLatin1Char('\n')));
}

void tst_PluginLoader::missingFolder()
{
    PluginLoader loader;
    QCOMPARE(loader.loadDirectory(QStringLiteral("/no/such/folder")), 0);
    QCOMPARE(loader.refusals().size(), 1);
    QVERIFY(loader.plugins().isEmpty());
}

void tst_PluginLoader::sameMenuIndexKeepsBoth()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(realPlugins() + QStringLiteral("/libdextral.so"),
                        dir.filePath(QStringLiteral("libdextral.so"))));
    QVERIFY(QFile::copy(QStringLiteral(LUMORA_FIXTURE_DIR "/libsameindex.so"),
                        dir.filePath(QStringLiteral("libsameindex.so"))));
    PluginLoader loader;
    QCOMPARE(loader.loadDirectory(dir.path()), 2);
    QCOMPARE(loader.refusals(), QStringList());
    const QList<LoadedPlugin> plugins = loader.plugins();
    QCOMPARE(plugins.size(), 2);
    // Class-name order within one index, whichever file loaded first.
    QCOMPARE(plugins[0].className, QStringLiteral("EditRotateClockwisePlugin"));
    QCOMPARE(plugins[1].className, QStringLiteral("EditSameIndexPlugin"));
    QCOMPARE(plugins[1].fileName, dir.filePath(QStringLiteral("libsameindex.so")));
    QCOMPARE(loader.warnings(),
             QStringList { dir.filePath(QStringLiteral("libsameindex.so"))
                           + QStringLiteral(": EditSameIndexPlugin claims menu index 3, as "
                                            "EditRotateClockwisePlugin does; listed after it") });
}

void tst_PluginLoader::firstFolderWins()
{
    QTemporaryDir first;
    QTemporaryDir second;
    for (const QTemporaryDir *dir : { &first, &second })
        QVERIFY(QFile::copy(realPlugins() + QStringLiteral("/libtornel.so"),
                            dir->filePath(QStringLiteral("libtornel.so"))));
    PluginLoader loader;
    QCOMPARE(loader.loadDirectories({ first.path(), second.path() }), 1);
    QCOMPARE(loader.plugins().size(), 1);
    QCOMPARE(loader.plugins().constFirst().fileName,
             first.filePath(QStringLiteral("libtornel.so")));
    QCOMPARE(loader.refusals(),
             QStringList { second.filePath(QStringLiteral("libtornel.so"))
                           + QStringLiteral(": EditFlipVerticalPlugin is already loaded") });
    QCOMPARE(loader.warnings(), QStringList());
}

void tst_PluginLoader::searchPath()
{
    // A program inside the build tree finds the build tree's folder.
    const QString builtIn = QStringLiteral(LUMORA_PLUGIN_DIR);
    QCOMPARE(PluginPaths::defaultFolder(), builtIn);

    QTemporaryDir a;
    QTemporaryDir b;
    // The user's folder, between LUMORA_PLUGIN_PATH and the built-in one, only once it
    // exists.
    QTemporaryDir dataHome;
    const QString user = dataHome.path() + QStringLiteral("/lumora/plugins");
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QCOMPARE(PluginPaths::userFolder(), user);
    const QByteArray saved = qgetenv("LUMORA_PLUGIN_PATH");
    qputenv("LUMORA_PLUGIN_PATH",
            (a.path() + QStringLiteral("::") + a.path() + QStringLiteral("/missing:") + b.path()
             + QStringLiteral("/"))
                .toLocal8Bit());
    QCOMPARE(PluginPaths::folders(), QStringList({ a.path(), b.path(), builtIn }));
    QVERIFY(QDir().mkpath(user));
    QCOMPARE(PluginPaths::folders(), QStringList({ a.path(), b.path(), user, builtIn }));
    // --plugins replaces them all, the default too.
    QCOMPARE(PluginPaths::folders({ b.path() }), QStringList { b.path() });
    qunsetenv("LUMORA_PLUGIN_PATH");
    QCOMPARE(PluginPaths::folders(), QStringList({ user, builtIn }));
    QVERIFY(QDir(user).removeRecursively());
    QCOMPARE(PluginPaths::folders(), QStringList { builtIn });
    if (!saved.isNull())
        qputenv("LUMORA_PLUGIN_PATH", saved);
    if (savedDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedDataHome);
}

QTEST_MAIN(tst_PluginLoader)
#include "tst_pluginloader.moc"
