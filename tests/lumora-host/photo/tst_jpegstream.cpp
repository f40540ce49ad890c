// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// JPEG decoded and encoded in bands, checked against TurboJPEG decoding and encoding the
// whole picture (JpegCodec), on files ImageMagick 6 and cjpeg write.

#include "jpegcodec.h"
#include "jpegstream.h"
#include "processrun.h"
#include "testpictures.h"

#include <QTemporaryDir>
#include <QTest>

using JpegCodec::Sampling;
Q_DECLARE_METATYPE(JpegCodec::Sampling)

namespace {

QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Empty when the tool succeeded, else what it said.
QString run(const QString &program, const QStringList &arguments)
{
    const ProcessRun done = runProcess(program, arguments);
    return done.exitCode == 0 ? QString()
                              : program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))
            + QLatin1String(": ") + QString::fromLocal8Bit(done.err);
}

// A seeded noisy gradient of `size`, written by "convert <options>" or "cjpeg <options>".
QString makeJpeg(const QString &path, QSize size, const QString &make)
{
    const QStringList picture = words(
        QStringLiteral("-seed 7 -size %1x%2 gradient:orange-navy -attenuate 0.6 +noise Gaussian")
            .arg(size.width())
            .arg(size.height()));
    QStringList options = words(make);
    const QString convert = QStringLiteral("convert-im6.q16"), ppm = path + QLatin1String(".ppm");
    if (options.takeFirst() == QLatin1String("convert"))
        return run(convert, picture + options << path);
    const QString failure = run(convert, QStringList(picture) << ppm);
    return failure.isEmpty() ? run("cjpeg", options << "-outfile" << path << ppm) : failure;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every band a source gives, `rows` at a time, stacked; null when one fails or a band
// is not of the source's width and format.
QImage pulled(RowSource &source, int rows)
{
    QImage whole(source.size(), source.format());
    int y = 0;
    for (QImage band = source.next(rows); !band.isNull(); band = source.next(rows)) {
        if (band.width() != whole.width() || band.format() != whole.format() || band.height() > rows
            || y + band.height() > whole.height())
            return QImage();
        for (int line = 0; line < band.height(); ++line, ++y)
            memcpy(whole.scanLine(y), band.constScanLine(line), size_t(band.bytesPerLine()));
    }
    return y == whole.height() ? whole : QImage();
}

// A 16-bit grey ramp whose low bytes all differ from its high bytes.
QImage deepGrey(QSize size)
{
    QImage image(size, QImage::Format_Grayscale16);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint16 *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = quint16((x * 977 + y * 1931) % 65536);
    }
    return image;
}

// The pattern with an alpha that changes across it, in `format`.
QImage withAlpha(QSize size, QImage::Format format)
{
    QImage image = pattern(size.width(), size.height()).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), (x * 37 + y) % 256);
    }
    return image.convertToFormat(format);
}

} // namespace

class TestJpegStream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void writes_data();
    void writes();
    void failsOnDamage_data();
    void failsOnDamage();
    void refusesBandsThatDoNotFit();
};

void TestJpegStream::reads_data()
{
    QTest::addColumn<QString>("make");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("rows"); // a band
    QTest::addColumn<int>("longest"); // minimumLongestSide; 0: full size
    const QSize odd(61, 45);
    const QString colour = QStringLiteral("convert -quality 90 -sampling-factor 2x2");
    QTest::newRow("4:2:0") << colour << odd << 7 << 0;
    QTest::newRow("4:2:2") << "convert -quality 80 -sampling-factor 2x1" << odd << 16 << 0;
    QTest::newRow("4:4:4") << "convert -quality 95 -sampling-factor 1x1" << odd << 5 << 0;
    QTest::newRow("4:4:0") << "cjpeg -sample 1x2 -quality 70" << odd << 9 << 0;
    QTest::newRow("4:1:1") << "cjpeg -sample 4x1 -quality 75" << odd << 3 << 0;
    QTest::newRow("3x1, a sampling TurboJPEG has no name for")
        << "cjpeg -sample 3x1 -quality 70" << odd << 8 << 0;
    QTest::newRow("grey") << "convert -quality 85 -colorspace Gray" << odd << 10 << 0;
    QTest::newRow("CMYK (YCCK) inverted as TurboJPEG is")
        << "convert -quality 85 -colorspace CMYK" << odd << 6 << 0;
    QTest::newRow("restart markers") << "cjpeg -restart 1 -quality 90" << odd << 4 << 0;
    QTest::newRow("progressive, block smoothing as TurboJPEG")
        << "cjpeg -progressive -quality 60" << odd << 11 << 0;
    QTest::newRow("progressive grey") << "cjpeg -progressive -grayscale" << odd << 2 << 0;
    QTest::newRow("RGB without YCbCr") << "cjpeg -rgb -quality 90" << odd << 13 << 0;
    QTest::newRow("1x1") << colour << QSize(1, 1) << 1 << 0;
    QTest::newRow("17x9") << colour << QSize(17, 9) << 4 << 0;
    QTest::newRow("4001x3") << colour << QSize(4001, 3) << 2 << 0;
    QTest::newRow("a band of 1 row") << colour << odd << 1 << 0;
    QTest::newRow("the whole height in one band") << colour << odd << 45 << 0;
    QTest::newRow("more rows asked than there are") << colour << odd << 1000 << 0;
    const QSize large(1045, 770);
    QTest::newRow("an eighth, sides rounded up") << colour << large << 64 << 100;
    QTest::newRow("a quarter") << colour << large << 30 << 200;
    QTest::newRow("three eighths") << colour << large << 17 << 340;
    QTest::newRow("no scale smaller") << colour << large << 256 << 1045;
    QTest::newRow("grey, a half") << "convert -quality 80 -colorspace Gray" << large << 64 << 500;
    QTest::newRow("4:2:2 progressive, five eighths")
        << "cjpeg -progressive -sample 2x1" << large << 33 << 600;
    QTest::newRow("CMYK, a quarter")
        << "convert -quality 85 -colorspace CMYK" << large << 64 << 200;
}

