// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Photo metadata through an edit, per format: camera files made with exiftool, edited
// pictures encoded by Qt, the result read back by exiftool.

#include "photometadata.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// What a camera wrote, in exiftool's names and numbers (-n -G1), to write and read back.
const char cameraTags[] = R"({
    "IFD0:Make": "Canon", "IFD0:Model": "Canon EOS 5D", "IFD0:Orientation": 6,
    "IFD0:Artist": "Ada Example", "IFD0:Copyright": "(c) Ada", "IFD0:Software": "Camera1",
    "ExifIFD:DateTimeOriginal": "2021:06:05 14:03:22", "ExifIFD:ExposureTime": 0.008,
    "ExifIFD:FNumber": 2.8, "ExifIFD:ISO": 200, "ExifIFD:FocalLength": 50,
    "ExifIFD:LensModel": "EF50mm", "ExifIFD:ExifImageWidth": 96, "ExifIFD:ExifImageHeight": 64,
    "InteropIFD:RelatedImageWidth": 96, "InteropIFD:RelatedImageHeight": 64,
    "GPS:GPSLatitude": 48.858222, "GPS:GPSLatitudeRef": "N",
    "GPS:GPSLongitude": 2.2945, "GPS:GPSLongitudeRef": "E",
    "XMP-xmp:Rating": 4, "XMP-dc:Subject": ["kw1", "kw2"], "XMP-tiff:Orientation": 6,
    "XMP-exif:ExifImageWidth": 96, "XMP-exif:ExifImageHeight": 64,
    "XMP-exif:GPSLatitude": 48.858222, "XMP-exif:GPSLongitude": 2.2945
})";

// What an edit to a 100x180 picture makes of them; null: dropped.
const char editedTags[] = R"({
    "IFD0:Orientation": 1, "XMP-tiff:Orientation": 1,
    "ExifIFD:ExifImageWidth": 100, "ExifIFD:ExifImageHeight": 180,
    "XMP-exif:ExifImageWidth": 100, "XMP-exif:ExifImageHeight": 180,
    "IFD0:Software": "lumora-edit 1.0.0", "IFD0:ModifyDate": "2024:03:01 10:20:30",
    "InteropIFD:RelatedImageWidth": null, "InteropIFD:RelatedImageHeight": null
})";

const QSize sourceSize(96, 64);
const QSize editedSize(100, 180); // portrait from landscape: swapped sides show
const QString software = QStringLiteral("lumora-edit 1.0.0");
const QDateTime modified(QDate(2024, 3, 1), QTime(10, 20, 30));

QJsonObject changed(QJsonObject tags, const QJsonObject &changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it)
        tags.insert(it.key(), it.value());
    return tags;
}

QImage gradient(QSize size, bool withProfile, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(
                x, y,
                qRgba(x * 255 / size.width(), y * 255 / size.height(), (x * y) % 256, 255 - x));
    if (withProfile)
        image.setColorSpace(QColorSpace::SRgb);
    return image;
}

QByteArray encode(const QImage &image, const QByteArray &format, int compression = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setCompression(compression);
    return writer.write(image) ? data : QByteArray();
}

// Not the sRGB profile Qt's encoders embed, so that the two cannot be mistaken.
QByteArray sourceProfile()
{
    return QColorSpace(QColorSpace::AdobeRgb).iccProfile();
}

QByteArray exiftool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("exiftool"), arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// exiftool's tags of a file, and under "(twice)" those it found more than once in one
// group (a JSON object keeps one of them).
QJsonObject tagsOf(const QString &path)
{
    const QByteArray json
        = exiftool({ "-json", "-a", "-G1", "-n", "-b", "-all:all", "-ICC_Profile", path });
    QJsonObject tags = QJsonDocument::fromJson(json).array().first().toObject();
    QStringList seen;
    QJsonArray twice;
    for (const QByteArray &line : json.split('\n')) {
        const QString key = QString::fromUtf8(line.trimmed().split('"').value(1));
        if (line.trimmed().startsWith('"') && seen.contains(key))
            twice.append(key);
        seen << key;
    }
    if (!twice.isEmpty())
        tags.insert(QStringLiteral("(twice)"), twice);
    return tags;
}

