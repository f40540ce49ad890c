#include "photometadata.h"

#include "extendedxmp.h"
#include "jpegsegments.h"
#include "makernote.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>
#include <QVector>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// ---------------------------------------------------------------------------------------
// Exiv2 set-up. Its log is global; a thread that reads or writes collects what Exiv2
// says meanwhile, so that the lines land in that object's warnings and nowhere else.

std::once_flag exiv2Ready;
std::recursive_mutex xmpToolkitLock; // Exiv2 registers unknown namespaces while decoding
thread_local QStringList *exiv2Messages = nullptr;

void lockXmpToolkit(void *, bool lock)
{
    if (lock)
        xmpToolkitLock.lock();
    else
        xmpToolkitLock.unlock();
}

void routeExiv2Message(int level, const char *message)
{
    if (exiv2Messages) {
        const QString line = QString::fromUtf8(message).trimmed();
        if (!line.isEmpty() && !exiv2Messages->contains(line))
            exiv2Messages->append(line);
    } else {
        Exiv2::LogMsg::defaultHandler(level, message);
    }
}

void setUpExiv2()
{
    std::call_once(exiv2Ready, [] {
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
        Exiv2::LogMsg::setHandler(routeExiv2Message);
    });
}

// Collects Exiv2's messages on this thread for as long as it lives.
class Exiv2Listener
{
public:
    Exiv2Listener()
        : m_outer(exiv2Messages)
    {
        exiv2Messages = &messages;
    }
    ~Exiv2Listener() { exiv2Messages = m_outer; }
    Exiv2Listener(const Exiv2Listener &) = delete;
    Exiv2Listener &operator=(const Exiv2Listener &) = delete;

    QStringList messages;

private:
    QStringList *m_outer;
};

QString describe(const std::exception &e)
{
    return QString::fromUtf8(e.what()).trimmed();
}

// Exiv2's own words after ours, the first one and how many more.
QString detail(const QStringList &messages)
{
    if (messages.isEmpty())
        return {};
    QString text = QStringLiteral(" (Exiv2: %1").arg(messages.first());
    if (messages.size() > 1)
        text += QStringLiteral("; and %1 more").arg(messages.size() - 1);
    return text + QLatin1Char(')');
}

// ---------------------------------------------------------------------------------------
// Containers. Exiv2 handles most of each format; the little it gets wrong (several
// comments in a JPEG, PNG and WebP colour profiles) is done here on the bytes.

enum class Format { Unknown, Jpeg, Png, Tiff, WebP };

Format formatOf(const QByteArray &file)
{
    if (file.startsWith("\xff\xd8\xff"))
        return Format::Jpeg;
    if (file.startsWith("\x89PNG\r\n\x1a\n"))
        return Format::Png;
    if (file.startsWith(QByteArray("II*\0", 4)) || file.startsWith(QByteArray("MM\0*", 4)))
        return Format::Tiff;
    if (file.size() >= 12 && file.startsWith("RIFF") && file.mid(8, 4) == "WEBP")
        return Format::WebP;
    return Format::Unknown;
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Jpeg:
        return QStringLiteral("JPEG");
    case Format::Png:
        return QStringLiteral("PNG");
    case Format::Tiff:
        return QStringLiteral("TIFF");
    case Format::WebP:
        return QStringLiteral("WebP");
    case Format::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

enum class Part { Exif, Xmp, Iptc, Comment, Profile };
constexpr Part allParts[] = { Part::Exif, Part::Xmp, Part::Iptc, Part::Comment, Part::Profile };

QString partName(Part part)
{
    switch (part) {
    case Part::Exif:
        return QStringLiteral("the EXIF block");
    case Part::Xmp:
        return QStringLiteral("the XMP packet");
    case Part::Iptc:
        return QStringLiteral("the IPTC block");
    case Part::Comment:
        return QStringLiteral("the comment");
    case Part::Profile:
        return QStringLiteral("the colour profile");
    }
    return {};
}

// A byte range of a file that holds one part of its metadata.
struct Piece
{
    qsizetype begin;
    qsizetype end;
    Part part;
};

// Not inlined: every caller checks the size first, but GCC's bounds analysis cannot see
// that through QByteArray's shared empty array and warns (an error with -Werror).
Q_NEVER_INLINE const uchar *bytes(const QByteArray &data, qsizetype at)
{
    return reinterpret_cast<const uchar *>(data.constData()) + at;
}

bool startsWithAt(const QByteArray &data, qsizetype at, qsizetype end, const char *prefix,
                  qsizetype length)
{
    return end - at >= length && std::memcmp(data.constData() + at, prefix, size_t(length)) == 0;
}

// Where a file's metadata lies, as far as its structure is sound.
struct Layout
{
    QVector<Piece> pieces;
    qsizetype end = 0; // the first byte a damaged or cut-short file gets wrong
    bool sound = false; // the walk reached the structure's end: `end` is the file's size
};

// Segments before the scan; a damaged marker or length ends the walk.
Layout jpegLayout(const QByteArray &file)
{
    Layout layout;
    qsizetype at = 2;
    while (at + 4 <= file.size() && uchar(file[at]) == 0xff) {
        const uchar marker = uchar(file[at + 1]);
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
            at += 2;
            continue;
        }
        if (marker == 0xda || marker == 0xd9) {
            layout.sound = true; // the rest is image data, which Exiv2 does not read
            break;
        }
        const qsizetype length = qFromBigEndian<quint16>(bytes(file, at + 2));
        const qsizetype end = at + 2 + length;
        if (length < 2 || end > file.size())
            break;
        const qsizetype data = at + 4;
        if (marker == 0xe1 && startsWithAt(file, data, end, "Exif\0", 5))
            layout.pieces.append({ at, end, Part::Exif });
        else if (marker == 0xe1 && startsWithAt(file, data, end, "http://ns.adobe.com/x", 21))
            layout.pieces.append({ at, end, Part::Xmp }); // the packet and its extension
        else if (marker == 0xed && startsWithAt(file, data, end, "Photoshop 3.0\0", 14))
            layout.pieces.append({ at, end, Part::Iptc });
        else if (marker == 0xe2 && startsWithAt(file, data, end, "ICC_PROFILE\0", 12))
            layout.pieces.append({ at, end, Part::Profile });
        else if (marker == 0xfe)
            layout.pieces.append({ at, end, Part::Comment });
        at = end;
    }
    layout.end = layout.sound ? file.size() : at;
    return layout;
}

