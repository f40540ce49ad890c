// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Picture files read and written in bands: rows() gives open()'s picture, reduced() a
// DCT-scaled or smoothly scaled copy, and save() of bands writes what save() of the
// whole picture writes, as ImageMagick decodes it and exiftool reads its metadata.

#include "imagerows.h"
#include "picturefile.h"
#include "processrun.h"
#include "testpictures.h"

#include <QColorSpace>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PictureTurn::Kind)

namespace {

// Empty when the tool succeeded, else what it said.
QString run(const QString &program, const QStringList &arguments, QByteArray *out = nullptr)
{
    const ProcessRun done = runProcess(program, arguments);
    if (out)
        *out = done.out;
    return done.exitCode == 0 ? QString()
                              : program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))
            + QLatin1String(": ") + QString::fromLocal8Bit(done.err);
}

QStringList words(const QString &text)
{
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// "convert <options>" of a seeded noisy 1045x770 gradient, then "exiftool <tags>" on it.
QString makePicture(const QString &path, const QString &convert, const QString &tags,
                    QSize size = QSize(1045, 770))
{
    const QStringList picture = words(
        QStringLiteral("-seed 3 -size %1x%2 gradient:gold-teal -attenuate 0.4 +noise Gaussian")
            .arg(size.width())
            .arg(size.height()));
    QString failure = run("convert-im6.q16", picture + words(convert) << path);
    if (failure.isEmpty() && !tags.isEmpty())
        failure = run("exiftool", words("-q -overwrite_original " + tags) << path);
    return failure;
}

// Every band `source` gives, asking `rows` at a time, stacked; checks that each band has
// the width, format and colour space wanted. Null when one does not or the source fails.
QImage pulled(RowSource &source, int rows, const QColorSpace &space)
{
    QImage whole(source.size(), source.format());
    int y = 0;
    for (QImage band = source.next(rows); !band.isNull(); band = source.next(rows)) {
        if (band.width() != whole.width() || band.format() != whole.format() || band.height() > rows
            || y + band.height() > whole.height() || band.colorSpace() != space)
            return QImage();
        for (int line = 0; line < band.height(); ++line, ++y)
            memcpy(whole.scanLine(y), band.constScanLine(line),
                   size_t(qMin(band.bytesPerLine(), whole.bytesPerLine())));
    }
    whole.setColorSpace(space);
    return y == whole.height() ? whole : QImage();
}

// A caller's source over another that hands out at most `most` rows a band and counts
// the bands pulled.
class Capped : public RowSource
{
public:
    Capped(RowSource &rows, int most)
        : m_rows(rows)
        , m_most(most)
    { }
    QSize size() const override { return m_rows.size(); }
    QImage::Format format() const override { return m_rows.format(); }
    QImage next(int rows) override
    {
        ++pulls;
        return m_rows.next(qMin(rows, m_most));
    }
    QString error() const override { return m_rows.error(); }
    int pulls = 0;

private:
    RowSource &m_rows;
    int m_most;
};

// The named tags of a file as exiftool reads them, "Tag=value" each.
QStringList tags(const QString &path, const QStringList &names)
{
    QByteArray out;
    QStringList arguments { "-j", "-n" };
    for (const QString &name : names)
        arguments << "-" + name;
    if (!run("exiftool", arguments << path, &out).isEmpty())
        return { "exiftool failed" };
    const QJsonObject object = QJsonDocument::fromJson(out).array().first().toObject();
    QStringList lines;
    for (const QString &name : names)
        lines << name + "=" + object.value(name).toVariant().toString();
    return lines;
}

} // namespace

class TestPictureStream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rowsAreOpenedPicture_data();
    void rowsAreOpenedPicture();
    void reduced_data();
    void reduced();
    void savesBands_data();
    void savesBands();
    void losslessTurnPullsNoBand();
    void bandSizeDoesNotChangeFile();
    void damagedJpegFailsInStream();

private:
    QTemporaryDir m_dir;
};

