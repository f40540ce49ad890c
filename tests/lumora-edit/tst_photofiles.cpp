// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit on real photo files, checked with tools that are not ours: exiftool for
// metadata, ImageMagick for depth, colour model and JPEG quality, jpegtran for the
// lossless turns; and every way a write can go wrong on a real file system.

#include "processrun.h"
#include "testpictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Run = ProcessRun;

Run runTool(const QString &program, const QStringList &arguments,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return runProcess(program, arguments, environment);
}

Run lumoraEdit(const QStringList &arguments)
{
    return runTool(QStringLiteral(LUMORA_EDIT), arguments);
}

// exiftool's reading of a file: one object, tag names as keys, numbers as numbers.
QJsonObject exif(const QString &file)
{
    const Run run = runTool(QStringLiteral("exiftool"),
                            { QStringLiteral("-json"), QStringLiteral("-n"), QStringLiteral("-G1"),
                              QStringLiteral("-a"), file });
    return QJsonDocument::fromJson(run.out).array().at(0).toObject();
}

// ImageMagick's identify of one property, such as "%z" (depth) or "%Q" (JPEG quality).
QString identify(const QString &file, const QString &format)
{
    return QString::fromUtf8(runTool(QStringLiteral("identify-im6.q16"),
                                     { QStringLiteral("-format"), format, file })
                                 .out)
        .trimmed();
}

QString convert(const QStringList &arguments)
{
    const Run run = runTool(QStringLiteral("convert-im6.q16"), arguments);
    return run.exitCode == 0 ? QString() : QString::fromUtf8(run.err);
}

// Whether a 16-bit picture holds values an 8-bit one widened to 16 bits cannot.
bool hasLowBytes(const QImage &image)
{
    const bool grey = image.format() == QImage::Format_Grayscale16;
    if (!grey && image.depth() != 64)
        return false;
    const int samples = grey ? image.width() : image.width() * 4;
    for (int y = 0; y < image.height(); ++y) {
        const quint16 *line = reinterpret_cast<const quint16 *>(image.constScanLine(y));
        for (int i = 0; i < samples; ++i) {
            if (line[i] % 257 != 0)
                return true;
        }
    }
    return false;
}

bool exists(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

// Names in `dir` other than the ones given: what a failed write may have left.
QStringList leftovers(const QString &dir, const QStringList &expected)
{
    QStringList found = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                            | QDir::NoDotAndDotDot);
    for (const QString &name : expected)
        found.removeAll(name);
    return found;
}

} // namespace

class tst_PhotoFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void metadataCarried_data();
    void metadataCarried();
    void stripOptions_data();
    void stripOptions();
    void profileMatchesPixels_data();
    void profileMatchesPixels();
    void depthAndModelKept_data();
    void depthAndModelKept();
    void jpegQualityAndSampling_data();
    void jpegQualityAndSampling();
    void losslessTurns_data();
    void losslessTurns();
    void losslessTurnOfLargePicture();
    void unalignedTurnReencodes();
    void cameraSize_data();
    void cameraSize();
    void shortWrites_data();
    void shortWrites();
    void fullTmpfs();
    void signalDuringWrite_data();
    void signalDuringWrite();
    void specialOutputsRefused_data();
    void specialOutputsRefused();
    void inPlaceKeepsOwnerAndMode();
    void plantedRuntimeLinkNotFollowed();
    void plantedToolBarLinkNotFollowed();
    void damagedInputs_data();
    void damagedInputs();
    void gifBecomesPng();
    void animationRefused();
    void latin1FileName();
    void inputKinds_data();
    void inputKinds();
    void usage_data();
    void usage();
    void placedFixedRatioCrop_data();
    void placedFixedRatioCrop();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // The sample photo (camera EXIF with orientation 6, GPS, XMP, IPTC, an ICC
    // profile and a thumbnail) as `name`, converted for other formats by ImageMagick
    // with its metadata copied over by exiftool.
    QString cameraPhoto(const QString &name);

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_PhotoFiles::initTestCase()
{
    for (const char *tool : { "exiftool", "identify-im6.q16", "convert-im6.q16", "jpegtran" })
        QVERIFY2(QStandardPaths::findExecutable(QString::fromLatin1(tool)).size() > 0, tool);
    QVERIFY(QFileInfo::exists(QStringLiteral(LUMORA_SAMPLE)));
}