Layout pngLayout(const QByteArray &file)
{
    Layout layout;
    qsizetype at = 8;
    while (at + 12 <= file.size()) {
        const quint32 length = qFromBigEndian<quint32>(bytes(file, at));
        if (length > quint32(file.size() - at - 12))
            break;
        const QByteArray type = file.mid(at + 4, 4);
        const qsizetype data = at + 8;
        const qsizetype end = data + qsizetype(length) + 4;
        const QByteArray keyword = file.mid(data, std::min<qsizetype>(length, 80)).split('\0')[0];
        if (type == "eXIf") {
            layout.pieces.append({ at, end, Part::Exif });
        } else if (type == "iCCP" || type == "sRGB") {
            layout.pieces.append({ at, end, Part::Profile });
        } else if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            // The keywords Exiv2 reads and writes.
            if (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1")
                layout.pieces.append({ at, end, Part::Exif });
            else if (keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp")
                layout.pieces.append({ at, end, Part::Xmp });
            else if (keyword == "Raw profile type iptc")
                layout.pieces.append({ at, end, Part::Iptc });
            else if (keyword == "Description")
                layout.pieces.append({ at, end, Part::Comment });
        } else if (type == "IEND") {
            layout.sound = true;
            break;
        }
        at = end;
    }
    layout.end = layout.sound ? file.size() : at;
    return layout;
}

Layout webpLayout(const QByteArray &file)
{
    Layout layout;
    qsizetype at = 12;
    while (at + 8 <= file.size()) {
        const QByteArray type = file.mid(at, 4);
        const quint32 length = qFromLittleEndian<quint32>(bytes(file, at + 4));
        if (length > quint32(file.size() - at - 8))
            break;
        const qsizetype end = std::min<qsizetype>(file.size(), at + 8 + length + (length & 1));
        if (type == "EXIF")
            layout.pieces.append({ at, end, Part::Exif });
        else if (type == "XMP ")
            layout.pieces.append({ at, end, Part::Xmp });
        else if (type == "ICCP")
            layout.pieces.append({ at, end, Part::Profile });
        at = end;
    }
    layout.sound = at == file.size();
    layout.end = at;
    return layout;
}

Layout layoutOf(const QByteArray &file, Format format)
{
    switch (format) {
    case Format::Jpeg:
        return jpegLayout(file);
    case Format::Png:
        return pngLayout(file);
    case Format::WebP:
        return webpLayout(file);
    case Format::Tiff: // one directory tree: no separate pieces
    case Format::Unknown:
        break;
    }
    return { {}, file.size(), true };
}

void fixRiffSize(QByteArray *webp)
{
    qToLittleEndian<quint32>(quint32(webp->size() - 8), webp->data() + 4);
}

enum class Damage { Keep, Cut };

// The file without the pieces `drop` selects. Damage::Cut keeps of a damaged file only
// what comes before the damage, closed as its format wants, so that Exiv2 reads on to
// the end.
template<typename Drop>
QByteArray without(const QByteArray &file, Format format, Drop drop, Damage damage = Damage::Keep)
{
    Layout layout = layoutOf(file, format);
    if (damage == Damage::Keep) {
        layout.end = file.size();
        layout.sound = true;
    }
    QByteArray result;
    result.reserve(file.size());
    qsizetype at = 0;
    for (const Piece &piece : layout.pieces) {
        if (!drop(piece.part))
            continue;
        result.append(file.constData() + at, piece.begin - at);
        at = piece.end;
    }
    result.append(file.constData() + at, layout.end - at);
    if (!layout.sound && format == Format::Jpeg)
        result.append("\xff\xd9"); // EOI
    else if (!layout.sound && format == Format::Png)
        result.append(QByteArray::fromHex("0000000049454e44ae426082")); // IEND
    if (format == Format::WebP)
        fixRiffSize(&result);
    return result;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= uchar(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QString profileDescription(const QByteArray &profile);

// A PNG profile's name: 1 to 79 printable Latin-1 characters.
QByteArray pngProfileName(const QByteArray &profile)
{
    QByteArray name;
    for (const QChar c : profileDescription(profile).simplified()) {
        const ushort u = c.unicode();
        if ((u >= 0x20 && u < 0x7f) || (u >= 0xa1 && u <= 0xff))
            name.append(char(u));
    }
    name = name.trimmed().left(79).trimmed();
    return name.isEmpty() ? QByteArrayLiteral("ICC profile") : name;
}

// Exiv2 0.27 names a new iCCP chunk after the profile the encoder wrote (or leaves the
// name empty, which PNG forbids), so the profile is put in here instead: right after
// IHDR, where PNG wants it, and the only one.
QByteArray withPngProfile(const QByteArray &png, const QByteArray &profile)
{
    QByteArray result = without(png, Format::Png, [](Part part) { return part == Part::Profile; });
    if (profile.isEmpty() || result.size() < 33)
        return result;
    // qCompress puts the uncompressed size before a plain zlib stream.
    const QByteArray data
        = pngProfileName(profile) + QByteArray("\0\0", 2) + qCompress(profile, 9).mid(4);
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray typed = QByteArrayLiteral("iCCP") + data;
    chunk += typed;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(typed), crc.data());
    chunk += crc;
    const qsizetype afterHeader = 8 + 12 + qsizetype(qFromBigEndian<quint32>(bytes(result, 8)));
    result.insert(afterHeader, chunk);
    return result;
}

// The extended header a simple (VP8 or VP8L) WebP needs before it can hold a profile.
QByteArray webpExtendedHeader(const QByteArray &webp)
{
    if (webp.size() < 30)
        return {};
    const QByteArray type = webp.mid(12, 4);
    const qsizetype payload = 20;
    quint32 width = 0;
    quint32 height = 0;
    bool alpha = false;
    if (type == "VP8 " && webp.mid(payload + 3, 3) == "\x9d\x01\x2a") {
        width = qFromLittleEndian<quint16>(bytes(webp, payload + 6)) & 0x3fff;
        height = qFromLittleEndian<quint16>(bytes(webp, payload + 8)) & 0x3fff;
    } else if (type == "VP8L" && uchar(webp[payload]) == 0x2f) {
        const quint32 bits = qFromLittleEndian<quint32>(bytes(webp, payload + 1));
        width = (bits & 0x3fff) + 1;
        height = ((bits >> 14) & 0x3fff) + 1;
        alpha = (bits >> 28) & 1;
    }
    if (width == 0 || height == 0)
        return {};
    QByteArray chunk = QByteArrayLiteral("VP8X");
    chunk.append("\x0a\0\0\0", 4);
    QByteArray flags(10, '\0');
    flags[0] = char(alpha ? 0x10 : 0);
    for (int i = 0; i < 3; ++i) {
        flags[4 + i] = char(((width - 1) >> (8 * i)) & 0xff);
        flags[7 + i] = char(((height - 1) >> (8 * i)) & 0xff);
    }
    return chunk + flags;
}

constexpr char webpProfileFlag = 0x20;
constexpr char webpExifFlag = 0x08;
constexpr char webpXmpFlag = 0x04;

// Exiv2 0.27 mislabels the profile chunk it adds to a simple WebP, so the profile is
// put in here: right after VP8X, with the VP8X flag telling of it.
QByteArray withWebpProfile(const QByteArray &webp, const QByteArray &profile)
{
    QByteArray result
        = without(webp, Format::WebP, [](Part part) { return part == Part::Profile; });
    if (result.mid(12, 4) != "VP8X") {
        if (profile.isEmpty())
            return result;
        const QByteArray header = webpExtendedHeader(result);
        if (header.isEmpty())
            return {};
        result.insert(12, header);
    }
    if (result.size() < 30)
        return {};
    char &flags = result[20];
    flags = char(profile.isEmpty() ? flags & ~webpProfileFlag : flags | webpProfileFlag);
    if (!profile.isEmpty()) {
        QByteArray chunk = QByteArrayLiteral("ICCP");
        chunk.resize(8);
        qToLittleEndian<quint32>(quint32(profile.size()), chunk.data() + 4);
        chunk += profile;
        if (profile.size() & 1)
            chunk += '\0';
        result.insert(30, chunk);
    }
    fixRiffSize(&result);
    return result;
}

// ---------------------------------------------------------------------------------------
// The ICC profile's own description ('desc' tag, v2 text or v4 localised text).

QString profileDescription(const QByteArray &profile)
{
    const qsizetype size = profile.size();
    if (size < 132)
        return {};
    const auto be32 = [&](qsizetype at) { return qFromBigEndian<quint32>(bytes(profile, at)); };
    const quint32 count = be32(128);
    for (quint32 i = 0; i < count && 132 + 12 * qsizetype(i + 1) <= size; ++i) {
        const qsizetype entry = 132 + 12 * qsizetype(i);
        if (!startsWithAt(profile, entry, size, "desc", 4))
            continue;
        const qsizetype offset = be32(entry + 4);
        const qsizetype length = be32(entry + 8);
        if (offset > size || length > size - offset || length < 12)
            return {};
        const qsizetype end = offset + length;
        if (startsWithAt(profile, offset, end, "desc", 4)) {
            const qsizetype n = std::min<qsizetype>(be32(offset + 8), length - 12);
            return QString::fromLatin1(profile.constData() + offset + 12, n)
                .section(QLatin1Char('\0'), 0, 0)
                .trimmed();
        }
        if (startsWithAt(profile, offset, end, "mluc", 4) && length >= 28) {
            // The English record if there is one, else the first.
            const quint32 records = be32(offset + 8);
            const qsizetype recordSize = be32(offset + 12);
            if (records == 0)
                return {};
            qsizetype chosen = offset + 16;
            for (quint32 r = 0; r < records && recordSize >= 12; ++r) {
                const qsizetype record = offset + 16 + qsizetype(r) * recordSize;
                if (record + 12 > end)
                    break;
                if (startsWithAt(profile, record, end, "en", 2)) {
                    chosen = record;
                    break;
                }
            }
            const qsizetype textLength = be32(chosen + 4);
            const qsizetype textOffset = offset + qsizetype(be32(chosen + 8));
            if (textOffset > end || textLength > end - textOffset)
                return {};
            QString text;
            for (qsizetype at = textOffset; at + 1 < textOffset + textLength; at += 2)
                text += QChar(qFromBigEndian<quint16>(bytes(profile, at)));
            return text.section(QLatin1Char('\0'), 0, 0).trimmed();
        }
        return {};
    }
    return {};
}

// ---------------------------------------------------------------------------------------
// What each key means for an edit.

bool isTiffStructured(int imageType)
{
    return imageType == Exiv2::ImageType::tiff || imageType == Exiv2::ImageType::cr2
        || imageType == Exiv2::ImageType::orf || imageType == Exiv2::ImageType::rw2;
}

constexpr uint16_t interColorProfileTag = 0x8773;

// IFD0 tags that hold other parts (XMP, IPTC, Photoshop resources) inside a TIFF.
bool isContainerTag(const Exiv2::Exifdatum &datum)
{
    const uint16_t tag = datum.tag();
    return datum.groupName() == "Image" && (tag == 0x02bc || tag == 0x83bb || tag == 0x8649);
}

bool isSize(uint16_t tag)
{
    return tag == 0x0100 || tag == 0x0101;
}

// IFD0 tags that describe how the pixels are laid out in the file, which an encoder
// writes and a new encoding makes wrong.
bool isLayoutTag(const Exiv2::Exifdatum &datum)
{
    static const uint16_t tags[] = {
        0x00ff, // SubfileType
        0x0100, 0x0101, // ImageWidth, ImageLength
        0x0102, 0x0103, 0x0106, 0x0107, 0x010a, // BitsPerSample ... FillOrder
        0x0111, 0x0115, 0x0116, 0x0117, // StripOffsets ... StripByteCounts
        0x0118, 0x0119, 0x011c, 0x0124, 0x0125, 0x013d, 0x0140, // ... ColorMap
        0x0142, 0x0143, 0x0144, 0x0145, 0x014a, // tiles, SubIFDs
        0x014c, 0x0152, 0x0153, 0x0154, 0x0155, 0x015b, // InkSet ... JPEGTables
        0x0200, 0x0201, 0x0202, 0x0211, 0x0212, 0x0214, // old JPEG, YCbCr layout
    };
    return datum.groupName() == "Image"
        && std::find(std::begin(tags), std::end(tags), datum.tag()) != std::end(tags);
}

// Directories other than IFD0, its sub-directories and the thumbnail's IFD1: the
// sub-images of raw files and DNGs, further pages, multi-picture indexes.
bool isSubImageGroup(const std::string &group)
{
    return group.compare(0, 8, "SubImage") == 0 || group.compare(0, 8, "SubThumb") == 0
        || group == "Image2" || group == "Image3" || group == "MpfInfo";
}

bool isRelatedImageSize(const Exiv2::Exifdatum &datum)
{
    return (datum.groupName() == "Iop" || datum.groupName() == "Image")
        && (datum.tag() == 0x1001 || datum.tag() == 0x1002);
}

template<typename Data, typename Predicate> void eraseIf(Data &data, Predicate predicate)
{
    for (auto it = data.begin(); it != data.end();) {
        if (predicate(*it))
            it = data.erase(it);
        else
            ++it;
    }
}

bool hasKey(const Exiv2::ExifData &exif, const char *key)
{
    return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

bool hasKey(const Exiv2::XmpData &xmp, const char *key)
{
    return xmp.findKey(Exiv2::XmpKey(key)) != xmp.end();
}

QString text(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return {};
    // ASCII values may hold several strings, NUL-separated (Copyright: photographer, editor).
    return QString::fromStdString(it->toString()).section(QLatin1Char('\0'), 0, 0).trimmed();
}

QString text(const Exiv2::XmpData &xmp, const char *key)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    if (const auto *alt = dynamic_cast<const Exiv2::LangAltValue *>(&it->value()))
        return QString::fromStdString(alt->toString("x-default")).trimmed();
    QStringList items;
    for (long i = 0; i < it->count(); ++i)
        items << QString::fromStdString(it->toString(i)).trimmed();
    return items.join(QStringLiteral(", "));
}

double rationalValue(const Exiv2::Exifdatum &datum, long n)
{
    const Exiv2::Rational r = datum.toRational(n);
    return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
}

// An EXIF date ("yyyy:MM:dd HH:mm:ss") as a person reads it.
QString readableDate(const QString &exifDate)
{
    const QDateTime parsed
        = QDateTime::fromString(exifDate.left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return parsed.isValid() ? parsed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : exifDate;
}

// Decimal degrees from EXIF's degrees, minutes, seconds and reference letter.
bool exifCoordinate(const Exiv2::ExifData &exif, const char *key, const char *refKey,
                    double *degrees)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1)
        return false;
    double value = 0;
    double scale = 1;
    for (long i = 0; i < std::min(it->count(), 3L); ++i, scale *= 60)
        value += rationalValue(*it, i) / scale;
    const QString ref = text(exif, refKey);
    *degrees
        = ref.startsWith(QLatin1Char('S')) || ref.startsWith(QLatin1Char('W')) ? -value : value;
    return true;
}

// XMP's form: "48,51.4933N" or "48,51,29.6N".
bool xmpCoordinate(const Exiv2::XmpData &xmp, const char *key, double *degrees)
{
    QString value = text(xmp, key);
    if (value.size() < 2)
        return false;
    const QChar ref = value.back().toUpper();
    value.chop(1);
    const QStringList parts = value.split(QLatin1Char(','));
    double result = 0;
    double scale = 1;
    for (const QString &part : parts) {
        bool ok = false;
        result += part.toDouble(&ok) / scale;
        if (!ok)
            return false;
        scale *= 60;
    }
    *degrees = ref == QLatin1Char('S') || ref == QLatin1Char('W') ? -result : result;
    return true;
}

QString orientationMeaning(int orientation)
{
    switch (orientation) {
    case 1:
        return QStringLiteral("upright");
    case 2:
        return QStringLiteral("to be mirrored left to right");
    case 3:
        return QStringLiteral("to be turned 180°");
    case 4:
        return QStringLiteral("to be mirrored top to bottom");
    case 5:
        return QStringLiteral("to be mirrored and turned 90° counter-clockwise");
    case 6:
        return QStringLiteral("to be turned 90° clockwise");
    case 7:
        return QStringLiteral("to be mirrored and turned 90° clockwise");
    case 8:
        return QStringLiteral("to be turned 90° counter-clockwise");
    }
    return {};
}

// The EXIF thumbnail of a picture: upright, sRGB, longest side 160 at most, JPEG.
QByteArray thumbnailOf(const QImage &picture)
{
    if (picture.isNull())
        return {};
    QImage small = picture.width() > 160 || picture.height() > 160
        ? picture.scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : picture;
    if (small.colorSpace().isValid() && small.colorSpace() != QColorSpace(QColorSpace::SRgb))
        small.convertToColorSpace(QColorSpace::SRgb);
    // Over white, without a colour space: a thumbnail carries no alpha and no profile.
    QImage flat(small.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        small.setColorSpace(QColorSpace());
        painter.drawImage(0, 0, small);
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setQuality(75);
    if (!writer.write(flat))
        return {};
    return jpeg;
}

// What Exiv2 read of a whole file (or a file cut down to one part).
struct Reading
{
    bool opened = false;
    QString error; // readMetadata failed: what was read before is still here
    QStringList messages;
    int imageType = 0;
    QSize size;
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    bool xmpPacket = false;
    Exiv2::IptcData iptc;
    std::string comment;
    QByteArray profile;
};

Reading readWhole(const QByteArray &file)
{
    Reading reading;
    Exiv2Listener listener;
    try {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(file.data()),
                                               long(file.size()));
        if (!image.get()) {
            reading.error = QStringLiteral("unknown format");
            return reading;
        }
        reading.opened = true;
        reading.imageType = image->imageType();
        try {
            image->readMetadata();
        } catch (const Exiv2::AnyError &e) {
            reading.error = describe(e);
        } catch (const std::exception &e) {
            reading.error = describe(e);
        }
        reading.size = QSize(image->pixelWidth(), image->pixelHeight());
        reading.exif = image->exifData();
        reading.xmp = image->xmpData();
        reading.xmpPacket = !image->xmpPacket().empty();
        reading.iptc = image->iptcData();
        reading.comment = image->comment();
        const Exiv2::DataBuf *profile = image->iccProfile();
        if (profile && profile->size_ > 0)
            reading.profile = QByteArray(reinterpret_cast<const char *>(profile->pData_),
                                         qsizetype(profile->size_));
    } catch (const Exiv2::AnyError &e) {
        reading.error = describe(e);
    } catch (const std::exception &e) {
        reading.error = describe(e);
    }
    reading.messages = listener.messages;
    return reading;
}

bool holds(const Reading &reading, Part part)
{
    switch (part) {
    case Part::Exif:
        return !reading.exif.empty();
    case Part::Xmp:
        return !reading.xmp.empty();
    case Part::Iptc:
        return !reading.iptc.empty();
    case Part::Comment:
        return !reading.comment.empty();
    case Part::Profile:
        return !reading.profile.isEmpty();
    }
    return false;
}

} // namespace

