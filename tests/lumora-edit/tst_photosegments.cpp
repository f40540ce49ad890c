// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit and what a JPEG holds beside its pixels, segment by segment: XMP larger
// than one segment (extended XMP), a part too large for its format, and --strip. Checked
// with exiftool, jpegtran, ImageMagick and this test's own walk over the markers.

#include "processrun.h"
#include "testpictures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <functional>

namespace {

using Run = ProcessRun;

Run lumoraEdit(const QStringList &arguments)
{
    return runProcess(QStringLiteral(LUMORA_EDIT), arguments);
}

// exiftool's reading of a file: group:tag keys, numbers as numbers, lists as arrays.
QJsonObject exiftool(const QString &file)
{
    const Run run
        = runProcess(QStringLiteral("exiftool"),
                     { QStringLiteral("-json"), QStringLiteral("-n"), QStringLiteral("-G1"),
                       QStringLiteral("-a"), QStringLiteral("-struct"), file });
    return QJsonDocument::fromJson(run.out).array().at(0).toObject();
}

// Writes tags with exiftool from an argument file (values too long for a command line).
bool writeTags(const QString &file, const QStringList &arguments, const QString &argumentFile)
{
    QFile list(argumentFile);
    if (!list.open(QIODevice::WriteOnly))
        return false;
    list.write(arguments.join(QLatin1Char('\n')).toUtf8() + '\n');
    list.close();
    const Run run = runProcess(QStringLiteral("exiftool"),
                               { QStringLiteral("-overwrite_original"), QStringLiteral("-q"),
                                 QStringLiteral("-@"), argumentFile, file });
    if (run.exitCode != 0)
        qWarning("exiftool: %s", run.err.constData());
    return run.exitCode == 0;
}

// exiftool's -validate warnings that concern XMP.
QStringList xmpValidation(const QString &file)
{
    const Run run = runProcess(QStringLiteral("exiftool"),
                               { QStringLiteral("-validate"), QStringLiteral("-warning"),
                                 QStringLiteral("-a"), QStringLiteral("-s3"), file });
    QStringList lines;
    for (const QByteArray &line : run.out.split('\n')) {
        if (line.contains("XMP"))
            lines << QString::fromUtf8(line);
    }
    return lines;
}

// Text of `size` bytes that no compression or repetition check could mistake.
QString longText(int size, const char *seed)
{
    QString text;
    for (int i = 0; text.size() < size; ++i)
        text += QStringLiteral("%1 %2; ").arg(QLatin1String(seed)).arg(i * 7919 % 100003);
    return text.left(size);
}

struct Segment
{
    uchar marker;
    QByteArray payload;
};

// The segments before the first scan, walked marker by marker; *eoiEnd is where the EOI
// ends, found by skipping the scans (0xff00 stuffing, restarts, tables between scans).
QVector<Segment> segmentsOf(const QByteArray &jpeg, qsizetype *eoiEnd = nullptr)
{
    QVector<Segment> segments;
    if (eoiEnd)
        *eoiEnd = -1;
    qsizetype at = 2;
    bool inScans = false;
    while (at + 1 < jpeg.size()) {
        if (uchar(jpeg[at]) != 0xff) {
            if (!inScans)
                return segments;
            ++at;
            continue;
        }
        const uchar marker = uchar(jpeg[at + 1]);
        if (marker == 0x00 || marker == 0xff || (marker >= 0xd0 && marker <= 0xd7)) {
            at += marker == 0xff ? 1 : 2;
            continue;
        }
        if (marker == 0xd9) {
            if (eoiEnd)
                *eoiEnd = at + 2;
            return segments;
        }
        const qsizetype length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        if (!inScans)
            segments.append({ marker, jpeg.mid(at + 4, length - 2) });
        inScans = inScans || marker == 0xda;
        at += 2 + length;
    }
    return segments;
}

// `jpeg` with each header segment as `edit` leaves it, or without it where `edit` says
// false.
QByteArray withSegmentsEdited(const QByteArray &jpeg, const std::function<bool(Segment *)> &edit)
{
    QByteArray out("\xff\xd8", 2);
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at + 1]) != 0xda) {
        const qsizetype length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        Segment s { uchar(jpeg[at + 1]), jpeg.mid(at + 4, length - 2) };
        if (edit(&s)) {
            QByteArray head(4, '\0');
            head[0] = char(0xff);
            head[1] = char(s.marker);
            qToBigEndian<quint16>(quint16(s.payload.size() + 2), head.data() + 2);
            out += head + s.payload;
        }
        at += 2 + length;
    }
    return out + jpeg.mid(at);
}

