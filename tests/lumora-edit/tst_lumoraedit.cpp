// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit run as a user runs it: real pictures in, real pictures out, the trace
// of what each plug-in asked for, and clear refusals of bad input.

#include "imagefilters.h"
#include "processrun.h"
#include "testpictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

using Run = ProcessRun;

Run lumoraEdit(const QStringList &arguments)
{
    return runProcess(QStringLiteral(LUMORA_EDIT), arguments);
}

QList<QJsonObject> traceOf(const QByteArray &err)
{
    QList<QJsonObject> events;
    for (const QByteArray &line : err.split('\n')) {
        if (line.startsWith('{'))
            events << QJsonDocument::fromJson(line).object();
    }
    return events;
}

} // namespace

class tst_LumoraEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void menu();
    void oneShotEdits_data();
    void oneShotEdits();
    void editsChain();
    void toolBarEdits_data();
    void toolBarEdits();
    void placedCropSelection();
    void effectsReplaceEachOther();
    void badInput_data();
    void badInput();
    void exifOrientationIsApplied();
    void extremeShapesThroughEveryEdit_data();
    void extremeShapesThroughEveryEdit();
    void inPlaceReplacesTheInput();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void tst_LumoraEdit::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_LumoraEdit::menu()
{
    const Run run = lumoraEdit({ QStringLiteral("--list") });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const QList<QByteArray> lines = run.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 8);
    const QList<QByteArray> expected = {
        "1\tAuto-fix\ticon-m-image-edit-autofix-all\tEditAutoFixPlugin\t",
        "2\tRotate left\ticon-m-image-edit-rotate-left\tEditRotateCounterClockwisePlugin\t",
        "3\tRotate right\ticon-m-image-edit-rotate-right\tEditRotateClockwisePlugin\t",
        "5\tCrop\ticon-m-image-edit-crop\tEditCropPlugin\t",
        "6\tResize\ticon-m-image-edit-resize\tEditResizePlugin\t",
        "8\tColour effects\ticon-m-image-edit-filter\tEditVintageEffectsPlugin\t",
        "10\tFlip horizontal\ticon-m-image-edit-flip-horizontal\tEditFlipHorizontalPlugin\t",
        "11\tFlip vertical\ticon-m-image-edit-flip-vertical\tEditFlipVerticalPlugin\t",
    };
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(expected[i]), lines[i].constData());
}

void tst_LumoraEdit::oneShotEdits_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("options"); // the trace's options object, compact JSON
    QTest::addColumn<QImage>("expected");

    const QImage input = pattern(37, 23);
    QTest::newRow("flip-vertical")
        << "flip-vertical"
        << "EditFlipVerticalPlugin"
        << "org.quenta.flip"
        << R"({"horizontal":{"type":"bool","value":false}})" << input.mirrored(false, true);
    QTest::newRow("flip-horizontal")
        << "flip-horizontal"
        << "EditFlipHorizontalPlugin"
        << "org.quenta.flip"
        << R"({"horizontal":{"type":"bool","value":true}})" << input.mirrored(true, false);
    QTest::newRow("rotate-right") << "rotate-right"
                                  << "EditRotateClockwisePlugin"
                                  << "org.quenta.rotate"
                                  << R"({"angle":{"type":"int","value":90}})"
                                  << input.transformed(QTransform().rotate(90));
    QTest::newRow("rotate-left") << "rotate-left"
                                 << "EditRotateCounterClockwisePlugin"
                                 << "org.quenta.rotate"
                                 << R"({"angle":{"type":"int","value":-90}})"
                                 << input.transformed(QTransform().rotate(-90));
    QTest::newRow("auto-fix") << "auto-fix"
                              << "EditAutoFixPlugin"
                              << "org.quenta.auto.levels"
                              << "{}" << ImageFilters::autoLevels(input);
}

