// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Which formats lumora-edit reads and writes, checked through the built program with
// readers that are not ours (ImageMagick Q16): every format written gives its pixels
// back at any size, a drawing is never rendered whatever its name, and a PNG's colour
// key keeps its meaning at every depth.

#include "processrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

ProcessRun lumoraEdit(const QStringList &arguments)
{
    return runProcess(QStringLiteral(LUMORA_EDIT), arguments);
}

// ImageMagick's convert; empty when it succeeded, else what it said.
QString convert(const QStringList &arguments)
{
    const ProcessRun run = runProcess(QStringLiteral("convert-im6.q16"), arguments);
    return run.exitCode == 0 ? QString() : QString::fromUtf8(run.err) + QLatin1Char('!');
}

QString identify(const QString &file, const QString &format)
{
    return QString::fromUtf8(runProcess(QStringLiteral("identify-im6.q16"),
                                        { QStringLiteral("-format"), format, file })
                                 .out)
        .trimmed();
}

// compare's reading of two pictures with `options` ("-metric", "AE", ...).
QString compare(const QString &a, const QString &b, const QStringList &options)
{
    const ProcessRun run = runProcess(QStringLiteral("compare-im6.q16"),
                                      options + QStringList { a, b, QStringLiteral("null:") });
    return QString::fromUtf8(run.err).trimmed();
}

// A photo-like picture made by ImageMagick: smooth but never flat, with low bytes at 16
// bits; width unlike height. `kind` is "colour", "grey", "alpha" (colour with a
// gradient of transparency) or "colour16".
QString makePicture(const QString &file, const QSize &size, const QString &kind)
{
    const QString geometry = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    QStringList arguments { QStringLiteral("-seed"),   QStringLiteral("7"),
                            QStringLiteral("-size"),   geometry,
                            QStringLiteral("plasma:"), QStringLiteral("-blur"),
                            QStringLiteral("0x2") };
    if (kind == QLatin1String("grey"))
        arguments << QStringLiteral("-colorspace") << QStringLiteral("Gray");
    if (kind == QLatin1String("alpha"))
        arguments << QStringLiteral("(") << QStringLiteral("-size") << geometry
                  << QStringLiteral("gradient:white-#202020") << QStringLiteral(")")
                  << QStringLiteral("-alpha") << QStringLiteral("off") << QStringLiteral("-compose")
                  << QStringLiteral("copy_opacity") << QStringLiteral("-composite");
    arguments << QStringLiteral("-depth")
              << (kind == QLatin1String("colour16") ? QStringLiteral("16") : QStringLiteral("8"))
              << file;
    return convert(arguments);
}

} // namespace

class tst_PictureFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void writtenFormats_data();
    void writtenFormats();
    void otherOutputsRefused_data();
    void otherOutputsRefused();
    void batchOutputNames_data();
    void batchOutputNames();
    void readFormats_data();
    void readFormats();
    void drawingsRefused_data();
    void drawingsRefused();
    void colourKeys_data();
    void colourKeys();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_PictureFormats::initTestCase()
{
    for (const char *tool : { "identify-im6.q16", "convert-im6.q16", "compare-im6.q16" })
        QVERIFY2(QStandardPaths::findExecutable(QString::fromLatin1(tool)).size() > 0, tool);
}