bool isExtension(const Segment &s)
{
    return s.marker == 0xe1 && s.payload.startsWith("http://ns.adobe.com/xmp/extension/");
}

// A segment's signature as a failure message can show it (no NUL to end it early).
QString printable(QByteArray bytes)
{
    for (char &c : bytes) {
        if (uchar(c) < 0x20 || uchar(c) > 0x7e)
            c = '.';
    }
    return QString::fromLatin1(bytes);
}

QByteArray readAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray segment(uchar marker, const QByteArray &payload)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(0xff);
    bytes[1] = char(marker);
    qToBigEndian<quint16>(quint16(payload.size() + 2), bytes.data() + 2);
    return bytes + payload;
}

// Photoshop's "Save for Web" APP12: quality, comment and copyright records.
QByteArray duckySegment()
{
    QByteArray payload("Ducky");
    const auto record = [&payload](quint16 tag, const QByteArray &data) {
        QByteArray head(4, '\0');
        qToBigEndian<quint16>(tag, head.data());
        qToBigEndian<quint16>(quint16(data.size()), head.data() + 2);
        payload += head + data;
    };
    record(1, QByteArray::fromHex("00000050"));
    const QString copyright = QStringLiteral("(c) Ducky Photographer");
    QByteArray text(4, '\0');
    qToBigEndian<quint32>(quint32(copyright.size()), text.data());
    for (const QChar c : copyright) {
        text += char(c.unicode() >> 8);
        text += char(c.unicode() & 0xff);
    }
    record(3, text);
    payload += QByteArray(2, '\0');
    return segment(0xec, payload);
}

// A C2PA manifest store as APP11 carries it: JUMBF "JP", instance, sequence, a jumb box.
QByteArray jumbfSegment()
{
    QByteArray description = QByteArrayLiteral("jumd");
    description += QByteArray::fromHex("6332706100110010800000aa00389b71"); // "c2pa" type
    description += char(0x03);
    description += QByteArray("c2pa\0", 5);
    QByteArray box(4, '\0');
    qToBigEndian<quint32>(quint32(description.size() + 4), box.data());
    box += description;
    QByteArray super(4, '\0');
    qToBigEndian<quint32>(quint32(box.size() + 8), super.data());
    super += QByteArrayLiteral("jumb") + box;
    return segment(0xeb, QByteArray::fromHex("4a50000000000001") + super);
}

// A JFIF extension APP0 with a JPEG thumbnail of the picture as it was.
QByteArray jfxxSegment()
{
    QByteArray thumbnail;
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::WriteOnly);
    photo(32, 16).save(&buffer, "JPEG");
    return segment(0xe0, QByteArray("JFXX\0\x10", 6) + thumbnail);
}

} // namespace

class tst_PhotoSegments : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void extendedXmpKept_data();
    void extendedXmpKept();
    void oversizeXmpFromOtherFormats_data();
    void oversizeXmpFromOtherFormats();
    void extendedXmpIntoOtherFormats_data();
    void extendedXmpIntoOtherFormats();
    void oversizePartLeftOutAlone_data();
    void oversizePartLeftOutAlone();
    void brokenExtensionLeftOut_data();
    void brokenExtensionLeftOut();
    void stripLeavesOnlyDecoding_data();
    void stripLeavesOnlyDecoding();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // photo() as a JPEG of quality 80 (ImageMagick), progressive when asked.
    QString jpegPhoto(const QString &name, bool progressive = false);
    // What an extension's segments say, checked against each other: the GUID they share
    // (empty when there are none) and the serialization they hold together.
    void checkExtension(const QString &file, const QString &hasExtendedXmp);
    QString iccFile();

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_PhotoSegments::initTestCase()
{
    for (const char *tool : { "exiftool", "convert-im6.q16", "compare-im6.q16", "jpegtran" })
        QVERIFY2(QStandardPaths::findExecutable(QString::fromLatin1(tool)).size() > 0, tool);
}