void tst_LumoraEdit::oneShotEdits()
{
    QFETCH(QString, edit);
    QFETCH(QString, pluginClass);
    QFETCH(QString, filter);
    QFETCH(QString, options);
    QFETCH(QImage, expected);
    QVERIFY(pattern(37, 23).save(path("in.png")));

    const Run run = lumoraEdit({ "--trace", "-o", path("out.png"), path("in.png"), edit });
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> trace = traceOf(run.err);
    QCOMPARE(trace.size(), 2);
    QCOMPARE(trace[0].value("event").toString(), QStringLiteral("runEditFilter"));
    QCOMPARE(trace[0].value("plugin").toString(), pluginClass);
    QCOMPARE(trace[0].value("filter").toString(), filter);
    QCOMPARE(QJsonDocument(trace[0].value("options").toObject()).toJson(QJsonDocument::Compact),
             options.toUtf8());
    QCOMPARE(trace[0].value("flag").toInt(-1), 0);
    QCOMPARE(trace[1].value("event").toString(), QStringLiteral("editOperationPerformed"));
    QCOMPARE(trace[1].value("plugin").toString(), pluginClass);

    const QImage written(path("out.png"));
    QCOMPARE(written.convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
}

void tst_LumoraEdit::editsChain()
{
    QVERIFY(pattern(30, 20).save(path("in.png")));
    const Run run = lumoraEdit({ "-o", path("out.png"), path("in.png"), "rotate-right",
                                 "flip-horizontal", "rotate-left" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QByteArray());
    const QImage expected = pattern(30, 20)
                                .transformed(QTransform().rotate(90))
                                .mirrored(true, false)
                                .transformed(QTransform().rotate(-90));
    QCOMPARE(QImage(path("out.png")).convertToFormat(QImage::Format_RGB32), expected);
}

void tst_LumoraEdit::toolBarEdits_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("filter"); // empty: no filter runs
    QTest::addColumn<QJsonValue>("value"); // the option's value in the trace
    QTest::addColumn<QSize>("written");

    QTest::newRow("crop 16:9") << QSize(4000, 3000) << "crop=16:9"
                               << "org.quenta.crop" << QJsonValue(QJsonArray { 0, 375, 4000, 2250 })
                               << QSize(4000, 2250);
    QTest::newRow("crop square") << QSize(640, 480) << "crop=square"
                                 << "org.quenta.crop" << QJsonValue(QJsonArray { 80, 0, 480, 480 })
                                 << QSize(480, 480);
    QTest::newRow("crop original")
        << QSize(640, 480) << "crop=original" << QString() << QJsonValue() << QSize(640, 480);
    QTest::newRow("crop free") << QSize(640, 480) << "crop=free" << QString() << QJsonValue()
                               << QSize(640, 480);
    QTest::newRow("crop 9:16 on a wide picture")
        << QSize(1600, 900) << "crop=9:16"
        << "org.quenta.crop" << QJsonValue(QJsonArray { 547, 0, 506, 900 }) << QSize(506, 900);
    QTest::newRow("resize 12") << QSize(4000, 3000) << "resize=12"
                               << "org.quenta.scale" << QJsonValue(QJsonArray { 480, 360 })
                               << QSize(480, 360);
    QTest::newRow("resize 25 truncates")
        << QSize(999, 767) << "resize=25"
        << "org.quenta.scale" << QJsonValue(QJsonArray { 249, 191 }) << QSize(249, 191);
    QTest::newRow("resize 100") << QSize(320, 200) << "resize=100" << QString() << QJsonValue()
                                << QSize(320, 200);
}

void tst_LumoraEdit::toolBarEdits()
{
    QFETCH(QSize, size);
    QFETCH(QString, edit);
    QFETCH(QString, filter);
    QFETCH(QJsonValue, value);
    QFETCH(QSize, written);
    QImage input(size, QImage::Format_RGB32);
    input.fill(qRgb(90, 120, 150));
    QVERIFY(input.save(path("in.png")));

    const Run run = lumoraEdit({ "--trace", "-o", path("out.png"), path("in.png"), edit });
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> trace = traceOf(run.err);
    QCOMPARE(trace.size(), filter.isEmpty() ? 1 : 2);
    if (!filter.isEmpty()) {
        QCOMPARE(trace[0].value("filter").toString(), filter);
        QCOMPARE(trace[0].value("flag").toInt(-1), 0);
        const QJsonObject options = trace[0].value("options").toObject();
        QCOMPARE(options.size(), 1);
        const QJsonValue actual = options.begin()->toObject().value("value");
        QCOMPARE(actual, value);
        if (filter == QLatin1String("org.quenta.crop")) {
            const QJsonArray r = actual.toArray();
            QCOMPARE(options.begin().key(), QStringLiteral("cropRectangle"));
            QVERIFY(QRect(QPoint(0, 0), size)
                        .contains(QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt())));
            QCOMPARE(QSize(r[2].toInt(), r[3].toInt()), written);
        } else {
            QCOMPARE(options.begin().key(), QStringLiteral("sizeAfter"));
        }
    }
    QCOMPARE(trace.last().value("event").toString(), QStringLiteral("editOperationPerformed"));
    QCOMPARE(QImage(path("out.png")).size(), written);
}

