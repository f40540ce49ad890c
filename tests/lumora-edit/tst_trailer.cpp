// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// What follows the picture in a JPEG, through lumora-edit: a motion photo's video kept
// after the edited picture with its XMP pointers true, the other pictures of a
// multi-picture file left out with their MPF index and a warning, and nothing pointing
// into nothing in any output format. Files are made here (Qt, exiftool, jpegtran, an MPF
// index written by hand) and checked with exiftool.

#include "processrun.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

ProcessRun lumoraEdit(const QStringList &arguments)
{
    return runProcess(QStringLiteral(LUMORA_EDIT), arguments);
}

ProcessRun exiftool(const QStringList &arguments)
{
    return runProcess(QStringLiteral("exiftool"), arguments);
}

// exiftool's reading of the parts that point after the picture, numbers as numbers.
QJsonObject pointers(const QString &file)
{
    const ProcessRun run
        = exiftool({ QStringLiteral("-json"), QStringLiteral("-n"), QStringLiteral("-G1"),
                     QStringLiteral("-struct"), QStringLiteral("-a"), QStringLiteral("-MPF:all"),
                     QStringLiteral("-XMP-GCamera:all"), QStringLiteral("-XMP-Container:all"),
                     QStringLiteral("-XMP-hdrgm:all"), QStringLiteral("-Trailer:all"),
                     QStringLiteral("-ImageSize"), file });
    return QJsonDocument::fromJson(run.out).array().at(0).toObject();
}

// One field of every item of a Container:Directory, as exiftool reads the structure.
QJsonArray directoryField(const QJsonObject &tags, const QString &field)
{
    QJsonArray values;
    for (const QJsonValue &item : tags.value(QStringLiteral("XMP-Container:Directory")).toArray())
        values.append(item.toObject().value(QStringLiteral("Item")).toObject().value(field));
    return values;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A photo-like picture, wider than high, whose sides are whole 16-pixel blocks so that a
// flip turns losslessly.
QImage photo(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 255 / width + seed) & 0xff, (y * 255 / height) & 0xff,
                                ((x + 2 * y + seed) % 97 + 80) & 0xff));
    }
    return image;
}

// A JPEG as Qt writes it, with `comment` as its COM text.
QByteArray jpeg(const QImage &picture, const QString &comment)
{
    QImage image = picture;
    image.setText(QStringLiteral("Description"), comment);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}

// Stand-in for an MP4: an ftyp box and an mdat box of bytes no picture holds.
QByteArray video()
{
    QByteArray box
        = QByteArray::fromHex("00000018") + "ftypmp42" + QByteArray(4, '\0') + "mp42isom";
    QByteArray payload;
    for (int i = 0; i < 3000; ++i)
        payload.append(char('A' + (i * 7) % 26));
    QByteArray mdat(4, '\0');
    qToBigEndian<quint32>(quint32(payload.size() + 8), mdat.data());
    return box + mdat + "mdat" + payload;
}

QByteArray bigEndian16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// After SOI and the APPn segments the encoder wrote: where an MPF index goes.
qsizetype afterAppSegments(const QByteArray &jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xff && uchar(jpeg[at + 1]) >= 0xe0
           && uchar(jpeg[at + 1]) <= 0xef)
        at += 2 + qFromBigEndian<quint16>(jpeg.constData() + at + 2);
    return at;
}

