// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// What follows a JPEG's primary picture: found by walking its structure, carried after an
// edited primary picture, and its XMP pointers kept true.
#include "jpegtrailer.h"

#include <QRegularExpression>
#include <QVector>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <set>

namespace {

constexpr char cameraNamespace[] = "http://ns.google.com/photos/1.0/camera/";
constexpr char containerNamespace[] = "http://ns.google.com/photos/1.0/container/";
constexpr char gainMapNamespace[] = "http://ns.adobe.com/hdr-gain-map/1.0/";

struct Range
{
    qsizetype begin = -1;
    qsizetype end = -1;

    bool contains(qsizetype at) const { return at >= begin && at < end; }
    bool overlaps(const Range &other) const { return begin < other.end && other.begin < end; }
};

const uchar *bytesOf(const QByteArray &data)
{
    return reinterpret_cast<const uchar *>(data.constData());
}

// The segments up to the first scan, then the entropy-coded data of each scan up to the
// marker that ends it (a table, another scan of a progressive picture, or the EOI).
// `mpf` gets the first APP2 "MPF\0" segment before the EOI.
qsizetype walkPrimary(const QByteArray &file, Range *mpf)
{
    const qsizetype size = file.size();
    const uchar *data = bytesOf(file);
    if (size < 4 || data[0] != 0xff || data[1] != 0xd8)
        return -1;
    qsizetype at = 2;
    bool inScan = false;
    while (at < size) {
        if (inScan) {
            const void *found = std::memchr(data + at, 0xff, size_t(size - at));
            if (!found)
                return -1;
            at = static_cast<const uchar *>(found) - data;
            if (at + 1 >= size)
                return -1;
            const uchar next = data[at + 1];
            if (next == 0x00 || (next >= 0xd0 && next <= 0xd7)) { // stuffed byte, restart
                at += 2;
                continue;
            }
            if (next == 0xff) { // fill byte before a marker
                ++at;
                continue;
            }
            inScan = false;
        }
        if (data[at] != 0xff)
            return -1;
        while (at + 1 < size && data[at + 1] == 0xff)
            ++at;
        if (at + 1 >= size)
            return -1;
        const uchar marker = data[at + 1];
        if (marker == 0xd9)
            return at + 2;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            at += 2;
            continue;
        }
        if (marker == 0x00 || marker == 0xd8 || at + 4 > size)
            return -1;
        const qsizetype length = (qsizetype(data[at + 2]) << 8) | data[at + 3];
        const qsizetype end = at + 2 + length;
        if (length < 2 || end > size)
            return -1;
        if (marker == 0xe2 && mpf && mpf->begin < 0 && length >= 2 + 4 + 8
            && std::memcmp(data + at + 4, "MPF\0", 4) == 0)
            *mpf = { at, end };
        inScan = marker == 0xda;
        at = end;
    }
    return -1;
}