void tst_LumoraEdit::placedCropSelection()
{
    const QImage input = pattern(64, 48);
    QVERIFY(input.save(path("in.png")));
    const Run run
        = lumoraEdit({ "--trace", "-o", path("out.png"), path("in.png"), "crop=free@10,5,30x20" });
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> trace = traceOf(run.err);
    QCOMPARE(trace.size(), 2);
    QCOMPARE(trace[0].value("options").toObject().value("cropRectangle").toObject().value("value"),
             QJsonValue(QJsonArray { 10, 5, 30, 20 }));
    QCOMPARE(QImage(path("out.png")).convertToFormat(QImage::Format_RGB32),
             input.copy(10, 5, 30, 20));

    // A selection outside the picture is refused; nothing is written.
    const Run outside
        = lumoraEdit({ "-o", path("out2.png"), path("in.png"), "crop=free@60,40,30x20" });
    QCOMPARE(outside.exitCode, 1);
    QVERIFY(outside.err.contains("outside"));
    QVERIFY(!QFile::exists(path("out2.png")));
}

void tst_LumoraEdit::effectsReplaceEachOther()
{
    const QImage input = pattern(40, 30);
    QVERIFY(input.save(path("in.png")));
    const Run run = lumoraEdit(
        { "--trace", "-o", path("out.png"), path("in.png"), "effect=sepia,cross-processing" });
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> trace = traceOf(run.err);
    QCOMPARE(trace.size(), 3);
    const QStringList filters = { "com.velmo.sepia", "com.velmo.cross-processing" };
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(trace[i].value("event").toString(), QStringLiteral("runEditFilter"));
        QCOMPARE(trace[i].value("filter").toString(), filters[i]);
        QCOMPARE(trace[i].value("options").toObject(), QJsonObject());
        QCOMPARE(trace[i].value("flag").toInt(), 1);
    }
    QCOMPARE(trace[2].value("event").toString(), QStringLiteral("editOperationPerformed"));
    QCOMPARE(trace[2].value("plugin").toString(), QStringLiteral("EditVintageEffectsPlugin"));
    QCOMPARE(QImage(path("out.png")).convertToFormat(QImage::Format_RGB32),
             ImageFilters::crossProcessing(input).convertToFormat(QImage::Format_RGB32));
}

