// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// JPEG coding and lossless turns, checked against ImageMagick 6, cjpeg and jpegtran.

#include "jpegcodec.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using JpegCodec::ColorModel;
using JpegCodec::Sampling;
Q_DECLARE_METATYPE(JpegCodec::Sampling)
Q_DECLARE_METATYPE(JpegCodec::ColorModel)

namespace {

const QByteArray comment = "kept-by-every-turn";

QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Empty when the tool succeeded, else its command line and what it said.
QString run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(-1);
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    return program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QLatin1String(": ")
        + process.errorString() + QLatin1Char(' ') + process.readAllStandardError();
}

// A seeded noisy gradient of `size` written by "convert <options>" (with a comment) or
// "cjpeg <options>".
QString makeJpeg(const QString &path, QSize size, const QString &make)
{
    const QStringList picture = words(
        QStringLiteral("-seed 7 -size %1x%2 gradient:red-blue -attenuate 0.5 +noise Gaussian")
            .arg(size.width())
            .arg(size.height()));
    QStringList options = words(make);
    const QString convert = QStringLiteral("convert-im6.q16"), ppm = path + QLatin1String(".ppm");
    if (options.takeFirst() == QLatin1String("convert"))
        return run(convert, picture + words("-set comment " + comment) + options << path);
    const QString failure = run(convert, QStringList(picture) << ppm);
    return failure.isEmpty() ? run("cjpeg", options << "-outfile" << path << ppm) : failure;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

int maxDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 256;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({ worst, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                               qAbs(qBlue(p) - qBlue(q)) });
        }
    return worst;
}

struct Turn
{
    const char *name; // TurboJPEG's
    PictureTurn::Kind kind;
    const char *jpegtran;
};

constexpr Turn turns[] = {
    { "hflip", PictureTurn::FlipHorizontal, "-flip horizontal" },
    { "vflip", PictureTurn::FlipVertical, "-flip vertical" },
    { "rot90", PictureTurn::Rotate90, "-rotate 90" },
    { "rot180", PictureTurn::Rotate180, "-rotate 180" },
    { "rot270", PictureTurn::Rotate270, "-rotate 270" },
    { "transpose", PictureTurn::Transpose, "-transpose" },
    { "transverse", PictureTurn::Transverse, "-transverse" },
};

} // namespace

class TestJpegCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void decodesReduced_data();
    void decodesReduced();
    void encode_data();
    void encode();
    void encodeDropsAlphaKeepingColours();
    void transform_data();
    void transform();
    void refusesDamagedData();
};

void TestJpegCodec::reads_data()
{
    QTest::addColumn<QString>("make");
    QTest::addColumn<int>("quality");
    QTest::addColumn<Sampling>("sampling");
    QTest::addColumn<ColorModel>("model");
    const auto row = [](const char *make, int q, Sampling s, ColorModel m = ColorModel::YCbCr) {
        QTest::newRow(make) << QString(make) << q << s << m;
    };
    row("convert -quality 92 -sampling-factor 1x1", 92, Sampling::S444);
    row("convert -quality 75 -sampling-factor 2x2", 75, Sampling::S420);
    row("convert -quality 50 -sampling-factor 2x1", 50, Sampling::S422);
    row("convert -quality 100 -sampling-factor 2x2", 100, Sampling::S420);
    row("convert -quality 5", 5, Sampling::S420); // 8-bit tables, clamped to 255
    row("convert -quality 30 -colorspace Gray", 30, Sampling::Gray, ColorModel::Gray);
    row("convert -quality 85 -colorspace CMYK", 85, Sampling::S420, ColorModel::Ycck);
    // K sampled as the chroma: no sampling TurboJPEG names, but it decodes.
    row("convert -quality 88 -colorspace CMYK -sampling-factor 2x2", 88, Sampling::Unknown,
        ColorModel::Ycck);
    row("cjpeg -quality 5", 5, Sampling::S420); // 16-bit tables
    row("cjpeg -quality 1", 1, Sampling::S420);
    row("cjpeg -grayscale -quality 97", 97, Sampling::Gray, ColorModel::Gray);
    row("cjpeg -sample 1x2 -quality 64", 64, Sampling::S440);
    row("cjpeg -sample 4x1 -quality 80", 80, Sampling::S411);
    row("cjpeg -sample 3x1 -quality 70", 70, Sampling::Unknown);
}