class PhotoMetadata::Private
{
public:
    Private() = default;
    Private(const Private &other)
        : exif(other.exif)
        , xmp(other.xmp)
        , iptc(other.iptc)
        , comment(other.comment)
        , profile(other.profile)
        , sourceType(other.sourceType)
        , size(other.size)
        , warnings(other.warnings)
        , makerNote(other.makerNote)
        , writeWarnings(other.lastWriteWarnings())
    { }
    Private &operator=(const Private &) = delete;

    void take(const Reading &reading, Part part);
    void noteReadProblems(Part part, const Reading &reading);
    QStringList lastWriteWarnings() const
    {
        std::lock_guard<std::mutex> lock(writeLock);
        return writeWarnings;
    }

    void regenerateThumbnail(const QImage &picture);
    void describeEditedPicture(const Update &update);
    void mergeExtendedXmp(const QByteArray &jpeg);
    bool holdsPart(Part part) const;
    QStringList prepareFor(Format format, Exiv2::Image *image, const QVector<Part> &leftOut,
                           QVector<QByteArray> *xmpExtension) const;
    QString writeParts(Format format, const QByteArray &input, const QVector<Part> &leftOut,
                       QByteArray *output, QStringList *lost) const;

    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    std::string comment;
    QByteArray profile;
    int sourceType = 0; // Exiv2::ImageType of the file read
    QSize size; // the picture's, as read or as updated
    QStringList warnings; // read() and update()
    MakerNote makerNote; // as the file read held it