void TestPictureStream::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestPictureStream::rowsAreOpenedPicture_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("convert");
    QTest::addColumn<QString>("tags");
    QTest::addColumn<int>("rows");
    QTest::newRow("JPEG upright, streamed") << "upright.jpg"
                                            << "-quality 85 -sampling-factor 2x1"
                                            << "-Artist=Band" << 64;
    QTest::newRow("JPEG turned by orientation 6") << "six.jpg"
                                                  << "-quality 90"
                                                  << "-Orientation#=6" << 100;
    QTest::newRow("grey JPEG turned by orientation 8") << "eight.jpg"
                                                       << "-quality 80 -colorspace Gray"
                                                       << "-Orientation#=8" << 1;
    QTest::newRow("CMYK JPEG streamed") << "cmyk.jpg"
                                        << "-colorspace CMYK"
                                        << "" << 33;
    QTest::newRow("PNG 16-bit") << "deep.png"
                                << "-depth 16"
                                << "" << 128;
    QTest::newRow("TIFF") << "picture.tif"
                          << "-compress lzw"
                          << "" << 770;
    QTest::newRow("JPEG with a profile Qt holds") << "profiled.jpg"
                                                  << ""
                                                  << "" << 50;
}

void TestPictureStream::rowsAreOpenedPicture()
{
    QFETCH(QString, name);
    QFETCH(QString, convert);
    QFETCH(QString, tags);
    QFETCH(int, rows);
    const QString path = m_dir.filePath(name);
    if (name == "profiled.jpg") { // Qt writes the colour space as an ICC profile
        QImage picture = photo(301, 207);
        picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        QVERIFY(picture.save(path, "JPEG", 90));
    } else {
        const QString failure = makePicture(path, convert, tags);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
    PictureFile opened, deferred;
    QString error;
    QVERIFY2(opened.open(path, &error), qPrintable(error));
    QVERIFY2(deferred.openDeferred(path, &error), qPrintable(error));
    QVERIFY(deferred.image().isNull());
    QCOMPARE(deferred.fullSize(), opened.fullSize());
    QCOMPARE(deferred.describe(), opened.describe());
    QCOMPARE(deferred.warnings(), opened.warnings());
    QCOMPARE(deferred.iccProfile(), opened.iccProfile());

    const QImage expected = opened.image();
    const std::unique_ptr<RowSource> source = deferred.rows(&error);
    QVERIFY2(source, qPrintable(error));
    QCOMPARE(source->size(), expected.size());
    QCOMPARE(source->format(), expected.format());
    const QImage actual = pulled(*source, rows, expected.colorSpace());
    QVERIFY2(!actual.isNull(), qPrintable(source->error()));
    QCOMPARE(source->error(), QString());
    QVERIFY(actual == expected);
    if (name == "profiled.jpg")
        QVERIFY(expected.colorSpace().isValid());
    // A file opened whole hands out the picture it holds.
    const std::unique_ptr<RowSource> held = opened.rows(&error);
    QVERIFY2(held, qPrintable(error));
    QVERIFY(pulled(*held, rows, expected.colorSpace()) == expected);
}

void TestPictureStream::reduced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("convert");
    QTest::addColumn<QString>("tags");
    QTest::addColumn<int>("longest");
    QTest::addColumn<QSize>("size");
    QTest::newRow("JPEG, a quarter, sides rounded up") << "quarter.jpg"
                                                       << "-quality 90"
                                                       << "" << 200 << QSize(262, 193);
    QTest::newRow("JPEG turned by orientation 6, three eighths")
        << "turned.jpg"
        << "-quality 90"
        << "-Orientation#=6" << 300 << QSize(289, 392);
    QTest::newRow("JPEG, none smaller") << "full.jpg"
                                        << "-quality 90"
                                        << "" << 2000 << QSize(1045, 770);
    QTest::newRow("PNG scaled to the longest side") << "scaled.png"
                                                    << ""
                                                    << "" << 209 << QSize(209, 154);
    QTest::newRow("TIFF not smaller") << "same.tif"
                                      << ""
                                      << "" << 1045 << QSize(1045, 770);
}

void TestPictureStream::reduced()
{
    QFETCH(QString, name);
    QFETCH(QString, convert);
    QFETCH(QString, tags);
    QFETCH(int, longest);
    const QString path = m_dir.filePath(name);
    const QString failure = makePicture(path, convert, tags);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    PictureFile file;
    QString error;
    QVERIFY2(file.openDeferred(path, &error), qPrintable(error));
    const QImage small = file.reduced(longest, &error);
    QVERIFY2(!small.isNull(), qPrintable(error));
    QTEST(small.size(), "size");

    // Against ImageMagick's own reduction of the upright picture: close, not equal.
    const QString expected = m_dir.filePath(name + ".expected.png");
    const QString actual = m_dir.filePath(name + ".actual.png");
    QVERIFY(small.save(actual));
    const QString resized
        = run("convert-im6.q16",
              { path, "-auto-orient", "-resize",
                QStringLiteral("%1x%2!").arg(small.width()).arg(small.height()), expected });
    QVERIFY2(resized.isEmpty(), qPrintable(resized));
    const ProcessRun rmse
        = runProcess("compare-im6.q16", { "-metric", "RMSE", actual, expected, "null:" });
    const double normalised
        = QString::fromUtf8(rmse.err).section('(', 1).section(')', 0, 0).toDouble();
    QVERIFY2(normalised < 0.03, rmse.err.constData());
}

