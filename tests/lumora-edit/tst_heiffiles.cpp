// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// HEIC and AVIF through the built lumora-edit, against tools that are not ours: heif-enc
// makes the files (from a JPEG carrying EXIF, XMP and a profile), exiftool reads their
// metadata, heif-convert decodes them, ImageMagick turns and compares the pixels.

#include "processrun.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

ProcessRun tool(const QString &program, const QStringList &arguments)
{
    return runProcess(program, arguments);
}

ProcessRun lumoraEdit(const QStringList &arguments)
{
    return tool(QStringLiteral(LUMORA_EDIT), arguments);
}

// exiftool's reading, "Group:Tag" keys, numbers as numbers.
QJsonObject exifOf(const QString &file)
{
    const ProcessRun run
        = tool(QStringLiteral("exiftool"),
               { QStringLiteral("-j"), QStringLiteral("-G1"), QStringLiteral("-n"), file });
    return QJsonDocument::fromJson(run.out).array().at(0).toObject();
}

// heif-convert's decoding of a HEIF into a PNG; empty when it failed.
QString decoded(const QString &heif, const QString &png)
{
    const ProcessRun run = tool(QStringLiteral("heif-convert"), { heif, png });
    return run.exitCode == 0 && QFile::exists(png) ? png : QString();
}

// ImageMagick's PSNR of two pictures, in dB; 1000 for identical ones, -1 on failure.
double psnr(const QString &a, const QString &b)
{
    const ProcessRun run = tool(
        QStringLiteral("compare-im6.q16"),
        { QStringLiteral("-metric"), QStringLiteral("PSNR"), a, b, QStringLiteral("null:") });
    const QString said = QString::fromUtf8(run.err).trimmed().section(QLatin1Char(' '), 0, 0);
    if (said == QLatin1String("inf"))
        return 1000;
    bool ok = false;
    const double value = said.toDouble(&ok);
    return ok ? value : -1;
}

quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.constData() + at);
}

void setU32(QByteArray *data, qsizetype at, quint32 value)
{
    qToBigEndian(value, data->data() + at);
}

// The first box of `type` among the boxes in [begin, end); -1 when there is none.
qsizetype findBox(const QByteArray &file, qsizetype begin, qsizetype end, const char *type)
{
    for (qsizetype at = begin; at + 8 <= end && u32(file, at) >= 8; at += u32(file, at)) {
        if (file.mid(at + 4, 4) == type)
            return at;
    }
    return -1;
}

// An unsigned number of `size` bytes (0, 4 or 8) at `at`, and the same written back.
quint64 number(const QByteArray &data, qsizetype at, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | uchar(data[at + i]);
    return value;
}

void setNumber(QByteArray *data, qsizetype at, int size, quint64 value)
{
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        (*data)[at + i] = char(value & 0xff);
}