void tst_PhotoFiles::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString tst_PhotoFiles::cameraPhoto(const QString &name)
{
    const QString file = path(name);
    if (name.endsWith(QLatin1String(".jpg"))) {
        QFile::copy(QStringLiteral(LUMORA_SAMPLE), file);
        return file;
    }
    // Stored as the JPEG stores it (on its side), tagged with the same orientation.
    const QString converted = convert({ QStringLiteral(LUMORA_SAMPLE), file });
    if (!converted.isEmpty())
        qWarning("%s", qPrintable(converted));
    runTool(QStringLiteral("exiftool"),
            { QStringLiteral("-overwrite_original"), QStringLiteral("-q"),
              QStringLiteral("-tagsFromFile"), QStringLiteral(LUMORA_SAMPLE),
              QStringLiteral("-all:all"), QStringLiteral("-icc_profile"), file });
    return file;
}

void tst_PhotoFiles::metadataCarried_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QSize>("size"); // after the edit; the photo is 1600x1200 upright
    for (const char *format : { "jpg", "png", "tiff", "webp" }) {
        const QString f = QLatin1String(format);
        QTest::addRow("%s flip-horizontal", format) << f << "flip-horizontal" << QSize(1600, 1200);
        QTest::addRow("%s crop=16:9", format) << f << "crop=16:9" << QSize(1600, 900);
        QTest::addRow("%s rotate-right", format) << f << "rotate-right" << QSize(1200, 1600);
        QTest::addRow("%s effect=sepia", format) << f << "effect=sepia" << QSize(1600, 1200);
    }
}

void tst_PhotoFiles::metadataCarried()
{
    QFETCH(QString, format);
    QFETCH(QString, edit);
    QFETCH(QSize, size);
    const QString input = cameraPhoto(QStringLiteral("camera.") + format);
    const QString output = path(QStringLiteral("out.") + format);
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());

    const QJsonObject before = exif(input);
    const QJsonObject after = exif(output);
    const auto same = [&](const char *tag) {
        const QString key = QLatin1String(tag);
        QVERIFY2(!before.value(key).isUndefined(), tag);
        QVERIFY2(after.value(key) == before.value(key),
                 qPrintable(QStringLiteral("%1: %2 became %3 in %4")
                                .arg(key, before.value(key).toVariant().toString(),
                                     after.value(key).toVariant().toString(), output)));
    };
    same("IFD0:Make");
    same("IFD0:Model");
    same("IFD0:Artist");
    same("IFD0:Copyright");
    same("ExifIFD:DateTimeOriginal");
    same("GPS:GPSLatitude");
    same("GPS:GPSLongitude");
    same("XMP-xmp:Rating");
    same("XMP-dc:Subject");
    same("ICC_Profile:ProfileDescription");
    QCOMPARE(after.value("IFD0:Orientation").toInt(), 1);
    QCOMPARE(after.value("XMP-tiff:Orientation").toInt(), 1);
    QCOMPARE(after.value("ExifIFD:ExifImageWidth").toInt(), size.width());
    QCOMPARE(after.value("ExifIFD:ExifImageHeight").toInt(), size.height());
    QCOMPARE(QImage(output).size(), size);
    QVERIFY(after.value("IFD0:Software").toString().startsWith(QLatin1String("lumora-edit")));
    QVERIFY(after.value("IFD0:ModifyDate").toString()
            != before.value("IFD0:ModifyDate").toString());
    if (format == QLatin1String("jpg")) {
        same("IPTC:Keywords");
        // The thumbnail shows the edited picture: its shape follows the new size.
        const QImage thumbnail = QImage::fromData(
            runTool(QStringLiteral("exiftool"),
                    { QStringLiteral("-b"), QStringLiteral("-ThumbnailImage"), output })
                .out);
        QVERIFY2(!thumbnail.isNull(), "the thumbnail is gone");
        QVERIFY(qAbs(double(thumbnail.width()) / thumbnail.height()
                     - double(size.width()) / size.height())
                < 0.05);
    }
}

void tst_PhotoFiles::stripOptions_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("keepsCamera");
    QTest::addColumn<bool>("keepsGps");
    QTest::newRow("strip keeps only the profile") << "--strip" << false << false;
    QTest::newRow("strip-location drops GPS only") << "--strip-location" << true << false;
}

void tst_PhotoFiles::stripOptions()
{
    QFETCH(QString, option);
    QFETCH(bool, keepsCamera);
    QFETCH(bool, keepsGps);
    const QString input = cameraPhoto(QStringLiteral("camera.jpg"));
    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ option, QStringLiteral("-o"), output, input, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QJsonObject after = exif(output);
    QCOMPARE(after.contains(QLatin1String("IFD0:Make")), keepsCamera);
    QCOMPARE(after.contains(QLatin1String("XMP-xmp:Rating")), keepsCamera);
    QCOMPARE(after.contains(QLatin1String("ExifIFD:DateTimeOriginal")), keepsCamera);
    QCOMPARE(after.contains(QLatin1String("GPS:GPSLatitude")), keepsGps);
    QCOMPARE(after.value("ICC_Profile:ProfileDescription").toString(), QStringLiteral("sRGB"));
}