    // writeInto() is const but says what a format could not take; several threads may
    // write one object into files at once.
    mutable std::mutex writeLock;
    mutable QStringList writeWarnings;
};

void PhotoMetadata::Private::take(const Reading &reading, Part part)
{
    switch (part) {
    case Part::Exif:
        exif = reading.exif;
        break;
    case Part::Xmp:
        xmp = reading.xmp;
        break;
    case Part::Iptc:
        iptc = reading.iptc;
        break;
    case Part::Comment:
        comment = reading.comment;
        break;
    case Part::Profile:
        profile = reading.profile;
        break;
    }
}

void PhotoMetadata::Private::noteReadProblems(Part part, const Reading &reading)
{
    QStringList said = reading.messages;
    if (!reading.error.isEmpty())
        said.prepend(reading.error);
    if (part == Part::Xmp && reading.xmpPacket && reading.xmp.empty()) {
        warnings << partName(part) + QStringLiteral(" could not be parsed and is left out")
                + detail(said);
        return;
    }
    if (said.isEmpty())
        return;
    if (holds(reading, part))
        warnings
            << QStringLiteral("part of %1 could not be read and is left out").arg(partName(part))
                + detail(said);
    else
        warnings << partName(part) + QStringLiteral(" could not be parsed and is left out")
                + detail(said);
}

