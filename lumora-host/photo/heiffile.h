// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef HEIFFILE_H
#define HEIFFILE_H

#include "photometadata.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// HEIF files through libheif: HEIC (HEVC) and AVIF (AV1), read and written whole.
// Every rule of the format stands here: which brands are read, what a file may hold
// besides its primary picture, how its colour description and metadata items map to
// what the other formats hold. Internal to lumoraphoto; nothing here throws.
namespace HeifFile {

// "heic" or "avif" for a file whose 'ftyp' box names a HEIF still-picture brand (the
// primary picture's codec decides); empty for any other file.
QByteArray formatOf(const QByteArray &file);
// Whether `format` (as formatOf() or PictureFile::formatForFileName() names it) is one
// of these.
bool isHeif(const QByteArray &format);

// What open() learns of the file before decoding: the primary picture's size as shown,
// and whether it can be edited at all. False with *reason set ("it holds 3 pictures; ...")
// for a file that is damaged, a sequence or holds several top-level pictures.
bool readHeader(const QByteArray &file, QSize *size, QString *reason);

// A file read whole. The picture is as the file's transform properties (irot, imir,
// clap) show it, as heif-convert and exiftool show it, so that the EXIF orientation,
// which HEIF readers ignore, is not applied again.
struct Reading
{
    QImage picture; // RGB32 or ARGB32 for 8 bits, RGBX64 or RGBA64 for deeper pictures
    int bitDepth = 8; // of the stored luma
    PhotoMetadata metadata; // the EXIF and XMP items, the profile (as iccProfile())
    // The colour description was nclx without an ICC profile: its code points, kept to be
    // written again into a HEIF; the profile is the ICC equivalent where there is one.
    bool nclx = false;
    int primaries = 2, transfer = 2;
    bool thumbnail = false; // the file held a thumbnail picture, made anew on writing
    // What a write cannot carry ("a depth map", ...), one each; a save is refused with it.
    QStringList uncarried;
    QStringList warnings;
};
// False with *reason set when the file cannot be decoded; refusals as readHeader().
bool read(const QByteArray &file, Reading *out, QString *reason);

// What a write puts in the file beside the pixels.
struct Writing
{
    QByteArray format; // "heic" or "avif"
    int quality = 0; // 1..100; 0: DefaultQuality
    QByteArray exif; // a TIFF tree (as PhotoMetadata writes it), or empty
    QByteArray xmp; // an XMP packet, or empty
    QByteArray iccProfile; // empty: none, or the nclx below
    // Write these code points where no profile is given; the YCbCr matrix and range
    // are libheif's own.
    bool nclx = false;
    int primaries = 2, transfer = 2;
    // Add a thumbnail picture: longest side ThumbnailSide, or half the picture's where
    // that is smaller.
    bool thumbnail = false;
};
// Quality when the source's cannot be told: HEIF records none. Above libheif's default
// (50), which shows its loss on a photo, near a camera JPEG's.
constexpr int DefaultQuality = 90;
constexpr int ThumbnailSide = 320;

// Bits per channel a picture is written at: 8, or 10 for a deep (16-bit) picture in a
// HEIC. An AVIF is written at 8: libheif 1.15 with Debian 12's aom 3.6 aborts the process
// encoding AV1 at 10 bits.
int writtenDepth(const QByteArray &format, bool deep);

// The picture encoded at writtenDepth(); alpha kept. Empty with *reason set where the
// encoder is missing or fails.
QByteArray write(const QImage &picture, const Writing &writing, QString *reason);

// The metadata items of an edited picture: PhotoMetadata's EXIF and XMP as it would write
// them into a JPEG (every rule of what is kept, reset or dropped applied there), the
// profile left to the caller. What a HEIF cannot hold (IPTC, a comment) and what the
// write could not store are said in *notes.
void metadataItems(const PhotoMetadata &metadata, QByteArray *exif, QByteArray *xmp,
                   QStringList *notes);
// The metadata of a file's EXIF item (a TIFF tree, after its 4-byte offset) and XMP item,
// read as PhotoMetadata reads a JPEG's, with `size` the picture's. An item too large to
// be read is left out and said in *warnings.
PhotoMetadata metadataOf(const QByteArray &exif, const QByteArray &xmp, QSize size,
                         QStringList *warnings);

} // namespace HeifFile

#endif // HEIFFILE_H