void tst_PhotoSegments::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString tst_PhotoSegments::jpegPhoto(const QString &name, bool progressive)
{
    const QString png = path(name + QStringLiteral(".png"));
    const QString jpeg = path(name);
    if (!photo(320, 208).save(png))
        return {};
    QStringList arguments { png, QStringLiteral("-quality"), QStringLiteral("80") };
    if (progressive)
        arguments << QStringLiteral("-interlace") << QStringLiteral("JPEG");
    if (runProcess(QStringLiteral("convert-im6.q16"), arguments << jpeg).exitCode != 0)
        return {};
    return jpeg;
}

QString tst_PhotoSegments::iccFile()
{
    const QString file = path(QStringLiteral("p3.icc"));
    QFile icc(file);
    if (!icc.open(QIODevice::WriteOnly))
        return {};
    icc.write(QColorSpace(QColorSpace::DisplayP3).iccProfile());
    return file;
}

void tst_PhotoSegments::checkExtension(const QString &file, const QString &hasExtendedXmp)
{
    const QByteArray signature("http://ns.adobe.com/xmp/extension/", 35);
    QByteArray guid;
    QByteArray whole;
    qsizetype filled = 0;
    for (const Segment &s : segmentsOf(readAll(file))) {
        if (s.marker == 0xe1
            && s.payload.startsWith(QByteArray("http://ns.adobe.com/xap/1.0/", 29)))
            QVERIFY2(s.payload.size() <= 65533, "the main packet is larger than a segment");
        if (s.marker != 0xe1 || !s.payload.startsWith(signature))
            continue;
        const QByteArray chunkGuid = s.payload.mid(35, 32);
        QVERIFY2(guid.isEmpty() || chunkGuid == guid, "extension segments of two GUIDs");
        guid = chunkGuid;
        const auto *numbers = reinterpret_cast<const uchar *>(s.payload.constData()) + 67;
        const quint32 length = qFromBigEndian<quint32>(numbers);
        const quint32 offset = qFromBigEndian<quint32>(numbers + 4);
        if (whole.isEmpty())
            whole = QByteArray(qsizetype(length), '\0');
        QCOMPARE(qsizetype(length), whole.size());
        const QByteArray chunk = s.payload.mid(75);
        QVERIFY(offset + chunk.size() <= length);
        whole.replace(offset, chunk.size(), chunk);
        filled += chunk.size();
    }
    QVERIFY2(!guid.isEmpty(), qPrintable(file + QStringLiteral(" holds no extended XMP")));
    QCOMPARE(filled, whole.size());
    QCOMPARE(QString::fromLatin1(guid), hasExtendedXmp);
    // The GUID is the MD5 of the extended serialization, upper-case hex.
    QCOMPARE(QCryptographicHash::hash(whole, QCryptographicHash::Md5).toHex().toUpper(), guid);
    QVERIFY(whole.contains("x:xmpmeta"));
}

void tst_PhotoSegments::extendedXmpKept_data()
{
    QTest::addColumn<bool>("keywords"); // thousands of keywords, else a long description
    QTest::addColumn<QStringList>("edits");
    QTest::addColumn<QStringList>("jpegtran"); // the same turn; empty: re-encoded
    const QStringList flip { QStringLiteral("-flip"), QStringLiteral("horizontal") };
    const QStringList quality { QStringLiteral("--quality"), QStringLiteral("90") };
    QTest::newRow("lossless flip keeps a 100 KB description")
        << false << QStringList { "flip-horizontal" } << flip;
    QTest::newRow("re-encoded flip keeps a 100 KB description")
        << false << quality + QStringList { "flip-horizontal" } << QStringList();
    QTest::newRow("lossless turn keeps 6000 keywords")
        << true << QStringList { "rotate-right" }
        << QStringList { QStringLiteral("-rotate"), QStringLiteral("90") };
    QTest::newRow("re-encoded flip keeps 6000 keywords")
        << true << quality + QStringList { "flip-horizontal" } << QStringList();
    QTest::newRow("re-encoded effect keeps 6000 keywords")
        << true << QStringList { "effect=sepia" } << QStringList();
}