// `primary` followed by `others`, with an MPF APP2 index of all of them in the primary:
// a TIFF structure (big-endian) whose MP entries give each picture's size and its offset
// from the TIFF header.
QByteArray multiPicture(QByteArray primary, const QList<QByteArray> &others)
{
    const quint32 count = quint32(others.size() + 1);
    const qsizetype at = afterAppSegments(primary);
    const quint32 entriesOffset = 8 + 2 + 3 * 12 + 4;
    const qsizetype segmentSize = 2 + 2 + 4 + entriesOffset + 16 * count;
    const qsizetype header = at + 8; // FF E2, length, "MPF\0"
    const quint32 primarySize = quint32(primary.size() + segmentSize);

    QByteArray tiff = QByteArray("MM\0*", 4) + bigEndian32(8) + bigEndian16(3);
    tiff += bigEndian16(0xb000) + bigEndian16(7) + bigEndian32(4) + "0100";
    tiff += bigEndian16(0xb001) + bigEndian16(4) + bigEndian32(1) + bigEndian32(count);
    tiff += bigEndian16(0xb002) + bigEndian16(7) + bigEndian32(16 * count)
        + bigEndian32(entriesOffset);
    tiff += bigEndian32(0);
    tiff += bigEndian32(0x20030000) + bigEndian32(primarySize) + bigEndian32(0) + bigEndian32(0);
    quint32 next = primarySize;
    for (const QByteArray &other : others) {
        tiff += bigEndian32(0x00020002) + bigEndian32(quint32(other.size()))
            + bigEndian32(quint32(next - header)) + bigEndian32(0);
        next += quint32(other.size());
    }
    const QByteArray segment = QByteArray("\xff\xe2") + bigEndian16(quint16(segmentSize - 2))
        + QByteArray("MPF\0", 4) + tiff;
    primary.insert(at, segment);
    QByteArray file = primary;
    for (const QByteArray &other : others)
        file += other;
    return file;
}

const char secondComment[] = "the second picture";
const char gainMapComment[] = "the gain map";

// A raw XMP packet with a Container:Directory of the given items (semantic, mime,
// length), and more properties of the description.
QByteArray directoryPacket(const QList<std::tuple<QString, QString, qint64>> &items,
                           const QString &extra)
{
    QString packet
        = QStringLiteral(
              "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
              "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
              "rdf:about=\"\" xmlns:GCamera=\"http://ns.google.com/photos/1.0/camera/\" "
              "xmlns:Container=\"http://ns.google.com/photos/1.0/container/\" "
              "xmlns:Item=\"http://ns.google.com/photos/1.0/container/item/\" "
              "xmlns:hdrgm=\"http://ns.adobe.com/hdr-gain-map/1.0/\" "
              "%1><Container:Directory><rdf:Seq>")
              .arg(extra);
    for (const auto &[semantic, mime, length] : items)
        packet += QStringLiteral("<rdf:li rdf:parseType=\"Resource\"><Container:Item "
                                 "Item:Semantic=\"%1\" Item:Mime=\"%2\" Item:Length=\"%3\" "
                                 "Item:Padding=\"0\"/></rdf:li>")
                      .arg(semantic, mime)
                      .arg(length);
    packet += QStringLiteral(
        "</rdf:Seq></Container:Directory></rdf:Description></rdf:RDF></x:xmpmeta>");
    return packet.toUtf8();
}

// The name lumora-edit gives the format of a file name's suffix.
QString formatName(const QString &suffix)
{
    return suffix == QLatin1String("webp") ? QStringLiteral("WebP") : suffix.toUpper();
}

enum class Kind {
    MicroVideo, // GCamera:MicroVideoOffset from the end
    ProgressiveMicroVideo, // the same with a progressive primary picture
    ContainerVideo, // a Container:Directory whose Primary item has its length
    MultiPicture, // MPF: a stereo pair
    GainMapAndVideo, // MPF gain map and a video, both in a Container:Directory
    PointerIntoNothing, // MicroVideo XMP, but no video follows
};

struct Fixture
{
    QString path;
    QByteArray video; // what must follow the edited picture; empty: nothing
    bool otherPictures = false; // an MPF index with pictures that are left out
    QByteArray leftOut; // what followed the picture and must not follow the edited one
};

// What follows the picture that no kept pointer names.
enum class Tail {
    SecondPictureWithLocation, // the whole file again, GPS included
    Appended, // bytes a tool appended
    ZeroPadding, // zeros after the EOI
    MpfOutsideFile, // an MPF index whose picture runs past the end of the file
    GainMapListedOnly, // a gain map and a video in a Container:Directory, no MPF index
    MicroVideoHuge, // GCamera:MicroVideoOffset past the start of the file
    MicroVideoNegative,
    MicroVideoIntoPrimary, // the offset lands inside the primary picture
    MicroVideoStripLocation, // a true pointer, but --strip-location
};

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Tail)

