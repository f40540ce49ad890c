// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The host's driving sequence, seen from a plug-in that writes down every call it gets.

#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "mwindow.h"
#include "pluginsession.h"

#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

class ScriptedPlugin : public LumoraEditPlugin
{
    Q_OBJECT

public:
    bool ui = false; // containsUi()
    bool runsOnConfirm = false; // deactivate(true) performs the edit itself
    QString filter = QStringLiteral("org.quenta.flip");
    mutable QStringList calls;

    bool containsUi() const override
    {
        calls << QStringLiteral("containsUi");
        return ui;
    }
    QSize toolBarWidgetSize(const M::Orientation &orientation) const override
    {
        calls << QStringLiteral("toolBarWidgetSize(%1)")
                     .arg(orientation == M::Portrait ? QStringLiteral("portrait")
                                                     : QStringLiteral("landscape"));
        return QSize(480, 72);
    }
    QGraphicsWidget *createToolBarWidget(QGraphicsItem *parent) override
    {
        calls << QStringLiteral("createToolBarWidget");
        return new QGraphicsWidget(parent);
    }
    bool receiveMouseEvent(QGraphicsSceneMouseEvent *) override
    {
        calls << QStringLiteral("receiveMouseEvent");
        return true;
    }
    void activate() override { calls << QStringLiteral("activate"); }
    void deactivate(bool confirm) override
    {
        calls << QStringLiteral("deactivate(%1)").arg(confirm ? "true" : "false");
        if (confirm && runsOnConfirm)
            performEditOperation();
    }
    void performEditOperation() override
    {
        calls << QStringLiteral("performEditOperation");
        if (editUiProvider())
            editUiProvider()->runEditFilter(filter, { { QStringLiteral("horizontal"), true } }, 0);
        Q_EMIT editOperationPerformed();
    }
};

// Wider than high, so that a flip and no flip differ.
QImage picture()
{
    QImage image(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, qRgb(x * 40, y * 60, 100));
    return image;
}

} // namespace

class tst_PluginSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sequence_data();
    void sequence();
    void leftTwiceDoesNothingMore();
    void sessionGoneMeansCancelled();
};

void tst_PluginSession::sequence_data()
{
    QTest::addColumn<bool>("ui");
    QTest::addColumn<bool>("runsOnConfirm");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("flipped");

    QTest::newRow("one-shot runs at once, then deactivate(true)")
        << false << false << true << "org.quenta.flip"
        << QStringList { "activate", "containsUi", "performEditOperation", "deactivate(true)" }
        << int(PluginSession::Confirmed) << true;
    QTest::newRow("edit on confirm is not performed twice")
        << true << true << true << "org.quenta.flip" << QStringList { "activate",
                                                                      "containsUi",
                                                                      "toolBarWidgetSize(portrait)",
                                                                      "createToolBarWidget",
                                                                      "receiveMouseEvent",
                                                                      "deactivate(true)",
                                                                      "performEditOperation" }
        << int(PluginSession::Confirmed) << true;
    QTest::newRow("edits on taps: confirm only asks for the report")
        << true << false << true << "org.quenta.flip"
        << QStringList { "activate",
                         "containsUi",
                         "toolBarWidgetSize(portrait)",
                         "createToolBarWidget",
                         "receiveMouseEvent",
                         "deactivate(true)",
                         "performEditOperation" }
        << int(PluginSession::Confirmed) << true;
    QTest::newRow("cancel runs nothing") << true << true << false << "org.quenta.flip"
                                         << QStringList { "activate",
                                                          "containsUi",
                                                          "toolBarWidgetSize(portrait)",
                                                          "createToolBarWidget",
                                                          "receiveMouseEvent",
                                                          "deactivate(false)" }
                                         << int(PluginSession::Cancelled) << false;
    QTest::newRow("failed filter leaves the picture")
        << false << false << true << "org.example.missing"
        << QStringList { "activate", "containsUi", "performEditOperation", "deactivate(true)" }
        << int(PluginSession::Failed) << false;
}

void tst_PluginSession::sequence()
{
    QFETCH(bool, ui);
    QFETCH(bool, runsOnConfirm);
    QFETCH(bool, confirm);
    QFETCH(QString, filter);
    QFETCH(QStringList, calls);
    QFETCH(int, outcome);
    QFETCH(bool, flipped);

    ScriptedPlugin plugin;
    plugin.ui = ui;
    plugin.runsOnConfirm = runsOnConfirm;
    plugin.filter = filter;
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    MWindow window;
    window.setOrientation(M::Portrait);

    PluginSession session(&plugin, editor);
    QSignalSpy busy(&session, &PluginSession::busyChanged);
    QSignalSpy performed(&session, &PluginSession::editOperationPerformed);
    QSignalSpy finished(&session, &PluginSession::finished);
    session.start();
    QPointer<QGraphicsWidget> toolBar;
    if (session.needsToolBar()) {
        QCOMPARE(plugin.editUiProvider(), static_cast<LumoraEditUiProvider *>(&editor));
        toolBar = session.buildToolBar(&window);
        QVERIFY(toolBar);
        QCOMPARE(toolBar->scene(), window.scene());
        QVERIFY(session.forwardMouse(QEvent::GraphicsSceneMousePress, QPointF(3, 2), QPointF(3, 2),
                                     Qt::LeftButton, Qt::LeftButton));
        if (confirm)
            session.confirm();
        else
            session.cancel();
    }

    QCOMPARE(plugin.calls, calls);
    QCOMPARE(int(session.outcome()), outcome);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!session.isActive());
    QVERIFY(!toolBar); // gone with the plug-in left
    QCOMPARE(plugin.editUiProvider(), nullptr);
    QCOMPARE(editor.image(), flipped ? picture().mirrored(true, false) : picture());
    QCOMPARE(session.errors().isEmpty(), outcome != PluginSession::Failed);
    // Busy from the request of the edit to its report, when there was one.
    const bool requested = confirm;
    QCOMPARE(busy.size(), requested ? 2 : 0);
    if (requested) {
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
    }
    QCOMPARE(performed.size(), confirm ? 1 : 0);
}

void tst_PluginSession::leftTwiceDoesNothingMore()
{
    ScriptedPlugin plugin;
    plugin.ui = true;
    plugin.runsOnConfirm = true;
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    MWindow window;
    PluginSession session(&plugin, editor);
    session.start();
    session.buildToolBar(&window);
    session.confirm();
    const QStringList once = plugin.calls;
    session.confirm();
    session.cancel();
    QVERIFY(!session.forwardMouse(QEvent::GraphicsSceneMousePress, QPointF(), QPointF(),
                                  Qt::LeftButton, Qt::LeftButton));
    QCOMPARE(plugin.calls, once);
    QCOMPARE(editor.image(), picture().mirrored(true, false));
}

void tst_PluginSession::sessionGoneMeansCancelled()
{
    ScriptedPlugin plugin;
    plugin.ui = true;
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    MWindow window;
    QPointer<QGraphicsWidget> toolBar;
    {
        PluginSession session(&plugin, editor);
        session.start();
        toolBar = session.buildToolBar(&window);
        QVERIFY(toolBar);
    }
    QCOMPARE(plugin.calls.last(), QStringLiteral("deactivate(false)"));
    QVERIFY(!toolBar);
    QCOMPARE(plugin.editUiProvider(), nullptr);
}

QTEST_MAIN(tst_PluginSession)
#include "tst_pluginsession.moc"