// The pictures after the first that an MPF index names, where they lie in `file`. Its
// offsets count from the index's TIFF header, just after "MPF\0".
QVector<Range> mpfPictures(const QByteArray &file, const Range &segment)
{
    const uchar *data = bytesOf(file);
    const qsizetype header = segment.begin + 8;
    const qsizetype end = segment.end;
    if (end - header < 8)
        return {};
    bool little = false;
    if (std::memcmp(data + header, "II*\0", 4) == 0)
        little = true;
    else if (std::memcmp(data + header, "MM\0*", 4) != 0)
        return {};
    const auto u16 = [&](qsizetype at) -> quint32 {
        return little ? quint32(data[at]) | quint32(data[at + 1]) << 8
                      : quint32(data[at]) << 8 | quint32(data[at + 1]);
    };
    const auto u32 = [&](qsizetype at) -> quint32 {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    const qsizetype directory = header + qsizetype(u32(header + 4));
    if (directory < header + 8 || directory + 2 > end)
        return {};
    quint32 count = 0;
    qsizetype entries = -1;
    quint32 entryBytes = 0;
    for (quint32 i = 0, fields = u16(directory); i < fields; ++i) {
        const qsizetype field = directory + 2 + 12 * qsizetype(i);
        if (field + 12 > end)
            break;
        const quint32 tag = u16(field);
        if (tag == 0xb001) // NumberOfImages
            count = u32(field + 8);
        else if (tag == 0xb002) { // MPEntry, 16 bytes a picture
            entryBytes = u32(field + 4);
            entries = entryBytes <= 4 ? field + 8 : header + qsizetype(u32(field + 8));
        }
    }
    if (count < 2 || entries < header || entryBytes < 16 * count
        || entries + 16 * qsizetype(count) > end)
        return {};
    QVector<Range> pictures;
    for (quint32 i = 1; i < count; ++i) {
        const qsizetype entry = entries + 16 * qsizetype(i);
        const qsizetype size = u32(entry + 4);
        const qsizetype offset = u32(entry + 8);
        if (size > 0 && offset > 0 && header + offset + size <= file.size())
            pictures.append({ header + offset, header + offset + size });
    }
    return pictures;
}

std::string namespaceOf(const Exiv2::Xmpdatum &datum)
{
    try {
        return Exiv2::XmpProperties::ns(datum.groupName());
    } catch (const Exiv2::AnyError &) {
        return {};
    }
}

bool inNamespace(const Exiv2::Xmpdatum &datum, const char *uri)
{
    return namespaceOf(datum) == uri;
}

// A motion photo's flags and offsets: GCamera:MicroVideo* and GCamera:MotionPhoto*.
bool isVideoPointer(const Exiv2::Xmpdatum &datum)
{
    const std::string name = datum.tagName();
    return inNamespace(datum, cameraNamespace)
        && (name.compare(0, 10, "MicroVideo") == 0 || name.compare(0, 11, "MotionPhoto") == 0);
}

bool isDirectory(const Exiv2::Xmpdatum &datum)
{
    return inNamespace(datum, containerNamespace)
        && datum.tagName().compare(0, 9, "Directory") == 0;
}

// One item of a Container:Directory, numbered from 1 as in its XMP keys.
struct Item
{
    int index = 0;
    QString semantic;
    QString mime;
    qint64 length = -1; // -1: not given
    qint64 padding = 0;
    std::string lengthKey; // the key of its length, where given
    Range data; // where it lies in the file read, where known
    bool dropped = false;

    bool isVideo() const
    {
        return mime.startsWith(QLatin1String("video/")) || semantic == QLatin1String("MotionPhoto");
    }
    // A picture (gain map, depth map...) is drawn from the primary one, which an edit changes.
    bool isPicture() const
    {
        return index > 1 && !isVideo()
            && (mime.startsWith(QLatin1String("image/")) || semantic == QLatin1String("GainMap")
                || semantic == QLatin1String("Depth") || semantic == QLatin1String("Confidence"));
    }
};

const QRegularExpression &itemField()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^Xmp\.[^.]+\.Directory\[(\d+)\]/[^:/]+:Item/[^:/]+:(\w+)$)"));
    return pattern;
}

QVector<Item> directoryItems(const Exiv2::XmpData &xmp)
{
    QVector<Item> items;
    for (const Exiv2::Xmpdatum &datum : xmp) {
        if (!isDirectory(datum))
            continue;
        const QRegularExpressionMatch match
            = itemField().match(QString::fromStdString(datum.key()));
        if (!match.hasMatch())
            continue;
        const int index = match.captured(1).toInt();
        if (index < 1 || index > 1000)
            continue;
        if (items.size() < index)
            items.resize(index);
        Item &item = items[index - 1];
        item.index = index;
        const QString field = match.captured(2);
        const QString value = QString::fromStdString(datum.toString());
        if (field == QLatin1String("Semantic")) {
            item.semantic = value;
        } else if (field == QLatin1String("Mime")) {
            item.mime = value;
        } else if (field == QLatin1String("Length")) {
            bool ok = false;
            item.length = value.toLongLong(&ok);
            if (!ok || item.length < 0)
                item.length = -1;
            item.lengthKey = datum.key();
        } else if (field == QLatin1String("Padding")) {
            item.padding = qMax<qint64>(0, value.toLongLong());
        }
    }
    return items;
}

template<typename Predicate> void eraseIf(Exiv2::XmpData &xmp, Predicate predicate)
{
    for (auto it = xmp.begin(); it != xmp.end();) {
        if (predicate(*it))
            it = xmp.erase(it);
        else
            ++it;
    }
}

