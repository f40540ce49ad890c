// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef METADATACONTAINER_H
#define METADATACONTAINER_H

#include <QByteArray>
#include <QString>
#include <QVector>

// The bytes of the picture formats whose metadata is written (JPEG, PNG, TIFF, WebP):
// where each part of the metadata lies, and the little Exiv2 0.27 gets wrong (several
// comments in a JPEG, PNG and WebP colour profiles), done on the bytes. Internal to
// lumoraphoto. Nothing here throws nor reads past a buffer: a damaged file ends a walk.
namespace MetadataContainer {

enum class Format { Unknown, Jpeg, Png, Tiff, WebP };

// The format by its signature; Unknown for any other or a file too short.
Format formatOf(const QByteArray &file);
QString formatName(Format format); // "JPEG", ...; "unknown"

enum class Part { Exif, Xmp, Iptc, Comment, Profile };
constexpr Part allParts[] = { Part::Exif, Part::Xmp, Part::Iptc, Part::Comment, Part::Profile };

QString partName(Part part); // "the EXIF block", ... as a warning names it

// A byte range of a file, [begin, end), that holds one part of its metadata.
struct Piece
{
    qsizetype begin;
    qsizetype end;
    Part part;
};

// Where a file's metadata lies, as far as its structure is sound.
struct Layout
{
    QVector<Piece> pieces;
    qsizetype end = 0; // the first byte a damaged or cut-short file gets wrong
    bool sound = false; // the walk reached the structure's end: `end` is the file's size
};

// A JPEG's segments before the scan, a PNG's chunks up to IEND, a WebP's RIFF chunks, in
// file order. A TIFF (one directory tree) or an unknown format: no pieces, sound.
Layout layoutOf(const QByteArray &file, Format format);

// Sets a WebP's RIFF size to its length; `webp` must hold at least 8 bytes.
void fixRiffSize(QByteArray *webp);

enum class Damage { Keep, Cut };

// The file without the pieces `drop(part)` selects. Damage::Keep keeps all else as it
// is. Damage::Cut keeps of a damaged file only what comes before the damage, closed as
// its format wants (EOI, IEND), so that Exiv2 reads on to the end. A WebP's RIFF size
// is made right.
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

// The PNG with exactly `profile` as its colour profile (none when empty): any iCCP or
// sRGB chunk removed, a new iCCP chunk right after IHDR, named after the profile's
// description. A file too short to hold IHDR comes back without a profile.
QByteArray withPngProfile(const QByteArray &png, const QByteArray &profile);

// The WebP with exactly `profile` as its colour profile (none when empty): an ICCP chunk
// right after VP8X and VP8X's flag set; a simple (VP8 or VP8L) file is given a VP8X
// header first. Empty when the file's header cannot be read.
QByteArray withWebpProfile(const QByteArray &webp, const QByteArray &profile);

// The VP8X flags (byte 20 of an extended WebP) telling of a profile, EXIF and XMP.
constexpr char webpProfileFlag = 0x20;
constexpr char webpExifFlag = 0x08;
constexpr char webpXmpFlag = 0x04;

// The bytes of `data` from `at`; the caller checks the size first.
const uchar *bytes(const QByteArray &data, qsizetype at);
// Whether data[at, end) starts with the `length` bytes of `prefix`.
bool startsWithAt(const QByteArray &data, qsizetype at, qsizetype end, const char *prefix,
                  qsizetype length);

} // namespace MetadataContainer

#endif // METADATACONTAINER_H