void tst_PhotoSegments::extendedXmpKept()
{
    QFETCH(bool, keywords);
    QFETCH(QStringList, edits);
    QFETCH(QStringList, jpegtran);
    const QString input = jpegPhoto(QStringLiteral("in.jpg"));
    QVERIFY(!input.isEmpty());
    QStringList tags { QStringLiteral("-XMP-dc:Title=A title in the main packet"),
                       QStringLiteral("-XMP-xmp:Rating=4") };
    if (keywords) {
        for (int i = 0; i < 6000; ++i)
            tags << QStringLiteral("-XMP-dc:Subject=keyword %1").arg(i * 7919 % 100003);
    } else {
        tags << QStringLiteral("-XMP-dc:Description=") + longText(100 * 1024, "description");
    }
    QVERIFY(writeTags(input, tags, path(QStringLiteral("tags.args"))));
    const QJsonObject before = exiftool(input);
    // exiftool itself wrote extended XMP: the file is what the test means it to be.
    checkExtension(input, before.value("XMP-xmpNote:HasExtendedXMP").toString());

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit(QStringList { QStringLiteral("-o"), output, input } + edits);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(!run.err.contains("XMP"), run.err.constData());

    const QJsonObject after = exiftool(output);
    for (const char *tag :
         { "XMP-dc:Description", "XMP-dc:Subject", "XMP-dc:Title", "XMP-xmp:Rating" }) {
        QVERIFY2(after.value(QLatin1String(tag)) == before.value(QLatin1String(tag)),
                 qPrintable(QStringLiteral("%1 differs in %2").arg(QLatin1String(tag), output)));
    }
    checkExtension(output, after.value("XMP-xmpNote:HasExtendedXMP").toString());
    QCOMPARE(xmpValidation(output), QStringList());

    if (!jpegtran.isEmpty()) {
        const QString expected = path(QStringLiteral("expected.jpg"));
        QCOMPARE(runProcess(QStringLiteral("jpegtran"),
                            QStringList { QStringLiteral("-perfect") } + jpegtran
                                + QStringList { QStringLiteral("-outfile"), expected, input })
                     .exitCode,
                 0);
        QVERIFY2(differingPixels(output, expected) == QLatin1String("0"),
                 qPrintable(QStringLiteral("%1 differs from %2").arg(output, expected)));
    }
}

void tst_PhotoSegments::oversizeXmpFromOtherFormats_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("100 KB XMP of a PNG goes into a JPEG") << "png";
    QTest::newRow("100 KB XMP of a TIFF goes into a JPEG") << "tif";
}

void tst_PhotoSegments::oversizeXmpFromOtherFormats()
{
    QFETCH(QString, suffix);
    const QString input = path(QStringLiteral("in.") + suffix);
    QVERIFY(photo(320, 208).save(input));
    const QString icc = iccFile();
    QVERIFY(!icc.isEmpty());
    QVERIFY(writeTags(
        input,
        { QStringLiteral("-IFD0:Make=Lumora Optics"), QStringLiteral("-IFD0:Model=Field Camera"),
          QStringLiteral("-GPS:GPSLatitude=48.8584"), QStringLiteral("-GPS:GPSLatitudeRef=N"),
          QStringLiteral("-GPS:GPSLongitude=2.2945"), QStringLiteral("-GPS:GPSLongitudeRef=E"),
          QStringLiteral("-ICC_Profile<=") + icc, QStringLiteral("-XMP-dc:Subject=tower"),
          QStringLiteral("-XMP-dc:Description=") + longText(100 * 1024, "from another format") },
        path(QStringLiteral("tags.args"))));
    const QJsonObject before = exiftool(input);
    QVERIFY(before.value("XMP-dc:Description").toString().size() >= 100 * 1024);
    QVERIFY(before.contains(QLatin1String("ICC_Profile:ProfileDescription")));

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(!run.err.contains("left out"), run.err.constData());
    const QJsonObject after = exiftool(output);
    for (const char *tag :
         { "IFD0:Make", "IFD0:Model", "GPS:GPSLatitude", "GPS:GPSLongitude",
           "ICC_Profile:ProfileDescription", "XMP-dc:Subject", "XMP-dc:Description" }) {
        QVERIFY2(!before.value(QLatin1String(tag)).isUndefined(), tag);
        QVERIFY2(after.value(QLatin1String(tag)) == before.value(QLatin1String(tag)),
                 qPrintable(QStringLiteral("%1 differs in %2").arg(QLatin1String(tag), output)));
    }
    checkExtension(output, after.value("XMP-xmpNote:HasExtendedXMP").toString());
    QCOMPARE(xmpValidation(output), QStringList());
}