void tst_PhotoFiles::profileMatchesPixels_data()
{
    QTest::addColumn<QString>("model"); // of the JPEG and its profile
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("channels"); // identify's %[channels] of the output
    QTest::addColumn<QString>("profile"); // exiftool's ColorSpaceData, empty: none
    // 320x208: whole blocks, so that the turns are lossless and keep the stored model.
    QTest::newRow("grey keeps its grey profile through a crop") << "gray"
                                                                << "crop=4:3"
                                                                << "gray"
                                                                << "GRAY";
    QTest::newRow("grey keeps its grey profile through a turn") << "gray"
                                                                << "rotate-left"
                                                                << "gray"
                                                                << "GRAY";
    QTest::newRow("grey made colour drops the grey profile") << "gray"
                                                             << "effect=sepia"
                                                             << "srgb"
                                                             << "";
    QTest::newRow("CMYK turned losslessly keeps its profile") << "cmyk"
                                                              << "flip-vertical"
                                                              << "cmyk"
                                                              << "CMYK";
    QTest::newRow("CMYK decoded through its profile writes sRGB's") << "cmyk"
                                                                    << "auto-fix"
                                                                    << "srgb"
                                                                    << "RGB ";
}

void tst_PhotoFiles::profileMatchesPixels()
{
    QFETCH(QString, model);
    QFETCH(QString, edit);
    QFETCH(QString, channels);
    QFETCH(QString, profile);
    const QString icc = model == QLatin1String("gray")
        ? QStringLiteral("/usr/share/color/icc/ghostscript/sgray.icc")
        : QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    QVERIFY2(QFileInfo::exists(icc), "Debian's libgs-common holds the test profiles");
    QVERIFY(photo(320, 208).save(path(QStringLiteral("in.png"))));
    const QString input = path(QStringLiteral("in.jpg"));
    QCOMPARE(convert({ path(QStringLiteral("in.png")), QStringLiteral("-colorspace"),
                       model == QLatin1String("gray") ? "Gray" : "CMYK", input }),
             QString());
    QCOMPARE(runTool(QStringLiteral("exiftool"),
                     { QStringLiteral("-overwrite_original"), QStringLiteral("-q"),
                       QStringLiteral("-ICC_Profile<=") + icc, input })
                 .exitCode,
             0);
    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(identify(output, QStringLiteral("%[channels]")), channels);
    QCOMPARE(exif(output).value("ICC-header:ColorSpaceData").toString(), profile);
    // Dropping it is said.
    QCOMPARE(run.err.contains("dropped the"), profile.isEmpty());
}

void tst_PhotoFiles::depthAndModelKept_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("expected"); // identify's "%z %[channels]"
    const char *keepsGrey[] = { "flip-vertical", "rotate-left", "crop=3:2",
                                "resize=50",     "auto-fix",    "effect=greyscale" };
    for (const char *edit : keepsGrey) {
        QTest::addRow("16-bit colour %s", edit) << "rgb16" << edit << "16 srgb";
        QTest::addRow("8-bit grey %s", edit) << "grey8" << edit << "8 gray";
        QTest::addRow("16-bit grey %s", edit) << "grey16" << edit << "16 gray";
        QTest::addRow("16-bit colour and alpha %s", edit) << "rgba16" << edit << "16 srgba";
    }
    QTest::newRow("16-bit colour sepia") << "rgb16"
                                         << "effect=sepia"
                                         << "16 srgb";
    QTest::newRow("grey sepia becomes colour") << "grey8"
                                               << "effect=sepia"
                                               << "8 srgb";
}