// The HEIF with an 'irot' property (anti-clockwise quarter turns) on its primary picture,
// which heif-enc cannot write: the property appended to ipco and associated, essential,
// in ipma, the boxes around them grown, and iloc's offsets into mdat moved. Empty when
// the file is not laid out as heif-enc lays it out.
QByteArray withRotation(QByteArray file, int quarterTurns)
{
    const qsizetype meta = findBox(file, 0, file.size(), "meta");
    if (meta < 0)
        return QByteArray();
    const qsizetype metaEnd = meta + u32(file, meta);
    const qsizetype pitm = findBox(file, meta + 12, metaEnd, "pitm");
    const qsizetype iloc = findBox(file, meta + 12, metaEnd, "iloc");
    const qsizetype iprp = findBox(file, meta + 12, metaEnd, "iprp");
    if (pitm < 0 || iloc < 0 || iprp < 0 || file[pitm + 8] != 0)
        return QByteArray();
    const quint32 primary = qFromBigEndian<quint16>(file.constData() + pitm + 12);
    const qsizetype iprpEnd = iprp + u32(file, iprp);
    const qsizetype ipco = findBox(file, iprp + 8, iprpEnd, "ipco");
    const qsizetype ipma = findBox(file, iprp + 8, iprpEnd, "ipma");
    if (ipco < 0 || ipma < ipco)
        return QByteArray();
    int properties = 0;
    const qsizetype ipcoEnd = ipco + u32(file, ipco);
    for (qsizetype at = ipco + 8; at + 8 <= ipcoEnd && u32(file, at) >= 8; at += u32(file, at))
        ++properties;

    // The association: the primary's entry gains one, marked essential.
    const int version = file[ipma + 8];
    const bool wide = file[ipma + 11] & 1;
    qsizetype at = ipma + 16;
    qsizetype insertAt = -1;
    for (quint32 entry = 0, count = u32(file, ipma + 12); entry < count; ++entry) {
        const quint32 item
            = version < 1 ? qFromBigEndian<quint16>(file.constData() + at) : u32(file, at);
        at += version < 1 ? 2 : 4;
        const int associations = uchar(file[at]);
        if (item == primary) {
            file[at] = char(associations + 1);
            insertAt = at + 1 + associations * (wide ? 2 : 1);
        }
        at += 1 + associations * (wide ? 2 : 1);
    }
    if (insertAt < 0)
        return QByteArray();
    const int index = properties + 1;
    const QByteArray association = wide
        ? QByteArray { char(0x80 | (index >> 8)), char(index & 0xff) }
        : QByteArray(1, char(0x80 | index));
    const QByteArray irot = QByteArray::fromHex("00000009") + "irot" + char(quarterTurns & 3);
    const qsizetype grown = association.size() + irot.size();

    // iloc first, in place: every item stored in the file (construction method 0) moves.
    const int ilocVersion = file[iloc + 8];
    const int offsetSize = uchar(file[iloc + 12]) >> 4;
    const int lengthSize = uchar(file[iloc + 12]) & 15;
    const int baseSize = uchar(file[iloc + 13]) >> 4;
    const int indexSize = ilocVersion == 1 || ilocVersion == 2 ? uchar(file[iloc + 13]) & 15 : 0;
    at = iloc + 14;
    const quint32 items
        = ilocVersion < 2 ? qFromBigEndian<quint16>(file.constData() + at) : u32(file, at);
    at += ilocVersion < 2 ? 2 : 4;
    for (quint32 item = 0; item < items; ++item) {
        at += ilocVersion < 2 ? 2 : 4;
        int method = 0;
        if (ilocVersion == 1 || ilocVersion == 2) {
            method = qFromBigEndian<quint16>(file.constData() + at) & 15;
            at += 2;
        }
        at += 2; // data reference index
        const qsizetype base = at;
        const quint64 baseOffset = number(file, base, baseSize);
        at += baseSize;
        const int extents = qFromBigEndian<quint16>(file.constData() + at);
        at += 2;
        if (method == 0 && baseSize > 0 && baseOffset > quint64(meta))
            setNumber(&file, base, baseSize, baseOffset + quint64(grown));
        for (int extent = 0; extent < extents; ++extent) {
            at += indexSize;
            const quint64 offset = number(file, at, offsetSize);
            if (method == 0 && baseSize == 0 && offset > quint64(meta))
                setNumber(&file, at, offsetSize, offset + quint64(grown));
            at += offsetSize + lengthSize;
        }
    }

    // The later insertion first, so that the earlier position still holds.
    file.insert(insertAt, association);
    setU32(&file, ipma, u32(file, ipma) + quint32(association.size()));
    file.insert(ipcoEnd, irot);
    setU32(&file, ipco, u32(file, ipco) + quint32(irot.size()));
    setU32(&file, iprp, u32(file, iprp) + quint32(grown));
    setU32(&file, meta, u32(file, meta) + quint32(grown));
    return file;
}

} // namespace

class tst_HeifFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void info_data();
    void info();
    void edited_data();
    void edited();
    void convertedToJpeg_data();
    void convertedToJpeg();
    void madeFromJpeg_data();
    void madeFromJpeg();
    void deepPictureKeepsItsDepth();
    void transformPropertiesShown();
    void nclxBecomesItsProfile();
    void alphaAndThumbnailCarried();
    void severalPicturesRefused();
    void cutShortRefused_data();
    void cutShortRefused();