PhotoMetadata::PhotoMetadata()
    : d(std::make_unique<Private>())
{ }

PhotoMetadata::PhotoMetadata(const PhotoMetadata &other)
    : d(std::make_unique<Private>(*other.d))
{ }

PhotoMetadata &PhotoMetadata::operator=(const PhotoMetadata &other)
{
    if (this != &other)
        d = std::make_unique<Private>(*other.d);
    return *this;
}

PhotoMetadata::~PhotoMetadata() = default;

PhotoMetadata PhotoMetadata::read(const QByteArray &file)
{
    setUpExiv2();
    PhotoMetadata metadata;
    Private &d = *metadata.d;
    if (file.isEmpty()) {
        d.warnings << QStringLiteral("the file is empty; it holds no metadata");
        return metadata;
    }
    const Format format = formatOf(file);
    const Reading whole = readWhole(file);
    if (!whole.opened) {
        d.warnings << QStringLiteral("the file is of no format Exiv2 reads; no metadata is read")
                + detail({ whole.error });
        return metadata;
    }
    d.sourceType = whole.imageType;
    d.size = whole.size;

    const Layout layout = layoutOf(file, format);
    const bool clean = whole.error.isEmpty() && whole.messages.isEmpty()
        && !(whole.xmpPacket && whole.xmp.empty());
    if (clean || layout.pieces.isEmpty()) {
        // One directory tree (TIFF) or nothing to complain of: what Exiv2 read is all
        // there is.
        for (const Part part : allParts)
            d.take(whole, part);
        if (!clean) {
            if (whole.xmpPacket && whole.xmp.empty())
                d.noteReadProblems(Part::Xmp, whole);
            else if (!whole.error.isEmpty())
                d.warnings << QStringLiteral("the metadata is damaged; what came before the damage "
                                             "is kept")
                        + detail(QStringList(whole.error) + whole.messages);
            else
                d.warnings << QStringLiteral(
                                  "part of the metadata could not be read and is left out")
                        + detail(whole.messages);
        }
    } else {
        // Each part read alone, so that a damaged one neither hides the others (Exiv2
        // stops at the first it cannot parse) nor is mistaken for them.
        bool explained = false;
        for (const Part part : allParts) {
            if (std::none_of(layout.pieces.begin(), layout.pieces.end(),
                             [part](const Piece &piece) { return piece.part == part; }))
                continue;
            const Reading alone = readWhole(without(
                file, format, [part](Part other) { return other != part; }, Damage::Cut));
            d.take(alone, part);
            const qsizetype before = d.warnings.size();
            d.noteReadProblems(part, alone);
            explained = explained || d.warnings.size() > before;
            if (d.size.isEmpty())
                d.size = alone.size;
        }
        if (!layout.sound)
            d.warnings << QStringLiteral(
                              "the file is damaged or cut short at byte %1; any metadata "
                              "after it is left out")
                              .arg(layout.end);
        else if (!explained && !whole.error.isEmpty())
            d.warnings << QStringLiteral("the file is damaged after its metadata")
                    + detail({ whole.error });
    }

    // Parts of other parts: in a TIFF the profile, the XMP packet and the IPTC block
    // are IFD0 tags, which this object keeps apart.
    if (isTiffStructured(d.sourceType)) {
        const auto it = d.exif.findKey(Exiv2::ExifKey("Exif.Image.InterColorProfile"));
        if (it != d.exif.end() && d.profile.isEmpty()) {
            QByteArray data(qsizetype(it->size()), '\0');
            it->copy(reinterpret_cast<Exiv2::byte *>(data.data()), Exiv2::bigEndian);
            d.profile = data;
        }
        eraseIf(d.exif, [](const Exiv2::Exifdatum &datum) {
            return datum.groupName() == "Image" && datum.tag() == interColorProfileTag;
        });
    }
    eraseIf(d.exif, isContainerTag);
    if (format == Format::Jpeg)
        d.mergeExtendedXmp(file);
    d.makerNote = MakerNote::read(file, d.exif);
    return metadata;
}

void PhotoMetadata::Private::mergeExtendedXmp(const QByteArray &jpeg)
{
    if (xmp.empty())
        return;
    Exiv2Listener listener;
    try {
        const QString warning = ExtendedXmp::mergeInto(JpegSegments(jpeg), &xmp);
        if (!warning.isEmpty())
            warnings << warning + detail(listener.messages);
    } catch (const Exiv2::AnyError &e) {
        warnings << QStringLiteral("the extended XMP is left out") + detail({ describe(e) });
    } catch (const std::exception &e) {
        warnings << QStringLiteral("the extended XMP is left out") + detail({ describe(e) });
    }
}

bool PhotoMetadata::Private::holdsPart(Part part) const
{
    switch (part) {
    case Part::Exif:
        return !exif.empty();
    case Part::Xmp:
        return !xmp.empty();
    case Part::Iptc:
        return !iptc.empty();
    case Part::Comment:
        return !comment.empty();
    case Part::Profile:
        return !profile.isEmpty();
    }
    return false;
}

QStringList PhotoMetadata::warnings() const
{
    return d->warnings + d->lastWriteWarnings();
}

