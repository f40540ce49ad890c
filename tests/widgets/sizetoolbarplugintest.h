// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SIZETOOLBARPLUGINTEST_H
#define SIZETOOLBARPLUGINTEST_H

#include "idcatalogue.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "mpopuplist.h"
#include "mwindow.h"
#include "pluginlibrary.h"
#include "recordingprovider.h"
#include "sizetoolbarprobe.h"

#include <QPointer>
#include <QStringList>

// What tells the crop and resize plug-ins apart to the tests they share.
struct SizeToolBarPluginProfile
{
    const char *library; // the deliverable without prefix and suffix
    const char *className;
    const char *buttonName;
    const char *nameId;
    int menuIndex;
    const char *iconId;
    QList<QByteArray> slotTable;
    QHash<QString, QString> texts; // the catalogue installed for the whole run
    QString popupTitle;
    QStringList popupTexts;
    int currentRow;
    QString info; // the information label right after activate()
    int choiceRow; // a popup row that changes both labels
};

// The tests that crop and resize share. The plug-in is driven as the host drives it:
// loaded through its entry points, given a recording provider (4000 x 3000) and
// activated, its tool bar built into the scene of the active window. Every test
// starts on a fresh instance and a fresh window.
class SizeToolBarPluginTest : public QObject
{
    Q_OBJECT

public:
    explicit SizeToolBarPluginTest(const SizeToolBarPluginProfile &profile);

protected:
    // A new tool bar under a new item of the window's scene.
    QGraphicsWidget *buildToolBar();
    MButton *buttonOf(QGraphicsWidget *toolBar) const;
    // Taps `button`; the popup list then shown on the window, or null.
    MPopupList *openPopup(MButton *button) const;
    // The choice of `row` in `popup`'s own model, as a tap reports it.
    static void choose(MPopupList *popup, int row);
    // Replaces the instance by one built while `locale` is the default.
    void recreatePlugin(const QLocale &locale);

    const SizeToolBarPluginProfile profile;
    PluginLibrary library;
    QScopedPointer<IdCatalogue> catalogue;
    QPointer<LumoraEditPlugin> plugin; // the shared object's instance, deleted after each test
    QScopedPointer<MWindow> window;
    RecordingProvider provider;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void describesItself();
    void buildsToolBar();
    void worksWithoutProvider();
    void cancels();
    void outlivesToolBar_data();
    void outlivesToolBar();
};

// main() of a plug-in test: the host is a touch application.
#define SIZETOOLBAR_PLUGIN_TEST_MAIN(TestClass)                                                    \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        MApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#endif // SIZETOOLBARPLUGINTEST_H