void tst_PhotoFiles::depthAndModelKept()
{
    QFETCH(QString, kind);
    QFETCH(QString, edit);
    QFETCH(QString, expected);
    const QString input = path(kind + QStringLiteral(".png"));
    // Noise, so that the low bytes of 16-bit samples are not zero.
    QStringList make
        = { QStringLiteral("-size"),   QStringLiteral("97x61"), QStringLiteral("plasma:"),
            QStringLiteral("-seed"),   QStringLiteral("3"),     QStringLiteral("+noise"),
            QStringLiteral("Gaussian") };
    if (kind.startsWith(QLatin1String("grey")))
        make << QStringLiteral("-colorspace") << QStringLiteral("Gray");
    if (kind == QLatin1String("rgba16"))
        make << QStringLiteral("-alpha") << QStringLiteral("set") << QStringLiteral("-channel")
             << QStringLiteral("A") << QStringLiteral("-evaluate") << QStringLiteral("set")
             << QStringLiteral("70%") << QStringLiteral("+channel");
    make << QStringLiteral("-depth") << (kind.endsWith(QLatin1String("8")) ? "8" : "16") << input;
    QCOMPARE(convert(make), QString());

    const QString output = path(QStringLiteral("out.png"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(identify(output, QStringLiteral("%z %[channels]")), expected);
    // Not merely 8-bit values widened: some samples are no multiple of 257.
    if (expected.startsWith(QLatin1String("16")))
        QVERIFY2(hasLowBytes(QImage(output)), qPrintable(output));
}

void tst_PhotoFiles::jpegQualityAndSampling_data()
{
    QTest::addColumn<QStringList>("make");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected"); // "%Q %[jpeg:sampling-factor]"
    QTest::newRow("quality 98 4:4:4 kept")
        << QStringList { "-quality", "98", "-sampling-factor", "1x1" } << QStringList()
        << "98 1x1,1x1,1x1";
    QTest::newRow("quality 75 4:2:0 kept")
        << QStringList { "-quality", "75", "-sampling-factor", "2x2" } << QStringList()
        << "75 2x2,1x1,1x1";
    QTest::newRow("quality 85 4:2:2 kept")
        << QStringList { "-quality", "85", "-sampling-factor", "2x1" } << QStringList()
        << "85 2x1,1x1,1x1";
    QTest::newRow("--quality overrides")
        << QStringList { "-quality", "98", "-sampling-factor", "1x1" }
        << QStringList { "--quality", "60" } << "60 1x1,1x1,1x1";
    QTest::newRow("grey stays grey")
        << QStringList { "-quality", "90", "-colorspace", "Gray" } << QStringList() << "90 1x1";
}

void tst_PhotoFiles::jpegQualityAndSampling()
{
    QFETCH(QStringList, make);
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    const QString input = path(QStringLiteral("in.jpg"));
    QVERIFY(photo(320, 200).save(path(QStringLiteral("in.png"))));
    QCOMPARE(convert(QStringList { path(QStringLiteral("in.png")) } + make + QStringList { input }),
             QString());
    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit(
        options + QStringList { QStringLiteral("-o"), output, input, QStringLiteral("auto-fix") });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString found = identify(output, QStringLiteral("%Q %[jpeg:sampling-factor]"));
    if (expected == QLatin1String("90 1x1"))
        QCOMPARE(identify(output, QStringLiteral("%[channels]")), QStringLiteral("gray"));
    QVERIFY2(found.startsWith(expected.section(QLatin1Char(' '), 0, 0)),
             qPrintable(found + QStringLiteral(" in ") + output));
    if (expected.contains(QLatin1Char(',')))
        QCOMPARE(found, expected);
}

void tst_PhotoFiles::losslessTurns_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("jpegtran"); // the composed turn
    QTest::newRow("rotate-right") << 1 << QStringList { "rotate-right" }
                                  << QStringList { "-rotate", "90" };
    QTest::newRow("rotate-left") << 1 << QStringList { "rotate-left" }
                                 << QStringList { "-rotate", "270" };
    QTest::newRow("flip-horizontal")
        << 1 << QStringList { "flip-horizontal" } << QStringList { "-flip", "horizontal" };
    QTest::newRow("flip then rotate")
        << 1 << QStringList { "flip-vertical", "rotate-right" } << QStringList { "-transpose" };
    QTest::newRow("rotate then flip")
        << 1 << QStringList { "rotate-right", "flip-vertical" } << QStringList { "-transverse" };
    QTest::newRow("orientation 6 then flip-horizontal")
        << 6 << QStringList { "flip-horizontal" } << QStringList { "-transpose" };
    QTest::newRow("orientation 3 then rotate-left")
        << 3 << QStringList { "rotate-left" } << QStringList { "-rotate", "90" };
    QTest::newRow("two flips undo each other")
        << 1 << QStringList { "flip-vertical", "flip-vertical" } << QStringList { "-copy", "all" };
}

void tst_PhotoFiles::losslessTurns()
{
    QFETCH(int, orientation);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, jpegtran);
    // Whole 16x16 blocks: every turn is perfect. Quality 80, so that re-encoding would show.
    QVERIFY(photo(320, 208).save(path(QStringLiteral("in.png"))));
    const QString input = path(QStringLiteral("in.jpg"));
    QCOMPARE(convert({ path(QStringLiteral("in.png")), QStringLiteral("-quality"),
                       QStringLiteral("80"), input }),
             QString());
    runTool(QStringLiteral("exiftool"),
            { QStringLiteral("-overwrite_original"), QStringLiteral("-q"), QStringLiteral("-n"),
              QStringLiteral("-Orientation=%1").arg(orientation), input });

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit(QStringList { QStringLiteral("-o"), output, input } + edits);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString expected = path(QStringLiteral("expected.jpg"));
    QVERIFY(runTool(QStringLiteral("jpegtran"),
                    QStringList { QStringLiteral("-perfect") } + jpegtran
                        + QStringList { QStringLiteral("-outfile"), expected, input })
                .exitCode
            == 0);
    QVERIFY2(differingPixels(output, expected) == QLatin1String("0"),
             qPrintable(QStringLiteral("%1 differs from %2").arg(output, expected)));
    QCOMPARE(exif(output).value("IFD0:Orientation").toInt(), 1);
}