// The directory without the items numbered in `drop`, the others numbered anew (XMP
// arrays have no gaps); all of it when `all`.
void rewriteDirectory(Exiv2::XmpData &xmp, const std::set<int> &drop, bool all)
{
    std::vector<Exiv2::Xmpdatum> directory;
    for (const Exiv2::Xmpdatum &datum : xmp) {
        if (isDirectory(datum))
            directory.push_back(datum);
    }
    eraseIf(xmp, isDirectory);
    if (all)
        return;
    static const QRegularExpression indexed(QStringLiteral(R"(^(Xmp\.[^.]+\.Directory\[)(\d+)\])"));
    for (const Exiv2::Xmpdatum &datum : directory) {
        QString key = QString::fromStdString(datum.key());
        const QRegularExpressionMatch match = indexed.match(key);
        if (match.hasMatch()) {
            const int index = match.captured(2).toInt();
            if (drop.count(index))
                continue;
            const auto before = std::distance(drop.begin(), drop.lower_bound(index));
            key.replace(match.capturedStart(2), match.capturedLength(2),
                        QString::number(index - before));
        }
        xmp.add(Exiv2::XmpKey(key.toStdString()), &datum.value());
    }
}

QString formatNameOf(const QByteArray &file)
{
    if (file.startsWith("\x89PNG"))
        return QStringLiteral("PNG");
    if (file.startsWith("II*") || file.startsWith("MM"))
        return QStringLiteral("TIFF");
    if (file.startsWith("RIFF"))
        return QStringLiteral("WebP");
    return QStringLiteral("This format");
}