void TestJpegCodec::reads()
{
    QFETCH(QString, make);
    QFETCH(ColorModel, model);
    const int tolerance = model == ColorModel::Ycck ? 1 : 0; // CMYK to RGB rounds differently
    QTemporaryDir dir;
    const QString path = dir.filePath("in.jpg"), expectedPath = dir.filePath("expected.ppm");
    QString failure = makeJpeg(path, QSize(61, 45), make);
    if (failure.isEmpty())
        failure
            = run("convert-im6.q16", { path, "-colorspace", "sRGB", "-depth", "8", expectedPath });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QByteArray jpeg = readFile(path);
    JpegCodec::Info info;
    QString error;
    QVERIFY2(JpegCodec::readInfo(jpeg, &info, &error), qPrintable(error));
    QCOMPARE(info.size, QSize(61, 45));
    QTEST(info.quality, "quality");
    QTEST(info.sampling, "sampling");
    QCOMPARE(info.colorModel, model);

    const QImage actual = JpegCodec::decode(jpeg, &error);
    QVERIFY2(!actual.isNull(), qPrintable(error));
    QCOMPARE(actual.format(),
             model == ColorModel::Gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    for (int y = 0; actual.format() == QImage::Format_RGB32 && y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) // RGB32 promises 0xff in the top byte
            QCOMPARE(qAlpha(reinterpret_cast<const QRgb *>(actual.constScanLine(y))[x]), 255);
    if (maxDifference(actual, QImage(expectedPath)) > tolerance) {
        dir.setAutoRemove(false);
        actual.save(dir.filePath("actual.png"));
        QFAIL(
            qPrintable(dir.filePath("actual.png") + " differs from ImageMagick's " + expectedPath));
    }
}

void TestJpegCodec::decodesReduced_data()
{
    QTest::addColumn<QString>("make");
    QTest::addColumn<int>("longest");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("scale"); // djpeg's -scale for the same picture
    const QString colour = QStringLiteral("convert -quality 90 -sampling-factor 2x2");
    QTest::newRow("an eighth") << colour << 100 << QSize(131, 97) << "1/8";
    QTest::newRow("a quarter, sides rounded up") << colour << 200 << QSize(262, 193) << "1/4";
    QTest::newRow("three eighths") << colour << 340 << QSize(392, 289) << "3/8";
    QTest::newRow("none smaller") << colour << 1045 << QSize(1045, 770) << "1/1";
    QTest::newRow("grey, a half") << QStringLiteral("convert -quality 80 -colorspace Gray") << 500
                                  << QSize(523, 385) << "1/2";
}

// TurboJPEG's scaled decoding is djpeg's: the same size and pixels at the same scale.
void TestJpegCodec::decodesReduced()
{
    QFETCH(QString, make);
    QFETCH(int, longest);
    QFETCH(QSize, size);
    QFETCH(QString, scale);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.jpg"), expectedPath = dir.filePath("expected.pnm");
    QString failure = makeJpeg(path, QSize(1045, 770), make);
    if (failure.isEmpty())
        failure = run("djpeg", { "-scale", scale, "-dct", "int", "-outfile", expectedPath, path });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QString error;

    const QImage actual = JpegCodec::decodeReduced(readFile(path), longest, &error);

    QVERIFY2(!actual.isNull(), qPrintable(error));
    QCOMPARE(actual.size(), size);
    const QImage expected(expectedPath);
    QCOMPARE(expected.size(), size);
    if (maxDifference(actual, expected) > 0) {
        dir.setAutoRemove(false);
        actual.save(dir.filePath("actual.png"));
        QFAIL(qPrintable(dir.filePath("actual.png") + " differs from djpeg's " + expectedPath));
    }
}

void TestJpegCodec::encode_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<int>("quality");
    QTest::addColumn<Sampling>("sampling");
    QTest::addColumn<QString>("identified"); // %Q %[jpeg:sampling-factor] %[colorspace]
    const auto row = [](const char *tag, QImage::Format f, int q, Sampling s, const char *id) {
        QTest::newRow(tag) << f << q << s << QString(id);
    };
    row("RGB32 4:2:0", QImage::Format_RGB32, 90, Sampling::S420, "90 2x2,1x1,1x1 sRGB");
    row("ARGB32 4:4:4", QImage::Format_ARGB32, 75, Sampling::S444, "75 1x1,1x1,1x1 sRGB");
    row("premultiplied 4:2:2", QImage::Format_ARGB32_Premultiplied, 60, Sampling::S422,
        "60 2x1,1x1,1x1 sRGB");
    row("RGB888 4:4:0", QImage::Format_RGB888, 100, Sampling::S440, "100 1x2,1x1,1x1 sRGB");
    row("RGB32 4:1:1", QImage::Format_RGB32, 40, Sampling::S411, "40 4x1,1x1,1x1 sRGB");
    row("colour asked grey", QImage::Format_RGB32, 80, Sampling::Gray, "80 2x2,1x1,1x1 sRGB");
    row("grey asked 4:2:0", QImage::Format_Grayscale8, 85, Sampling::S420, "85 1x1 Gray");
    row("Grayscale16", QImage::Format_Grayscale16, 95, Sampling::Gray, "95 1x1 Gray");
    row("quality over 100", QImage::Format_RGB32, 250, Sampling::S444, "100 1x1,1x1,1x1 sRGB");
}