void TestJpegStream::reads()
{
    QFETCH(QString, make);
    QFETCH(QSize, size);
    QFETCH(int, rows);
    QFETCH(int, longest);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.jpg");
    const QString failure = makeJpeg(path, size, make);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QByteArray jpeg = readFile(path);
    QString error;
    const QImage expected = longest > 0 ? JpegCodec::decodeReduced(jpeg, longest, &error)
                                        : JpegCodec::decode(jpeg, &error);
    QVERIFY2(!expected.isNull(), qPrintable(error));

    JpegReader reader(jpeg, longest);
    QCOMPARE(reader.size(), expected.size());
    QCOMPARE(reader.format(), expected.format());
    const QImage actual = pulled(reader, rows);
    QVERIFY2(!actual.isNull(), qPrintable(reader.error()));
    QVERIFY(reader.next(rows).isNull()); // all handed out
    QCOMPARE(reader.error(), QString());
    if (actual != expected) { // bit for bit, the X byte of RGB32 too
        dir.setAutoRemove(false);
        actual.save(dir.filePath("actual.png"));
        expected.save(dir.filePath("expected.png"));
        QFAIL(qPrintable(dir.filePath("actual.png") + " differs from TurboJPEG's "
                         + dir.filePath("expected.png")));
    }
}

void TestJpegStream::writes_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<Sampling>("sampling");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("rows");
    const QImage odd = photo(61, 45);
    QTest::newRow("4:4:4") << odd << Sampling::S444 << 92 << 16;
    QTest::newRow("4:2:2") << odd << Sampling::S422 << 85 << 7;
    QTest::newRow("4:2:0") << odd << Sampling::S420 << 75 << 5;
    QTest::newRow("4:4:0") << odd << Sampling::S440 << 90 << 9;
    QTest::newRow("4:1:1") << odd << Sampling::S411 << 60 << 13;
    QTest::newRow("grey sampling for colour gives 4:2:0") << odd << Sampling::Gray << 80 << 8;
    QTest::newRow("unknown sampling gives 4:2:0") << odd << Sampling::Unknown << 80 << 8;
    QTest::newRow("quality above 100 clamped") << odd << Sampling::S444 << 250 << 8;
    QTest::newRow("quality 0 clamped to 1") << odd << Sampling::S420 << 0 << 8;
    QTest::newRow("grey") << odd.convertToFormat(QImage::Format_Grayscale8) << Sampling::S444 << 88
                          << 6;
    QTest::newRow("16-bit grey") << deepGrey(QSize(61, 45)) << Sampling::Gray << 90 << 10;
    QTest::newRow("ARGB") << withAlpha(QSize(61, 45), QImage::Format_ARGB32) << Sampling::S420 << 90
                          << 12;
    QTest::newRow("ARGB premultiplied, colours unpremultiplied")
        << withAlpha(QSize(61, 45), QImage::Format_ARGB32_Premultiplied) << Sampling::S444 << 95
        << 12;
    QTest::newRow("RGB888") << odd.convertToFormat(QImage::Format_RGB888) << Sampling::S422 << 70
                            << 3;
    QTest::newRow("64-bit RGBA") << withAlpha(QSize(61, 45), QImage::Format_RGBA64)
                                 << Sampling::S420 << 80 << 11;
    QTest::newRow("1x1") << photo(1, 1) << Sampling::S420 << 90 << 1;
    QTest::newRow("17x9") << photo(17, 9) << Sampling::S411 << 90 << 4;
    QTest::newRow("4001x3") << photo(4001, 3) << Sampling::S420 << 90 << 2;
    QTest::newRow("a band of 1 row") << odd << Sampling::S420 << 90 << 1;
    QTest::newRow("the whole height in one band") << odd << Sampling::S420 << 90 << 45;
}