void tst_LumoraEdit::badInput_data()
{
    QTest::addColumn<QStringList>("arguments"); // IN and OUT stand for the files
    QTest::addColumn<QByteArray>("inputContents"); // empty: a valid picture
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing picture") << QStringList { "-o", "OUT", "MISSING", "flip-vertical" }
                                     << QByteArray() << 1 << "no such file";
    QTest::newRow("corrupt picture")
        << QStringList { "-o", "OUT", "IN", "flip-vertical" }
        << QByteArray("\x89PNG\r\n\x1a\nrubbish", 16) << 1 << "cannot read";
    QTest::newRow("unknown edit") << QStringList { "-o", "OUT", "IN", "sharpen" } << QByteArray()
                                  << 2 << "unknown edit 'sharpen'";
    QTest::newRow("missing plug-in")
        << QStringList { "--plugins", "EMPTY", "-o", "OUT", "IN", "flip-vertical" } << QByteArray()
        << 1 << "EditFlipVerticalPlugin, which is not loaded";
    QTest::newRow("output folder missing") << QStringList { "-o", "NOWHERE", "IN", "flip-vertical" }
                                           << QByteArray() << 1 << "cannot write";
    QTest::newRow("output over input") << QStringList { "-o", "IN", "IN", "flip-vertical" }
                                       << QByteArray() << 2 << "would replace the input";
    QTest::newRow("unsupported output") << QStringList { "-o", "OUT.xyz", "IN", "flip-vertical" }
                                        << QByteArray() << 2 << "unsupported picture format";
    QTest::newRow("no edit") << QStringList { "IN" } << QByteArray() << 2 << "no edit given";
    QTest::newRow("zero bytes") << QStringList { "-o", "OUT", "IN", "auto-fix" }
                                << QByteArray("EMPTY") << 1 << "cannot read";
    QTest::newRow("truncated JPEG") << QStringList { "-o", "OUT", "IN", "auto-fix" }
                                    << QByteArray("TRUNCATED") << 1 << "damaged";
    QTest::newRow("header claims 100000x100000")
        << QStringList { "-o", "OUT", "IN", "flip-vertical" }
        << QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a0080200000027309c"
                               "9f0000000c49444154789c6360a00c000000400001b7347cef0000000049454e"
                               "44ae426082")
        << 1 << "100000x100000 pixels";
    QTest::newRow("unsupported format") << QStringList { "-o", "OUT", "IN", "rotate-left" }
                                        << QByteArray("just some text\n") << 1 << "cannot read";
    QTest::newRow("malformed crop")
        << QStringList { "-o", "OUT", "IN", "crop=16:9@1,2" } << QByteArray() << 2 << "@X,Y,WxH";
    QTest::newRow("read-only output folder")
        << QStringList { "-o", "READONLY", "IN", "flip-vertical" } << QByteArray() << 1
        << "cannot write";
}