bool PhotoMetadata::isEmpty() const
{
    return d->exif.empty() && d->xmp.empty() && d->iptc.empty() && d->comment.empty()
        && d->profile.isEmpty();
}

int PhotoMetadata::orientation() const
{
    setUpExiv2();
    try {
        const auto exif = d->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (exif != d->exif.end() && exif->count() > 0) {
            const long value = exif->toLong();
            if (value >= 1 && value <= 8)
                return int(value);
        }
        const auto xmp = d->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
        if (xmp != d->xmp.end() && xmp->count() > 0) {
            const long value = xmp->toLong();
            if (value >= 1 && value <= 8)
                return int(value);
        }
    } catch (const Exiv2::AnyError &) {
    } catch (const std::exception &) { }
    return 1;
}

QByteArray PhotoMetadata::iccProfile() const
{
    return d->profile;
}

void PhotoMetadata::setIccProfile(const QByteArray &profile)
{
    d->profile = profile;
}

QStringList PhotoMetadata::summary() const
{
    setUpExiv2();
    QStringList lines;
    const auto add = [&lines](const char *key, const QString &value) {
        if (!value.isEmpty())
            lines << QLatin1String(key) + QLatin1String(": ") + value;
    };
    const Exiv2::ExifData &exif = d->exif;
    const Exiv2::XmpData &xmp = d->xmp;
    try {
        const QString make = text(exif, "Exif.Image.Make");
        const QString model = text(exif, "Exif.Image.Model");
        // "Canon" and "Canon EOS 5D": the model says it all.
        add("Camera",
            model.startsWith(make, Qt::CaseInsensitive)
                ? model
                : (make + QLatin1Char(' ') + model).trimmed());

        QString lens = text(exif, "Exif.Photo.LensModel");
        if (lens.isEmpty())
            lens = text(xmp, "Xmp.aux.Lens");
        if (lens.isEmpty())
            lens = text(xmp, "Xmp.exifEX.LensModel");
        add("Lens", lens);

        QString taken = text(exif, "Exif.Photo.DateTimeOriginal");
        taken = taken.isEmpty() ? text(xmp, "Xmp.exif.DateTimeOriginal") : readableDate(taken);
        if (taken.isEmpty())
            taken = text(xmp, "Xmp.photoshop.DateCreated");
        add("Taken", taken);

        QStringList exposure;
        const auto time = exif.findKey(Exiv2::ExifKey("Exif.Photo.ExposureTime"));
        if (time != exif.end() && rationalValue(*time, 0) > 0) {
            const double seconds = rationalValue(*time, 0);
            exposure << (seconds < 1 ? QStringLiteral("1/%1 s").arg(qRound(1 / seconds))
                                     : QStringLiteral("%1 s").arg(seconds));
        }
        const auto fNumber = exif.findKey(Exiv2::ExifKey("Exif.Photo.FNumber"));
        if (fNumber != exif.end() && rationalValue(*fNumber, 0) > 0)
            exposure << QStringLiteral("f/%1").arg(rationalValue(*fNumber, 0), 0, 'g', 3);
        const auto iso = exif.findKey(Exiv2::ExifKey("Exif.Photo.ISOSpeedRatings"));
        if (iso != exif.end() && iso->toLong() > 0)
            exposure << QStringLiteral("ISO %1").arg(iso->toLong());
        const auto focal = exif.findKey(Exiv2::ExifKey("Exif.Photo.FocalLength"));
        if (focal != exif.end() && rationalValue(*focal, 0) > 0)
            exposure << QStringLiteral("%1 mm").arg(rationalValue(*focal, 0), 0, 'g', 4);
        add("Exposure", exposure.join(QStringLiteral(", ")));

        double latitude = 0;
        double longitude = 0;
        if ((exifCoordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef",
                            &latitude)
             && exifCoordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef",
                               &longitude))
            || (xmpCoordinate(xmp, "Xmp.exif.GPSLatitude", &latitude)
                && xmpCoordinate(xmp, "Xmp.exif.GPSLongitude", &longitude)))
            add("GPS", QStringLiteral("%1, %2").arg(latitude, 0, 'f', 6).arg(longitude, 0, 'f', 6));

        if (hasKey(exif, "Exif.Image.Orientation") || hasKey(xmp, "Xmp.tiff.Orientation"))
            add("Orientation",
                QStringLiteral("%1, %2").arg(orientation()).arg(orientationMeaning(orientation())));

        QSize size = d->size;
        if (size.isEmpty()) {
            const auto x = exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension"));
            const auto y = exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension"));
            if (x != exif.end() && y != exif.end())
                size = QSize(int(x->toLong()), int(y->toLong()));
        }
        if (!size.isEmpty())
            add("Size", QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));

        QString artist = text(exif, "Exif.Image.Artist");
        if (artist.isEmpty())
            artist = text(xmp, "Xmp.dc.creator");
        add("Artist", artist);
        QString copyright = text(exif, "Exif.Image.Copyright");
        if (copyright.isEmpty())
            copyright = text(xmp, "Xmp.dc.rights");
        add("Copyright", copyright);

        QString rating = text(xmp, "Xmp.xmp.Rating");
        if (rating.isEmpty())
            rating = text(exif, "Exif.Image.Rating");
        add("Rating", rating);

        QStringList keywords;
        const auto subject = xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"));
        if (subject != xmp.end())
            for (long i = 0; i < subject->count(); ++i)
                keywords << QString::fromStdString(subject->toString(i)).trimmed();
        for (const Exiv2::Iptcdatum &datum : d->iptc)
            if (datum.key() == "Iptc.Application2.Keywords")
                keywords << QString::fromStdString(datum.toString()).trimmed();
        keywords.removeAll(QString());
        keywords.removeDuplicates();
        add("Keywords", keywords.join(QStringLiteral(", ")));

        QString software = text(exif, "Exif.Image.Software");
        if (software.isEmpty())
            software = text(xmp, "Xmp.xmp.CreatorTool");
        add("Software", software);
        QString modified = readableDate(text(exif, "Exif.Image.DateTime"));
        if (modified.isEmpty())
            modified = text(xmp, "Xmp.xmp.ModifyDate");
        add("Modified", modified);
    } catch (const Exiv2::AnyError &) {
    } catch (const std::exception &) { }

    if (!d->profile.isEmpty()) {
        const QString description = profileDescription(d->profile);
        add("Colour profile",
            description.isEmpty() ? QStringLiteral("%1 bytes").arg(d->profile.size())
                                  : description);
    }
    return lines;
}