void tst_PictureFormats::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_PictureFormats::writtenFormats_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("expected"); // identify's "%m %wx%h %z %[channels]"
    QTest::addColumn<QStringList>("reference"); // ImageMagick options making the expected
    QTest::addColumn<QStringList>("metric"); // compare's options; its reading must be 0
    // 8-bit output of 16-bit pixels: Qt and ImageMagick may round a sample apart by one.
    const QStringList exact { "-metric", "AE" };
    const QStringList roundedApart { "-fuzz", "0.5%", "-metric", "AE" };
    // JPEG is lossy: no pixel further than 8% from the flipped input.
    const QStringList lossy { "-fuzz", "8%", "-metric", "AE" };
    // 640 wide: a multiple of 128, where a WBMP header breaks; 257: odd.
    const QList<QSize> sizes { { 640, 480 }, { 257, 131 } };
    struct Row
    {
        const char *suffix;
        const char *kind;
        const char *expected; // with %1 for the size
        QStringList reference;
        QStringList metric;
    };
    const QList<Row> rows {
        { "png", "colour", "PNG %1 8 srgb", {}, exact },
        { "png", "grey", "PNG %1 8 gray", {}, exact },
        { "png", "alpha", "PNG %1 8 srgba", {}, exact },
        { "png", "colour16", "PNG %1 16 srgb", {}, exact },
        { "tif", "colour", "TIFF %1 8 srgb", {}, exact },
        { "tif", "grey", "TIFF %1 8 gray", {}, exact },
        { "tif", "alpha", "TIFF %1 8 srgba", {}, exact },
        { "tif", "colour16", "TIFF %1 16 srgb", {}, exact },
        { "webp", "colour", "WEBP %1 8 srgb", {}, exact },
        { "webp", "grey", "WEBP %1 8 srgb", {}, exact },
        { "webp", "alpha", "WEBP %1 8 srgba", {}, exact },
        { "webp", "colour16", "WEBP %1 8 srgb", { "-depth", "8" }, roundedApart },
        { "bmp", "colour", "BMP3 %1 8 srgb", {}, exact },
        { "bmp", "grey", "BMP3 %1 8 srgb", {}, exact },
        { "bmp", "alpha", "BMP3 %1 8 srgb", { "-alpha", "off" }, exact },
        { "bmp", "colour16", "BMP3 %1 8 srgb", { "-depth", "8" }, roundedApart },
        { "ppm", "colour", "PPM %1 8 srgb", {}, exact },
        { "ppm", "grey", "PPM %1 8 srgb", {}, exact },
        { "ppm", "alpha", "PPM %1 8 srgb", { "-alpha", "off" }, exact },
        { "ppm", "colour16", "PPM %1 8 srgb", { "-depth", "8" }, roundedApart },
        { "jpg", "colour", "JPEG %1 8 srgb", {}, lossy },
        { "jpg", "grey", "JPEG %1 8 gray", {}, lossy },
        { "jpg", "alpha", "JPEG %1 8 srgb", { "-alpha", "off" }, lossy },
        { "jpg", "colour16", "JPEG %1 8 srgb", { "-depth", "8" }, lossy },
    };
    for (const Row &row : rows) {
        for (const QSize &size : sizes) {
            const QString geometry = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            QTest::addRow("%s %s %s", row.suffix, row.kind, qPrintable(geometry))
                << QString::fromLatin1(row.suffix) << QString::fromLatin1(row.kind) << size
                << QString::fromLatin1(row.expected).arg(geometry) << row.reference << row.metric;
        }
    }
}

void tst_PictureFormats::writtenFormats()
{
    QFETCH(QString, suffix);
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QString, expected);
    QFETCH(QStringList, reference);
    QFETCH(QStringList, metric);
    const QString input = path(QStringLiteral("in.png"));
    QCOMPARE(makePicture(input, size, kind), QString());
    const QString output = path(QStringLiteral("out.") + suffix);
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(identify(output, QStringLiteral("%m %wx%h %z %[channels]")), expected);
    const QString flopped = path(QStringLiteral("expected.png"));
    QCOMPARE(convert(QStringList { input, QStringLiteral("-flop") } + reference
                     + QStringList { flopped }),
             QString());
    const QString reading = compare(output, flopped, metric);
    QVERIFY2(
        reading == QLatin1String("0"),
        qPrintable(
            QStringLiteral("%1 pixels differ between %2 and %3").arg(reading, output, flopped)));
    m_dir->setAutoRemove(reading == QLatin1String("0"));
}

void tst_PictureFormats::otherOutputsRefused_data()
{
    QTest::addColumn<QString>("output");
    // Each a suffix Qt has a writer for, but one that does not give the picture back.
    QTest::newRow("ICO shrinks to 256 pixels") << "out.ico";
    QTest::newRow("CUR shrinks to 256 pixels") << "out.cur";
    QTest::newRow("ICNS shrinks") << "out.icns";
    QTest::newRow("WBMP header breaks at 640") << "out.wbmp";
    QTest::newRow("PGM loses colour") << "out.pgm";
    QTest::newRow("PBM loses colour") << "out.pbm";
    QTest::newRow("XBM loses colour") << "out.xbm";
    QTest::newRow("XPM loses partial alpha") << "out.xpm";
    QTest::newRow("GIF has no writer") << "out.gif";
    QTest::newRow("SVG is no raster") << "out.svg";
    QTest::newRow("no suffix") << "out";
    QTest::newRow("suffix in capitals") << "out.ICO";
}

