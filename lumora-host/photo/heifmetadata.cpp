// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "heiffile.h"

#include "extendedxmp.h"
#include "jpegcodec.h"
#include "jpegsegments.h"

// A HEIF's metadata items hold what a JPEG's segments hold: the EXIF item a TIFF tree
// (APP1 "Exif"), the XMP item a packet (APP1 XMP). They pass through a small JPEG
// carrier, so that PhotoMetadata reads them, and applies every rule of what an edit
// keeps, resets or drops, exactly as for a JPEG; Exiv2 0.27 writes no HEIF itself.

namespace {

const QByteArray exifSignature = QByteArrayLiteral("Exif\0\0");

// A JPEG of a few pixels whose frame header states `size`: Exiv2 reports it as the
// picture's size. Larger sides than a JPEG states are left at the carrier's own.
QByteArray carrier(QSize size)
{
    QImage pixels(8, 8, QImage::Format_RGB32);
    pixels.fill(Qt::gray);
    QString ignored;
    const QByteArray jpeg = JpegCodec::encode(pixels, 75, JpegCodec::Sampling::S444, &ignored);
    if (!size.isValid() || size.width() > 0xffff || size.height() > 0xffff)
        return jpeg;
    JpegSegments segments(jpeg);
    for (int i = 0; i < segments.count(); ++i) {
        if (segments.marker(i) != 0xc0)
            continue;
        QByteArray frame = segments.payload(i);
        frame[1] = char(size.height() >> 8);
        frame[2] = char(size.height() & 0xff);
        frame[3] = char(size.width() >> 8);
        frame[4] = char(size.width() & 0xff);
        segments.removeIf([](uchar marker, const QByteArray &) { return marker == 0xc0; });
        segments.insert(i, 0xc0, frame);
        return segments.bytes();
    }
    return jpeg;
}

} // namespace

namespace HeifFile {

PhotoMetadata metadataOf(const QByteArray &exif, const QByteArray &xmp, QSize size,
                         QStringList *warnings)
{
    JpegSegments segments(carrier(size));
    // After JFIF's APP0, where readers look for them.
    int at = segments.count() > 0 && segments.marker(0) == 0xe0 ? 1 : 0;
    if (!exif.isEmpty() && !segments.insert(at++, 0xe1, exifSignature + exif))
        *warnings << QStringLiteral(
                         "the EXIF item of %1 bytes is too large to be read and is left out")
                         .arg(exif.size());
    if (!xmp.isEmpty() && !segments.insert(at++, 0xe1, ExtendedXmp::mainSignature() + xmp))
        *warnings << QStringLiteral(
                         "the XMP item of %1 bytes is too large to be read and is left out")
                         .arg(xmp.size());
    return PhotoMetadata::read(segments.bytes());
}

void metadataItems(const PhotoMetadata &metadata, QByteArray *exif, QByteArray *xmp,
                   QStringList *notes)
{
    PhotoMetadata written = metadata;
    written.setIccProfile(QByteArray()); // a property of the picture, set by the encoder
    QByteArray jpeg = carrier(QSize());
    const QStringList known = written.warnings();
    QString error;
    if (!written.writeInto(&jpeg, &error)) {
        notes->append(QStringLiteral("the metadata could not be written: %1").arg(error));
        return;
    }
    for (const QString &line : written.warnings()) {
        if (!known.contains(line))
            notes->append(line);
    }
    const JpegSegments segments(jpeg);
    bool extended = false;
    for (int i = 0; i < segments.count(); ++i) {
        const QByteArray payload = segments.payload(i);
        const uchar marker = segments.marker(i);
        if (marker == 0xe1 && payload.startsWith(exifSignature))
            *exif = payload.mid(exifSignature.size());
        else if (marker == 0xe1 && payload.startsWith(ExtendedXmp::mainSignature()))
            *xmp = payload.mid(ExtendedXmp::mainSignature().size());
        else if (marker == 0xe1 && payload.startsWith(ExtendedXmp::extensionSignature()))
            extended = true;
        else if (marker == 0xed)
            notes->append(QStringLiteral("HEIF files hold no IPTC block: it is left out"));
        else if (marker == 0xfe)
            notes->append(QStringLiteral("HEIF files hold no comment: it is left out"));
    }
    if (extended)
        notes->append(QStringLiteral("the XMP is larger than one packet holds: only its main "
                                     "part is written"));
}

} // namespace HeifFile
