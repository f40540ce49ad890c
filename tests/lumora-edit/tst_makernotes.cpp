// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Camera makers' MakerNotes through lumora-edit's edits, read before and after by exiftool.
// Each maker points into its MakerNote in its own way; the EXIF blocks are built here, one
// directory entry at a time, so that every such way is met, and a value lies outside its
// entry wherever an offset can go wrong.

#include "processrun.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

namespace {

// Byte order of the values a test writes.
struct Order
{
    bool little;

    QByteArray u16(quint16 v) const
    {
        QByteArray b(2, '\0');
        little ? qToLittleEndian(v, b.data()) : qToBigEndian(v, b.data());
        return b;
    }
    QByteArray u32(quint32 v) const
    {
        QByteArray b(4, '\0');
        little ? qToLittleEndian(v, b.data()) : qToBigEndian(v, b.data());
        return b;
    }
    QByteArray shorts(std::initializer_list<int> values) const
    {
        QByteArray b;
        for (const int v : values)
            b += u16(quint16(v));
        return b;
    }
    QByteArray longs(std::initializer_list<qint64> values) const
    {
        QByteArray b;
        for (const qint64 v : values)
            b += u32(quint32(v));
        return b;
    }
    QByteArray rationals(std::initializer_list<std::pair<qint64, qint64>> values) const
    {
        QByteArray b;
        for (const auto &[n, d] : values)
            b += u32(quint32(n)) + u32(quint32(d));
        return b;
    }
    QByteArray header() const
    {
        return (little ? QByteArray("II*\0", 4) : QByteArray("MM\0*", 4)) + u32(8);
    }
};

QByteArray text(const char *s, int size = 0)
{
    QByteArray b(s);
    b.append('\0');
    if (size > b.size())
        b.append(QByteArray(size - b.size(), '\0'));
    return b;
}

enum Type : quint16 { Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7, SRational = 10 };

struct Entry
{
    quint16 tag;
    quint16 type;
    QByteArray value; // in the directory's byte order
    qint64 elsewhere = -1; // >= 0: the value lies there, not after the directory
};

int typeSize(quint16 type)
{
    return type == Short ? 2 : type == Long ? 4 : type == Rational || type == SRational ? 8 : 1;
}

// A TIFF directory that stands at `position` and points `base` bytes lower than where its
// values lie (0: offsets from the block's TIFF header). The values follow the entries.
QByteArray directory(const Order &order, QVector<Entry> entries, qint64 position, qint64 base,
                     bool nextPointer = true)
{
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
    const qint64 head = 2 + 12 * entries.size() + (nextPointer ? 4 : 0);
    QByteArray body = order.u16(quint16(entries.size()));
    QByteArray values;
    for (const Entry &entry : entries) {
        body += order.u16(entry.tag) + order.u16(entry.type)
            + order.u32(quint32(entry.value.size() / typeSize(entry.type)));
        if (entry.elsewhere >= 0) {
            body += order.u32(quint32(entry.elsewhere - base));
        } else if (entry.value.size() <= 4) {
            body += entry.value.leftJustified(4, '\0');
        } else {
            body += order.u32(quint32(position + head + values.size() - base));
            values += entry.value;
            if (values.size() % 2)
                values += '\0';
        }
    }
    if (nextPointer)
        body += order.u32(0);
    return body + values;
}

// Canon's ShotInfo: its size first; element 22 the exposure time in 1/32 EV (284: 1/470 s).
QByteArray canonShotInfo(const Order &o)
{
    QByteArray b;
    for (int i = 0; i < 34; ++i)
        b += o.u16(i == 0 ? 68 : i == 22 ? 284 : i == 2 ? 160 : 0);
    return b;
}

// Each maker's MakerNote as it stands `at` bytes after the block's TIFF header.
using NoteMaker = std::function<QByteArray(qint64 at)>;

// Canon's MakerNote as written where it stood `stood` bytes after the block's header; a
// writer that moves it without its offsets leaves them and the footer saying so.
QByteArray canonNote(qint64 stood)
{
    const Order o { true };
    QByteArray settings;
    for (int i = 0; i < 46; ++i)
        settings += o.u16(i == 0 ? 92 : i);
    // Offsets from the block's header; Canon's footer tells where the MakerNote stood.
    return directory(o,
                     { { 0x0001, Short, settings },
                       { 0x0004, Short, canonShotInfo(o) },
                       { 0x0006, Ascii, text("Canon EOS 5D Mark II") },
                       { 0x0007, Ascii, text("Firmware Version 2.0.9") },
                       { 0x0009, Ascii, text("Lumora Tester", 32) },
                       { 0x0010, Long, o.longs({ 0x80000218 }) } },
                     stood, 0)
        + QByteArray("II*\0", 4) + o.u32(quint32(stood));
}

const QVector<std::pair<const char *, NoteMaker>> &noteMakers()
{
    static const QVector<std::pair<const char *, NoteMaker>> makers = {
        { "Canon", [](qint64 at) { return canonNote(at); } },
        { "Canon moved without its offsets", [](qint64 at) { return canonNote(at - 40); } },
        { "Canon cut short",
          [](qint64 at) {
              // The directory is whole, the owner's name its last value, cut.
              return canonNote(at).left(290);
          } },
        { "Nikon",
          [](qint64 at) { // type 3: a TIFF header of its own, big-endian
              const Order o { false };
              return QByteArray("Nikon\0\x02\x10\0\0", 10) + o.header()
                  + directory(
                         o,
                         { { 0x0001, Undefined, "0210" },
                           { 0x0002, Short, o.shorts({ 0, 200 }) },
                           { 0x0004, Ascii, text("FINE   ") },
                           { 0x0005, Ascii, text("AUTO        ") },
                           { 0x001d, Ascii, text("7654321") },
                           { 0x0084, Rational,
                             o.rationals({ { 180, 10 }, { 550, 10 }, { 35, 10 }, { 56, 10 } }) } },
                         at + 18, at + 10);
          } },
        { "Olympus",
          [](qint64 at) { // offsets from its own start
              const Order o { true };
              return QByteArray("OLYMPUS\0II\x03\0", 12)
                  + directory(o,
                              { { 0x0000, Undefined, "0100" },
                                { 0x0200, Long, o.longs({ 0, 0, 0 }) },
                                { 0x0207, Ascii, text("D4029   ") },
                                { 0x0209, Undefined, text("OLYMPUS DIGITAL CAMERA", 32) },
                                { 0x1015, Short, o.shorts({ 2, 1 }) } },
                              at + 12, at);
          } },
        { "Panasonic",
          [](qint64 at) { // offsets from the block's header; no next-directory pointer
              const Order o { true };
              return QByteArray("Panasonic\0\0\0", 12)
                  + directory(o,
                              { { 0x0001, Short, o.shorts({ 2 }) },
                                { 0x0002, Undefined, "0121" },
                                { 0x0003, Short, o.shorts({ 1 }) },
                                { 0x0025, Undefined, "F541012345678901" },
                                { 0x0051, Ascii, text("LUMIX G VARIO 12-32/F3.5-5.6") } },
                              at + 12, 0, false);
          } },
        { "Sony",
          [](qint64 at) { // offsets from the block's header
              const Order o { true };
              return QByteArray("SONY DSC \0\0\0", 12)
                  + directory(o,
                              { { 0x0102, Long, o.longs({ 2 }) },
                                { 0xb001, Short, o.shorts({ 294 }) },
                                { 0xb020, Ascii, text("Standard") },
                                { 0xb027, Long, o.longs({ 32784 }) },
                                { 0xb041, Short, o.shorts({ 1 }) } },
                              at + 12, 0);
          } },
        { "Fujifilm",
          [](qint64 at) { // offsets from its own start, always little-endian
              const Order o { true };
              return QByteArray("FUJIFILM") + o.u32(12)
                  + directory(o,
                              { { 0x0000, Undefined, "0130" },
                                { 0x1000, Ascii, text("NORMAL ") },
                                { 0x1001, Short, o.shorts({ 3 }) },
                                { 0x1002, Short, o.shorts({ 0 }) },
                                { 0x1010, Short, o.shorts({ 2 }) },
                                { 0x1401, Short, o.shorts({ 256 }) } },
                              at + 12, at);
          } },
        { "Apple",
          [](qint64 at) { // offsets from its own start, big-endian
              const Order o { false };
              return QByteArray("Apple iOS\0\0\x01MM", 14)
                  + directory(o,
                              { { 0x0001, 9, o.longs({ 14 }) },
                                { 0x0008, SRational,
                                  o.rationals({ { -4, 100 }, { -98, 100 }, { 12, 100 } }) },
                                { 0x000a, 9, o.longs({ 3 }) },
                                { 0x000b, Ascii, text("A1B2C3D4-1234-5678-9ABC-DEF012345678") } },
                              at + 14, at);
          } },
        { "Samsung",
          [](qint64 at) { // offsets from its own start
              const Order o { true };
              return directory(o,
                               { { 0x0001, Undefined, "0100" },
                                 { 0x0021, Short, o.shorts({ 1, 2, 3, 4, 5 }) },
                                 { 0x0043, SRational, o.rationals({ { 315, 10 } }) },
                                 { 0xa001, Ascii, text("GH1234567") } },
                               at, at);
          } },
        { "unknown maker",
          [](qint64 at) { // offsets from its own start
              const Order o { true };
              return directory(o,
                               { { 0x0001, Ascii, text("Zorkiy Relative Note") },
                                 { 0x0002, Short, o.shorts({ 1, 2, 3, 4, 5, 6 }) } },
                               at, at);
          } },
        { "unknown maker, offsets from the block",
          [](qint64 at) {
              const Order o { true };
              return directory(o,
                               { { 0x0001, Ascii, text("Zorkiy Absolute Note") },
                                 { 0x0002, Short, o.shorts({ 1, 2, 3, 4, 5, 6 }) } },
                               at, 0);
          } },
        { "Sony, other byte order than its block",
          [](qint64 at) { // Exiv2 cannot read it; exiftool can
              const Order o { true };
              return QByteArray("SONY DSC \0\0\0", 12)
                  + directory(o,
                              { { 0xb020, Ascii, text("Standard") },
                                { 0xb041, Short, o.shorts({ 1 }) } },
                              at + 12, 0);
          } },
    };
    return makers;
}

NoteMaker noteMaker(const QString &name)
{
    for (const auto &[key, maker] : noteMakers())
        if (name == QLatin1String(key))
            return maker;
    return {};
}

// A camera's EXIF block: Make, Model, an Exif IFD with ExposureTime, DateTimeOriginal and
// the MakerNote, which stands a little after the Exif IFD, as cameras leave room.
QByteArray exifBlock(const Order &o, const char *make, const char *model, const NoteMaker &note)
{
    const auto first = [&](qint64 exifAt) {
        return directory(o,
                         { { 0x010f, Ascii, text(make) },
                           { 0x0110, Ascii, text(model) },
                           { 0x8769, Long, o.longs({ exifAt }) } },
                         8, 0);
    };
    const qint64 exifAt = 8 + first(0).size();
    const auto exif = [&](qint64 noteAt, qint64 noteSize) {
        return directory(o,
                         { { 0x829a, Rational, o.rationals({ { 1, 470 } }) },
                           { 0x9003, Ascii, text("2024:05:06 07:08:09") },
                           { 0x927c, Undefined, QByteArray(int(noteSize), '\0'), noteAt } },
                         exifAt, 0);
    };
    const qint64 noteAt = exifAt + exif(0, 8).size() + 64;
    const QByteArray makerNote = note(noteAt);
    QByteArray block = o.header() + first(exifAt) + exif(noteAt, makerNote.size());
    block.append(QByteArray(int(noteAt - block.size()), '\0'));
    return block + makerNote;
}

// A JPEG of a photo-like picture (whole 16x16 blocks, so that a flip is lossless) with
// `block` as its EXIF APP1, written right after SOI.
QByteArray cameraJpeg(const QByteArray &block)
{
    QImage image(320, 208, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / 320, y * 255 / 208, (x + 2 * y) % 97 + 80));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setQuality(85);
    writer.write(image);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + block;
    QByteArray segment("\xff\xe1");
    segment += Order { false }.u16(quint16(payload.size() + 2)) + payload;
    return jpeg.insert(2, segment);
}