void tst_PictureFormats::otherOutputsRefused()
{
    QFETCH(QString, output);
    const QString input = path(QStringLiteral("in.png"));
    QCOMPARE(makePicture(input, QSize(640, 480), QStringLiteral("colour")), QString());
    const ProcessRun run
        = lumoraEdit({ QStringLiteral("-o"), path(output), input, "flip-horizontal" });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("unsupported picture format"), run.err.constData());
    QVERIFY2(run.err.contains("jpg, png, tif, webp, bmp, ppm"), run.err.constData());
    QVERIFY(!QFileInfo::exists(path(output)));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList { "in.png" });
}

void tst_PictureFormats::batchOutputNames_data()
{
    QTest::addColumn<QString>("input"); // made by ImageMagick from a PNG
    QTest::addColumn<QString>("output"); // its name in the output folder
    QTest::newRow("PPM stays PPM") << "in.ppm"
                                   << "in.ppm";
    QTest::newRow("TIFF stays TIFF") << "in.tiff"
                                     << "in.tiff";
    QTest::newRow("PGM becomes PNG") << "in.pgm"
                                     << "in.png";
    QTest::newRow("XPM becomes PNG") << "in.xpm"
                                     << "in.png";
}

void tst_PictureFormats::batchOutputNames()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    const QString source = path(QStringLiteral("source.png"));
    QCOMPARE(makePicture(source, QSize(257, 131), QStringLiteral("grey")), QString());
    QCOMPARE(convert({ source, path(input) }), QString());
    const QString dir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir));
    const ProcessRun run = lumoraEdit({ QStringLiteral("--output-dir"), dir, path(input),
                                        QStringLiteral("--"), "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList { output });
    const QString flipped = path(QStringLiteral("expected.png"));
    QCOMPARE(convert({ path(input), QStringLiteral("-flip"), flipped }), QString());
    QCOMPARE(compare(QDir(dir).filePath(output), flipped, { "-metric", "AE" }),
             QStringLiteral("0"));
}

void tst_PictureFormats::readFormats_data()
{
    QTest::addColumn<QString>("input"); // made by ImageMagick from a PNG
    QTest::addColumn<QStringList>("make"); // ImageMagick options before the output
    QTest::addColumn<QByteArray>("refusal"); // empty: read and edited
    QTest::newRow("PGM read") << "in.pgm" << QStringList { "-colorspace", "Gray" } << QByteArray();
    QTest::newRow("PBM read") << "in.pbm" << QStringList { "-monochrome" } << QByteArray();
    QTest::newRow("WBMP read") << "in.wbmp" << QStringList { "-monochrome" } << QByteArray();
    QTest::newRow("XPM read") << "in.xpm" << QStringList() << QByteArray();
    QTest::newRow("TIFF read") << "in.tif" << QStringList() << QByteArray();
    QTest::newRow("ICO refused") << "in.ico" << QStringList { "-resize", "48x32!" }
                                 << QByteArray("ICO files are not read as photos");
    QTest::newRow("ICO named PNG refused") << "icon.ico" << QStringList { "-resize", "48x32!" }
                                           << QByteArray("ICO files are not read as photos");
    QTest::newRow("MNG refused") << "in.mng" << QStringList()
                                 << QByteArray("MNG files are not read as photos");
}

void tst_PictureFormats::readFormats()
{
    QFETCH(QString, input);
    QFETCH(QStringList, make);
    QFETCH(QByteArray, refusal);
    const QString source = path(QStringLiteral("source.png"));
    QCOMPARE(makePicture(source, QSize(97, 61), QStringLiteral("colour")), QString());
    QCOMPARE(convert(QStringList { source } + make + QStringList { path(input) }), QString());
    QString given = path(input);
    if (input == QLatin1String("icon.ico")) { // content decides, not the name
        given = path(QStringLiteral("icon.png"));
        QVERIFY(QFile::rename(path(input), given));
    }
    const QString output = path(QStringLiteral("out.png"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, given, "flip-horizontal" });
    if (!refusal.isEmpty()) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(refusal), run.err.constData());
        QVERIFY(!QFileInfo::exists(output));
        return;
    }
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString flopped = path(QStringLiteral("expected.png"));
    QCOMPARE(convert({ given, QStringLiteral("-flop"), flopped }), QString());
    QCOMPARE(compare(output, flopped, { "-metric", "AE" }), QStringLiteral("0"));
}