void tst_PhotoSegments::extendedXmpIntoOtherFormats_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("extended XMP of a JPEG goes whole into a PNG") << "png";
    QTest::newRow("extended XMP of a JPEG goes whole into a TIFF") << "tif";
    QTest::newRow("extended XMP of a JPEG goes whole into a WebP") << "webp";
}

// Only a JPEG splits XMP: in another format the packet is one, and names no extension.
void tst_PhotoSegments::extendedXmpIntoOtherFormats()
{
    QFETCH(QString, suffix);
    const QString input = jpegPhoto(QStringLiteral("in.jpg"));
    QVERIFY(!input.isEmpty());
    QStringList tags { QStringLiteral("-XMP-dc:Title=A title in the main packet"),
                       QStringLiteral("-XMP-dc:Description=")
                           + longText(100 * 1024, "description") };
    for (int i = 0; i < 2000; ++i)
        tags << QStringLiteral("-XMP-dc:Subject=keyword %1").arg(i);
    QVERIFY(writeTags(input, tags, path(QStringLiteral("tags.args"))));
    const QJsonObject before = exiftool(input);
    QVERIFY(before.contains(QLatin1String("XMP-xmpNote:HasExtendedXMP")));

    const QString output = path(QStringLiteral("out.") + suffix);
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QJsonObject after = exiftool(output);
    for (const char *tag : { "XMP-dc:Description", "XMP-dc:Subject", "XMP-dc:Title" }) {
        QVERIFY2(after.value(QLatin1String(tag)) == before.value(QLatin1String(tag)),
                 qPrintable(QStringLiteral("%1 differs in %2").arg(QLatin1String(tag), output)));
    }
    QVERIFY(!after.contains(QLatin1String("XMP-xmpNote:HasExtendedXMP")));
    QCOMPARE(xmpValidation(output), QStringList());
}

void tst_PhotoSegments::oversizePartLeftOutAlone_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("tags"); // besides the small ones every row has
    QTest::addColumn<QString>("leftOut"); // the part named in the one warning line
    QTest::addColumn<QStringList>("gone"); // exiftool tags the part held
    // Tags of 4000 bytes each, none so large that Exiv2 would drop it alone: together
    // more than one JPEG segment holds.
    QStringList exif;
    for (const char *tag :
         { "IFD0:ImageDescription", "IFD0:Artist", "IFD0:Copyright", "IFD0:DocumentName",
           "IFD0:PageName", "IFD0:HostComputer", "IFD0:TargetPrinter", "ExifIFD:UserComment",
           "ExifIFD:ImageUniqueID", "ExifIFD:OwnerName", "ExifIFD:SerialNumber", "ExifIFD:LensMake",
           "ExifIFD:LensModel", "ExifIFD:LensSerialNumber", "GPS:GPSMapDatum",
           "GPS:GPSProcessingMethod", "GPS:GPSAreaInformation" })
        exif << QStringLiteral("-%1=%2").arg(QLatin1String(tag), longText(4000, tag));
    QTest::newRow("EXIF over 64 KB leaves XMP and profile")
        << "tif" << exif << "the EXIF block"
        << QStringList { "IFD0:Make", "IFD0:Artist", "GPS:GPSLatitude" };
    QTest::newRow("comment over 64 KB leaves EXIF, XMP and profile")
        << "png"
        << QStringList { QStringLiteral("-PNG:Description=") + longText(70 * 1024, "comment") }
        << "the comment" << QStringList { "File:Comment" };
}