private:
    void common_data();
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The photo of `format` made for the test; skips the row where heif-enc cannot make it.
    QString photo(const QString &format);

    // The input's exiftool reading and heif-convert decoding, made once per format.
    QJsonObject inputMetadata(const QString &format);
    QString inputDecoded(const QString &format);

    QTemporaryDir m_dir;
    QStringList m_encoders; // what heif-enc lists
    QHash<QString, QJsonObject> m_inputMetadata;
};

void tst_HeifFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_encoders << QString::fromUtf8(
        tool(QStringLiteral("heif-enc"), { QStringLiteral("--list-encoders") }).out);
    // 96x64: sides unlike, so that a turn that swaps them shows; smooth but never flat.
    const QString jpeg = path(QStringLiteral("camera.jpg"));
    ProcessRun run
        = tool(QStringLiteral("convert-im6.q16"),
               { QStringLiteral("-seed"), QStringLiteral("7"), QStringLiteral("-size"),
                 QStringLiteral("96x64"), QStringLiteral("plasma:"), QStringLiteral("-blur"),
                 QStringLiteral("0x2"), QStringLiteral("-profile"),
                 QStringLiteral("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc"),
                 QStringLiteral("-quality"), QStringLiteral("95"), jpeg });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    run = tool(QStringLiteral("exiftool"),
               { QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                 QStringLiteral("-Make=Lumora"), QStringLiteral("-Model=Harbour Cam"),
                 QStringLiteral("-DateTimeOriginal=2024:05:06 07:08:09"),
                 QStringLiteral("-Artist=A. Photographer"), QStringLiteral("-GPSLatitude=48.5"),
                 QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-GPSLongitude=2.25"),
                 QStringLiteral("-GPSLongitudeRef=E"), QStringLiteral("-XMP-dc:Title=Harbour"),
                 QStringLiteral("-XMP-xmp:Rating=4"), jpeg });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    for (const char *format : { "heic", "avif" }) {
        const QString out = path(QStringLiteral("camera.") + QLatin1String(format));
        tool(QStringLiteral("heif-enc"),
             { QStringLiteral("-q"), QStringLiteral("90"), jpeg, QStringLiteral("-o"), out });
    }
}

QString tst_HeifFiles::photo(const QString &format)
{
    const QString encoder
        = format == QLatin1String("avif") ? QStringLiteral("- aom") : QStringLiteral("- x265");
    if (!m_encoders.join(QString()).contains(encoder))
        return QString();
    const QString file = path(QStringLiteral("camera.") + format);
    return QFile::exists(file) ? file : QString();
}

QJsonObject tst_HeifFiles::inputMetadata(const QString &format)
{
    if (!m_inputMetadata.contains(format))
        m_inputMetadata.insert(format, exifOf(path(QStringLiteral("camera.") + format)));
    return m_inputMetadata.value(format);
}

QString tst_HeifFiles::inputDecoded(const QString &format)
{
    const QString png = path(QStringLiteral("in-") + format + ".png");
    return QFile::exists(png) ? png : decoded(path(QStringLiteral("camera.") + format), png);
}

#define PHOTO(variable, format)                                                                    \
    const QString variable = photo(format);                                                        \
    if (variable.isEmpty())                                                                        \
        QSKIP(qPrintable(QStringLiteral("heif-enc here has no encoder for %1 (libheif's x265 "     \
                                        "or aom plug-in): the row cannot be made")                 \
                             .arg(format)));

void tst_HeifFiles::common_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("heic") << "heic";
    QTest::newRow("avif") << "avif";
}

void tst_HeifFiles::info_data()
{
    common_data();
}