void PhotoMetadata::Private::regenerateThumbnail(const QImage &picture)
{
    const bool had = std::any_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum &datum) {
        return datum.groupName() == "Thumbnail";
    });
    if (!had)
        return;
    Exiv2::ExifThumb thumbnail(exif);
    thumbnail.erase(); // its old tags too: size, orientation, strips of a TIFF thumbnail
    const QByteArray jpeg = thumbnailOf(picture);
    if (jpeg.isEmpty()) {
        warnings << QStringLiteral("the EXIF thumbnail could not be made from the edited picture "
                                   "and is removed");
        return;
    }
    thumbnail.setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                               long(jpeg.size()), Exiv2::URational(72, 1), Exiv2::URational(72, 1),
                               2 /* inches */);
}

void PhotoMetadata::Private::describeEditedPicture(const Update &update)
{
    const QSize pictureSize = update.size.isValid() ? update.size : update.picture.size();
    const bool hasPicture = !update.picture.isNull();

    // What belongs to the file read, not to this picture.
    eraseIf(exif, [](const Exiv2::Exifdatum &datum) {
        return isSubImageGroup(datum.groupName()) || isRelatedImageSize(datum)
            || (datum.groupName() == "Image" && datum.tag() == interColorProfileTag)
            || (isLayoutTag(datum) && !isSize(datum.tag()));
    });
    eraseIf(xmp, [](const Exiv2::Xmpdatum &datum) {
        // Adobe's digests of the EXIF values: stale now, they would hide the changes.
        static const char *const stale[] = { "Xmp.tiff.NativeDigest",
                                             "Xmp.exif.NativeDigest",
                                             "Xmp.tiff.BitsPerSample",
                                             "Xmp.tiff.Compression",
                                             "Xmp.tiff.PhotometricInterpretation",
                                             "Xmp.tiff.SamplesPerPixel",
                                             "Xmp.tiff.PlanarConfiguration" };
        return std::find(std::begin(stale), std::end(stale), datum.key()) != std::end(stale);
    });

    // Software and DateTime say who made this file and when, even of a file that had no
    // EXIF; an EXIF block then describes the picture as it now is.
    if (!update.software.isEmpty())
        exif["Exif.Image.Software"] = update.software.toStdString();
    if (update.modified.isValid()) {
        // Cameras write local time without a zone; OffsetTime, where a camera wrote one,
        // and XMP say the zone.
        const QDateTime local = update.modified.toLocalTime();
        exif["Exif.Image.DateTime"]
            = local.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString();
        eraseIf(exif, [](const Exiv2::Exifdatum &datum) {
            return datum.key() == "Exif.Photo.SubSecTime"; // of the old DateTime
        });
        const int offset = local.offsetFromUtc();
        const QString zone = QStringLiteral("%1%2:%3")
                                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                                 .arg(qAbs(offset) / 3600, 2, 10, QLatin1Char('0'))
                                 .arg(qAbs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
        if (hasKey(exif, "Exif.Photo.OffsetTime"))
            exif["Exif.Photo.OffsetTime"] = zone.toStdString();
        if (!xmp.empty()) {
            const std::string stamp
                = local.toOffsetFromUtc(offset).toString(Qt::ISODate).toStdString();
            xmp["Xmp.xmp.ModifyDate"] = stamp;
            xmp["Xmp.xmp.MetadataDate"] = stamp;
        }
    }

    if (!exif.empty()) {
        exif["Exif.Image.Orientation"] = uint16_t(1);
        if (hasPicture) {
            exif["Exif.Photo.PixelXDimension"] = uint32_t(pictureSize.width());
            exif["Exif.Photo.PixelYDimension"] = uint32_t(pictureSize.height());
            if (hasKey(exif, "Exif.Image.ImageWidth"))
                exif["Exif.Image.ImageWidth"] = uint32_t(pictureSize.width());
            if (hasKey(exif, "Exif.Image.ImageLength"))
                exif["Exif.Image.ImageLength"] = uint32_t(pictureSize.height());
        }
        regenerateThumbnail(update.picture);
    }

    if (hasKey(xmp, "Xmp.tiff.Orientation"))
        xmp["Xmp.tiff.Orientation"] = std::string("1");
    if (hasPicture) {
        const std::pair<const char *, int> sizes[] = {
            { "Xmp.exif.PixelXDimension", pictureSize.width() },
            { "Xmp.exif.PixelYDimension", pictureSize.height() },
            { "Xmp.tiff.ImageWidth", pictureSize.width() },
            { "Xmp.tiff.ImageLength", pictureSize.height() },
        };
        for (const auto &[key, value] : sizes)
            if (hasKey(xmp, key))
                xmp[key] = std::to_string(value);
        size = pictureSize;
    }
}

void PhotoMetadata::update(const Update &update)
{
    setUpExiv2();
    if (update.strip) {
        d->exif.clear();
        d->xmp.clear();
        d->iptc.clear();
        d->comment.clear();
        if (!update.picture.isNull())
            d->size = update.size.isValid() ? update.size : update.picture.size();
        return;
    }
    Exiv2Listener listener;
    try {
        if (update.stripLocation) {
            eraseIf(d->exif, [](const Exiv2::Exifdatum &datum) {
                return datum.groupName() == "GPSInfo" || datum.key() == "Exif.Image.GPSTag";
            });
            eraseIf(d->xmp, [](const Exiv2::Xmpdatum &datum) {
                const std::string key = datum.key();
                return key.compare(0, 12, "Xmp.exif.GPS") == 0
                    || key.compare(0, 14, "Xmp.exifEX.GPS") == 0;
            });
        }
        d->describeEditedPicture(update);
    } catch (const Exiv2::AnyError &e) {
        d->warnings << QStringLiteral("the metadata could not all be made to fit the edit")
                + detail({ describe(e) });
    } catch (const std::exception &e) {
        d->warnings << QStringLiteral("the metadata could not all be made to fit the edit")
                + detail({ describe(e) });
    }
    for (const QString &message : listener.messages)
        d->warnings << QStringLiteral("Exiv2: ") + message;
}

// Sets the parts `format` holds into `image`, but those left out; says what it cannot
// hold. An XMP packet too large for one JPEG segment is split: the segments of its
// extension, which Exiv2 cannot write, go to *xmpExtension.
QStringList PhotoMetadata::Private::prepareFor(Format format, Exiv2::Image *image,
                                               const QVector<Part> &leftOut,
                                               QVector<QByteArray> *xmpExtension) const
{
    QStringList lost;
    const auto kept = [&leftOut](Part part) { return !leftOut.contains(part); };
    const QString into
        = QStringLiteral(" cannot be stored in a %1 file and is left out").arg(formatName(format));
    Exiv2::ExifData out = kept(Part::Exif) ? exif : Exiv2::ExifData();
    eraseIf(out, [format](const Exiv2::Exifdatum &datum) {
        if (datum.groupName() == "Image" && datum.tag() == interColorProfileTag)
            return format == Format::Tiff; // there it is the profile, set below
        // A TIFF's layout is its encoder's; anywhere else it means nothing.
        return isContainerTag(datum)
            || (isLayoutTag(datum) && (format == Format::Tiff || !isSize(datum.tag())));
    });
    if (format == Format::Tiff) {
        // IFD1 of a TIFF is read as its second page.
        const auto thumbnail
            = [](const Exiv2::Exifdatum &datum) { return datum.groupName() == "Thumbnail"; };
        if (std::any_of(out.begin(), out.end(), thumbnail)) {
            eraseIf(out, thumbnail);
            lost << QStringLiteral("the EXIF thumbnail") + into;
        }
    }
    const QString makerNoteLeftOut = makerNote.carry(&out, format != Format::Tiff);
    if (!makerNoteLeftOut.isEmpty())
        lost << makerNoteLeftOut;
    image->setExifData(out);
    const Exiv2::XmpData noXmp;
    const ExtendedXmp::Split split = format == Format::Jpeg && kept(Part::Xmp) && !xmp.empty()
        ? ExtendedXmp::split(xmp)
        : ExtendedXmp::Split();
    if (!split.extension.isEmpty()) {
        image->setXmpPacket(split.main);
        image->writeXmpFromPacket(true);
        *xmpExtension = split.extension;
    } else {
        image->setXmpData(kept(Part::Xmp) ? xmp : noXmp);
        image->writeXmpFromPacket(false);
    }
    if (format == Format::WebP) {
        if (!iptc.empty())
            lost << QStringLiteral("the IPTC block") + into;
    } else {
        image->setIptcData(kept(Part::Iptc) ? iptc : Exiv2::IptcData());
    }
    if (format == Format::Tiff || format == Format::WebP) {
        if (!comment.empty())
            lost << QStringLiteral("the comment") + into;
    } else {
        image->setComment(kept(Part::Comment) ? comment : std::string());
    }
    if ((format == Format::Jpeg || format == Format::Tiff) && !profile.isEmpty()
        && kept(Part::Profile)) {
        Exiv2::DataBuf buffer(reinterpret_cast<const Exiv2::byte *>(profile.constData()),
                              long(profile.size()));
        image->setIccProfile(buffer, false);
    } else {
        image->clearIccProfile(); // none, or put in afterwards
    }
    return lost;
}

// One try of Exiv2 at writing all parts but those left out into `input`: empty, with
// *output set, on success; else why it failed.
QString PhotoMetadata::Private::writeParts(Format format, const QByteArray &input,
                                           const QVector<Part> &leftOut, QByteArray *output,
                                           QStringList *lost) const
{
    QVector<QByteArray> xmpExtension;
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(input.constData()), long(input.size()));
        if (!image.get())
            return QStringLiteral("Exiv2 cannot open the %1 file").arg(formatName(format));
        image->readMetadata(); // the encoder's structure, which a TIFF keeps
        *lost = prepareFor(format, image.get(), leftOut, &xmpExtension);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        if (io.open() != 0)
            return QStringLiteral("Exiv2's written file cannot be read back");
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf written = io.read(long(io.size()));
        io.close();
        *output
            = QByteArray(reinterpret_cast<const char *>(written.pData_), qsizetype(written.size_));
    } catch (const Exiv2::AnyError &e) {
        return describe(e);
    } catch (const std::exception &e) {
        return describe(e);
    }
    if (xmpExtension.isEmpty())
        return {};
    // The extension follows its main packet, as readers look for it there.
    JpegSegments segments(*output);
    for (int i = 0; i < segments.count(); ++i) {
        if (segments.marker(i) != 0xe1
            || !segments.payload(i).startsWith(ExtendedXmp::mainSignature()))
            continue;
        for (const QByteArray &payload : xmpExtension)
            segments.insert(++i, 0xe1, payload);
        *output = segments.bytes();
        return {};
    }
    return QStringLiteral("the XMP packet is missing from the file Exiv2 wrote");
}