void tst_PhotoSegments::oversizePartLeftOutAlone()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, tags);
    QFETCH(QString, leftOut);
    QFETCH(QStringList, gone);
    const QString input = path(QStringLiteral("in.") + suffix);
    QVERIFY(photo(320, 208).save(input));
    const QString icc = iccFile();
    QVERIFY(!icc.isEmpty());
    QVERIFY(writeTags(input,
                      tags
                          + QStringList { QStringLiteral("-IFD0:Make=Lumora Optics"),
                                          QStringLiteral("-GPS:GPSLatitude=48.8584"),
                                          QStringLiteral("-GPS:GPSLatitudeRef=N"),
                                          QStringLiteral("-ICC_Profile<=") + icc,
                                          QStringLiteral("-XMP-dc:Subject=tower"),
                                          QStringLiteral("-XMP-dc:Title=Kept beside") },
                      path(QStringLiteral("tags.args"))));
    const QJsonObject before = exiftool(input);

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QList<QByteArray> warnings;
    for (const QByteArray &line : run.err.split('\n')) {
        if (line.startsWith("lumora-edit:")) // not what libtiff says of a TIFF's tags
            warnings << line;
    }
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains(leftOut.toUtf8()), run.err.constData());
    QVERIFY2(warnings.first().contains("left out"), run.err.constData());

    const QJsonObject after = exiftool(output);
    QStringList kept { "ICC_Profile:ProfileDescription", "XMP-dc:Subject", "XMP-dc:Title",
                       "IFD0:Make", "GPS:GPSLatitude" };
    for (const QString &tag : gone)
        kept.removeAll(tag);
    for (const QString &tag : kept) {
        QVERIFY2(!before.value(tag).isUndefined(), qPrintable(tag));
        QVERIFY2(after.value(tag) == before.value(tag),
                 qPrintable(QStringLiteral("%1 differs in %2").arg(tag, output)));
    }
    for (const QString &tag : gone)
        QVERIFY2(!after.contains(tag), qPrintable(tag));
}

void tst_PhotoSegments::brokenExtensionLeftOut_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("why"); // in the warning line
    QTest::newRow("extension missing") << 0 << "no segment holds it";
    QTest::newRow("one chunk of the extension missing") << 1 << "are missing";
    QTest::newRow("extension of another GUID") << 2 << "no segment holds it";
    QTest::newRow("extension claiming 4 GB") << 3 << "are missing";
}

// The main packet names an extension the file does not hold whole: the edit keeps the
// main packet, leaves out the extension with a warning and no HasExtendedXMP that points
// at nothing.
void tst_PhotoSegments::brokenExtensionLeftOut()
{
    QFETCH(int, damage);
    QFETCH(QString, why);
    const QString input = jpegPhoto(QStringLiteral("in.jpg"));
    QVERIFY(!input.isEmpty());
    QVERIFY(
        writeTags(input,
                  { QStringLiteral("-XMP-dc:Title=In the main packet"),
                    QStringLiteral("-XMP-dc:Description=") + longText(100 * 1024, "extension") },
                  path(QStringLiteral("tags.args"))));
    int chunk = 0;
    const QByteArray damaged = withSegmentsEdited(readAll(input), [damage, &chunk](Segment *s) {
        if (!isExtension(*s))
            return true;
        if (damage == 2)
            s->payload[35] = s->payload[35] == 'A' ? 'B' : 'A'; // the GUID's first digit
        if (damage == 3)
            qToBigEndian<quint32>(0xfffffff0u, s->payload.data() + 67); // the full length
        return damage >= 2 || (damage == 1 && chunk++ != 1);
    });
    {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged);
    }
    const QJsonObject before = exiftool(input);
    QVERIFY(before.contains(QLatin1String("XMP-xmpNote:HasExtendedXMP")));
    QVERIFY(before.value("XMP-dc:Description").toString().size() < 100 * 1024);

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.err.count("extended XMP"), 1);
    QVERIFY2(run.err.contains(why.toUtf8()), run.err.constData());
    const QJsonObject after = exiftool(output);
    QCOMPARE(after.value("XMP-dc:Title").toString(), QStringLiteral("In the main packet"));
    QVERIFY(!after.contains(QLatin1String("XMP-xmpNote:HasExtendedXMP")));
    QVERIFY(!after.contains(QLatin1String("XMP-dc:Description")));
    QCOMPARE(xmpValidation(output), QStringList());
    const QVector<Segment> written = segmentsOf(readAll(output));
    QVERIFY(std::none_of(written.cbegin(), written.cend(), isExtension));
}

void tst_PhotoSegments::stripLeavesOnlyDecoding_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<bool>("strip");
    const QStringList lossless { QStringLiteral("--strip"), QStringLiteral("flip-horizontal") };
    QTest::newRow("lossless strip leaves no APP12, APP11, APP3, COM or trailer")
        << lossless << false << true;
    QTest::newRow("lossless strip of a progressive JPEG leaves none") << lossless << true << true;
    QTest::newRow("re-encoded strip leaves none")
        << QStringList { "--strip", "--quality", "90", "flip-horizontal" } << false << true;
    QTest::newRow("lossless turn without strip keeps APP12 and APP11, not the old thumbnail")
        << QStringList { "flip-horizontal" } << false << false;
}

