// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "sizetoolbarplugintest.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QStringListModel>

using namespace SizeToolBarProbe;

namespace {
const QLocale testLocale(QLocale::English, QLocale::UnitedStates);
}

SizeToolBarPluginTest::SizeToolBarPluginTest(const SizeToolBarPluginProfile &profile)
    : profile(profile)
    , library(QLatin1String(profile.library))
{ }

QGraphicsWidget *SizeToolBarPluginTest::buildToolBar()
{
    auto *parent = new QGraphicsWidget;
    window->scene()->addItem(parent);
    return plugin->createToolBarWidget(parent);
}

MButton *SizeToolBarPluginTest::buttonOf(QGraphicsWidget *toolBar) const
{
    const QList<QGraphicsItem *> children = toolBar->childItems();
    for (QGraphicsItem *child : children) {
        auto *button = qobject_cast<MButton *>(child->toGraphicsObject());
        if (button && button->objectName() == QLatin1String(profile.buttonName))
            return button;
    }
    return nullptr;
}

MPopupList *SizeToolBarPluginTest::openPopup(MButton *button) const
{
    button->click();
    return find<MPopupList>(window->scene());
}

void SizeToolBarPluginTest::choose(MPopupList *popup, int row)
{
    Q_EMIT popup->clicked(popup->itemModel()->index(row, 0));
}

void SizeToolBarPluginTest::recreatePlugin(const QLocale &locale)
{
    delete plugin.data();
    QLocale::setDefault(locale);
    plugin = library.plugin();
    QLocale::setDefault(testLocale);
    plugin->setEditUiProvider(&provider);
}

void SizeToolBarPluginTest::initTestCase()
{
    QVERIFY2(library.isLoaded(), qPrintable(library.errorString()));
    QLocale::setDefault(testLocale);
    catalogue.reset(new IdCatalogue(profile.texts));
}

void SizeToolBarPluginTest::init()
{
    window.reset(new MWindow);
    MApplication::setActiveWindow(window.data());
    provider = RecordingProvider(QSize(4000, 3000));
    plugin = library.plugin();
    QVERIFY(plugin);
    plugin->setEditUiProvider(&provider);
    plugin->activate();
}

void SizeToolBarPluginTest::cleanup()
{
    delete plugin.data();
    window.reset();
}

void SizeToolBarPluginTest::describesItself()
{
    const QString nameId = QLatin1String(profile.nameId);
    QCOMPARE(plugin->name(), profile.texts.value(nameId));
    {
        IdCatalogue other({ { nameId, QStringLiteral("other") } });
        QCOMPARE(plugin->name(), QStringLiteral("other")); // looked up on every call
    }
    QCOMPARE(plugin->menuIndex(), profile.menuIndex);
    QCOMPARE(plugin->iconID(), QLatin1String(profile.iconId));
    QVERIFY(plugin->containsUi());
    QCOMPARE(plugin->toolBarWidgetSize(M::Landscape), QSize(854, 72));
    QCOMPARE(plugin->toolBarWidgetSize(M::Portrait), QSize(480, 72));

    const QMetaObject *meta = plugin->metaObject();
    QCOMPARE(meta->className(), profile.className);
    QCOMPARE(plugin->qt_metacast("Lumora.EditPlugin/1.0"), static_cast<void *>(plugin.data()));
    QList<QByteArray> slotTable;
    for (int index = meta->methodOffset(); index < meta->methodCount(); ++index) {
        QCOMPARE(meta->method(index).methodType(), QMetaMethod::Slot);
        slotTable.append(meta->method(index).methodSignature());
    }
    QCOMPARE(slotTable, profile.slotTable);
    QCOMPARE(meta->method(meta->methodOffset() + 2).parameterNames(), { "confirm" });
    QCOMPARE(meta->method(meta->methodOffset() + 4).parameterNames(), { "index" });
}

void SizeToolBarPluginTest::buildsToolBar()
{
    QGraphicsWidget *toolBar = buildToolBar();
    MButton *button = find<MButton>(window->scene(), QLatin1String(profile.buttonName));
    verifyToolBar(toolBar, button, profile.buttonName);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(infoText(button), profile.info);
    QCOMPARE(dimensionsText(button), QStringLiteral("4000 x 3000"));

    MPopupList *popup = openPopup(button);
    QVERIFY(popup && popup->isAppeared());
    QCOMPARE(popup->title(), profile.popupTitle);
    QCOMPARE(qobject_cast<QStringListModel *>(popup->itemModel())->stringList(),
             profile.popupTexts);
    QCOMPARE(popup->currentIndex().row(), profile.currentRow);
}