void tst_HeifFiles::info()
{
    QFETCH(QString, format);
    PHOTO(input, format);
    const ProcessRun run = lumoraEdit({ QStringLiteral("--info"), input });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString said = QString::fromUtf8(run.out);
    for (const QString &line :
         { QStringLiteral("Format: ") + format.toUpper(),
           QStringLiteral("Pixels: 96x64, colour, 8 bits per channel"),
           QStringLiteral("Lumora Harbour Cam"), QStringLiteral("2024-05-06 07:08:09"),
           QStringLiteral("Compatible with Adobe RGB (1998)"),
           QStringLiteral("GPS: 48.500000, 2.250000") })
        QVERIFY2(said.contains(line), qPrintable(line + QStringLiteral(" missing from:\n") + said));
}

void tst_HeifFiles::edited_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QSize>("size");
    for (const char *format : { "heic", "avif" }) {
        QTest::addRow("%s rotate-right", format) << format << "rotate-right" << QSize(64, 96);
        QTest::addRow("%s effect=sepia", format) << format << "effect=sepia" << QSize(96, 64);
    }
}

// Read, edited, written in the same format: the metadata carried (exiftool), the pixels
// those of the edit (heif-convert's decodings, turned by ImageMagick or edited from the
// decoded input) within two generations of the codec's loss.
void tst_HeifFiles::edited()
{
    QFETCH(QString, format);
    QFETCH(QString, edit);
    QFETCH(QSize, size);
    PHOTO(input, format);
    const QString output = path(QStringLiteral("edited.") + format);
    QFile::remove(output);
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, input, edit });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    if (edit.startsWith(QLatin1String("rotate")))
        QVERIFY2(run.err.contains("the turn is encoded anew"), run.err.constData());

    const QJsonObject before = inputMetadata(format);
    const QJsonObject after = exifOf(output);
    QCOMPARE(after.value("File:FileTypeExtension").toString().toLower(), format);
    for (const char *tag :
         { "IFD0:Make", "IFD0:Model", "IFD0:Artist", "ExifIFD:DateTimeOriginal", "GPS:GPSLatitude",
           "XMP-dc:Title", "XMP-xmp:Rating", "ICC_Profile:ProfileDescription" }) {
        const QString key = QLatin1String(tag);
        QVERIFY2(!before.value(key).isUndefined(), tag);
        QVERIFY2(after.value(key) == before.value(key),
                 qPrintable(QStringLiteral("%1: %2 became %3 in %4")
                                .arg(key, before.value(key).toVariant().toString(),
                                     after.value(key).toVariant().toString(), output)));
    }
    QVERIFY(after.value("IFD0:Software").toString().startsWith(QLatin1String("lumora-edit")));
    QCOMPARE(after.value("ExifIFD:ExifImageWidth").toInt(), size.width());
    QCOMPARE(after.value("ExifIFD:ExifImageHeight").toInt(), size.height());

    const QString in = inputDecoded(format);
    const QString out = decoded(output, path(QStringLiteral("out-") + format + ".png"));
    QVERIFY(!in.isEmpty() && !out.isEmpty());
    QCOMPARE(QImage(out).size(), size);
    const QString expected = path(QStringLiteral("expected-") + format + ".png");
    const ProcessRun made = edit.startsWith(QLatin1String("rotate"))
        ? tool(QStringLiteral("convert-im6.q16"),
               { in, QStringLiteral("-rotate"), QStringLiteral("90"), expected })
        : lumoraEdit({ QStringLiteral("-o"), expected, in, edit });
    QVERIFY2(made.exitCode == 0, made.err.constData());
    const double db = psnr(out, expected);
    QVERIFY2(db >= 32,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(out, expected)));
}

void tst_HeifFiles::convertedToJpeg_data()
{
    common_data();
}

