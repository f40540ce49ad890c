// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The trace lines lumora-edit writes: valid JSON, in the documented shape.

#include "tracingprovider.h"

#include "recordingprovider.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QTest>

class tst_TracingProvider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void optionValues_data();
    void optionValues();
    void forwardsAndTraces();
};

void tst_TracingProvider::optionValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QJsonValue>("json");
    QTest::newRow("bool") << QVariant(false) << "bool" << QJsonValue(false);
    QTest::newRow("int") << QVariant(-90) << "int" << QJsonValue(-90);
    QTest::newRow("rect") << QVariant(QRect(1, 2, 300, 400)) << "QRect"
                          << QJsonValue(QJsonArray { 1, 2, 300, 400 });
    QTest::newRow("size") << QVariant(QSize(480, 360)) << "QSize"
                          << QJsonValue(QJsonArray { 480, 360 });
    QTest::newRow("string with quotes") << QVariant(QStringLiteral("a \"b\"\n")) << "QString"
                                        << QJsonValue(QStringLiteral("a \"b\"\n"));
}

void tst_TracingProvider::optionValues()
{
    QFETCH(QVariant, value);
    QFETCH(QString, type);
    QFETCH(QJsonValue, json);
    const QByteArray line = TracingProvider::runEditFilterLine(QStringLiteral("EditCropPlugin"),
                                                               QStringLiteral("org.quenta.crop"),
                                                               { { "key", value } }, 0);
    QVERIFY(!line.contains('\n'));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(line, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object.value("event").toString(), QStringLiteral("runEditFilter"));
    QCOMPARE(object.value("plugin").toString(), QStringLiteral("EditCropPlugin"));
    QCOMPARE(object.value("filter").toString(), QStringLiteral("org.quenta.crop"));
    QCOMPARE(object.value("flag").toInt(-1), 0);
    const QJsonObject option = object.value("options").toObject().value("key").toObject();
    QCOMPARE(option.value("type").toString(), type);
    QCOMPARE(option.value("value"), json);
    // Fields in the documented order.
    QVERIFY(line.startsWith("{\"event\":\"runEditFilter\",\"plugin\":"));
    QVERIFY(line.indexOf("\"filter\"") < line.indexOf("\"options\""));
    QVERIFY(line.indexOf("\"options\"") < line.indexOf("\"flag\""));
}

void tst_TracingProvider::forwardsAndTraces()
{
    RecordingProvider target(QSize(12, 34));
    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    TracingProvider tracer(&target, QStringLiteral("EditAutoFixPlugin"), &out);
    QCOMPARE(tracer.fullImageSize(), QSize(12, 34));
    QVERIFY(tracer.runEditFilter(QStringLiteral("org.quenta.auto.levels"), {}, 0));
    tracer.traceEditOperationPerformed();
    QCOMPARE(target.calls.size(), 1);
    const QList<QByteArray> lines = out.data().split('\n');
    QCOMPARE(lines.size(), 3); // two lines and the empty rest
    QCOMPARE(lines[0],
             QByteArray("{\"event\":\"runEditFilter\",\"plugin\":\"EditAutoFixPlugin\","
                        "\"filter\":\"org.quenta.auto.levels\",\"options\":{},\"flag\":0}"));
    QCOMPARE(lines[1],
             QByteArray("{\"event\":\"editOperationPerformed\",\"plugin\":\"EditAutoFixPlugin\"}"));
}

QTEST_GUILESS_MAIN(tst_TracingProvider)
#include "tst_tracingprovider.moc"
