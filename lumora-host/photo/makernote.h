// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MAKERNOTE_H
#define MAKERNOTE_H

#include <QByteArray>
#include <QString>

#include <memory>

namespace Exiv2 {
class ExifData;
}

// A camera maker's private EXIF directory (the MakerNote) as the photo file held it, and
// whether a new EXIF block still says what it said. Makers point into their MakerNote in
// their own ways: from the start of the EXIF block (Canon, Panasonic, Sony, many unknown
// makers), from the MakerNote's own start or a TIFF header of its own (Nikon, Olympus,
// Fujifilm, Apple, Samsung). Exiv2 rewrites the MakerNotes it knows; one it does not
// know it copies as bytes, which then lie elsewhere in the new block.
//
// Nothing here throws; Exiv2's exceptions are caught.
class MakerNote
{
public:
    MakerNote(); // none
    MakerNote(const MakerNote &other);
    MakerNote &operator=(const MakerNote &other);
    ~MakerNote();

    // The MakerNote of a whole picture file held in memory (JPEG, TIFF, or PNG and WebP with
    // a plain EXIF chunk), where it stands in its EXIF block, and what Exiv2 made of it
    // (`exif`, as Exiv2 read the file). A file without one gives an empty object.
    static MakerNote read(const QByteArray &file, const Exiv2::ExifData &exif);

    // Leaves the MakerNote in `exif`, which is about to be written, only where the block
    // Exiv2 makes of it reads back with every MakerNote value as it was. One whose offsets
    // count from its own start goes out byte for byte; one an earlier writer moved without
    // its offsets, its Canon-style footer saying where it stood, gets offsets and footer
    // that count from where it lands; one Exiv2 knows is written anew by Exiv2 and must
    // read back tag for tag; any other copied as bytes must land where it stood. Else, and
    // for a damaged MakerNote, every MakerNote key is erased from `exif` and one English
    // line says why; empty when it is kept or there is none. `sameLayout`: the block is
    // written as Exiv2 encodes EXIF for JPEG, PNG and WebP (a TIFF file lays it out by its
    // own structure, so there only a MakerNote that can move is kept).
    QString carry(Exiv2::ExifData *exif, bool sameLayout) const;

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // MAKERNOTE_H