void TestJpegStream::writes()
{
    QFETCH(QImage, picture);
    QFETCH(Sampling, sampling);
    QFETCH(int, quality);
    QFETCH(int, rows);
    QString error;
    const QByteArray expected = JpegCodec::encode(picture, quality, sampling, &error);
    QVERIFY2(!expected.isEmpty(), qPrintable(error));

    JpegWriter writer(picture.size(), picture.format(), quality, sampling);
    for (int y = 0; y < picture.height(); y += rows)
        QVERIFY2(
            writer.write(picture.copy(0, y, picture.width(), qMin(rows, picture.height() - y))),
            qPrintable(writer.error()));
    const QByteArray actual = writer.finish();
    QVERIFY2(!actual.isEmpty(), qPrintable(writer.error()));
    if (actual != expected) {
        QTemporaryDir dir;
        dir.setAutoRemove(false);
        QFile out(dir.filePath("actual.jpg")), in(dir.filePath("expected.jpg"));
        if (out.open(QIODevice::WriteOnly))
            out.write(actual);
        if (in.open(QIODevice::WriteOnly))
            in.write(expected);
        QFAIL(qPrintable(out.fileName() + " differs from TurboJPEG's " + in.fileName()));
    }
}

void TestJpegStream::failsOnDamage_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("rows");
    QTest::newRow("cut short, small bands") << "cut" << 8;
    QTest::newRow("cut short, one band") << "cut" << 1000;
    QTest::newRow("bytes before the end marker fail the last band") << "extra" << 8;
    QTest::newRow("a wrong restart marker") << "restart" << 8;
}

// Damage fails next() with TurboJPEG's words for it, never giving all the rows.
void TestJpegStream::failsOnDamage()
{
    QFETCH(QString, damage);
    QFETCH(int, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.jpg");
    const QString failure = makeJpeg(path, QSize(64, 48), "cjpeg -restart 1 -quality 90");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QByteArray jpeg = readFile(path);
    if (damage == "cut") {
        jpeg.truncate(jpeg.size() * 2 / 3);
    } else if (damage == "extra") {
        jpeg.insert(jpeg.size() - 2, QByteArray(64, 'j'));
    } else {
        const qsizetype marker = jpeg.indexOf("\xff\xd1");
        QVERIFY(marker > 0);
        jpeg[marker + 1] = '\xd5'; // RST5 where RST1 belongs
    }
    QString expected;
    QVERIFY(JpegCodec::decode(jpeg, &expected).isNull());
    JpegReader reader(jpeg);
    QCOMPARE(reader.size(), QSize(64, 48));
    QCOMPARE(reader.error(), QString());
    int given = 0;
    for (QImage band = reader.next(rows); !band.isNull(); band = reader.next(rows))
        given += band.height();
    QVERIFY(given < 48);
    QCOMPARE(reader.error(), expected);
    QVERIFY(reader.next(rows).isNull()); // and stays failed
}

void TestJpegStream::refusesBandsThatDoNotFit()
{
    const QImage picture = photo(20, 10);
    JpegWriter writer(picture.size(), picture.format(), 90, Sampling::S420);
    QVERIFY(writer.write(picture.copy(0, 0, 20, 6)));
    QVERIFY(!writer.write(picture.copy(0, 0, 19, 2))); // narrower
    QVERIFY(writer.finish().isEmpty());
    QVERIFY(!writer.error().isEmpty());

    JpegWriter tooMany(picture.size(), picture.format(), 90, Sampling::S420);
    QVERIFY(!tooMany.write(photo(20, 11)));
    JpegWriter greyInColour(picture.size(), picture.format(), 90, Sampling::S420);
    QVERIFY(!greyInColour.write(picture.convertToFormat(QImage::Format_Grayscale8)));
    JpegWriter short_(picture.size(), picture.format(), 90, Sampling::S420);
    QVERIFY(short_.write(picture.copy(0, 0, 20, 9)));
    QVERIFY(short_.finish().isEmpty());
    QCOMPARE(short_.error(),
             QStringLiteral("the picture cannot be encoded as JPEG (9 of its 10 rows were given)"));
    JpegWriter empty(QSize(), QImage::Format_RGB32, 90, Sampling::S420);
    QVERIFY(!empty.write(picture));
    QCOMPARE(empty.error(), QStringLiteral("there is no picture to encode"));
}

QTEST_GUILESS_MAIN(TestJpegStream)
#include "tst_jpegstream.moc"
