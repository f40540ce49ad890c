// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "photometadata.h"

#include "exiv2support.h"
#include "extendedxmp.h"
#include "jpegsegments.h"
#include "metadatarules.h"
#include "photometadata_p.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <iterator>

// PhotoMetadata: reading, update and writing. The container bytes, the profile's
// description, the keep/reset/drop rules and the summary are in files of their own.

using namespace MetadataContainer;
using namespace MetadataRules;
using Exiv2Support::describe;
using Exiv2Support::detail;
using Exiv2Support::eraseIf;
using Exiv2Support::hasKey;

namespace {

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

} // namespace

PhotoMetadata::Private::Reading PhotoMetadata::Private::readWhole(const QByteArray &file)
{
    Reading reading;
    Exiv2Support::Listener listener;
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

namespace {

// Whether `parts` (what a file held, or what is held now: the same members) holds `part`.
template<typename Parts> bool holdsIn(const Parts &parts, Part part)
{
    switch (part) {
    case Part::Exif:
        return !parts.exif.empty();
    case Part::Xmp:
        return !parts.xmp.empty();
    case Part::Iptc:
        return !parts.iptc.empty();
    case Part::Comment:
        return !parts.comment.empty();
    case Part::Profile:
        return !parts.profile.isEmpty();
    }
    return false;
}

} // namespace

bool PhotoMetadata::Private::Reading::holds(Part part) const
{
    return holdsIn(*this, part);
}

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
    if (reading.holds(part))
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
    Exiv2Support::setUp();
    PhotoMetadata metadata;
    Private &d = *metadata.d;
    if (file.isEmpty()) {
        d.warnings << QStringLiteral("the file is empty; it holds no metadata");
        return metadata;
    }
    const Format format = formatOf(file);
    const Private::Reading whole = Private::readWhole(file);
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
            const Private::Reading alone = Private::readWhole(without(
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
        eraseIf(d.exif, isProfileTag);
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
    Exiv2Support::Listener listener;
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
    return holdsIn(*this, part);
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
    Exiv2Support::setUp();
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
    eraseIf(exif, isOfSourceFile);
    eraseIf(xmp, isStaleXmp);

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
    Exiv2Support::setUp();
    if (update.strip) {
        d->exif.clear();
        d->xmp.clear();
        d->iptc.clear();
        d->comment.clear();
        if (!update.picture.isNull())
            d->size = update.size.isValid() ? update.size : update.picture.size();
        return;
    }
    Exiv2Support::Listener listener;
    try {
        if (update.stripLocation) {
            eraseIf(d->exif, [](const Exiv2::Exifdatum &datum) { return isLocation(datum); });
            eraseIf(d->xmp, [](const Exiv2::Xmpdatum &datum) { return isLocation(datum); });
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
        return isLeftToEncoder(datum, format == Format::Tiff);
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
    Exiv2Support::setUp();
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

    Exiv2Support::Listener listener;
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