// A HEIF written as JPEG: its metadata and profile go where a JPEG's go, its pixels those
// heif-convert decodes.
void tst_HeifFiles::convertedToJpeg()
{
    QFETCH(QString, format);
    PHOTO(input, format);
    const QString output = path(QStringLiteral("from-") + format + ".jpg");
    const ProcessRun run
        = lumoraEdit({ QStringLiteral("-o"), output, input, "flip-horizontal", "flip-horizontal" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QJsonObject after = exifOf(output);
    QCOMPARE(after.value("IFD0:Make").toString(), QStringLiteral("Lumora"));
    QCOMPARE(after.value("XMP-dc:Title").toString(), QStringLiteral("Harbour"));
    QCOMPARE(after.value("ICC_Profile:ProfileDescription").toString(),
             QStringLiteral("Compatible with Adobe RGB (1998)"));
    const QString in = inputDecoded(format);
    QVERIFY(!in.isEmpty());
    const double db = psnr(output, in);
    QVERIFY2(db >= 38,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(output, in)));
}

void tst_HeifFiles::madeFromJpeg_data()
{
    common_data();
}

// A JPEG written as HEIF at its own quality (95), metadata carried into the items.
void tst_HeifFiles::madeFromJpeg()
{
    QFETCH(QString, format);
    PHOTO(made, format);
    Q_UNUSED(made);
    const QString input = path(QStringLiteral("camera.jpg"));
    const QString output = path(QStringLiteral("from-jpeg.") + format);
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, input, "effect=sepia" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(!run.err.contains("quality cannot be told"), run.err.constData());
    const QJsonObject after = exifOf(output);
    QCOMPARE(after.value("IFD0:Model").toString(), QStringLiteral("Harbour Cam"));
    QCOMPARE(after.value("XMP-xmp:Rating").toInt(), 4);
    QCOMPARE(after.value("ICC_Profile:ProfileDescription").toString(),
             QStringLiteral("Compatible with Adobe RGB (1998)"));
    const QString expected = path(QStringLiteral("sepia-") + format + ".png");
    const QString out = decoded(output, path(QStringLiteral("from-jpeg-") + format + ".png"));
    QVERIFY(!out.isEmpty());
    QVERIFY(lumoraEdit({ QStringLiteral("-o"), expected, input, "effect=sepia" }).exitCode == 0);
    const double db = psnr(out, expected);
    QVERIFY2(db >= 36,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(out, expected)));
}

// A 10-bit HEIC is read at 16 bits (its low bits kept: the 16-bit PNG heif-convert makes
// matches closely) and written back at 10.
void tst_HeifFiles::deepPictureKeepsItsDepth()
{
    PHOTO(made, QStringLiteral("heic"));
    Q_UNUSED(made);
    const QString png = path(QStringLiteral("deep.png"));
    const QString heic = path(QStringLiteral("deep.heic"));
    QVERIFY(tool(QStringLiteral("convert-im6.q16"),
                 { QStringLiteral("-seed"), QStringLiteral("3"), QStringLiteral("-size"),
                   QStringLiteral("80x48"), QStringLiteral("plasma:"), QStringLiteral("-blur"),
                   QStringLiteral("0x3"), QStringLiteral("-depth"), QStringLiteral("16"), png })
                .exitCode
            == 0);
    QVERIFY(tool(QStringLiteral("heif-enc"),
                 { QStringLiteral("-b"), QStringLiteral("10"), QStringLiteral("-q"),
                   QStringLiteral("95"), png, QStringLiteral("-o"), heic })
                .exitCode
            == 0);
    const ProcessRun info = lumoraEdit({ QStringLiteral("--info"), heic });
    QVERIFY2(info.out.contains("Pixels: 80x48, colour, 16 bits per channel"), info.out.constData());
    QVERIFY2(info.out.contains("HEIF: 10 bits per channel stored"), info.out.constData());

    const QString asPng = path(QStringLiteral("deep-out.png"));
    QVERIFY(lumoraEdit({ QStringLiteral("-o"), asPng, heic, "flip-vertical" }).exitCode == 0);
    const QString reference = decoded(heic, path(QStringLiteral("deep-ref.png")));
    const QString flipped = path(QStringLiteral("deep-flipped.png"));
    QVERIFY(tool(QStringLiteral("convert-im6.q16"), { reference, QStringLiteral("-flip"), flipped })
                .exitCode
            == 0);
    QCOMPARE(QImage(asPng).depth(), 64);
    const double db = psnr(asPng, flipped);
    QVERIFY2(db >= 60,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(asPng, flipped)));

    const QString asHeic = path(QStringLiteral("deep-out.heic"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), asHeic, heic, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(exifOf(asHeic).value("QuickTime:BitDepthLuma").toInt(), 10);
}