// Large enough that only a reduced stand-in is decoded for the plug-ins: the file is still
// jpegtran's turn, the metadata gives the full size, the thumbnail shows the turned picture
// and the plug-ins see what they see when the whole picture is decoded.
void tst_PhotoFiles::losslessTurnOfLargePicture()
{
    const QImage picture = photo(1280, 832); // 80x52 whole 16x16 blocks; a stand-in of 1/4
    QVERIFY(picture.save(path(QStringLiteral("in.png"))));
    const QString input = path(QStringLiteral("in.jpg"));
    const QString thumbnail = path(QStringLiteral("thumbnail.jpg"));
    QCOMPARE(convert({ path(QStringLiteral("in.png")), QStringLiteral("-quality"),
                       QStringLiteral("80"), input }),
             QString());
    QCOMPARE(convert({ input, QStringLiteral("-resize"), QStringLiteral("160x104"), thumbnail }),
             QString());
    QCOMPARE(runTool(QStringLiteral("exiftool"),
                     { QStringLiteral("-overwrite_original"), QStringLiteral("-q"),
                       QStringLiteral("-ThumbnailImage<=") + thumbnail, input })
                 .exitCode,
             0);

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("--trace"), QStringLiteral("-o"), output, input,
                                 QStringLiteral("rotate-right") });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    // PNG out is decoded whole.
    const Run whole
        = lumoraEdit({ QStringLiteral("--trace"), QStringLiteral("-o"),
                       path(QStringLiteral("whole.png")), input, QStringLiteral("rotate-right") });
    QVERIFY2(whole.exitCode == 0, whole.err.constData());
    QCOMPARE(run.err, whole.err);

    const QString expected = path(QStringLiteral("expected.jpg"));
    QVERIFY(runTool(QStringLiteral("jpegtran"),
                    { QStringLiteral("-perfect"), QStringLiteral("-rotate"), QStringLiteral("90"),
                      QStringLiteral("-outfile"), expected, input })
                .exitCode
            == 0);
    QVERIFY2(differingPixels(output, expected) == QLatin1String("0"),
             qPrintable(QStringLiteral("%1 differs from %2").arg(output, expected)));
    const QJsonObject after = exif(output);
    QCOMPARE(after.value("ExifIFD:ExifImageWidth").toInt(), 832);
    QCOMPARE(after.value("ExifIFD:ExifImageHeight").toInt(), 1280);

    const QImage small = QImage::fromData(
        runTool(QStringLiteral("exiftool"),
                { QStringLiteral("-b"), QStringLiteral("-ThumbnailImage"), output })
            .out);
    QVERIFY2(!small.isNull(), "the thumbnail is gone");
    QCOMPARE(small.size(), QSize(104, 160));
    // Within JPEG's and scaling's noise of the turned picture.
    const QImage reference
        = QImage(expected)
              .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
              .convertToFormat(QImage::Format_RGB32);
    const QImage thumb = small.convertToFormat(QImage::Format_RGB32);
    qint64 difference = 0;
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x)
            difference += qAbs(qGray(thumb.pixel(x, y)) - qGray(reference.pixel(x, y)));
    const double mean = double(difference) / (thumb.width() * thumb.height());
    QVERIFY2(mean < 8, qPrintable(QStringLiteral("mean grey difference %1").arg(mean)));
}

void tst_PhotoFiles::unalignedTurnReencodes()
{
    // 4:2:0 blocks are 16x16; 61x45 leaves partial blocks on both edges.
    QVERIFY(photo(61, 45).save(path(QStringLiteral("in.png"))));
    const QString input = path(QStringLiteral("in.jpg"));
    QCOMPARE(convert({ path(QStringLiteral("in.png")), QStringLiteral("-sampling-factor"),
                       QStringLiteral("2x2"), input }),
             QString());
    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "rotate-right" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    // No pixel trimmed, as jpegtran -trim would.
    QCOMPARE(QImage(output).size(), QSize(45, 61));
}

