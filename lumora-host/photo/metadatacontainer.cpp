// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "metadatacontainer.h"

#include "colourprofile.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace MetadataContainer {

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

namespace {

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
} // namespace

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

namespace {

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

// A PNG profile's name: 1 to 79 printable Latin-1 characters.
QByteArray pngProfileName(const QByteArray &profile)
{
    QByteArray name;
    for (const QChar c : ColourProfile::description(profile).simplified()) {
        const ushort u = c.unicode();
        if ((u >= 0x20 && u < 0x7f) || (u >= 0xa1 && u <= 0xff))
            name.append(char(u));
    }
    name = name.trimmed().left(79).trimmed();
    return name.isEmpty() ? QByteArrayLiteral("ICC profile") : name;
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

} // namespace

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

} // namespace MetadataContainer