// A picture stored turned (irot) is shown, edited and written as heif-convert shows it,
// never turned twice.
void tst_HeifFiles::transformPropertiesShown()
{
    PHOTO(input, QStringLiteral("heic"));
    QFile in(input);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray turned = withRotation(in.readAll(), 1);
    QVERIFY(!turned.isEmpty());
    const QString stored = path(QStringLiteral("turned.heic"));
    QFile out(stored);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(turned) == turned.size());
    out.close();
    const QString reference = decoded(stored, path(QStringLiteral("turned-ref.png")));
    QVERIFY(!reference.isEmpty());
    QCOMPARE(QImage(reference).size(), QSize(64, 96)); // the property took

    const ProcessRun info = lumoraEdit({ QStringLiteral("--info"), stored });
    QVERIFY2(info.out.contains("Pixels: 64x96"), info.out.constData());
    const QString asPng = path(QStringLiteral("turned-out.png"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), asPng, stored, "effect=sepia" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString expected = path(QStringLiteral("turned-expected.png"));
    QVERIFY(lumoraEdit({ QStringLiteral("-o"), expected, reference, "effect=sepia" }).exitCode
            == 0);
    const double db = psnr(asPng, expected);
    QVERIFY2(db >= 45,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(asPng, expected)));
}

// An AVIF described by nclx as Display P3 (heif-enc writes the description unspecified;
// its code points are set in the colr box) is read with the matching ICC profile, written
// into a JPEG, and written back into an AVIF as the same nclx.
void tst_HeifFiles::nclxBecomesItsProfile()
{
    PHOTO(made, QStringLiteral("avif"));
    Q_UNUSED(made);
    const QString png = path(QStringLiteral("plain.png"));
    const QString avif = path(QStringLiteral("plain.avif"));
    QVERIFY(tool(QStringLiteral("convert-im6.q16"),
                 { QStringLiteral("-seed"), QStringLiteral("5"), QStringLiteral("-size"),
                   QStringLiteral("50x30"), QStringLiteral("plasma:"), QStringLiteral("-depth"),
                   QStringLiteral("8"), png })
                .exitCode
            == 0);
    QVERIFY(tool(QStringLiteral("heif-enc"), { png, QStringLiteral("-o"), avif }).exitCode == 0);
    QFile file(avif);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype colr = bytes.indexOf("colrnclx");
    QVERIFY2(colr > 0, "heif-enc wrote no nclx description");
    bytes.replace(colr + 8, 4, QByteArray::fromHex("000c000d")); // P3 primaries, sRGB curve
    QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
    file.close();

    const ProcessRun info = lumoraEdit({ QStringLiteral("--info"), avif });
    QVERIFY2(info.out.contains("Colour profile: Display P3"), info.out.constData());
    const QString jpeg = path(QStringLiteral("p3.jpg"));
    QVERIFY(lumoraEdit({ QStringLiteral("-o"), jpeg, avif, "flip-vertical" }).exitCode == 0);
    // P3's red primary adapted to D50, as any P3 profile holds it.
    const QStringList red = exifOf(jpeg).value("ICC_Profile:RedMatrixColumn").toString().split(' ');
    QCOMPARE(red.size(), 3);
    QVERIFY2(qAbs(red[0].toDouble() - 0.5151) < 0.002 && qAbs(red[1].toDouble() - 0.2412) < 0.002,
             qPrintable(red.join(' ')));
    const QString back = path(QStringLiteral("p3-out.avif"));
    QVERIFY(lumoraEdit({ QStringLiteral("-o"), back, avif, "flip-vertical" }).exitCode == 0);
    const QJsonObject after = exifOf(back);
    QCOMPARE(after.value("QuickTime:ColorPrimaries").toInt(), 12);
    QCOMPARE(after.value("QuickTime:TransferCharacteristics").toInt(), 13);
    QVERIFY(after.value("ICC_Profile:ProfileDescription").isUndefined());
}