void tst_PhotoFiles::cameraSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    // Today's full-frame cameras; and a 16-bit picture past Qt's default allocation limit.
    QTest::newRow("45 MP JPEG") << "big.jpg" << QSize(8192, 5464);
    QTest::newRow("19 MP 16-bit PNG") << "big.png" << QSize(5040, 3780);
}

void tst_PhotoFiles::cameraSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QString input = path(name);
    if (name.endsWith(QLatin1String(".jpg"))) {
        QVERIFY(photo(size.width(), size.height()).save(input, "JPEG", 85));
    } else {
        QImage deep(size, QImage::Format_RGBX64);
        for (int y = 0; y < size.height(); ++y) {
            QRgba64 *line = reinterpret_cast<QRgba64 *>(deep.scanLine(y));
            for (int x = 0; x < size.width(); ++x)
                line[x] = qRgba64(quint16(x * 13), quint16(y * 17), quint16(x + y), 0xffff);
        }
        QImageWriter writer(input);
        writer.setCompression(1); // quick to write; the size is what counts
        QVERIFY(writer.write(deep));
    }
    const QString output = path(QStringLiteral("out-") + name);
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "effect=greyscale" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(identify(output, QStringLiteral("%wx%h %z")),
             QStringLiteral("%1x%2 %3")
                 .arg(size.width())
                 .arg(size.height())
                 .arg(name.endsWith(QLatin1String(".png")) ? 16 : 8));
}

void tst_PhotoFiles::shortWrites_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("short write leaves no output") << false;
    QTest::newRow("short write keeps the input in place") << true;
}

void tst_PhotoFiles::shortWrites()
{
    QFETCH(bool, inPlace);
    // Uncompressed, so that the output passes the limit.
    const QString input = path(QStringLiteral("in.bmp"));
    QVERIFY(photo(600, 400).save(input));
    QFile in(input);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray original = in.readAll();
    in.close();
    const QString output = inPlace ? input : path(QStringLiteral("out.bmp"));
    // The kernel stops the write at 64 KiB, as a nearly full disk does.
    const Run run = runTool(QStringLiteral("prlimit"),
                            { QStringLiteral("--fsize=65536"), QStringLiteral(LUMORA_EDIT),
                              QStringLiteral("--in-place"), QStringLiteral("-o"), output, input,
                              QStringLiteral("auto-fix") });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("File too large"), run.err.constData());
    QVERIFY(in.open(QIODevice::ReadOnly));
    QVERIFY(in.readAll() == original);
    QCOMPARE(leftovers(m_dir->path(), { QStringLiteral("in.bmp") }), QStringList());
}

void tst_PhotoFiles::fullTmpfs()
{
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root");
    const QString mount = path(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(mount));
    if (runTool(QStringLiteral("mount"),
                { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=256k"), QStringLiteral("tmpfs"), mount })
            .exitCode
        != 0)
        QSKIP("this machine does not let the test mount a tmpfs");
    const auto unmount = qScopeGuard([&] { runTool(QStringLiteral("umount"), { mount }); });
    const QString input = mount + QStringLiteral("/in.bmp");
    QVERIFY(photo(300, 200).save(input)); // 240 KB of the 256
    const Run run = lumoraEdit({ QStringLiteral("--in-place"), input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("No space left on device"), run.err.constData());
    QCOMPARE(QImage(input), photo(300, 200));
    QCOMPARE(leftovers(mount, { QStringLiteral("in.bmp") }), QStringList());
}

void tst_PhotoFiles::signalDuringWrite_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT leaves no temporary file") << int(SIGINT);
    QTest::newRow("SIGTERM leaves no temporary file") << int(SIGTERM);
}

void tst_PhotoFiles::signalDuringWrite()
{
    QFETCH(int, signal);
    // An uncompressed output of 100 MB takes a while to write; the signal is sent the
    // moment the new file is opened: one without a name (O_TMPFILE, seen as "#inode"),
    // or a temporary file where the file system has no such files.
    const QString input = path(QStringLiteral("in.bmp"));
    QVERIFY(photo(5000, 5000).save(input));
    const QString outDir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(outDir));
    const int watch = inotify_init1(IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(inotify_add_watch(watch, QFile::encodeName(outDir).constData(), IN_CREATE | IN_OPEN)
            >= 0);

    QProcess process;
    process.start(QStringLiteral(LUMORA_EDIT),
                  { QStringLiteral("-o"), outDir + QStringLiteral("/out.bmp"), input,
                    QStringLiteral("flip-vertical") });
    QVERIFY(process.waitForStarted());
    alignas(inotify_event) char events[4096];
    const ssize_t length = ::read(watch, events, sizeof events); // blocks until the file appears
    ::close(watch);
    QVERIFY(length > 0);
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(leftovers(outDir, {}), QStringList());
}

void tst_PhotoFiles::specialOutputsRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to /dev/null") << "devnull-link";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("folder") << "folder";
}

void tst_PhotoFiles::specialOutputsRefused()
{
    QFETCH(QString, kind);
    const QString input = path(QStringLiteral("in.png"));
    QVERIFY(photo(64, 40).save(input));
    const QString output = path(QStringLiteral("out.png"));
    if (kind == QLatin1String("devnull-link"))
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), output));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(output).constData(), 0600), 0);
    else
        QVERIFY(QDir().mkpath(output));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("not a file"), run.err.constData());
    struct stat status;
    QCOMPARE(::stat("/dev/null", &status), 0);
    QVERIFY(S_ISCHR(status.st_mode));
    QCOMPARE(::lstat(QFile::encodeName(output).constData(), &status), 0);
    QVERIFY(!S_ISREG(status.st_mode));
}