void tst_PictureFormats::drawingsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // %1 stands for the local picture's path
    QTest::addColumn<QByteArray>("kind");
    const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"97\" "
                           "height=\"61\"><image xlink:href=\"%1\" width=\"97\" "
                           "height=\"61\"/></svg>\n";
    QTest::newRow("SVG named upload.jpg, absolute href")
        << "upload.jpg" << svg << QByteArray("SVG");
    QTest::newRow("SVG named upload.png, relative href")
        << "upload.png" << QByteArray(svg).replace("%1", "secret.png") << QByteArray("SVG");
    QTest::newRow("SVG, href without xlink")
        << "upload.jpg" << QByteArray(svg).replace("xlink:href", "href") << QByteArray("SVG");
    QTest::newRow("SVG after a long declaration and comment")
        << "upload.tif"
        << QByteArray(
               "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<!-- "
               + QByteArray(200, 'x') + " -->\n" + svg)
        << QByteArray("SVG");
    QTest::newRow("SVGZ named upload.jpg") << "upload.svgz" << svg << QByteArray("SVG");
    QTest::newRow("PDF named upload.jpg")
        << "upload.jpg" << QByteArray("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n%%EOF\n")
        << QByteArray("PDF");
    QTest::newRow("EPS named upload.jpg")
        << "upload.jpg" << QByteArray("%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 97 61\n")
        << QByteArray("PostScript");
}

void tst_PictureFormats::drawingsRefused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, kind);
    // A local picture of the user's, which a rendered drawing would pull in.
    const QString secret = path(QStringLiteral("secret.png"));
    QCOMPARE(convert({ QStringLiteral("-size"), QStringLiteral("97x61"),
                       QStringLiteral("xc:#c0ffee"), secret }),
             QString());
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(content).replace("%1", QFile::encodeName(secret)));
    file.close();
    QString input = path(name);
    if (name.endsWith(QLatin1String(".svgz"))) { // compressed by gzip, named as a photo
        QCOMPARE(runProcess(QStringLiteral("gzip"), { QStringLiteral("-n"), input }).exitCode, 0);
        input = path(QStringLiteral("upload.jpg"));
        QVERIFY(QFile::rename(path(name) + QStringLiteral(".gz"), input));
    }
    const QString output = path(QStringLiteral("out.png"));
    const ProcessRun single
        = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QCOMPARE(single.exitCode, 1);
    QVERIFY2(single.err.contains("it is a vector drawing (" + kind + "), not a photo"),
             single.err.constData());
    QVERIFY(!QFileInfo::exists(output));
    const QString dir = path(QStringLiteral("batch"));
    QVERIFY(QDir().mkpath(dir));
    const ProcessRun batch = lumoraEdit(
        { QStringLiteral("--output-dir"), dir, input, QStringLiteral("--"), "flip-horizontal" });
    QCOMPARE(batch.exitCode, 1);
    QVERIFY2(batch.err.contains("vector drawing"), batch.err.constData());
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList());
    // Nothing of the local picture came out anywhere: no file but the two made here.
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    files.sort();
    QStringList made { QFileInfo(input).fileName(), QStringLiteral("secret.png") };
    made.sort();
    QCOMPARE(files, made);
}

