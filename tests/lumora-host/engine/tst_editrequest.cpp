// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The command line's edits: what each asks of which plug-in, and what is refused.

#include "editrequest.h"

#include <QTest>

class tst_EditRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parses_data();
    void parses();
    void refuses_data();
    void refuses();
};

Q_DECLARE_METATYPE(EditRequest::Kind)

void tst_EditRequest::parses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<EditRequest::Kind>("kind");
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<int>("popupRow");
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QStringList>("buttons");

    QTest::newRow("flip-vertical") << "flip-vertical" << EditRequest::OneShot
                                   << "EditFlipVerticalPlugin" << -1 << QRect() << QStringList();
    QTest::newRow("rotate-left") << "rotate-left" << EditRequest::OneShot
                                 << "EditRotateCounterClockwisePlugin" << -1 << QRect()
                                 << QStringList();
    QTest::newRow("auto-fix") << "auto-fix" << EditRequest::OneShot << "EditAutoFixPlugin" << -1
                              << QRect() << QStringList();
    QTest::newRow("any one-shot by class")
        << "plugin=RotateHalfTurnPlugin" << EditRequest::OneShot << "RotateHalfTurnPlugin" << -1
        << QRect() << QStringList();
    QTest::newRow("crop free") << "crop=free" << EditRequest::Crop << "EditCropPlugin" << 0
                               << QRect() << QStringList();
    QTest::newRow("crop 16:9") << "crop=16:9" << EditRequest::Crop << "EditCropPlugin" << 7
                               << QRect() << QStringList();
    QTest::newRow("crop 9:16 placed")
        << "crop=9:16@10,20,90x160" << EditRequest::Crop << "EditCropPlugin" << 8
        << QRect(10, 20, 90, 160) << QStringList();
    QTest::newRow("resize 12") << "resize=12" << EditRequest::Resize << "EditResizePlugin" << 0
                               << QRect() << QStringList();
    QTest::newRow("resize 100") << "resize=100" << EditRequest::Resize << "EditResizePlugin" << 4
                                << QRect() << QStringList();
    QTest::newRow("two effects") << "effect=sepia,cross-processing" << EditRequest::Effect
                                 << "EditVintageEffectsPlugin" << -1 << QRect()
                                 << QStringList { "SepiaButton", "CrossProcessButton" };
    QTest::newRow("old colour") << "effect=old-color-photo" << EditRequest::Effect
                                << "EditVintageEffectsPlugin" << -1 << QRect()
                                << QStringList { "OldColorButton" };
}

void tst_EditRequest::parses()
{
    QFETCH(QString, text);
    QString error;
    const std::optional<EditRequest> request = EditRequest::parse(text, &error);
    QVERIFY2(request, qPrintable(error));
    QTEST(request->kind, "kind");
    QTEST(request->pluginClass, "pluginClass");
    QTEST(request->popupRow, "popupRow");
    QTEST(request->selection.value_or(QRect()), "selection");
    QTEST(request->buttons, "buttons");
    QCOMPARE(request->text, text);
}

void tst_EditRequest::refuses_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown") << "sharpen";
    QTest::newRow("empty") << "";
    QTest::newRow("one-shot with a value") << "flip-vertical=1";
    QTest::newRow("crop ratio") << "crop=5:4";
    QTest::newRow("crop no ratio") << "crop=";
    QTest::newRow("crop bad place") << "crop=free@1,2,3";
    QTest::newRow("crop negative") << "crop=free@-1,2,3x4";
    QTest::newRow("crop empty width") << "crop=free@1,2,0x4";
    QTest::newRow("crop huge") << "crop=free@1,2,99999999999x4";
    QTest::newRow("resize 33") << "resize=33";
    QTest::newRow("resize text") << "resize=half";
    QTest::newRow("effect unknown") << "effect=vivid";
    QTest::newRow("effect trailing comma") << "effect=sepia,";
    QTest::newRow("plugin without class") << "plugin=";
    QTest::newRow("plugin class with a space") << "plugin=Edit Crop";
}

void tst_EditRequest::refuses()
{
    QFETCH(QString, text);
    QString error;
    QVERIFY(!EditRequest::parse(text, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!error.contains(QLatin1Char('\n')));
}

QTEST_GUILESS_MAIN(tst_EditRequest)
#include "tst_editrequest.moc"