// exiftool's reading of each file's MakerNote, unknown tags too, as it prints them, and
// what it had to guess (such as "Adjusted MakerNotes base"); one run for all the files.
QVector<QJsonObject> makerNotes(const QStringList &files)
{
    const ProcessRun run = runProcess(QStringLiteral("exiftool"),
                                      QStringList { QStringLiteral("-j"), QStringLiteral("-G1"),
                                                    QStringLiteral("-a"), QStringLiteral("-u"),
                                                    QStringLiteral("-MakerNotes:all"),
                                                    QStringLiteral("-ExifTool:Warning") }
                                          + files);
    const QJsonArray array = QJsonDocument::fromJson(run.out).array();
    QVector<QJsonObject> objects(files.size());
    for (const QJsonValue &value : array) {
        QJsonObject object = value.toObject();
        const qsizetype at = files.indexOf(object.take(QStringLiteral("SourceFile")).toString());
        if (at >= 0)
            objects[at] = object;
    }
    return objects;
}

// The MakerNote's bytes as exiftool finds them in each file (base64), in one run.
QStringList makerNoteBytes(const QStringList &files)
{
    const ProcessRun run = runProcess(
        QStringLiteral("exiftool"),
        QStringList { QStringLiteral("-j"), QStringLiteral("-b"), QStringLiteral("-MakerNotes") }
            + files);
    QStringList bytes;
    for (const QString &file : files) {
        QString found;
        for (const QJsonValue &value : QJsonDocument::fromJson(run.out).array()) {
            // One tag, named after the maker: MakerNoteCanon, MakerNoteOlympus2...
            QJsonObject object = value.toObject();
            if (object.take(QStringLiteral("SourceFile")).toString() == file && !object.isEmpty())
                found = object.begin().value().toString();
        }
        bytes << found;
    }
    return bytes;
}

} // namespace