QByteArray binary(const QJsonObject &tags, const char *key)
{
    const QString value = tags.value(QLatin1String(key)).toString();
    return value.startsWith(QLatin1String("base64:"))
        ? QByteArray::fromBase64(value.mid(7).toLatin1())
        : QByteArray();
}

// The decoded pixels, whatever profile the file holds.
QImage pixelsOf(const QByteArray &file)
{
    QImage image = QImage::fromData(file).convertToFormat(QImage::Format_ARGB32);
    image.setColorSpace(QColorSpace());
    return image;
}

QString show(const QJsonValue &value)
{
    return value.isUndefined()
        ? QStringLiteral("(absent)")
        : QString::fromUtf8(QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact));
}

// exiftool's tags against what is expected; every difference is gathered.
class Expectations
{
public:
    explicit Expectations(const QJsonObject &tags)
        : m_tags(tags)
    { }
    // Each key's value (within 1e-6 for numbers); null: absent.
    void match(const QJsonObject &expected)
    {
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            const QJsonValue actual = m_tags.value(it.key());
            const bool same = it->isNull() ? actual.isUndefined()
                : it->isDouble()           ? qAbs(actual.toDouble(-1e9) - it->toDouble()) < 1e-6
                                           : actual == *it;
            check(same, it.key() + ": " + show(actual) + ", expected " + show(*it));
        }
    }
    void present(const QStringList &keys)
    {
        for (const QString &key : keys)
            check(m_tags.contains(key), key + " is lost");
    }
    void noGroup(const QString &group)
    {
        for (auto it = m_tags.begin(); it != m_tags.end(); ++it)
            check(!it.key().startsWith(group), it.key() + " is left: " + show(it.value()));
    }
    void oneProfile(const QByteArray &profile)
    {
        int count = 0;
        for (auto it = m_tags.begin(); it != m_tags.end(); ++it)
            count += it.key().startsWith(QLatin1String("ICC-header"))
                && it.key().endsWith(QLatin1String(":ProfileFileSignature"));
        check(count == 1, QStringLiteral("%1 colour profiles, expected one").arg(count));
        check(binary(m_tags, "ICC_Profile:ICC_Profile") == profile,
              QStringLiteral("the colour profile is not the source's"));
    }
    void check(bool ok, const QString &what)
    {
        if (!ok)
            m_failures << what;
    }
    bool ok() const { return m_failures.isEmpty(); }
    QString report(const QString &path) const { return m_failures.join('\n') + "\nin " + path; }

private:
    QJsonObject m_tags;
    QStringList m_failures;
};

struct Format
{
    QByteArray name; // Qt's writer
    bool iptc; // exiftool and Exiv2 both put IPTC in it
    QString commentTag; // exiftool's name for the comment Exiv2 writes; empty: none
    bool thumbnail; // exiftool can add an IFD1 thumbnail
};

Format formatNamed(const QByteArray &name)
{
    if (name == "jpeg")
        return { name, true, QStringLiteral("File:Comment"), true };
    if (name == "png")
        return { name, true, QStringLiteral("PNG:Description"), true };
    if (name == "tiff")
        return { name, true, QString(), false };
    return { name, false, QString(), true };
}

// The camera's tags that a format holds, thumbnail and profile aside.
QJsonObject cameraTagsIn(const Format &format)
{
    QJsonObject tags = QJsonDocument::fromJson(cameraTags).object();
    if (format.iptc)
        tags.insert("IPTC:Keywords", QJsonArray { "kw1", "iptconly" });
    if (!format.commentTag.isEmpty())
        tags.insert(format.commentTag, "a comment");
    return tags;
}

// The edited picture as encoded, with the metadata written into it, and exiftool's view.
struct Edited
{
    QByteArray encoded;
    QByteArray file;
    QString path;
    QJsonObject tags;
};

} // namespace

Q_DECLARE_METATYPE(Format)