void TestPictureStream::savesBands_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("convert");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("quality");
    const QString jpeg = QStringLiteral("-quality 85 -sampling-factor 2x1");
    QTest::newRow("JPEG to JPEG at its own quality") << "in.jpg" << jpeg << "out.jpg" << 0;
    QTest::newRow("JPEG to JPEG at quality 70") << "in.jpg" << jpeg << "q70.jpg" << 70;
    QTest::newRow("JPEG to PNG, bands gathered") << "in.jpg" << jpeg << "out.png" << 0;
    QTest::newRow("16-bit PNG to JPEG, written at 8 bits") << "deep.png"
                                                           << "-depth 16"
                                                           << "deep.jpg" << 0;
    QTest::newRow("16-bit PNG to TIFF") << "deep.png"
                                        << "-depth 16"
                                        << "deep.tif" << 0;
    QTest::newRow("TIFF to JPEG") << "in.tif"
                                  << ""
                                  << "tiff.jpg" << 95;
}

// save() of the bands writes the pixels save() of the whole picture writes, with the
// same metadata and warnings.
void TestPictureStream::savesBands()
{
    QFETCH(QString, name);
    QFETCH(QString, convert);
    QFETCH(QString, output);
    QFETCH(int, quality);
    const QString path = m_dir.filePath("saves-" + name);
    const QString failure = makePicture(
        path, convert, "-Artist=Streamer -Copyright=Lumora -XMP-xmp:Rating=4 -Orientation#=6");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    PictureFile whole, deferred;
    QString error;
    QVERIFY2(whole.open(path, &error), qPrintable(error));
    QVERIFY2(deferred.openDeferred(path, &error), qPrintable(error));
    PictureSaveOptions options;
    options.quality = quality;
    options.software = "tst_picturestream";
    const QString expected = m_dir.filePath("whole-" + output);
    const QString actual = m_dir.filePath("bands-" + output);
    QStringList expectedWarnings, actualWarnings;
    QVERIFY2(whole.save(whole.image(), expected, options, &error, &expectedWarnings),
             qPrintable(error));
    const std::unique_ptr<RowSource> rows = deferred.rows(&error);
    QVERIFY2(rows, qPrintable(error));
    const QImage small = deferred.reduced(320, &error);
    QVERIFY2(!small.isNull(), qPrintable(error));
    QVERIFY2(deferred.save(*rows, small, actual, options, &error, &actualWarnings),
             qPrintable(error));
    QCOMPARE(actualWarnings, expectedWarnings);

    const QString difference = differingPixels(expected, actual);
    QVERIFY2(difference == "0",
             qPrintable(actual + " differs from " + expected + " in " + difference + " pixels"));
    const QStringList names { "Artist",         "Copyright",       "Rating",     "Orientation",
                              "ExifImageWidth", "ExifImageHeight", "ImageWidth", "ImageHeight",
                              "Software",       "ThumbnailImage" };
    const QStringList written = tags(actual, names);
    QCOMPARE(written, tags(expected, names));
    if (output.endsWith(".jpg") || output.endsWith(".png")) {
        QVERIFY2(written.contains("Artist=Streamer") && written.contains("Rating=4")
                     && written.contains("Orientation=1") && written.contains("ExifImageWidth=770"),
                 qPrintable(written.join(", ")));
    }
}