// Transparency and a thumbnail picture survive an edit: heif-convert's alpha of the
// output is the input's flipped, and heif-info lists a thumbnail.
void tst_HeifFiles::alphaAndThumbnailCarried()
{
    PHOTO(made, QStringLiteral("heic"));
    Q_UNUSED(made);
    const QString png = path(QStringLiteral("alpha.png"));
    const QString heic = path(QStringLiteral("alpha.heic"));
    QVERIFY(tool(QStringLiteral("convert-im6.q16"),
                 { QStringLiteral("-seed"), QStringLiteral("4"), QStringLiteral("-size"),
                   QStringLiteral("60x36"), QStringLiteral("plasma:"), QStringLiteral("("),
                   QStringLiteral("-size"), QStringLiteral("60x36"),
                   QStringLiteral("gradient:white-#202020"), QStringLiteral(")"),
                   QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-compose"),
                   QStringLiteral("copy_opacity"), QStringLiteral("-composite"),
                   QStringLiteral("-depth"), QStringLiteral("8"), png })
                .exitCode
            == 0);
    QVERIFY(tool(QStringLiteral("heif-enc"),
                 { QStringLiteral("-q"), QStringLiteral("95"), QStringLiteral("-t"),
                   QStringLiteral("16"), png, QStringLiteral("-o"), heic })
                .exitCode
            == 0);
    const QString output = path(QStringLiteral("alpha-out.heic"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, heic, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QByteArray listed = tool(QStringLiteral("heif-info"), { output }).out;
    QVERIFY2(listed.contains("thumbnail:") && listed.contains("alpha channel: yes"),
             listed.constData());
    const QString in = decoded(heic, path(QStringLiteral("alpha-in.png")));
    const QString out = decoded(output, path(QStringLiteral("alpha-out.png")));
    const QString expected = path(QStringLiteral("alpha-expected.png"));
    QVERIFY(
        tool(QStringLiteral("convert-im6.q16"), { in, QStringLiteral("-flip"), expected }).exitCode
        == 0);
    QVERIFY(QImage(out).hasAlphaChannel());
    const double db = psnr(out, expected);
    QVERIFY2(db >= 34,
             qPrintable(QStringLiteral("%1 dB between %2 and %3").arg(db).arg(out, expected)));
}

void tst_HeifFiles::severalPicturesRefused()
{
    PHOTO(made, QStringLiteral("heic"));
    Q_UNUSED(made);
    const QString two = path(QStringLiteral("two.heic"));
    const QString jpeg = path(QStringLiteral("camera.jpg"));
    QVERIFY(tool(QStringLiteral("heif-enc"), { jpeg, jpeg, QStringLiteral("-o"), two }).exitCode
            == 0);
    const QString output = path(QStringLiteral("two-out.heic"));
    const ProcessRun run = lumoraEdit({ QStringLiteral("-o"), output, two, "rotate-left" });
    QVERIFY(run.exitCode != 0);
    QVERIFY2(run.err.contains("it holds 2 pictures; only a single picture can be edited"),
             run.err.constData());
    QVERIFY(!QFile::exists(output));
}

void tst_HeifFiles::cutShortRefused_data()
{
    common_data();
}

// A file cut short within its picture data is refused with libheif's reason, not shown
// with a part missing.
void tst_HeifFiles::cutShortRefused()
{
    QFETCH(QString, format);
    PHOTO(input, format);
    QFile in(input);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray whole = in.readAll();
    const QString cut = path(QStringLiteral("cut.") + format);
    QFile out(cut);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(whole.left(whole.size() - 200)) > 0);
    out.close();
    const ProcessRun run = lumoraEdit({ QStringLiteral("--info"), cut });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("the picture is damaged"), run.err.constData());
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(tst_HeifFiles)
#include "tst_heiffiles.moc"