class TestPhotoMetadata : public QObject
{
    Q_OBJECT

private:
    void common_data();
    QString written(const QString &name, const QByteArray &data) const;
    QByteArray cameraFile(const Format &format);
    Edited edit(PhotoMetadata *metadata, const PhotoMetadata::Update &update,
                const QByteArray &format, int compression = -1) const;
    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void editKeepsResetsAndDrops_data() { common_data(); }
    void editKeepsResetsAndDrops();
    void strippingDropsWhatItSays_data() { common_data(); }
    void strippingDropsWhatItSays();
    void tiffKeepsTheEncodersStructure();
    void damagedPartLeavesTheRest_data();
    void damagedPartLeavesTheRest();
    void formatLossesAreWarned_data();
    void formatLossesAreWarned();
    void summaryNamesWhatPhotographersLookAt();
    void copiesAreIndependent();
};

void TestPhotoMetadata::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
        QSKIP("exiftool (libimage-exiftool-perl) is the oracle and is not installed");
    QVERIFY(QImageWriter::supportedImageFormats().contains("tiff"));
    QVERIFY(QImageWriter::supportedImageFormats().contains("webp"));
}

void TestPhotoMetadata::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPhotoMetadata::cleanup()
{
    if (QTest::currentTestFailed()) {
        m_dir->setAutoRemove(false);
        qInfo("files kept in %s", qPrintable(m_dir->path()));
    }
    m_dir.reset();
}

QString TestPhotoMetadata::written(const QString &name, const QByteArray &data) const
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    return file.fileName();
}

// A camera's file as exiftool writes one: EXIF with GPS and a thumbnail, XMP, IPTC,
// a comment and a profile, as far as the format holds them.
QByteArray TestPhotoMetadata::cameraFile(const Format &format)
{
    QJsonObject tags = cameraTagsIn(format);
    tags.insert("SourceFile", "*");
    tags.insert("ICC_Profile", QString("base64:" + sourceProfile().toBase64()));
    if (format.thumbnail)
        tags.insert(
            "IFD1:ThumbnailImage",
            QString("base64:" + encode(gradient(QSize(160, 107), false), "jpeg").toBase64()));
    const QString json
        = written(QStringLiteral("camera.json"), QJsonDocument(QJsonArray { tags }).toJson());
    const QString path = written(QStringLiteral("camera.") + format.name,
                                 encode(gradient(sourceSize, true), format.name));
    exiftool({ "-q", "-overwrite_original", "-n", "-json=" + json, path });
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Edited TestPhotoMetadata::edit(PhotoMetadata *metadata, const PhotoMetadata::Update &update,
                               const QByteArray &format, int compression) const
{
    metadata->update(update);
    Edited edited;
    edited.encoded = encode(update.picture, format, compression);
    edited.file = edited.encoded;
    QString error;
    if (!metadata->writeInto(&edited.file, &error))
        return { {}, {}, "writeInto failed: " + error, {} };
    edited.path = written(QStringLiteral("edited.") + format, edited.file);
    edited.tags = tagsOf(edited.path);
    return edited;
}

void TestPhotoMetadata::common_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<bool>("encoderProfile"); // the edited picture's encoder embeds sRGB
    for (const QByteArray name : { "jpeg", "png", "tiff", "webp" }) {
        QTest::newRow(name.constData()) << formatNamed(name) << true;
        QTest::newRow((name + ", encoder without profile").constData())
            << formatNamed(name) << false;
    }
}