QString bytesText(qsizetype bytes)
{
    return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

class JpegTrailer::Private
{
public:
    qsizetype fileSize = 0;
    qsizetype primaryEnd = 0;
    int otherPictures = 0; // of the MPF index
    int listedPictures = 0; // listed only in the Container:Directory
    QByteArray kept; // what a kept pointer names, in the order of the file
    QVector<Range> pictures; // in the file read: MPF pictures and listed ones
    QVector<Range> keptRanges; // in the file read, in order, apart
    QVector<Item> items; // of the Container:Directory
    qint64 microVideoOffset = -1; // new GCamera:MicroVideoOffset; -1: none or into nothing
    bool keptVideo = false; // a motion photo's video is among the kept bytes
    qsizetype unpointed = 0; // bytes after the picture that nothing points to
    QString unpointedKind; // what they look like
    QStringList wrongPointers; // pointers that name nothing there is, removed

    void readItems(const PhotoMetadata &metadata);
    void readMicroVideo(const PhotoMetadata &metadata);
    void collect(const QByteArray &file);
    QString picturesText() const;
    QString keptText() const;
    QString unpointedText() const;
    QString lost(bool pictures, bool rest) const;
    void updatePointers(Exiv2::XmpData &xmp, bool keep) const;
};

// Items lie in order up to the end of the file, each followed by its padding, as readers
// find a motion photo's video: from the end. The primary picture is the first item.
void JpegTrailer::Private::readItems(const PhotoMetadata &metadata)
{
    items = directoryItems(metadata.xmpData());
    qsizetype end = fileSize;
    for (int i = int(items.size()) - 1; i >= 1; --i) {
        Item &item = items[i];
        const qsizetype begin = end - item.padding - item.length;
        if (item.length < 0 || begin < primaryEnd)
            break;
        item.data = { begin, begin + item.length };
        end = begin;
    }
    const QVector<Range> mpf = pictures;
    for (Item &item : items) {
        if (item.index < 2) // the primary picture, or numbered past a gap
            continue;
        const bool located = item.data.begin >= 0;
        const bool inMpf = std::any_of(mpf.begin(), mpf.end(), [&](const Range &picture) {
            return located && item.data.overlaps(picture);
        });
        // A picture is not edited with the primary one: it goes as the MPF pictures do.
        if (item.isPicture() || inMpf) {
            item.dropped = true;
            if (!inMpf)
                ++listedPictures;
            if (located)
                pictures.append({ item.data.begin, item.data.end + item.padding });
        } else if (!located) {
            item.dropped = true;
            if (primaryEnd < fileSize) // with nothing after the picture it is merely stale
                wrongPointers << QStringLiteral("the Container:Directory's item %1 (%2) does not "
                                                "fit in what follows the picture")
                                     .arg(item.index)
                                     .arg(item.semantic.isEmpty() ? item.mime : item.semantic);
        } else {
            keptRanges.append({ item.data.begin, item.data.end + item.padding });
            keptVideo = keptVideo || item.isVideo();
        }
    }
}

// GCamera:MicroVideoOffset counts from the end of the file to the video, which runs to it.
void JpegTrailer::Private::readMicroVideo(const PhotoMetadata &metadata)
{
    for (const Exiv2::Xmpdatum &datum : metadata.xmpData()) {
        if (!inNamespace(datum, cameraNamespace) || datum.tagName() != "MicroVideoOffset")
            continue;
        const QString text = QString::fromStdString(datum.toString());
        bool ok = false;
        const qint64 offset = text.toLongLong(&ok);
        if (ok && offset == 0)
            continue; // no video, as some cameras write it
        const qsizetype begin = ok && offset > 0 && offset <= fileSize - primaryEnd
            ? fileSize - qsizetype(offset)
            : -1;
        const bool inPicture
            = std::any_of(pictures.begin(), pictures.end(),
                          [&](const Range &picture) { return picture.contains(begin); });
        if (begin < 0 || inPicture) {
            wrongPointers << QStringLiteral("GCamera:MicroVideoOffset %1 points to no video "
                                            "after the picture")
                                 .arg(text);
            continue;
        }
        keptRanges.append({ begin, fileSize });
        microVideoOffset = offset;
        keptVideo = true;
    }
}

// Copies what is kept, and counts what nothing points to.
void JpegTrailer::Private::collect(const QByteArray &file)
{
    const auto byBegin = [](const Range &a, const Range &b) { return a.begin < b.begin; };
    std::sort(keptRanges.begin(), keptRanges.end(), byBegin);
    QVector<Range> merged;
    for (const Range &range : std::as_const(keptRanges)) {
        if (!merged.isEmpty() && range.begin <= merged.last().end)
            merged.last().end = qMax(merged.last().end, range.end);
        else
            merged.append(range);
    }
    keptRanges = merged;
    qsizetype videoAt = -1; // where the micro video begins among the kept bytes
    for (const Range &range : std::as_const(keptRanges)) {
        if (microVideoOffset > 0 && range.contains(fileSize - microVideoOffset))
            videoAt = kept.size() + (fileSize - microVideoOffset - range.begin);
        kept.append(file.constData() + range.begin, range.end - range.begin);
    }
    if (videoAt >= 0) // from the end of what is kept, as from the file's
        microVideoOffset = kept.size() - videoAt;

    // The rest that no picture holds: a second JPEG picture, say, or what a tool appended.
    // Bytes of no value (zeros, fill) are padding and are left out without a word.
    QVector<Range> known = keptRanges + pictures;
    std::sort(known.begin(), known.end(), byBegin);
    qsizetype at = primaryEnd;
    bool picture = false;
    bool other = false;
    const auto gap = [&](qsizetype begin, qsizetype end) {
        const QByteArray bytes = file.mid(begin, end - begin);
        if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0 || c == '\xff'; }))
            return;
        unpointed += bytes.size();
        (bytes.startsWith("\xff\xd8\xff") ? picture : other) = true;
    };
    for (const Range &range : std::as_const(known)) {
        if (range.begin > at)
            gap(at, range.begin);
        at = qMax(at, range.end);
    }
    if (at < fileSize)
        gap(at, fileSize);
    unpointedKind = picture && other ? QStringLiteral("a second JPEG picture and other data")
        : picture                    ? QStringLiteral("a second JPEG picture")
                                     : QStringLiteral("data of no known kind");
}

QString JpegTrailer::Private::picturesText() const
{
    QStringList parts;
    if (otherPictures > 0)
        parts
            << (otherPictures == 1
                    ? QStringLiteral("the other picture of its MPF index")
                    : QStringLiteral("the %1 other pictures of its MPF index").arg(otherPictures));
    if (listedPictures > 0)
        parts << (listedPictures == 1
                      ? QStringLiteral("the picture its Container:Directory lists")
                      : QStringLiteral("the %1 pictures its Container:Directory lists")
                            .arg(listedPictures));
    return parts.join(QStringLiteral(" and "));
}

QString JpegTrailer::Private::keptText() const
{
    return keptVideo ? QStringLiteral("the motion photo's video, %1").arg(bytesText(kept.size()))
                     : QStringLiteral("%1 of other data").arg(bytesText(kept.size()));
}

QString JpegTrailer::Private::unpointedText() const
{
    return QStringLiteral("%1 after the picture that nothing points to (%2)")
        .arg(bytesText(unpointed), unpointedKind);
}