void SizeToolBarPluginTest::worksWithoutProvider()
{
    MButton *button = buttonOf(buildToolBar());
    MPopupList *popup = openPopup(button);
    QVERIFY(popup);
    plugin->setEditUiProvider(nullptr);
    QSignalSpy performed(plugin.data(), &LumoraEditPlugin::editOperationPerformed);

    choose(popup, profile.choiceRow);
    QVERIFY(QMetaObject::invokeMethod(plugin, "updateButtonText"));
    plugin->performEditOperation();

    QCOMPARE(infoText(button), profile.info);
    QCOMPARE(dimensionsText(button), QStringLiteral("4000 x 3000"));
    QCOMPARE(performed.count(), 1);
    QVERIFY(provider.calls.isEmpty());
}

void SizeToolBarPluginTest::cancels()
{
    MPopupList *popup = openPopup(buttonOf(buildToolBar()));
    QVERIFY(popup && popup->isAppeared());
    choose(popup, profile.choiceRow);
    QSignalSpy performed(plugin.data(), &LumoraEditPlugin::editOperationPerformed);

    plugin->deactivate(false);

    QVERIFY(!popup->isAppeared());
    QCOMPARE(performed.count(), 0);
    QVERIFY(provider.calls.isEmpty());
}

void SizeToolBarPluginTest::outlivesToolBar_data()
{
    QTest::addColumn<QString>("gone");
    QTest::addColumn<bool>("popupGoes");
    QTest::newRow("host deletes the tool bar") << "tool bar" << false;
    // The window takes its dialogs out of the scene before the scene goes.
    QTest::newRow("window closes with the popup shown") << "window" << false;
    // A scene deleted on its own deletes every item in it, the popup list too.
    QTest::newRow("scene goes with the popup shown") << "scene" << true;
}

void SizeToolBarPluginTest::outlivesToolBar()
{
    QFETCH(QString, gone);
    QFETCH(bool, popupGoes);
    QGraphicsWidget *toolBar = buildToolBar();
    QPointer<MButton> button = buttonOf(toolBar);
    QPointer<MPopupList> popup = openPopup(button);
    QVERIFY(button && popup);

    if (gone == QLatin1String("window"))
        window.reset();
    else if (gone == QLatin1String("scene"))
        delete window->scene();
    else
        delete toolBar;
    QVERIFY(button.isNull());
    QCOMPARE(popup.isNull(), popupGoes);

    // Nothing the plug-in does now may reach the gone widgets.
    plugin->activate();
    if (popup)
        choose(popup, profile.choiceRow);
    const QByteArray selectSlot = profile.slotTable[4].left(profile.slotTable[4].indexOf('('));
    QVERIFY(QMetaObject::invokeMethod(plugin, selectSlot, Q_ARG(QModelIndex, QModelIndex())));
    for (QEvent::Type type : { QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseMove }) {
        QGraphicsSceneMouseEvent event(type);
        fillMouseEvent(event,
                       type == QEvent::GraphicsSceneMousePress ? QPointF(3999, 2999)
                                                               : QPointF(2999, 1999));
        plugin->receiveMouseEvent(&event);
    }
    QVERIFY(QMetaObject::invokeMethod(plugin, "updateButtonText"));
    QVERIFY(QMetaObject::invokeMethod(plugin, "openPopup"));
    plugin->deactivate(true);

    // A new tool bar is the one kept up to date.
    if (!window || !window->scene()) {
        window.reset(new MWindow);
        MApplication::setActiveWindow(window.data());
    }
    plugin->activate();
    MButton *next = buttonOf(buildToolBar());
    QVERIFY(next);
    QCOMPARE(infoText(next), profile.info);
    QCOMPARE(dimensionsText(next), QStringLiteral("4000 x 3000"));
    QVERIFY(QMetaObject::invokeMethod(plugin, "openPopup"));
    QCOMPARE(find<MPopupList>(window->scene()) != nullptr, !popupGoes);
    delete plugin.data(); // deletes the popup list only while it lives
}