void TestPhotoMetadata::editKeepsResetsAndDrops()
{
    QFETCH(Format, format);
    QFETCH(bool, encoderProfile);
    PhotoMetadata metadata = PhotoMetadata::read(cameraFile(format));
    QVERIFY2(metadata.warnings().isEmpty(), qPrintable(metadata.warnings().join('\n')));
    QCOMPARE(metadata.orientation(), 6);
    QImage picture = gradient(editedSize, encoderProfile);
    // Qt's writers turn these into JPEG comments, PNG text chunks, a TIFF description.
    picture.setText(QStringLiteral("Description"), QStringLiteral("the encoder's"));
    picture.setText(QStringLiteral("Author"), QStringLiteral("the encoder's"));
    const Edited edited = edit(&metadata, { picture, software, modified }, format.name);
    QVERIFY2(!edited.tags.isEmpty(), qPrintable(edited.path));
    QVERIFY2(metadata.warnings().isEmpty(), qPrintable(metadata.warnings().join('\n')));

    Expectations expect(edited.tags);
    expect.match(changed(cameraTagsIn(format), QJsonDocument::fromJson(editedTags).object()));
    expect.match({ { "ExifTool:Warning", QJsonValue() }, { "(twice)", QJsonValue() } });
    for (const char *key : { "XMP-xmp:ModifyDate", "XMP-xmp:MetadataDate" })
        expect.check(edited.tags.value(key).toString().startsWith("2024:03:01 10:20:30"),
                     key + QStringLiteral(": ") + show(edited.tags.value(key)));
    const QImage thumbnail = QImage::fromData(binary(edited.tags, "IFD1:ThumbnailImage"));
    if (format.thumbnail)
        expect.check(thumbnail.height() == 160 && qAbs(thumbnail.width() - 160 * 100 / 180) <= 1,
                     QStringLiteral("thumbnail %1x%2, expected 160 high and of the edit's aspect")
                         .arg(thumbnail.width())
                         .arg(thumbnail.height()));
    else
        expect.check(thumbnail.isNull(), QStringLiteral("a thumbnail was added"));
    expect.oneProfile(sourceProfile());
    // libpng, for one, ignores a PNG profile without a name.
    expect.check(QImage::fromData(edited.file).colorSpace()
                     == QColorSpace::fromIccProfile(sourceProfile()),
                 QStringLiteral("Qt's decoder does not see the profile"));
    expect.check(!pixelsOf(edited.file).isNull()
                     && pixelsOf(edited.file) == pixelsOf(edited.encoded),
                 QStringLiteral("the pixels changed"));
    QVERIFY2(expect.ok(), qPrintable(expect.report(edited.path)));
}

void TestPhotoMetadata::strippingDropsWhatItSays()
{
    QFETCH(Format, format);
    QFETCH(bool, encoderProfile);
    const QByteArray camera = cameraFile(format);
    for (const bool all : { true, false }) {
        PhotoMetadata metadata = PhotoMetadata::read(camera);
        PhotoMetadata::Update update { gradient(editedSize, encoderProfile), software, modified };
        update.strip = all;
        update.stripLocation = !all;
        const Edited edited = edit(&metadata, update, format.name);
        QVERIFY2(!edited.tags.isEmpty(), qPrintable(edited.path));

        QJsonObject expected
            = changed(cameraTagsIn(format), QJsonDocument::fromJson(editedTags).object());
        for (auto it = expected.begin(); it != expected.end(); ++it)
            if (all || it.key().startsWith("GPS:") || it.key().startsWith("XMP-exif:GPS"))
                *it = QJsonValue::Null;
        Expectations expect(edited.tags);
        expect.match(expected);
        for (const char *group : { "GPS:", "XMP-exif:GPS" })
            expect.noGroup(group);
        if (all) {
            for (const char *group : { "ExifIFD:", "InteropIFD:", "IFD1:", "IPTC:", "XMP-" })
                expect.noGroup(group);
            // A TIFF's IFD0 is its picture's structure; only what the camera wrote must go.
            if (format.name != "tiff")
                expect.noGroup("IFD0:");
        } else if (format.thumbnail) {
            expect.present({ "IFD1:ThumbnailImage" });
        }
        expect.oneProfile(sourceProfile());
        QVERIFY2(expect.ok(), qPrintable(expect.report(edited.path)));
    }
}