class tst_Trailer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void keptTrue_data();
    void keptTrue();
    void strippedWithMetadata_data();
    void strippedWithMetadata();
    void otherRuns_data();
    void otherRuns();
    void unpointedLeftOut_data();
    void unpointedLeftOut();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    bool exiftoolWrite(const QString &file, const QStringList &arguments);
    Fixture make(Kind kind);
    Fixture make(Tail tail);

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_Trailer::initTestCase()
{
    for (const char *tool : { "exiftool", "jpegtran" })
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
}

void tst_Trailer::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

bool tst_Trailer::exiftoolWrite(const QString &file, const QStringList &arguments)
{
    const ProcessRun run
        = exiftool(QStringList { QStringLiteral("-q"), QStringLiteral("-overwrite_original") }
                   + arguments + QStringList { file });
    if (run.exitCode != 0)
        qWarning("exiftool: %s", run.err.constData());
    return run.exitCode == 0;
}

Fixture tst_Trailer::make(Kind kind)
{
    Fixture fixture;
    fixture.path = path(QStringLiteral("input.jpg"));
    const QString primary = path(QStringLiteral("primary.jpg"));
    const QString packet = path(QStringLiteral("packet.xmp"));
    writeAll(primary, jpeg(photo(320, 240, 0), QStringLiteral("the primary picture")));
    const QByteArray movie = video();
    const auto microVideo = [&] {
        exiftoolWrite(primary,
                      { QStringLiteral("-XMP-GCamera:MicroVideo=1"),
                        QStringLiteral("-XMP-GCamera:MicroVideoVersion=1"),
                        QStringLiteral("-XMP-GCamera:MicroVideoOffset=%1").arg(movie.size()) });
    };

    switch (kind) {
    case Kind::MicroVideo:
    case Kind::PointerIntoNothing:
        microVideo();
        fixture.video = kind == Kind::MicroVideo ? movie : QByteArray();
        writeAll(fixture.path, readAll(primary) + fixture.video);
        break;
    case Kind::ProgressiveMicroVideo: {
        microVideo();
        const QString progressive = path(QStringLiteral("progressive.jpg"));
        runProcess(QStringLiteral("jpegtran"),
                   { QStringLiteral("-progressive"), QStringLiteral("-copy"), QStringLiteral("all"),
                     QStringLiteral("-outfile"), progressive, primary });
        fixture.video = movie;
        writeAll(fixture.path, readAll(progressive) + movie);
        break;
    }
    case Kind::ContainerVideo: {
        // The Primary item's length is the primary picture's, whose XMP holds it.
        const QByteArray plain = readAll(primary);
        qint64 length = 1;
        for (int round = 0; round < 4; ++round) {
            writeAll(primary, plain);
            writeAll(packet,
                     directoryPacket(
                         { { QStringLiteral("Primary"), QStringLiteral("image/jpeg"), length },
                           { QStringLiteral("MotionPhoto"), QStringLiteral("video/mp4"),
                             movie.size() } },
                         QStringLiteral("GCamera:MotionPhoto=\"1\" "
                                        "GCamera:MotionPhotoVersion=\"1\"")));
            exiftoolWrite(primary, { QStringLiteral("-xmp<=") + packet });
            if (QFile(primary).size() == length)
                break;
            length = QFile(primary).size();
        }
        fixture.video = movie;
        writeAll(fixture.path, readAll(primary) + movie);
        break;
    }
    case Kind::MultiPicture:
        writeAll(fixture.path,
                 multiPicture(readAll(primary),
                              { jpeg(photo(320, 240, 9), QLatin1String(secondComment)) }));
        fixture.otherPictures = true;
        break;
    case Kind::GainMapAndVideo: {
        const QByteArray gainMap
            = jpeg(photo(160, 120, 40).convertToFormat(QImage::Format_Grayscale8),
                   QLatin1String(gainMapComment));
        writeAll(
            packet,
            directoryPacket(
                { { QStringLiteral("Primary"), QStringLiteral("image/jpeg"), 0 },
                  { QStringLiteral("GainMap"), QStringLiteral("image/jpeg"), gainMap.size() },
                  { QStringLiteral("MotionPhoto"), QStringLiteral("video/mp4"), movie.size() } },
                QStringLiteral("hdrgm:Version=\"1.0\" GCamera:MotionPhoto=\"1\"")));
        exiftoolWrite(primary, { QStringLiteral("-xmp<=") + packet });
        writeAll(fixture.path, multiPicture(readAll(primary), { gainMap }) + movie);
        fixture.video = movie;
        fixture.otherPictures = true;
        break;
    }
    }
    return fixture;
}