class tst_MakerNotes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void carriedOrLeftOut_data();
    void carriedOrLeftOut();

private:
    QTemporaryDir m_dir;
};

void tst_MakerNotes::initTestCase()
{
    QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty());
    QVERIFY(m_dir.isValid());
}

void tst_MakerNotes::carriedOrLeftOut_data()
{
    QTest::addColumn<QString>("maker"); // the MakerNote's shape, a key of noteMakers()
    QTest::addColumn<QString>("make");
    QTest::addColumn<bool>("bigEndian"); // the EXIF block's byte order
    QTest::addColumn<QString>("tag"); // one value exiftool reads in the camera's file
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("carried"); // else left out with one warning
    QTest::addColumn<bool>("verbatim"); // its offsets are its own: it goes out byte for byte

    struct Camera
    {
        const char *maker;
        const char *make;
        bool bigEndian;
        const char *tag;
        const char *value;
        bool carried;
        bool verbatim;
    };
    const Camera cameras[] = {
        { "Canon", "Canon", false, "Canon:ExposureTime", "1/470", true, false },
        { "Canon moved without its offsets", "Canon", false, "Canon:ExposureTime", "1/470", true,
          false },
        { "Canon cut short", "Canon", false, "Canon:ExposureTime", "1/470", false, false },
        { "Nikon", "NIKON CORPORATION", true, "Nikon:Lens", "18-55mm f/3.5-5.6", true, true },
        { "Olympus", "OLYMPUS IMAGING CORP.", false, "Olympus:CameraID", "OLYMPUS DIGITAL CAMERA",
          true, true },
        { "Panasonic", "Panasonic", false, "Panasonic:LensType", "LUMIX G VARIO 12-32/F3.5-5.6",
          true, false },
        { "Sony", "SONY", false, "Sony:CreativeStyle", "Standard", true, false },
        { "Fujifilm", "FUJIFILM", false, "FujiFilm:Quality", "NORMAL ", true, true },
        { "Apple", "Apple", true, "Apple:BurstUUID", "A1B2C3D4-1234-5678-9ABC-DEF012345678", true,
          true },
        { "Samsung", "SAMSUNG", false, "Samsung:FirmwareName", "GH1234567", true, true },
        { "unknown maker", "Zorkiy", false, "MakerUnknown:Unknown_0x0001", "Zorkiy Relative Note",
          true, true },
        { "unknown maker, offsets from the block", "Zorkiy", false, "MakerUnknown:Unknown_0x0001",
          "Zorkiy Absolute Note", false, false },
        { "Sony, other byte order than its block", "SONY", true, "Sony:CreativeStyle", "Standard",
          false, false },
    };
    for (const Camera &camera : cameras)
        QTest::newRow(camera.maker) << camera.maker << camera.make << camera.bigEndian << camera.tag
                                    << camera.value << camera.carried << camera.verbatim;
}