void tst_LumoraEdit::badInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, inputContents);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    if (arguments.contains(QLatin1String("READONLY")) && ::geteuid() == 0)
        QSKIP("root writes into read-only folders");
    if (inputContents.isEmpty()) {
        QVERIFY(pattern(9, 7).save(path("in.png")));
    } else if (inputContents == "EMPTY") {
        QFile file(path("in.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (inputContents == "TRUNCATED") {
        QBuffer jpeg;
        QVERIFY(jpeg.open(QIODevice::WriteOnly));
        QVERIFY(pattern(64, 64).save(&jpeg, "JPEG"));
        QFile file(path("in.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(jpeg.data().left(jpeg.data().size() / 2));
    } else {
        QFile file(path("in.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(inputContents);
    }
    QVERIFY(QDir().mkpath(path("empty")));
    QVERIFY(QDir().mkpath(path("readonly")));
    QVERIFY(QFile::setPermissions(path("readonly"), QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray before = hashOf(path("in.png"));
    for (QString &argument : arguments) {
        if (argument == QLatin1String("IN"))
            argument = path("in.png");
        else if (argument == QLatin1String("OUT"))
            argument = path("out.png");
        else if (argument == QLatin1String("OUT.xyz"))
            argument = path("out.xyz");
        else if (argument == QLatin1String("MISSING"))
            argument = path("missing.png");
        else if (argument == QLatin1String("EMPTY"))
            argument = path("empty");
        else if (argument == QLatin1String("NOWHERE"))
            argument = path("no/such/folder/out.png");
        else if (argument == QLatin1String("READONLY"))
            argument = path("readonly/out.png");
    }

    const Run run = lumoraEdit(arguments);
    QCOMPARE(run.exitCode, exitCode);
    const QList<QByteArray> lines = run.err.trimmed().split('\n');
    QVERIFY2(lines.last().startsWith("lumora-edit: "), run.err.constData());
    QVERIFY2(lines.last().contains(message.toUtf8()), run.err.constData());
    QCOMPARE(hashOf(path("in.png")), before); // the input is never changed
    // Nothing half-written is left behind.
    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
    QCOMPARE(left, QStringList { "in.png" });
}

void tst_LumoraEdit::exifOrientationIsApplied()
{
    // A JPEG whose EXIF orientation says "rotate 90 clockwise to view" (6).
    QImage stored = pattern(40, 20);
    QVERIFY(stored.save(path("plain.jpg"), "JPEG", 100));
    QFile plain(path("plain.jpg"));
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QByteArray jpeg = plain.readAll();
    const QByteArray exif = QByteArray::fromHex("FFE10022457869660000" // APP1 "Exif\0\0"
                                                "4D4D002A00000008" // big-endian TIFF header
                                                "0001" // one entry
                                                "011200030000000100060000" // Orientation = 6
                                                "00000000");
    jpeg.insert(2, exif);
    QFile rotated(path("in.jpg"));
    QVERIFY(rotated.open(QIODevice::WriteOnly));
    rotated.write(jpeg);
    rotated.close();

    const Run run = lumoraEdit({ "-o", path("out.png"), path("in.jpg"), "flip-horizontal" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(path("out.png")).size(), QSize(20, 40));
}

void tst_LumoraEdit::extremeShapesThroughEveryEdit_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("edit");
    const QStringList edits = { "flip-vertical",
                                "flip-horizontal",
                                "rotate-right",
                                "rotate-left",
                                "auto-fix",
                                "crop=free",
                                "crop=original",
                                "crop=16:9",
                                "crop=9:16",
                                "crop=square",
                                "resize=12",
                                "resize=50",
                                "effect=greyscale,sepia,old-color-photo,cross-processing" };
    for (const QSize &size : { QSize(1, 1), QSize(1, 10000), QSize(10000, 1) }) {
        for (const QString &edit : edits)
            QTest::addRow("%dx%d %s", size.width(), size.height(), qPrintable(edit))
                << size << edit;
    }
}

void tst_LumoraEdit::extremeShapesThroughEveryEdit()
{
    QFETCH(QSize, size);
    QFETCH(QString, edit);
    QImage input(size, QImage::Format_RGB32);
    input.fill(qRgb(10, 200, 90));
    QVERIFY(input.save(path("in.png")));
    const Run run = lumoraEdit({ "--trace", "-o", path("out.png"), path("in.png"), edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QImage written(path("out.png"));
    QVERIFY(!written.isNull());
    QVERIFY(written.width() >= 1 && written.height() >= 1);
    // Every confirmed edit ends with exactly one completion.
    QCOMPARE(run.err.count("editOperationPerformed"), 1);
}

void tst_LumoraEdit::inPlaceReplacesTheInput()
{
    QVERIFY(pattern(12, 8).save(path("in.png")));
    const Run run
        = lumoraEdit({ "--in-place", "-o", path("in.png"), path("in.png"), "rotate-left" });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(path("in.png")).convertToFormat(QImage::Format_RGB32),
             pattern(12, 8).transformed(QTransform().rotate(-90)));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { "in.png" });
}

QTEST_GUILESS_MAIN(tst_LumoraEdit)
#include "tst_lumoraedit.moc"