void tst_Trailer::keptTrue_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QStringList>("arguments"); // before the input; the edit after it
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QSize>("size"); // of the edited picture

    const QList<std::pair<const char *, Kind>> kinds {
        { "micro video", Kind::MicroVideo },
        { "progressive micro video", Kind::ProgressiveMicroVideo },
        { "container video", Kind::ContainerVideo },
        { "multi-picture", Kind::MultiPicture },
        { "gain map and video", Kind::GainMapAndVideo },
        { "pointer into nothing", Kind::PointerIntoNothing },
    };
    const QStringList none;
    const QStringList quality { QStringLiteral("--quality"), QStringLiteral("90") };
    for (const auto &[name, kind] : kinds) {
        QTest::addRow("%s, lossless flip", name) << kind << none << "flip-horizontal"
                                                 << "jpg" << QSize(320, 240);
        QTest::addRow("%s, rotate-right", name) << kind << none << "rotate-right"
                                                << "jpg" << QSize(240, 320);
        QTest::addRow("%s, flip re-encoded", name) << kind << quality << "flip-horizontal"
                                                   << "jpg" << QSize(320, 240);
        QTest::addRow("%s, sepia", name) << kind << none << "effect=sepia"
                                         << "jpg" << QSize(320, 240);
        QTest::addRow("%s, crop", name) << kind << none << "crop=square"
                                        << "jpg" << QSize(240, 240);
        QTest::addRow("%s, to PNG", name) << kind << none << "flip-horizontal"
                                          << "png" << QSize(320, 240);
    }
    // The other formats, a metadata-less one among them, for the fullest file.
    for (const char *suffix : { "tiff", "webp", "bmp" })
        QTest::addRow("gain map and video, to %s", suffix)
            << Kind::GainMapAndVideo << none << "rotate-right" << suffix << QSize(240, 320);
}