bool PhotoMetadata::writeInto(QByteArray *file, QString *error) const
{
    setUpExiv2();
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!file)
        return fail(QStringLiteral("no file to write into"));
    const Format format = formatOf(*file);
    if (format == Format::Unknown)
        return fail(QStringLiteral("the file is no JPEG, PNG, TIFF or WebP picture; its metadata "
                                   "cannot be written"));

    // The encoder's own metadata goes first, so that only this object's is left: Exiv2
    // keeps a JPEG's extra comments and a PNG's eXIf chunk.
    QByteArray input = *file;
    if (format != Format::Tiff)
        input = without(input, format, [](Part) { return true; });
    if (format == Format::WebP && input.mid(12, 4) == "VP8X" && input.size() >= 30)
        input[20] = char(input[20] & ~(webpProfileFlag | webpExifFlag | webpXmpFlag));

    Exiv2Listener listener;
    QStringList lost;
    QByteArray output;
    QString why = d->writeParts(format, input, {}, &output, &lost);
    if (!why.isEmpty()) {
        // Exiv2 throws on the whole write for one part it cannot write (a segment too
        // large, say): each part is tried alone, and those that fail alone are left out.
        QVector<Part> leftOut;
        QStringList partLost;
        for (const Part part : allParts) {
            if (!d->holdsPart(part))
                continue;
            QVector<Part> others;
            std::copy_if(std::begin(allParts), std::end(allParts), std::back_inserter(others),
                         [part](Part other) { return other != part; });
            QByteArray alone;
            const QString failed = d->writeParts(format, input, others, &alone, &partLost);
            if (!failed.isEmpty()) {
                leftOut << part;
                lost << QStringLiteral("%1 cannot be written into a %2 file and is left out")
                            .arg(partName(part), formatName(format))
                        + detail({ failed });
            }
        }
        why = leftOut.isEmpty() ? why : d->writeParts(format, input, leftOut, &output, &partLost);
        if (!why.isEmpty())
            return fail(QStringLiteral("Exiv2 cannot write the metadata into the %1 file: %2")
                            .arg(formatName(format), why));
        lost += partLost;
    }

    if (format == Format::Png)
        output = withPngProfile(output, d->profile);
    else if (format == Format::WebP)
        output = withWebpProfile(output, d->profile);
    if (output.isEmpty() || formatOf(output) != format)
        return fail(
            QStringLiteral("the %1 file came out of Exiv2 damaged").arg(formatName(format)));

    for (const QString &message : listener.messages)
        lost << QStringLiteral("Exiv2: ") + message;
    {
        std::lock_guard<std::mutex> lock(d->writeLock);
        d->writeWarnings = lost;
    }
    *file = output;
    return true;
}

const Exiv2::XmpData &PhotoMetadata::xmpData() const
{
    return d->xmp;
}

Exiv2::XmpData &PhotoMetadata::xmpData()
{
    return d->xmp;
}