void TestPhotoMetadata::tiffKeepsTheEncodersStructure()
{
    // The camera's TIFF is 8-bit RGB, uncompressed; the edit's has alpha and LZW.
    PhotoMetadata metadata = PhotoMetadata::read(cameraFile(formatNamed("tiff")));
    const Edited edited
        = edit(&metadata, { gradient(editedSize, true, QImage::Format_ARGB32), software, modified },
               "tiff", 1);
    QVERIFY2(!edited.tags.isEmpty(), qPrintable(edited.path));
    const QString encoderPath = written(QStringLiteral("encoder.tiff"), edited.encoded);
    const QJsonObject encoder = tagsOf(encoderPath);

    QJsonObject structure { { "IFD0:ImageWidth", 100 }, { "IFD0:Compression", 5 } }; // LZW
    for (const char *key :
         { "IFD0:ImageHeight", "IFD0:BitsPerSample", "IFD0:PhotometricInterpretation",
           "IFD0:SamplesPerPixel", "IFD0:ExtraSamples", "IFD0:RowsPerStrip", "IFD0:StripByteCounts",
           "IFD0:PlanarConfiguration" })
        structure.insert(key, encoder.value(QLatin1String(key)));
    Expectations expect(edited.tags);
    expect.match(structure);
    expect.present({ "IFD0:Make" });
    expect.check(pixelsOf(edited.file) == pixelsOf(edited.encoded),
                 QStringLiteral("the pixels changed"));
    QVERIFY2(expect.ok(), qPrintable(expect.report(edited.path + ", encoder's: " + encoderPath)));
}

void TestPhotoMetadata::damagedPartLeavesTheRest_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<QString>("warned"); // a word of the one warning
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("lost");
    const Format jpeg = formatNamed("jpeg");
    QTest::newRow("broken EXIF header keeps XMP, IPTC, comment and profile")
        << jpeg << QByteArray("exif header") << "EXIF"
        << QStringList { "XMP-xmp:Rating", "IPTC:Keywords", "File:Comment" }
        << QStringList { "IFD0:Make", "ExifIFD:DateTimeOriginal" };
    QTest::newRow("flipped IFD0 entries keep the rest of the EXIF block")
        << jpeg << QByteArray("ifd0 entries") << "EXIF"
        << QStringList { "ExifIFD:DateTimeOriginal", "GPS:GPSLatitude", "XMP-xmp:Rating" }
        << QStringList { "IFD0:Make" };
    QTest::newRow("garbage XMP packet keeps EXIF and IPTC")
        << jpeg << QByteArray("xmp") << "XMP"
        << QStringList { "IFD0:Make", "IPTC:Keywords", "File:Comment" }
        << QStringList { "XMP-xmp:Rating" };
    QTest::newRow("garbage XMP packet in a PNG keeps EXIF and IPTC")
        << formatNamed("png") << QByteArray("xmp") << "XMP"
        << QStringList { "IFD0:Make", "IPTC:Keywords", "PNG:Description" }
        << QStringList { "XMP-xmp:Rating" };
}

void TestPhotoMetadata::damagedPartLeavesTheRest()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, damage);
    QFETCH(QString, warned);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, lost);
    QByteArray camera = cameraFile(format);
    const qsizetype tiff = camera.indexOf(QByteArray("Exif\0\0", 6)) + 6;
    const qsizetype xmp = camera.indexOf("<x:xmpmeta");
    QVERIFY(damage == "xmp" ? xmp > 0 : tiff > 6);
    if (damage == "exif header")
        camera.replace(tiff, 4, "XXXX");
    else if (damage == "ifd0 entries") // the first three: Make, Model, Orientation
        for (qsizetype i = tiff + 10; i < tiff + 10 + 3 * 12; ++i)
            camera[i] = char(camera[i] ^ 0x5a);
    else
        camera.replace(xmp, 30, "<<<garbage&&&not xml at all>>>");
    const QString damaged = written(QStringLiteral("damaged.") + format.name, camera);

    PhotoMetadata metadata = PhotoMetadata::read(camera);
    const QStringList warnings = metadata.warnings();
    QVERIFY2(warnings.size() == 1 && warnings.first().contains(warned),
             qPrintable(warnings.join('\n') + "\nof " + damaged));
    QCOMPARE(metadata.iccProfile(), sourceProfile());
    const Edited edited
        = edit(&metadata, { gradient(editedSize, true), software, modified }, format.name);
    QVERIFY2(!edited.tags.isEmpty(), qPrintable(edited.path));

    Expectations expect(edited.tags);
    expect.present(kept);
    for (const QString &key : lost)
        expect.match({ { key, QJsonValue() } });
    expect.oneProfile(sourceProfile());
    QVERIFY2(expect.ok(), qPrintable(expect.report(edited.path + " from " + damaged)));
}