void tst_Trailer::keptTrue()
{
    QFETCH(Kind, kind);
    QFETCH(QStringList, arguments);
    QFETCH(QString, edit);
    QFETCH(QString, suffix);
    QFETCH(QSize, size);

    const Fixture fixture = make(kind);
    // The input is what it stands for, as exiftool reads it.
    if (fixture.otherPictures)
        QCOMPARE(pointers(fixture.path).value(QStringLiteral("MPF0:NumberOfImages")).toInt(), 2);
    const QString output = path(QStringLiteral("output.") + suffix);
    const ProcessRun run
        = lumoraEdit(arguments + QStringList { QStringLiteral("-o"), output, fixture.path, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray written = readAll(output);
    const QJsonObject tags = pointers(output);
    const QString shown = QString::fromUtf8(QJsonDocument(tags).toJson());
    QCOMPARE(tags.value(QStringLiteral("Composite:ImageSize")).toString(),
             QStringLiteral("%1 %2").arg(size.width()).arg(size.height()));

    // Never an index without its pictures, nor the pictures without their index.
    for (const QString &key : tags.keys())
        QVERIFY2(!key.startsWith(QLatin1String("MPF")), qPrintable(shown));
    QVERIFY2(!written.contains(secondComment), "the second picture was written");
    QVERIFY2(!written.contains(gainMapComment), "the gain map was written");
    // The gain map's description goes with the gain map.
    for (const QString &key : tags.keys())
        QVERIFY2(!key.startsWith(QLatin1String("XMP-hdrgm")), qPrintable(shown));

    const QStringList warnings
        = QString::fromUtf8(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const auto linesWith = [&](const QString &word) { return warnings.filter(word).size(); };
    const QJsonValue microOffset = tags.value(QStringLiteral("XMP-GCamera:MicroVideoOffset"));
    const QJsonArray semantics = directoryField(tags, QStringLiteral("Semantic"));
    const QJsonArray lengths = directoryField(tags, QStringLiteral("Length"));

    if (suffix != QLatin1String("jpg") || fixture.video.isEmpty()) {
        // Nothing follows, and nothing points after the picture.
        QVERIFY2(!written.contains(video().right(100)), "the video was written");
        QVERIFY2(microOffset.isUndefined(), qPrintable(shown));
        QVERIFY2(tags.value(QStringLiteral("XMP-GCamera:MicroVideo")).isUndefined(),
                 qPrintable(shown));
        QVERIFY2(tags.value(QStringLiteral("XMP-GCamera:MotionPhoto")).isUndefined(),
                 qPrintable(shown));
        QVERIFY2(tags.value(QStringLiteral("XMP-Container:Directory")).isUndefined(),
                 qPrintable(shown));
        if (suffix != QLatin1String("jpg"))
            QCOMPARE(linesWith(formatName(suffix)
                               + QLatin1String(" cannot hold what followed the JPEG picture")),
                     kind == Kind::PointerIntoNothing ? 0 : 1);
        else
            QCOMPARE(linesWith(QStringLiteral("MPF")), fixture.otherPictures ? 1 : 0);
        return;
    }

    // The video follows the new picture unchanged, where its pointer says.
    QVERIFY2(written.endsWith(fixture.video), "the video is not at the end");
    QCOMPARE(linesWith(QStringLiteral("MPF")), fixture.otherPictures ? 1 : 0);
    QCOMPARE(warnings.size(), fixture.otherPictures ? 1 : 0);
    if (kind == Kind::MicroVideo || kind == Kind::ProgressiveMicroVideo) {
        QCOMPARE(microOffset.toInteger(), fixture.video.size());
    } else {
        QCOMPARE(semantics,
                 (QJsonArray { QStringLiteral("Primary"), QStringLiteral("MotionPhoto") }));
        QCOMPARE(lengths.size(), 2);
        QCOMPARE(lengths.at(1).toInteger(), fixture.video.size());
        if (kind == Kind::ContainerVideo)
            QCOMPARE(lengths.at(0).toInteger(), written.size() - fixture.video.size());
        QCOMPARE(tags.value(QStringLiteral("XMP-GCamera:MotionPhoto")).toInt(), 1);
    }
    // exiftool's own extraction of the video.
    const ProcessRun extracted = exiftool(
        { QStringLiteral("-b"), QStringLiteral("-ee"), QStringLiteral("-EmbeddedVideo"), output });
    QVERIFY2(extracted.out == fixture.video, "exiftool extracts another video");
    const ProcessRun validated = exiftool(
        { QStringLiteral("-validate"), QStringLiteral("-warning"), QStringLiteral("-a"), output });
    // The only complaints are about the few EXIF tags the host writes, never about what
    // follows the picture or points to it.
    QStringList complaints;
    for (const QString &line : QString::fromUtf8(validated.out).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Warning")))
            complaints << line;
    }
    QCOMPARE(complaints.filter(QStringLiteral("Missing required JPEG")), complaints);
}

void tst_Trailer::strippedWithMetadata_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("micro video") << Kind::MicroVideo;
    QTest::newRow("gain map and video") << Kind::GainMapAndVideo;
}

void tst_Trailer::strippedWithMetadata()
{
    QFETCH(Kind, kind);
    const Fixture fixture = make(kind);
    const QString output = path(QStringLiteral("output.jpg"));
    const ProcessRun run = lumoraEdit(
        { QStringLiteral("--strip"), QStringLiteral("-o"), output, fixture.path, "rotate-right" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray written = readAll(output);
    QVERIFY2(!written.contains(fixture.video.right(100)), "the video was written");
    QVERIFY2(!written.contains(gainMapComment), "the gain map was written");
    const QJsonObject tags = pointers(output);
    for (const QString &key : tags.keys())
        QVERIFY2(!key.startsWith(QLatin1String("MPF")) && !key.startsWith(QLatin1String("XMP")),
                 qPrintable(key));
    QCOMPARE(QString::fromUtf8(run.err).count(QStringLiteral("is left out, as all metadata")), 1);
}

void tst_Trailer::otherRuns_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("in place") << true;
    QTest::newRow("batch") << false;
}

// The same file component behind --in-place and a batch's workers.
void tst_Trailer::otherRuns()
{
    QFETCH(bool, inPlace);
    const Fixture fixture = make(Kind::MicroVideo);
    const QString folder = path(QStringLiteral("out"));
    const QString output = inPlace ? fixture.path : folder + QLatin1String("/input.jpg");
    QVERIFY(QDir().mkpath(folder));
    const ProcessRun run
        = lumoraEdit(inPlace ? QStringList { QStringLiteral("--in-place"), QStringLiteral("-o"),
                                             output, fixture.path, "rotate-right" }
                             : QStringList { QStringLiteral("--output-dir"), folder, fixture.path,
                                             QStringLiteral("--"), "rotate-right" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray written = readAll(output);
    QVERIFY2(written.endsWith(fixture.video), "the video is not at the end");
    const QJsonObject tags = pointers(output);
    QCOMPARE(tags.value(QStringLiteral("XMP-GCamera:MicroVideoOffset")).toInteger(),
             fixture.video.size());
    QCOMPARE(tags.value(QStringLiteral("Composite:ImageSize")).toString(),
             QStringLiteral("240 320"));
}

Fixture tst_Trailer::make(Tail tail)
{
    Fixture fixture;
    fixture.path = path(QStringLiteral("input.jpg"));
    const QString primary = path(QStringLiteral("primary.jpg"));
    writeAll(primary, jpeg(photo(320, 240, 0), QStringLiteral("the primary picture")));
    const QByteArray movie = video();
    const auto microVideo = [&](qint64 offset) {
        exiftoolWrite(primary,
                      { QStringLiteral("-XMP-GCamera:MicroVideo=1"),
                        QStringLiteral("-XMP-GCamera:MicroVideoVersion=1"),
                        QStringLiteral("-XMP-GCamera:MicroVideoOffset=%1").arg(offset) });
    };
    switch (tail) {
    case Tail::SecondPictureWithLocation:
        exiftoolWrite(primary,
                      { QStringLiteral("-GPSLatitude=48.85"), QStringLiteral("-GPSLatitudeRef=N"),
                        QStringLiteral("-GPSLongitude=2.29"),
                        QStringLiteral("-GPSLongitudeRef=E") });
        fixture.leftOut = readAll(primary);
        break;
    case Tail::Appended:
        fixture.leftOut = QByteArray("GARBAGE-NOT-VIDEO").repeated(100);
        break;
    case Tail::ZeroPadding:
        fixture.leftOut = QByteArray(500, '\0');
        break;
    case Tail::MpfOutsideFile: {
        // The index is made for a picture 100000 bytes longer than the one that follows.
        const QByteArray second = jpeg(photo(320, 240, 9), QLatin1String(secondComment));
        const QByteArray file
            = multiPicture(readAll(primary), { second + QByteArray(100000, 'x') });
        writeAll(fixture.path, file.left(file.size() - 100000));
        fixture.leftOut = second;
        return fixture;
    }
    case Tail::GainMapListedOnly: {
        const QByteArray gainMap
            = jpeg(photo(160, 120, 40).convertToFormat(QImage::Format_Grayscale8),
                   QLatin1String(gainMapComment));
        const QString packet = path(QStringLiteral("packet.xmp"));
        writeAll(
            packet,
            directoryPacket(
                { { QStringLiteral("Primary"), QStringLiteral("image/jpeg"), 0 },
                  { QStringLiteral("GainMap"), QStringLiteral("image/jpeg"), gainMap.size() },
                  { QStringLiteral("MotionPhoto"), QStringLiteral("video/mp4"), movie.size() } },
                QStringLiteral("hdrgm:Version=\"1.0\" GCamera:MotionPhoto=\"1\"")));
        exiftoolWrite(primary, { QStringLiteral("-xmp<=") + packet });
        writeAll(fixture.path, readAll(primary) + gainMap + movie);
        fixture.video = movie;
        fixture.otherPictures = true;
        return fixture;
    }
    case Tail::MicroVideoHuge:
    case Tail::MicroVideoNegative:
    case Tail::MicroVideoIntoPrimary:
        microVideo(tail == Tail::MicroVideoHuge           ? Q_INT64_C(1000000000000000)
                       : tail == Tail::MicroVideoNegative ? -5
                                                          : movie.size() + 5000);
        fixture.leftOut = movie;
        break;
    case Tail::MicroVideoStripLocation:
        microVideo(movie.size());
        fixture.leftOut = movie;
        break;
    }
    writeAll(fixture.path, readAll(primary) + fixture.leftOut);
    return fixture;
}

void tst_Trailer::unpointedLeftOut_data()
{
    QTest::addColumn<Tail>("tail");
    QTest::addColumn<QStringList>("arguments"); // before the input; the edit after it
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QSize>("size"); // of the edited picture
    // Each must be in exactly one warning line, and there is no other warning; "%1" stands
    // for the size of what is left out.
    QTest::addColumn<QStringList>("warnings");

    const QStringList none;
    const QStringList stripLocation { QStringLiteral("--strip-location") };
    const QString secondPicture = QStringLiteral(
        "%1 bytes after the picture that nothing points to (a second JPEG picture) are left out");
    const QString unknownData = QStringLiteral(
        "%1 bytes after the picture that nothing points to (data of no known kind) are left out");
    const QString wrongOffset = QStringLiteral(
        " points to no video after the picture: the pointer is wrong and is removed");
    QTest::newRow("second picture with a location, cropped, --strip-location")
        << Tail::SecondPictureWithLocation << stripLocation
        << QStringLiteral("crop=free@0,0,100x100") << QSize(100, 100)
        << QStringList { secondPicture };
    QTest::newRow("second picture, lossless turn")
        << Tail::SecondPictureWithLocation << none << QStringLiteral("rotate-right")
        << QSize(240, 320) << QStringList { secondPicture };
    QTest::newRow("appended bytes") << Tail::Appended << none << QStringLiteral("effect=sepia")
                                    << QSize(320, 240) << QStringList { unknownData };
    QTest::newRow("zero padding, without a word")
        << Tail::ZeroPadding << none << QStringLiteral("flip-horizontal") << QSize(320, 240)
        << QStringList {};
    QTest::newRow("MPF index pointing outside the file")
        << Tail::MpfOutsideFile << none << QStringLiteral("rotate-right") << QSize(240, 320)
        << QStringList { secondPicture };
    QTest::newRow("gain map listed only in the directory")
        << Tail::GainMapListedOnly << none << QStringLiteral("rotate-right") << QSize(240, 320)
        << QStringList { QStringLiteral("the picture its Container:Directory lists is left out") };
    QTest::newRow("micro video offset past the file")
        << Tail::MicroVideoHuge << none << QStringLiteral("rotate-right") << QSize(240, 320)
        << QStringList { QStringLiteral("GCamera:MicroVideoOffset 1000000000000000") + wrongOffset,
                         unknownData };
    QTest::newRow("micro video offset negative")
        << Tail::MicroVideoNegative << none << QStringLiteral("crop=square") << QSize(240, 240)
        << QStringList { QStringLiteral("GCamera:MicroVideoOffset -5") + wrongOffset, unknownData };
    QTest::newRow("micro video offset into the primary picture")
        << Tail::MicroVideoIntoPrimary << none << QStringLiteral("flip-horizontal")
        << QSize(320, 240)
        << QStringList { QStringLiteral("GCamera:MicroVideoOffset %1").arg(video().size() + 5000)
                             + wrongOffset,
                         unknownData };
    QTest::newRow("motion photo under --strip-location")
        << Tail::MicroVideoStripLocation << stripLocation << QStringLiteral("rotate-right")
        << QSize(240, 320)
        << QStringList { QStringLiteral("(the motion photo's video, %1 bytes) is left out under "
                                        "--strip-location") };
}

// Only what a kept pointer names follows the edited picture; the rest is left out, said
// in one line, and so is every pointer to it.
void tst_Trailer::unpointedLeftOut()
{
    QFETCH(Tail, tail);
    QFETCH(QStringList, arguments);
    QFETCH(QString, edit);
    QFETCH(QSize, size);
    QFETCH(QStringList, warnings);

    const Fixture fixture = make(tail);
    const QString output = path(QStringLiteral("output.jpg"));
    const ProcessRun run
        = lumoraEdit(arguments + QStringList { QStringLiteral("-o"), output, fixture.path, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray written = readAll(output);
    const QJsonObject tags = pointers(output);
    const QString shown = QString::fromUtf8(QJsonDocument(tags).toJson()) + run.err;
    QCOMPARE(tags.value(QStringLiteral("Composite:ImageSize")).toString(),
             QStringLiteral("%1 %2").arg(size.width()).arg(size.height()));

    // The edited picture ends the file, or the video a kept pointer names does.
    if (fixture.video.isEmpty())
        QVERIFY2(written.endsWith("\xff\xd9"), "something follows the edited picture");
    else
        QVERIFY2(written.endsWith(fixture.video), "the video is not at the end");
    if (!fixture.leftOut.isEmpty() && fixture.leftOut.count('\0') < fixture.leftOut.size())
        QVERIFY2(!written.contains(fixture.leftOut.right(200)), "what nothing names was written");
    QVERIFY2(!written.contains(gainMapComment), "the gain map was written");
    QVERIFY2(!written.contains(secondComment), "the second picture was written");
    for (const QString &key : tags.keys()) {
        QVERIFY2(!key.startsWith(QLatin1String("MPF")), qPrintable(shown));
        QVERIFY2(!key.startsWith(QLatin1String("XMP-hdrgm")), qPrintable(shown));
    }
    if (fixture.video.isEmpty()) {
        for (const QString &key : tags.keys())
            QVERIFY2(!key.startsWith(QLatin1String("XMP-GCamera"))
                         && !key.startsWith(QLatin1String("XMP-Container")),
                     qPrintable(shown));
    } else {
        QCOMPARE(directoryField(tags, QStringLiteral("Semantic")),
                 (QJsonArray { QStringLiteral("Primary"), QStringLiteral("MotionPhoto") }));
        const ProcessRun extracted = exiftool({ QStringLiteral("-b"), QStringLiteral("-ee"),
                                                QStringLiteral("-EmbeddedVideo"), output });
        QVERIFY2(extracted.out == fixture.video, "exiftool extracts another video");
    }
    if (arguments.contains(QStringLiteral("--strip-location"))) {
        const ProcessRun gps = exiftool(
            { QStringLiteral("-s"), QStringLiteral("-a"), QStringLiteral("-GPS:all"), output });
        QVERIFY2(gps.out.trimmed().isEmpty(), gps.out.constData());
    }

    const QStringList lines
        = QString::fromUtf8(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &warning : std::as_const(warnings))
        QVERIFY2(lines.filter(QString(warning).replace(QLatin1String("%1"),
                                                       QString::number(fixture.leftOut.size())))
                         .size()
                     == 1,
                 qPrintable(shown));
    QVERIFY2(lines.size() == warnings.size(), qPrintable(shown));
}

QTEST_GUILESS_MAIN(tst_Trailer)
#include "tst_trailer.moc"