QString JpegTrailer::Private::lost(bool pictures, bool rest) const
{
    QStringList parts;
    if (pictures && otherPictures + listedPictures > 0)
        parts << picturesText();
    if (rest && !kept.isEmpty())
        parts << keptText();
    if (rest && unpointed > 0)
        parts << unpointedText();
    return parts.join(QStringLiteral(" and "));
}

void JpegTrailer::Private::updatePointers(Exiv2::XmpData &xmp, bool keep) const
{
    std::set<int> drop;
    bool motionPhoto = false;
    bool gainMap = false;
    for (const Item &item : items) {
        const bool gone = !keep || item.dropped;
        if (gone && item.index > 1)
            drop.insert(item.index);
        if (!gone && item.index > 1) {
            motionPhoto = motionPhoto || item.semantic == QLatin1String("MotionPhoto");
            gainMap = gainMap || item.semantic == QLatin1String("GainMap");
        }
    }
    const bool anyItemLeft = std::any_of(items.begin(), items.end(), [&](const Item &item) {
        return item.index > 1 && !drop.count(item.index);
    });
    if (!items.isEmpty() && (!drop.empty() || !anyItemLeft))
        rewriteDirectory(xmp, drop, !anyItemLeft);
    // The gain map's description belongs to the primary picture only while its gain map
    // follows it; the MPF pictures never do.
    if (!gainMap)
        eraseIf(xmp,
                [](const Exiv2::Xmpdatum &datum) { return inNamespace(datum, gainMapNamespace); });
    const bool microVideo = keep && microVideoOffset >= 0;
    eraseIf(xmp, [&](const Exiv2::Xmpdatum &datum) {
        if (!isVideoPointer(datum))
            return false;
        return datum.tagName().compare(0, 10, "MicroVideo") == 0 ? !microVideo : !motionPhoto;
    });
    if (microVideo) {
        for (Exiv2::Xmpdatum &datum : xmp) {
            if (inNamespace(datum, cameraNamespace) && datum.tagName() == "MicroVideoOffset")
                datum.setValue(std::to_string(microVideoOffset));
        }
    }
}

JpegTrailer::JpegTrailer()
    : d(new Private)
{ }

JpegTrailer::JpegTrailer(const JpegTrailer &other)
    : d(new Private(*other.d))
{ }

JpegTrailer &JpegTrailer::operator=(const JpegTrailer &other)
{
    *d = *other.d;
    return *this;
}

JpegTrailer::~JpegTrailer() = default;

JpegTrailer JpegTrailer::read(const QByteArray &file, const PhotoMetadata &metadata)
{
    JpegTrailer trailer;
    Private &t = *trailer.d;
    t.fileSize = file.size();
    Range mpf;
    t.primaryEnd = walkPrimary(file, &mpf);
    if (t.primaryEnd < 0)
        t.primaryEnd = file.size();
    if (mpf.begin >= 0) {
        const QVector<Range> pictures = mpfPictures(file, mpf);
        t.otherPictures = int(pictures.size());
        for (const Range &picture : pictures) {
            if (picture.begin >= t.primaryEnd)
                t.pictures.append(picture);
        }
    }
    try {
        t.readItems(metadata);
        t.readMicroVideo(metadata);
    } catch (const Exiv2::AnyError &) {
        // XMP that cannot be read points to nothing that can be kept true.
        t.items.clear();
        t.keptRanges.clear();
        t.microVideoOffset = -1;
        t.keptVideo = false;
    }
    // Only what a kept pointer names follows the edited picture: anything else may be
    // the unedited picture again, location and all.
    t.collect(file);
    return trailer;
}

bool JpegTrailer::isEmpty() const
{
    return d->kept.isEmpty() && d->otherPictures + d->listedPictures == 0 && d->items.isEmpty()
        && d->microVideoOffset < 0 && d->unpointed == 0 && d->wrongPointers.isEmpty();
}

qsizetype JpegTrailer::primaryEnd() const
{
    return d->primaryEnd;
}

int JpegTrailer::otherPictureCount() const
{
    return d->otherPictures + d->listedPictures;
}

qsizetype JpegTrailer::keptSize() const
{
    return d->kept.size();
}

qsizetype JpegTrailer::primaryPictureEnd(const QByteArray &jpeg)
{
    return walkPrimary(jpeg, nullptr);
}