// Every edit a turn, JPEG to JPEG at its own quality: the blocks are turned, no band is
// pulled, and the pixels are jpegtran's.
void TestPictureStream::losslessTurnPullsNoBand()
{
    const QString path = m_dir.filePath("turn.jpg");
    const QString failure
        = makePicture(path, "-quality 90 -sampling-factor 2x2", "-Artist=Turn", QSize(1024, 768));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    PictureFile file;
    QString error;
    QVERIFY2(file.openDeferred(path, &error), qPrintable(error));
    PictureSaveOptions options;
    options.turn = PictureTurn(PictureTurn::Rotate90);
    // The edited picture: the file's, turned.
    PictureFile whole;
    QVERIFY2(whole.open(path, &error), qPrintable(error));
    ImageRows rows(options.turn->apply(whole.image()));
    Capped counted(rows, 1 << 20);
    const QImage small = options.turn->apply(file.reduced(320, &error));
    const QString out = m_dir.filePath("turned.jpg"), expected = m_dir.filePath("jpegtran.jpg");
    QVERIFY2(file.save(counted, small, out, options, &error), qPrintable(error));
    QCOMPARE(counted.pulls, 0);
    const QString turned
        = run("jpegtran", { "-perfect", "-rotate", "90", "-outfile", expected, path });
    QVERIFY2(turned.isEmpty(), qPrintable(turned));
    QCOMPARE(differingPixels(expected, out), QStringLiteral("0"));
    QCOMPARE(tags(out, { "ImageWidth", "ExifImageWidth", "Artist" }),
             QStringList({ "ImageWidth=768", "ExifImageWidth=768", "Artist=Turn" }));
}

// Bands of one row and one band of the whole picture write the same bytes, and those of
// save() of the whole picture.
void TestPictureStream::bandSizeDoesNotChangeFile()
{
    const QString path = m_dir.filePath("bands.jpg");
    const QString failure
        = makePicture(path, "-quality 92 -sampling-factor 1x1", "-Artist=Band", QSize(333, 257));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    PictureFile file;
    QString error;
    QVERIFY2(file.openDeferred(path, &error), qPrintable(error));
    PictureSaveOptions options;
    options.strip = true; // no date written, so that the bytes can be compared
    options.quality = 88;
    const QImage small = file.reduced(320, &error);
    QByteArray hashes[2];
    const int caps[2] = { 1, 257 };
    for (int i = 0; i < 2; ++i) {
        const std::unique_ptr<RowSource> rows = file.rows(&error);
        QVERIFY2(rows, qPrintable(error));
        Capped capped(*rows, caps[i]);
        const QString out = m_dir.filePath(QStringLiteral("band%1.jpg").arg(caps[i]));
        QVERIFY2(file.save(capped, small, out, options, &error), qPrintable(error));
        QVERIFY(capped.pulls >= (caps[i] == 1 ? 257 : 1));
        hashes[i] = hashOf(out);
    }
    QCOMPARE(hashes[0], hashes[1]);
    PictureFile whole;
    QVERIFY2(whole.open(path, &error), qPrintable(error));
    const QString out = m_dir.filePath("bandwhole.jpg");
    QVERIFY2(whole.save(whole.image(), out, options, &error), qPrintable(error));
    QCOMPARE(hashOf(out), hashes[0]);
}

// A JPEG whose data is damaged past its header opens deferred, fails in the stream with
// the sentence open() gives, and the save writes nothing: an older file stays.
void TestPictureStream::damagedJpegFailsInStream()
{
    const QString made = m_dir.filePath("whole-for-damage.jpg");
    const QString failure = makePicture(made, "-quality 90", "", QSize(400, 300));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile in(made);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString path = m_dir.filePath("damaged.jpg");
    QFile damaged(path);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(bytes.left(bytes.size() / 2) + "\xff\xd9"); // cut short, but ended
    damaged.close();

    PictureFile opened, deferred;
    QString expected, error;
    QVERIFY(!opened.open(path, &expected));
    QVERIFY2(expected.contains("the JPEG data is damaged"), qPrintable(expected));
    QVERIFY2(deferred.openDeferred(path, &error), qPrintable(error));
    const QString out = m_dir.filePath("kept.jpg");
    QFile older(out);
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const char *kind : { "jpg", "png" }) {
        const QString target = kind == QByteArray("jpg") ? out : m_dir.filePath("none.png");
        const std::unique_ptr<RowSource> rows = deferred.rows(&error);
        QVERIFY2(rows, qPrintable(error));
        QVERIFY(!deferred.save(*rows, QImage(10, 10, QImage::Format_RGB32), target,
                               PictureSaveOptions(), &error));
        QCOMPARE(error, expected);
        QCOMPARE(rows->error(), expected);
    }
    QVERIFY(!QFile::exists(m_dir.filePath("none.png")));
    QVERIFY(older.open(QIODevice::ReadOnly));
    QCOMPARE(older.readAll(), QByteArray("older"));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
}

QTEST_GUILESS_MAIN(TestPictureStream)
#include "tst_picturestream.moc"
