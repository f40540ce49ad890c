// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PHOTOMETADATA_P_H
#define PHOTOMETADATA_P_H

#include "makernote.h"
#include "metadatacontainer.h"
#include "photometadata.h"

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <QVector>

#include <exiv2/exiv2.hpp>

#include <mutex>
#include <string>

// PhotoMetadata's private data, shared by the files that define its members
// (photometadata.cpp: reading, update, writing; metadatasummary.cpp). Internal.
class PhotoMetadata::Private
{
public:
    using Format = MetadataContainer::Format;
    using Part = MetadataContainer::Part;

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

        bool holds(Part part) const;
    };
    static Reading readWhole(const QByteArray &file);

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

#endif // PHOTOMETADATA_P_H