void TestJpegCodec::encode()
{
    QFETCH(QImage::Format, format);
    QFETCH(int, quality);
    QFETCH(Sampling, sampling);
    QImage picture(72, 40, QImage::Format_ARGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(
                x, y, qRgba(x * 3, y * 6, int(random.bounded(256)), 90 + int(random.bounded(166))));
    QString error;
    const QByteArray jpeg
        = JpegCodec::encode(picture.convertToFormat(format), quality, sampling, &error);
    QVERIFY2(!jpeg.isEmpty(), qPrintable(error));
    QTemporaryDir dir;
    writeFile(dir.filePath("out.jpg"), jpeg);
    QFETCH(QString, identified);
    QByteArray actual;
    const QStringList arguments
        = { "-format", "%w %h %Q %[jpeg:sampling-factor] %[colorspace]", dir.filePath("out.jpg") };
    const QString failure = run("identify-im6.q16", arguments, &actual);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(QString(actual), "72 40 " + identified);
}

void TestJpegCodec::encodeDropsAlphaKeepingColours()
{
    QImage picture(24, 16, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(200, 100, 50, 128));
    QString error;
    const QImage decoded
        = JpegCodec::decode(JpegCodec::encode(picture, 95, Sampling::S444, &error), &error);
    QVERIFY2(decoded.size() == picture.size(), qPrintable(error));
    QImage expected(24, 16, QImage::Format_RGB32);
    expected.fill(QColor(200, 100, 50));
    QCOMPARE_LE(maxDifference(decoded, expected), 2);
}

void TestJpegCodec::transform_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("make");
    QTest::addColumn<QString>("refused"); // by jpegtran -perfect, so by us
    const auto row = [](const char *tag, QSize size, const char *make, const char *refused) {
        QTest::newRow(tag) << size << QString(make) << QString(refused);
    };
    const char *right = "hflip rot180 rot270 transverse", *bottom = "vflip rot90 rot180 transverse";
    const char *both = "hflip vflip rot90 rot180 rot270 transverse";
    row("4:2:0 whole blocks", QSize(64, 48), "convert -sampling-factor 2x2", "");
    row("4:2:0 partial both", QSize(61, 45), "convert -sampling-factor 2x2", both);
    row("4:2:0 partial bottom", QSize(64, 45), "convert -sampling-factor 2x2", bottom);
    row("4:2:2 partial right", QSize(72, 40), "convert -sampling-factor 2x1", right);
    row("4:4:4 partial right", QSize(61, 48), "convert -sampling-factor 1x1", right);
    row("4:4:0 partial bottom", QSize(56, 40), "convert -sampling-factor 1x2", bottom);
    row("grey partial both", QSize(60, 44), "convert -colorspace Gray", both);
    row("CMYK partial right", QSize(72, 48), "convert -colorspace CMYK -quality 85", right);
    row("4:4:4 in 16x8 blocks", QSize(56, 48), "cjpeg -sample 2x1,2x1,2x1", right);
}

