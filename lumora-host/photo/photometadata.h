// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PHOTOMETADATA_H
#define PHOTOMETADATA_H

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace Exiv2 {
class XmpData;
}

// Everything a photo file holds besides its pixels, as Exiv2 reads it: EXIF (with its
// thumbnail), XMP, IPTC, the JPEG comment and the ICC colour profile. This class applies
// every rule of what an edit keeps, resets or drops; the rules stand in one place,
// metadatarules.h.
//
// Exiv2 throws; nothing here does: what cannot be read or written is named in a warning
// or an error instead. Safe to use from several threads: Exiv2's XMP parser is set up
// once, on first use, and its log is kept apart per thread.
class PhotoMetadata
{
public:
    PhotoMetadata(); // empty
    PhotoMetadata(const PhotoMetadata &other);
    PhotoMetadata &operator=(const PhotoMetadata &other);
    ~PhotoMetadata();

    // Reads the metadata of a whole picture file held in memory, of any format Exiv2
    // knows (JPEG, PNG, TIFF, WebP, GIF, BMP, ...). Never fails: a part that cannot be
    // parsed (a broken EXIF block, say) is left out and named in warnings(), the
    // rest is kept. A JPEG's extended XMP is read into its XMP; one that is missing or
    // incomplete is left out and named, and its HasExtendedXMP dropped.
    static PhotoMetadata read(const QByteArray &file);

    // One English line each: what read() could not read (a damaged part is named and left
    // out), what update() could not do, and what the last writeInto() could not store in
    // its file's format (IPTC or a comment in WebP, a comment or the EXIF thumbnail in
    // TIFF).
    QStringList warnings() const;
    bool isEmpty() const; // no EXIF, XMP, IPTC, comment nor profile

    // EXIF Orientation, else XMP tiff:Orientation; 1 when neither holds a value 1..8.
    int orientation() const;
    // The ICC profile as the file held it (EXIF InterColorProfile for a TIFF); empty
    // when there is none.
    QByteArray iccProfile() const;
    void setIccProfile(const QByteArray &profile); // empty: none

    // A few lines a person reads, "Key: value", for the fields photographers look
    // at: camera, lens, date taken, exposure, GPS position, orientation, size, artist,
    // copyright, rating, keywords, software, modified, profile. Absent fields are left
    // out.
    QStringList summary() const;

    struct Update
    {
        QImage picture; // the edited picture as written: its size and the thumbnail
        QString software; // Exif.Image.Software, such as "lumora-edit 1.0.0"
        QDateTime modified; // Exif.Image.DateTime (local time, as cameras write it)
        bool strip = false; // keep nothing but the colour profile
        bool stripLocation = false; // drop GPS only
        // When valid, the size written in place of picture's, which is then a smaller copy
        // of the written picture that only the thumbnail is made from.
        QSize size {};
    };

    // Makes the metadata describe the edited picture: Orientation 1 in EXIF and XMP
    // (the pixels are upright), PixelXDimension/PixelYDimension and their XMP twins
    // (and any stored image width and length) the picture's size, the EXIF thumbnail
    // made anew from the picture (JPEG, longest side 160; only where there was one, and
    // removed where it cannot be made), Software and DateTime set (an empty software or
    // an invalid date leaves them; setting them makes an EXIF block where there was
    // none), XMP ModifyDate and MetadataDate set where there is XMP, DateTimeOriginal and
    // GPS kept; what no longer matches dropped (RelatedImageWidth/Length, the EXIF
    // InterColorProfile copy of a non-TIFF file, sub-images and their IFDs, the source
    // file's pixel layout tags). `strip` and `stripLocation` as their comments say; GPS
    // is Exif.GPSInfo and XMP's exif:GPS* properties.
    void update(const Update &update);

    // Puts all that is held into `file`, a whole encoded picture (JPEG, PNG, TIFF or
    // WebP) as an encoder just wrote it, replacing what metadata it had: exactly one
    // colour profile (this one's, or none when it is empty) and this EXIF, XMP, IPTC
    // and comment. The pixel data and the encoder's image structure (sizes, depth,
    // strips) are left as they are. A part the format cannot hold is left out and named
    // in warnings(); a PNG holds the comment as its "Description" text and IPTC as
    // ImageMagick's raw profile text, as Exiv2 and exiftool read them. XMP too large for
    // one JPEG segment goes into a JPEG as extended XMP. A part that cannot be written
    // (an EXIF block or a comment larger than a JPEG segment) is left out and named in
    // warnings(); the others are written. False with *error set when Exiv2 cannot write
    // the format or fails even without the parts it cannot write; `file` is then
    // unchanged. Several threads may write one object into their files at once.
    bool writeInto(QByteArray *file, QString *error) const;

    // The XMP as Exiv2 holds it, for a format's rules kept in a file of their own (what
    // follows a JPEG's picture: JpegTrailer). Owned by this object.
    const Exiv2::XmpData &xmpData() const;
    Exiv2::XmpData &xmpData();

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // PHOTOMETADATA_H