void tst_PhotoFiles::inPlaceKeepsOwnerAndMode()
{
    const QString input = path(QStringLiteral("in.png"));
    QVERIFY(photo(64, 40).save(input));
    const QByteArray native = QFile::encodeName(input);
    QCOMPARE(::chmod(native.constData(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root)
        QCOMPARE(::chown(native.constData(), 65534, 65534), 0);
    struct stat before;
    QCOMPARE(::stat(native.constData(), &before), 0);
    const Run run = lumoraEdit(
        { QStringLiteral("--in-place"), QStringLiteral("-o"), input, input, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    struct stat after;
    QCOMPARE(::stat(native.constData(), &after), 0);
    QVERIFY(after.st_ino != before.st_ino); // really replaced
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(QImage(input), photo(64, 40).mirrored(false, true));
}

void tst_PhotoFiles::plantedRuntimeLinkNotFollowed()
{
    const QString victim = path(QStringLiteral("victim"));
    QVERIFY(QDir().mkpath(victim));
    QCOMPARE(::chmod(QFile::encodeName(victim).constData(), 0755), 0);
    QVERIFY(QFile::link(victim, path(QStringLiteral("runtime-planted"))));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), m_dir->path());
    environment.insert(QStringLiteral("USER"), QStringLiteral("planted"));
    const Run run = runTool(QStringLiteral(LUMORA_EDIT), { QStringLiteral("--list") }, environment);
    QCOMPARE(run.exitCode, 0);
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(victim).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0755));
}

void tst_PhotoFiles::plantedToolBarLinkNotFollowed()
{
    const QString victim = path(QStringLiteral("victim.txt"));
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    const QString bars = path(QStringLiteral("bars"));
    QVERIFY(QDir().mkpath(bars));
    QVERIFY(QFile::link(victim, bars + QStringLiteral("/EditCropPlugin-landscape-en.png")));
    const Run run = lumoraEdit({ QStringLiteral("--toolbars"), bars });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("symbolic link"), run.err.constData());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void tst_PhotoFiles::damagedInputs_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("make"); // ImageMagick options before the output
    QTest::addColumn<double>("keep"); // share of the file kept
    QTest::newRow("BMP cut short") << "bmp" << QStringList() << 0.6;
    QTest::newRow("BMP RLE without its end")
        << "bmp" << QStringList { "-type", "Palette", "-compress", "RLE" } << 0.7;
    QTest::newRow("GIF cut short") << "gif" << QStringList() << 0.5;
    QTest::newRow("XBM cut short") << "xbm" << QStringList() << 0.6;
    QTest::newRow("PNG cut short") << "png" << QStringList() << 0.6;
    QTest::newRow("JPEG cut short") << "jpg" << QStringList() << 0.6;
    QTest::newRow("JPEG cut before its frame header") << "jpg" << QStringList() << 0.02;
}

void tst_PhotoFiles::damagedInputs()
{
    QFETCH(QString, format);
    QFETCH(QStringList, make);
    QFETCH(double, keep);
    QVERIFY(photo(120, 80).save(path(QStringLiteral("source.png"))));
    const QString input = path(QStringLiteral("in.") + format);
    QCOMPARE(
        convert(QStringList { path(QStringLiteral("source.png")) } + make + QStringList { input }),
        QString());
    // The whole file edits; cut short, it is refused.
    QCOMPARE(lumoraEdit({ QStringLiteral("-o"), path(QStringLiteral("whole.png")), input,
                          "flip-vertical" })
                 .exitCode,
             0);
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(qint64(file.size() * keep)));
    file.close();
    const Run run = lumoraEdit(
        { QStringLiteral("-o"), path(QStringLiteral("out.png")), input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("damaged"), run.err.constData());
    QVERIFY(!exists(path(QStringLiteral("out.png"))));
}