// Every edit lumora-edit does to a JPEG: the lossless turn, a turn re-encoded, an effect, a
// crop, a resize.
void tst_MakerNotes::carriedOrLeftOut()
{
    QFETCH(QString, maker);
    QFETCH(QString, make);
    QFETCH(bool, bigEndian);
    QFETCH(QString, tag);
    QFETCH(QString, value);
    QFETCH(bool, carried);
    QFETCH(bool, verbatim);

    const QString name
        = QString(maker).replace(QRegularExpression(QStringLiteral("\\W+")), QStringLiteral("-"));
    const QString input = m_dir.filePath(name + QStringLiteral(".jpg"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray block = exifBlock(Order { !bigEndian }, make.toLatin1().constData(),
                                       "Test Camera", noteMaker(maker));
    file.write(cameraJpeg(block));
    file.close();

    const QStringList edits[] = { { "flip-horizontal" },
                                  { "--quality", "90", "flip-horizontal" },
                                  { "effect=sepia" },
                                  { "crop=16:9" },
                                  { "resize=50" } };
    QStringList files { input };
    for (const QStringList &edit : edits) {
        const QString output = m_dir.filePath(name + QLatin1Char('-')
                                              + edit.join(QLatin1Char('-')).remove(QLatin1Char('='))
                                              + QStringLiteral(".jpg"));
        const ProcessRun run
            = runProcess(QStringLiteral(LUMORA_EDIT),
                         QStringList { QStringLiteral("-o"), output, input } + edit);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const int warnings = QString::fromUtf8(run.err).count(QStringLiteral("MakerNote"));
        QVERIFY2(warnings == (carried ? 0 : 1),
                 qPrintable(edit.join(QLatin1Char(' ')) + QStringLiteral(": ")
                            + QString::fromUtf8(run.err)));
        files << output;
    }

    const QVector<QJsonObject> read = makerNotes(files);
    QJsonObject before = read.first();
    QCOMPARE(before.value(tag).toString(), value); // the camera's file reads right
    // Where exiftool had to guess the camera's file's offsets, the edited file needs no guess.
    if (before.value(QLatin1String("ExifTool:Warning"))
            .toString()
            .contains(QLatin1String("MakerNotes base")))
        before.remove(QStringLiteral("ExifTool:Warning"));
    const QStringList bytes = verbatim ? makerNoteBytes(files) : QStringList();
    for (int i = 1; i < files.size(); ++i) {
        const QJsonObject &after = read[i];
        const QString &output = files[i];
        if (!carried) {
            QVERIFY2(
                after.isEmpty(),
                qPrintable(QStringLiteral("%1 still holds %2")
                               .arg(output, QString::fromUtf8(QJsonDocument(after).toJson()))));
            continue;
        }
        // Every value exiftool reads, as it read it in the camera's file.
        for (auto it = before.begin(); it != before.end(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(),
                     qPrintable(QStringLiteral("%1: %2 became %3 in %4")
                                    .arg(it.key(), it.value().toVariant().toString(),
                                         after.value(it.key()).toVariant().toString(), output)));
        QVERIFY2(after.keys() == before.keys(), qPrintable(output));
        if (verbatim)
            QVERIFY2(
                !bytes[i].isEmpty() && bytes[i] == bytes.first(),
                qPrintable(
                    QStringLiteral("%1 holds other MakerNote bytes than %2").arg(output, input)));
    }
}

QTEST_GUILESS_MAIN(tst_MakerNotes)
#include "tst_makernotes.moc"