void tst_PictureFormats::colourKeys_data()
{
    QTest::addColumn<QStringList>("make"); // ImageMagick options making the keyed PNG
    QTest::addColumn<QString>("writer"); // ImageMagick's prefix of the output name
    QTest::addColumn<QString>("expected"); // identify's "%z %[channels]" of the output
    // A gradient with a keyed rectangle, and beside it one whose colour differs from the
    // key in the low byte of one sample only: it must stay opaque.
    const QStringList colour16 { "-size",
                                 "64x48",
                                 "gradient:red-blue",
                                 "-depth",
                                 "16",
                                 "-fill",
                                 "#123456789abc",
                                 "-draw",
                                 "rectangle 5,5,20,20",
                                 "-fill",
                                 "#123456789abd",
                                 "-draw",
                                 "rectangle 30,5,40,20",
                                 "-transparent",
                                 "#123456789abc",
                                 "-define",
                                 "png:bit-depth=16",
                                 "-define",
                                 "png:color-type=2" };
    const QStringList grey16 { "-size",
                               "64x48",
                               "gradient:white-black",
                               "-colorspace",
                               "Gray",
                               "-depth",
                               "16",
                               "-fill",
                               "#4d4d4d4d4d4d",
                               "-draw",
                               "rectangle 5,5,20,20",
                               "-fill",
                               "#4d4e4d4e4d4e",
                               "-draw",
                               "rectangle 30,5,40,20",
                               "-transparent",
                               "#4d4d4d4d4d4d",
                               "-define",
                               "png:bit-depth=16",
                               "-define",
                               "png:color-type=0" };
    QStringList colour8 = colour16;
    colour8.replaceInStrings("#123456789abc", "#123456")
        .replaceInStrings("#123456789abd", "#123457");
    colour8.replaceInStrings("16", "8");
    QStringList grey8 = grey16;
    grey8.replaceInStrings("#4d4d4d4d4d4d", "#4d4d4d").replaceInStrings("#4d4e4d4e4d4e", "#4e4e4e");
    grey8.replaceInStrings("16", "8");
    // ImageMagick writes a palette's transparency as tRNS when the key is one of its
    // colours: the gradient reduced first, the rectangles drawn after.
    QStringList palette = colour8.mid(0, colour8.indexOf("-define"));
    palette.insert(palette.indexOf("-fill"), "-colors");
    palette.insert(palette.indexOf("-fill"), "32");
    QTest::newRow("16-bit colour key") << colour16 << ""
                                       << "16 srgba";
    QTest::newRow("16-bit grey key") << grey16 << ""
                                     << "16 srgba";
    QTest::newRow("8-bit colour key") << colour8 << ""
                                      << "8 srgba";
    // Grey with a key comes out as colour with alpha: Qt has no grey with alpha.
    QTest::newRow("8-bit grey key") << grey8 << ""
                                    << "8 srgba";
    QTest::newRow("palette with transparency") << palette << "PNG8:"
                                               << "8 srgba";
}

void tst_PictureFormats::colourKeys()
{
    QFETCH(QStringList, make);
    QFETCH(QString, expected);
    QFETCH(QString, writer);
    const QString input = path(QStringLiteral("keyed.png"));
    QCOMPARE(convert(make + QStringList { writer + input }), QString());
    // The fixture holds what it should: some pixels transparent, others opaque.
    QCOMPARE(identify(input, QStringLiteral("%[fx:minima.a] %[fx:maxima.a]")),
             QStringLiteral("0 1"));
    const QString output = path(QStringLiteral("out.png"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(identify(output, QStringLiteral("%z %[channels]")), expected);
    const QString flopped = path(QStringLiteral("expected.png"));
    QCOMPARE(convert({ input, QStringLiteral("-flop"), flopped }), QString());
    const QString alpha = compare(output, flopped, { "-channel", "A", "-metric", "AE" });
    const QString all = compare(output, flopped, { "-metric", "AE" });
    m_dir->setAutoRemove(alpha == QLatin1String("0") && all == QLatin1String("0"));
    QVERIFY2(alpha == QLatin1String("0"),
             qPrintable(QStringLiteral("alpha differs in %1 pixels between %2 and %3")
                            .arg(alpha, output, flopped)));
    QVERIFY2(
        all == QLatin1String("0"),
        qPrintable(QStringLiteral("%1 pixels differ between %2 and %3").arg(all, output, flopped)));
}

QTEST_GUILESS_MAIN(tst_PictureFormats)
#include "tst_pictureformats.moc"