void tst_PhotoSegments::stripLeavesOnlyDecoding()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, progressive);
    QFETCH(bool, strip);
    const QString input = jpegPhoto(QStringLiteral("in.jpg"), progressive);
    QVERIFY(!input.isEmpty());
    const QString icc = iccFile();
    QVERIFY(writeTags(
        input,
        { QStringLiteral("-IFD0:Make=Lumora Optics"), QStringLiteral("-GPS:GPSLatitude=48.8584"),
          QStringLiteral("-GPS:GPSLatitudeRef=N"), QStringLiteral("-IPTC:Keywords=tower"),
          QStringLiteral("-File:Comment=a comment"), QStringLiteral("-ICC_Profile<=") + icc,
          QStringLiteral("-XMP-dc:Description=") + longText(100 * 1024, "stripped") },
        path(QStringLiteral("tags.args"))));
    // Segments exiftool does not write, put in after the JFIF header, and a trailer.
    QByteArray bytes = readAll(input);
    const qsizetype afterJfif = 4 + ((uchar(bytes[4]) << 8) | uchar(bytes[5]));
    bytes.insert(afterJfif,
                 jfxxSegment() + duckySegment() + jumbfSegment()
                     + segment(0xe3, QByteArray("META\0\0\x01\x02", 8)));
    bytes += QByteArrayLiteral("trailing bytes after the picture");
    {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    const QJsonObject before = exiftool(input);
    QVERIFY(before.contains(QLatin1String("Ducky:Copyright")));
    QVERIFY(before.contains(QLatin1String("XMP-xmpNote:HasExtendedXMP")));

    const QString output = path(QStringLiteral("out.jpg"));
    const Run run = lumoraEdit(QStringList { QStringLiteral("-o"), output, input } + arguments);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray written = readAll(output);
    qsizetype eoiEnd = -1;
    const QVector<Segment> segments = segmentsOf(written, &eoiEnd);
    QStringList listing; // for the failure message
    QStringList extra;
    bool hasDucky = false;
    bool hasJumbf = false;
    bool hasJfxx = false;
    for (const Segment &s : segments) {
        const QString name
            = QStringLiteral("%1 %2").arg(s.marker, 2, 16).arg(printable(s.payload.left(12)));
        listing << name;
        const bool needed = (s.marker == 0xe0 && s.payload.startsWith(QByteArray("JFIF\0", 5)))
            || (s.marker == 0xe2 && s.payload.startsWith(QByteArray("ICC_PROFILE\0", 12)))
            || (s.marker == 0xee && s.payload.startsWith("Adobe"));
        if (((s.marker >= 0xe0 && s.marker <= 0xef) || s.marker == 0xfe) && !needed)
            extra << name;
        hasDucky = hasDucky || (s.marker == 0xec && s.payload.startsWith("Ducky"));
        hasJumbf = hasJumbf || (s.marker == 0xeb && s.payload.startsWith("JP"));
        hasJfxx = hasJfxx || (s.marker == 0xe0 && s.payload.startsWith("JFXX"));
    }
    const QJsonObject after = exiftool(output);
    QCOMPARE(after.value("ICC_Profile:ProfileDescription"),
             before.value("ICC_Profile:ProfileDescription"));
    if (strip) {
        QVERIFY2(extra.isEmpty(), qPrintable(listing.join(QStringLiteral(" | "))));
        QCOMPARE(eoiEnd, written.size());
        for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
            const QString group = it.key().section(QLatin1Char(':'), 0, 0);
            QVERIFY2(!group.startsWith(QLatin1String("XMP")) && group != QLatin1String("IFD0")
                         && group != QLatin1String("GPS") && group != QLatin1String("IPTC")
                         && group != QLatin1String("Ducky")
                         && it.key() != QLatin1String("File:Comment"),
                     qPrintable(it.key()));
        }
    } else {
        QVERIFY2(hasDucky && hasJumbf && !hasJfxx, qPrintable(listing.join(QStringLiteral(" | "))));
        QCOMPARE(after.value("Ducky:Copyright"), before.value("Ducky:Copyright"));
        QCOMPARE(after.value("XMP-dc:Description"), before.value("XMP-dc:Description"));
        QCOMPARE(after.value("IFD0:Make"), before.value("IFD0:Make"));
    }
}

QTEST_GUILESS_MAIN(tst_PhotoSegments)
#include "tst_photosegments.moc"