void TestJpegCodec::transform()
{
    QFETCH(QSize, size);
    QFETCH(QString, make);
    QTemporaryDir dir;
    const QString source = dir.filePath("source.jpg");
    const QString failure = makeJpeg(source, size, make);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QByteArray jpeg = readFile(source);
    JpegCodec::Info info;
    QString error;
    QVERIFY2(JpegCodec::readInfo(jpeg, &info, &error), qPrintable(error));
    QCOMPARE(JpegCodec::transform(jpeg, PictureTurn(), &error), jpeg);

    QStringList refused;
    for (const Turn &turn : turns) {
        const QString name = QLatin1String(turn.name), expectedPath = dir.filePath(name + ".jpg");
        const bool perfect = run("jpegtran",
                                 words(QLatin1String("-perfect ") + turn.jpegtran)
                                     << "-outfile" << expectedPath << source)
                                 .isEmpty();
        if (!perfect)
            refused << name;
        QVERIFY2(JpegCodec::canTransformPerfectly(info, PictureTurn(turn.kind)) == perfect,
                 turn.name);
        const QByteArray actual = JpegCodec::transform(jpeg, PictureTurn(turn.kind), &error);
        QVERIFY2(actual.isEmpty() != perfect, qPrintable(name + ": " + error));
        if (!perfect)
            continue;
        QVERIFY2(actual.contains(comment) == jpeg.contains(comment), turn.name);
        const QImage expected = JpegCodec::decode(readFile(expectedPath), &error);
        QVERIFY2(!expected.isNull(), qPrintable(error));
        if (JpegCodec::decode(actual, &error) != expected) {
            dir.setAutoRemove(false);
            writeFile(expectedPath + ".actual.jpg", actual);
            QFAIL(qPrintable(
                QStringLiteral("%1.actual.jpg differs from jpegtran's %1").arg(expectedPath)));
        }
    }
    QTEST(refused.join(' '), "refused");
}

void TestJpegCodec::refusesDamagedData()
{
    QTemporaryDir dir;
    const QString failure
        = makeJpeg(dir.filePath("whole.jpg"), QSize(64, 48), "convert -quality 90");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QByteArray whole = readFile(dir.filePath("whole.jpg"));
    const QByteArray half = whole.left(whole.size() / 2);
    JpegCodec::Info info;
    QString error;
    QVERIFY2(JpegCodec::readInfo(half, &info, &error), qPrintable(error)); // the header is whole
    QVERIFY(JpegCodec::decode(half, &error).isNull());
    QCOMPARE(error, QStringLiteral("the JPEG data is damaged (Premature end of JPEG file)"));
    error.clear();
    QVERIFY(JpegCodec::transform(half, PictureTurn(PictureTurn::Rotate90), &error).isEmpty());
    QCOMPARE(error, QStringLiteral("the JPEG data is damaged (Premature end of JPEG file)"));

    QVERIFY(!JpegCodec::readInfo(whole.mid(1), &info, &error));
    QVERIFY(JpegCodec::decode(QByteArray(), &error).isNull());
    QVERIFY(JpegCodec::encode(QImage(), 90, Sampling::S420, &error).isEmpty());
}

QTEST_GUILESS_MAIN(TestJpegCodec)
#include "tst_jpegcodec.moc"