QString JpegTrailer::lostIn(const QString &format) const
{
    const QString what = d->lost(true, true);
    if (what.isEmpty())
        return {};
    return QStringLiteral("%1 cannot hold what followed the JPEG picture (%2): it is left out")
        .arg(format, what);
}

namespace {

// The primary picture alone: nothing after its EOI and no MPF index.
void cutToPrimary(QByteArray *jpeg)
{
    Range mpf;
    const qsizetype end = walkPrimary(*jpeg, &mpf);
    if (end < 0)
        return;
    jpeg->truncate(end);
    if (mpf.begin >= 0)
        jpeg->remove(mpf.begin, mpf.end - mpf.begin);
}

} // namespace

bool JpegTrailer::writeInto(PhotoMetadata *metadata, QByteArray *file, bool strip,
                            bool stripLocation, QString *error, QStringList *notes) const
{
    const bool jpeg = file->startsWith("\xff\xd8\xff");
    // The video cannot be edited, and a video may hold a location of its own (an MP4's
    // user data often does): kept, it would break the promise --strip-location makes,
    // which a warning after the fact cannot mend. So it is left out, and said so.
    const bool keep = jpeg && !strip && !stripLocation;
    if (jpeg && !strip) {
        for (const QString &pointer : std::as_const(d->wrongPointers))
            notes->append(pointer + QStringLiteral(": the pointer is wrong and is removed"));
        if (d->otherPictures + d->listedPictures > 0)
            notes->append(
                QStringLiteral("only the edited primary picture is written: %1 %2 "
                               "left out, with what points to %3")
                    .arg(d->picturesText(),
                         d->otherPictures + d->listedPictures == 1 ? QStringLiteral("is")
                                                                   : QStringLiteral("are"),
                         d->otherPictures + d->listedPictures == 1 ? QStringLiteral("it")
                                                                   : QStringLiteral("them")));
        if (d->unpointed > 0)
            notes->append(d->unpointedText()
                          + (d->unpointed == 1 ? QStringLiteral(" is left out")
                                               : QStringLiteral(" are left out")));
        if (stripLocation && !d->kept.isEmpty())
            notes->append(QStringLiteral("what followed the JPEG picture (%1) is left out under "
                                         "--strip-location: it cannot be edited and may hold a "
                                         "location of its own")
                              .arg(d->keptText()));
    } else if (strip && !d->lost(true, true).isEmpty()) {
        notes->append(QStringLiteral("what followed the JPEG picture (%1) is left out, as all "
                                     "metadata")
                          .arg(d->lost(true, true)));
    } else if (!jpeg && !lostIn(QString()).isEmpty()) {
        notes->append(lostIn(formatNameOf(*file))
                      + QStringLiteral(", and the XMP that pointed to it is removed"));
    }

    // A file that goes out without metadata goes out without what it pointed to.
    const auto fail = [&] {
        if (jpeg)
            cutToPrimary(file);
        if (keep && !d->kept.isEmpty())
            notes->append(QStringLiteral("what followed the JPEG picture (%1) is left out with "
                                         "the metadata")
                              .arg(d->keptText()));
        return false;
    };
    try {
        d->updatePointers(metadata->xmpData(), keep && !d->kept.isEmpty());
    } catch (const Exiv2::AnyError &e) {
        if (error)
            *error = QStringLiteral("the XMP that points after the picture cannot be updated: %1")
                         .arg(QString::fromUtf8(e.what()));
        return fail();
    }

    const QByteArray encoded = *file;
    QByteArray out = encoded;
    if (!metadata->writeInto(&out, error))
        return fail();
    if (jpeg)
        cutToPrimary(&out);
    if (keep && !d->kept.isEmpty()) {
        // The primary item's length, where given, is the written primary picture's, which
        // the length's own digits change.
        std::string primaryLength;
        for (const Item &item : directoryItems(metadata->xmpData())) {
            if (item.index == 1 && item.length > 0)
                primaryLength = item.lengthKey;
        }
        for (int round = 0; !primaryLength.empty() && round < 4; ++round) {
            Exiv2::XmpData &xmp = metadata->xmpData();
            const std::string size = std::to_string(out.size());
            if (xmp[primaryLength].toString() == size)
                break;
            xmp[primaryLength] = size;
            out = encoded;
            if (!metadata->writeInto(&out, error))
                return fail();
            cutToPrimary(&out);
        }
        out += d->kept;
    }
    *file = out;
    return true;
}
