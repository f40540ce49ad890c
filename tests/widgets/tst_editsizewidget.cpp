// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editsizewidget.h"
#include "sizetoolbar.h"
#include "sizetoolbarprobe.h"

#include <QPointer>
#include <QSignalSpy>

using namespace SizeToolBarProbe;

// Stands in for a plug-in's openPopup().
class Receiver : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void onClicked() { }
};

class TestEditSizeWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsBlank();
    void setsOneLabel_data();
    void setsOneLabel();
    void elidesLongText_data();
    void elidesLongText();
    void deletesLabelsOnce_data();
    void deletesLabelsOnce();
    void forgetsPolicyWithNewestButton();
};

void TestEditSizeWidget::startsBlank()
{
    EditSizeWidget widget;
    verifyButton(&widget);
    QVERIFY(widget.text().isEmpty());
    QVERIFY(infoText(&widget).isEmpty());
    QVERIFY(dimensionsText(&widget).isEmpty());
}

void TestEditSizeWidget::setsOneLabel_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("dimensions") << 1 << QStringLiteral("4000 x 3000");
    QTest::newRow("information") << 0 << QStringLiteral("16:9");
}

void TestEditSizeWidget::setsOneLabel()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    EditSizeWidget widget;
    widget.setInfoLabelText(QStringLiteral("old info"));
    widget.setText(QStringLiteral("old size"));

    if (position == 0)
        widget.setInfoLabelText(text);
    else
        widget.setText(text);

    QCOMPARE(infoText(&widget), position == 0 ? text : QStringLiteral("old info"));
    QCOMPARE(dimensionsText(&widget), position == 1 ? text : QStringLiteral("old size"));
    QCOMPARE(widget.text(), dimensionsText(&widget));
    QVERIFY(widget.MButton::text().isEmpty());
}

void TestEditSizeWidget::elidesLongText_data()
{
    QTest::addColumn<int>("position");
    QTest::newRow("information") << 0;
    QTest::newRow("dimensions") << 1;
}

void TestEditSizeWidget::elidesLongText()
{
    QFETCH(int, position);
    const QString text = QStringLiteral("a text far wider than the label that has to show it");
    EditSizeWidget widget;
    widget.setInfoLabelText(text);
    widget.setText(text);
    MLabel *shown = label(&widget, position);
    shown->resize(60, 30);

    const QString displayed = shown->displayedText();
    QVERIFY2(displayed.endsWith(QChar(0x2026)), qPrintable(displayed));
    QVERIFY(displayed.size() < text.size());
    QVERIFY(!displayed.contains(QLatin1Char('\n')));
    QCOMPARE(shown->text(), text);
}

void TestEditSizeWidget::deletesLabelsOnce_data()
{
    QTest::addColumn<bool>("inToolBar");
    QTest::newRow("alone") << false;
    QTest::newRow("with its tool bar") << true;
}

void TestEditSizeWidget::deletesLabelsOnce()
{
    QFETCH(bool, inToolBar);
    Receiver receiver;
    EditSizeWidget *widget
        = SizeToolBar::createButton(QStringLiteral("Button"), &receiver, SLOT(onClicked()));
    QPointer<MLabel> info = label(widget, 0);
    QPointer<MLabel> dimensions = label(widget, 1);
    QSignalSpy infoGone(info.data(), &QObject::destroyed);
    QSignalSpy dimensionsGone(dimensions.data(), &QObject::destroyed);

    if (inToolBar)
        delete SizeToolBar::createContainer(widget, nullptr).container;
    else
        delete widget;

    QCOMPARE(infoGone.count(), 1);
    QCOMPARE(dimensionsGone.count(), 1);
    QVERIFY(info.isNull() && dimensions.isNull());
}

void TestEditSizeWidget::forgetsPolicyWithNewestButton()
{
    Receiver receiver;
    QGraphicsWidget parent;
    QPointer<EditSizeWidget> newest;
    MLinearLayoutPolicy *policy = nullptr;
    const auto build = [&] {
        newest = SizeToolBar::createButton(QStringLiteral("Button"), &receiver, SLOT(onClicked()));
        SizeToolBar::forgetPolicyWithButton(newest, newest, policy, &receiver);
        const SizeToolBar::Container toolBar = SizeToolBar::createContainer(newest, &parent);
        policy = toolBar.policy;
        return toolBar.container;
    };
    MLabel *older = build();
    MLabel *newer = build();
    MLinearLayoutPolicy *newerPolicy = policy;

    delete older;
    QVERIFY(policy == newerPolicy);
    delete newer;
    QVERIFY(!policy);
}

QTEST_MAIN(TestEditSizeWidget)

#include "tst_editsizewidget.moc"