void tst_PhotoFiles::gifBecomesPng()
{
    QVERIFY(photo(60, 40).convertToFormat(QImage::Format_Indexed8).save(path("in.png")));
    const QString input = path(QStringLiteral("in.gif"));
    QCOMPARE(convert({ path(QStringLiteral("in.png")), input }), QString());
    const Run run = lumoraEdit({ input, "rotate-right" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(run.err.contains("PNG"), run.err.constData());
    QCOMPARE(identify(path(QStringLiteral("in-edited.png")), QStringLiteral("%m %wx%h")),
             QStringLiteral("PNG 40x60"));
}

void tst_PhotoFiles::animationRefused()
{
    const QString input = path(QStringLiteral("anim.gif"));
    QCOMPARE(convert({ QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("xc:red"),
                       QStringLiteral("xc:blue"), QStringLiteral("xc:green"), input }),
             QString());
    const Run run = lumoraEdit({ input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("animation of 3 frames"), run.err.constData());
    QVERIFY(!exists(path(QStringLiteral("anim-edited.png"))));
}

void tst_PhotoFiles::latin1FileName()
{
    // "café.png" as an old memory card names it: é is the single byte 0xe9.
    const QByteArray name = QFile::encodeName(m_dir->path()) + "/caf\xe9.png";
    const QImage picture = photo(50, 30);
    QVERIFY(picture.save(path(QStringLiteral("plain.png"))));
    QCOMPARE(::rename(QFile::encodeName(path(QStringLiteral("plain.png"))).constData(),
                      name.constData()),
             0);
    // QProcess would pass the name through QString and lose the byte: exec directly.
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(LUMORA_EDIT, LUMORA_EDIT, name.constData(), "flip-horizontal", nullptr);
        ::_exit(127);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    const QByteArray edited = QFile::encodeName(m_dir->path()) + "/caf\xe9-edited.png";
    struct stat info;
    QCOMPARE(::stat(edited.constData(), &info), 0);
}

void tst_PhotoFiles::inputKinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("folder") << "folder" << QByteArray("it is a folder");
    QTest::newRow("FIFO") << "fifo" << QByteArray("it is a FIFO");
    QTest::newRow("missing") << "missing" << QByteArray("no such file");
    QTest::newRow("empty") << "empty" << QByteArray("the file is empty");
}

void tst_PhotoFiles::inputKinds()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, message);
    const QString input = path(QStringLiteral("in.png"));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(input));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    else if (kind == QLatin1String("empty"))
        QVERIFY(QFile(input).open(QIODevice::WriteOnly));
    const Run run = lumoraEdit(
        { QStringLiteral("-o"), path(QStringLiteral("out.png")), input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), run.err.constData());
}

void tst_PhotoFiles::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("unknown locale") << QStringList { "--locale", "xx", "--list" } << 2;
    QTest::newRow("quality out of range") << QStringList { "--quality", "0", "--list" } << 2;
    QTest::newRow("no threads") << QStringList { "--threads", "0", "--list" } << 2;
    QTest::newRow("missing plug-in folder")
        << QStringList { "--plugins", "/nonexistent/plugins", "--list" } << 1;
}

void tst_PhotoFiles::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const Run run = lumoraEdit(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.err.startsWith("lumora-edit: "));
}

void tst_PhotoFiles::placedFixedRatioCrop_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QSize>("size");
    QTest::newRow("square of the ratio is cut")
        << "crop=square@100,100,1000x1000" << 0 << QSize(1000, 1000);
    QTest::newRow("16:9 within a pixel is cut")
        << "crop=16:9@40,20,1000x563" << 0 << QSize(1000, 563);
    QTest::newRow("square of another shape is refused")
        << "crop=square@100,100,1000x900" << 2 << QSize();
    QTest::newRow("4:3 of another shape is refused") << "crop=4:3@0,0,800x800" << 2 << QSize();
}

void tst_PhotoFiles::placedFixedRatioCrop()
{
    QFETCH(QString, edit);
    QFETCH(int, exitCode);
    QFETCH(QSize, size);
    const QString input = path(QStringLiteral("in.png"));
    const QImage picture = photo(4000, 3000);
    QVERIFY(picture.save(input));
    const QString output = path(QStringLiteral("out.png"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, edit });
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY(!exists(output));
        return;
    }
    const QImage result(output);
    QCOMPARE(result.size(), size);
    const QStringList place = edit.section(QLatin1Char('@'), 1).split(QLatin1Char(','));
    QCOMPARE(result, picture.copy(QRect(QPoint(place[0].toInt(), place[1].toInt()), size)));
}

QTEST_GUILESS_MAIN(tst_PhotoFiles)
#include "tst_photofiles.moc"