void TestPhotoMetadata::formatLossesAreWarned_data()
{
    QTest::addColumn<QByteArray>("into");
    QTest::addColumn<QStringList>("warned"); // a word of each warning
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("JPEG into WebP loses IPTC and the comment")
        << QByteArray("webp") << QStringList { "IPTC", "comment" }
        << QStringList { "IFD0:Make", "XMP-xmp:Rating", "IFD1:ThumbnailImage" };
    QTest::newRow("JPEG into TIFF loses the comment and the thumbnail")
        << QByteArray("tiff") << QStringList { "comment", "thumbnail" }
        << QStringList { "IFD0:Make", "XMP-xmp:Rating", "IPTC:Keywords" };
    QTest::newRow("JPEG into PNG keeps all")
        << QByteArray("png") << QStringList()
        << QStringList { "IFD0:Make", "XMP-xmp:Rating", "IPTC:Keywords", "PNG:Description",
                         "IFD1:ThumbnailImage" };
}

void TestPhotoMetadata::formatLossesAreWarned()
{
    QFETCH(QByteArray, into);
    QFETCH(QStringList, warned);
    QFETCH(QStringList, kept);
    PhotoMetadata metadata = PhotoMetadata::read(cameraFile(formatNamed("jpeg")));
    const Edited edited = edit(&metadata, { gradient(editedSize, true), software, modified }, into);
    QVERIFY2(!edited.tags.isEmpty(), qPrintable(edited.path));
    const QStringList warnings = metadata.warnings();
    QVERIFY2(warnings.size() == warned.size(), qPrintable(warnings.join('\n')));
    for (const QString &word : warned)
        QVERIFY2(!warnings.filter(word).isEmpty(), qPrintable(warnings.join('\n')));

    Expectations expect(edited.tags);
    expect.present(kept);
    expect.oneProfile(sourceProfile());
    QVERIFY2(expect.ok(), qPrintable(expect.report(edited.path)));
}

void TestPhotoMetadata::summaryNamesWhatPhotographersLookAt()
{
    const QByteArray camera = cameraFile(formatNamed("jpeg"));
    const QString description = tagsOf(written(QStringLiteral("summary.jpeg"), camera))
                                    .value("ICC_Profile:ProfileDescription")
                                    .toString()
                                    .trimmed();
    QVERIFY(!description.isEmpty());
    const QStringList expected {
        "Camera: Canon EOS 5D",
        "Lens: EF50mm",
        "Taken: 2021-06-05 14:03:22",
        "Exposure: 1/125 s, f/2.8, ISO 200, 50 mm",
        "GPS: 48.858222, 2.294500",
        QString::fromUtf8("Orientation: 6, to be turned 90° clockwise"),
        "Size: 96x64",
        "Artist: Ada Example",
        "Copyright: (c) Ada",
        "Rating: 4",
        "Keywords: kw1, kw2, iptconly",
        "Software: Camera1",
        "Colour profile: " + description,
    };
    QCOMPARE(PhotoMetadata::read(camera).summary(), expected);
}

void TestPhotoMetadata::copiesAreIndependent()
{
    const PhotoMetadata original = PhotoMetadata::read(cameraFile(formatNamed("jpeg")));
    const QStringList before = original.summary();
    PhotoMetadata copy(original);
    PhotoMetadata assigned;
    assigned = original;
    PhotoMetadata::Update update { gradient(editedSize, true), software, modified };
    update.strip = true;
    copy.update(update);
    assigned.setIccProfile({});
    QCOMPARE(original.summary(), before);
    QCOMPARE(copy.summary(), QStringList({ "Size: 100x180", before.last() }));
    QVERIFY(assigned.iccProfile().isEmpty());
    QCOMPARE(original.iccProfile(), sourceProfile());
}

QTEST_MAIN(TestPhotoMetadata)
#include "tst_photometadata.moc"
