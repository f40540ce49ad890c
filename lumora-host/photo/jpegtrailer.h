// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef JPEGTRAILER_H
#define JPEGTRAILER_H

#include "photometadata.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

// What a JPEG file holds after its primary picture, and the metadata that points to it:
// the other pictures of a multi-picture file (stereo, depth, gain map), indexed by the MPF
// APP2 segment "MPF\0" with offsets from that index's TIFF header; and any other data, such
// as a motion photo's video, pointed to by XMP (GCamera:MicroVideoOffset, counted from the
// end of the file, or a Container:Directory of items with Item:Length and Item:Padding, laid
// out in order up to the end of the file).
//
// An edit writes a new primary picture. The other pictures (those of the MPF index, those
// a Container:Directory lists as image/* or as a gain map or depth map) are not edited with
// it, so they are left out, with their index and directory items, and one warning says so.
// Only what a kept pointer names (the video from GCamera:MicroVideoOffset to the end, the
// directory's other items) is appended unchanged after the new primary picture, with its
// pointers brought up to date. Anything else that followed (a second JPEG picture, data a
// tool appended, what a wrong pointer no longer names) is left out with one warning line;
// bytes of no value (zeros, fill) without one. A pointer that names nothing there is is
// removed, with a warning. Nothing is left pointing into nothing: what is left out loses
// its pointers too (the directory items of dropped data, the gain-map XMP of a dropped
// gain map).
class JpegTrailer
{
public:
    JpegTrailer(); // nothing follows, nothing points
    JpegTrailer(const JpegTrailer &other);
    JpegTrailer &operator=(const JpegTrailer &other);
    ~JpegTrailer();

    // Reads `file`, a whole picture file (any format: only a JPEG has a trailer, but the XMP
    // of any file may point to one), and `metadata`, read from it. Keeps a copy of the bytes
    // it will append; never fails: a damaged structure ends the walk, and what cannot be
    // found is taken as absent.
    static JpegTrailer read(const QByteArray &file, const PhotoMetadata &metadata);

    // Nothing follows the primary picture and no XMP points to anything.
    bool isEmpty() const;
    // Where the primary picture ends in the file read: just after its EOI marker (the
    // file's size when it has none or is no JPEG).
    qsizetype primaryEnd() const;
    int otherPictureCount() const; // pictures after the primary: MPF's and listed ones
    qsizetype keptSize() const; // bytes that are appended after an edited primary picture

    // Writes `metadata` (already updated for the edit) into `file`, a whole encoded picture
    // as the encoder or a lossless turn gave it, as PhotoMetadata::writeInto does, with
    // the pointers brought up to date first. Into a JPEG (unless `strip`) it then appends
    // what is kept, after the primary picture's EOI, and removes any MPF index; into any
    // other format, or with `strip` or `stripLocation` (what follows cannot be edited and
    // may hold a location of its own), nothing is appended and every pointer is removed.
    // What is left out, and any wrong pointer, is named in lines appended to *notes. False, with
    // *error set, where writeInto fails: `file` is then the encoded picture alone, with nothing
    // appended and no MPF index, and *notes says what followed is left out.
    bool writeInto(PhotoMetadata *metadata, QByteArray *file, bool strip, bool stripLocation,
                   QString *error, QStringList *notes) const;

    // The one line that says what is lost in a file of `format` (such as "BMP") that holds
    // no metadata at all; empty when nothing follows.
    QString lostIn(const QString &format) const;

    // Where the primary picture of `jpeg` ends: after its EOI, found by walking the
    // segments and then the entropy-coded data of every scan (progressive ones included).
    // -1 where the structure is damaged or cut short before an EOI.
    static qsizetype primaryPictureEnd(const QByteArray &jpeg);

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // JPEGTRAILER_H
