// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A MakerNote carried into an edited file only where its values read back as they were.

#include "makernote.h"

#include <QStringList>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>

namespace {

// Where a MakerNote's directory points for the values that do not fit in its entries.
enum class Offsets {
    None, // no directory, or one whose values all fit in its entries
    Own, // from its own start or from a TIFF header of its own: it may move
    Block, // from the EXIF block's TIFF header: it must stay where it was
    Either, // both readings fit: treated as Block
    Shifted, // from the block's header as it was where its footer says it once stood
    Broken, // a directory whose values lie outside the MakerNote either way
};

// Big- or little-endian reads that fail softly at the end of the data.
struct Bytes
{
    const QByteArray &data;
    bool little;

    bool has(qint64 at, qint64 length) const
    {
        return at >= 0 && length >= 0 && at <= data.size() && length <= data.size() - at;
    }
    quint16 u16(qint64 at) const
    {
        if (!has(at, 2))
            return 0;
        const uchar *p = reinterpret_cast<const uchar *>(data.constData()) + at;
        return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    }
    quint32 u32(qint64 at) const
    {
        if (!has(at, 4))
            return 0;
        const uchar *p = reinterpret_cast<const uchar *>(data.constData()) + at;
        return little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    }
};

qint64 typeSize(quint16 type)
{
    static const qint64 sizes[] = { 0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4 };
    return type < std::size(sizes) ? sizes[type] : 0;
}

bool tiffHeaderAt(const QByteArray &data, qint64 at, bool *little)
{
    if (at < 0 || at + 8 > data.size())
        return false;
    if (std::memcmp(data.constData() + at, "II*\0", 4) == 0)
        *little = true;
    else if (std::memcmp(data.constData() + at, "MM\0*", 4) == 0)
        *little = false;
    else
        return false;
    return true;
}

// A directory entry's value outside the entry: where its offset points, and its length.
struct Value
{
    qint64 offset;
    qint64 length;
    qint64 field; // where the offset is written
};

// The values a directory at `at` keeps outside its entries; false when what lies there
// cannot be a directory: no entries or too many, an unknown type, or a value longer than
// `limit` (longer than the MakerNote that holds it).
bool directoryAt(const Bytes &bytes, qint64 at, qint64 limit, QVector<Value> *values)
{
    const quint16 count = bytes.u16(at);
    if (count == 0 || count > 512 || !bytes.has(at + 2, 12 * qint64(count)))
        return false;
    values->clear();
    for (quint16 i = 0; i < count; ++i) {
        const qint64 entry = at + 2 + 12 * qint64(i);
        const qint64 size = typeSize(bytes.u16(entry + 2));
        if (size == 0)
            return false;
        const qint64 length = size * qint64(bytes.u32(entry + 4));
        if (length > limit)
            return false;
        if (length > 4)
            values->append({ qint64(bytes.u32(entry + 8)), length, entry + 8 });
    }
    return true;
}

bool allWithin(const QVector<Value> &values, qint64 base, qint64 size)
{
    return std::all_of(values.begin(), values.end(), [&](const Value &value) {
        const qint64 at = value.offset - base;
        return at >= 0 && at <= size && value.length <= size - at;
    });
}

// How a MakerNote points to its values, and the values its directory keeps outside.
struct Reading
{
    Offsets offsets = Offsets::None;
    QVector<Value> values;
    bool little = true;
    qint64 footer = -1; // Offsets::Shifted: where its footer says it stood
};

// How the MakerNote `note`, which stood `position` bytes after its block's TIFF header
// (-1: not known), points to its values. Its directory follows a maker's header of up to
// 32 bytes, or a TIFF header of its own; in either byte order. A footer (Canon's) of a
// TIFF byte-order mark and the MakerNote's position may say where it stood when its
// offsets were written: a writer that moved it without them left that footer.
Reading readingOf(const QByteArray &note, qint64 position)
{
    Reading reading;
    const qint64 size = note.size();
    for (qint64 at = 0; at + 14 <= size && at <= 32; at += 2) {
        bool little = true;
        if (tiffHeaderAt(note, at, &little)) {
            const Bytes bytes { note, little };
            reading.offsets = directoryAt(bytes, at + bytes.u32(at + 4), size, &reading.values)
                    && allWithin(reading.values, -at, size)
                ? Offsets::Own
                : Offsets::Broken;
            return reading;
        }
        for (const bool order : { true, false }) {
            if (!directoryAt(Bytes { note, order }, at, size, &reading.values))
                continue;
            reading.little = order;
            if (reading.values.isEmpty())
                return reading;
            bool footerOrder = true;
            if (position >= 0 && tiffHeaderAt(note, size - 8, &footerOrder)
                && footerOrder == order) {
                const qint64 stood = Bytes { note, order }.u32(size - 4);
                if (stood != position && allWithin(reading.values, stood, size)) {
                    reading.offsets = Offsets::Shifted;
                    reading.footer = stood;
                    return reading;
                }
            }
            const bool own = allWithin(reading.values, 0, size);
            const bool block = position >= 0 && allWithin(reading.values, position, size);
            reading.offsets = own && block ? Offsets::Either
                : own                      ? Offsets::Own
                : block                    ? Offsets::Block
                                           : Offsets::Broken;
            return reading;
        }
    }
    return reading;
}

// The TIFF-structured EXIF block of a picture file: a JPEG's APP1, a TIFF file itself, a
// WebP's EXIF chunk, a PNG's eXIf chunk. Empty when there is none of these.
QByteArray exifBlockOf(const QByteArray &file)
{
    bool little = true;
    if (tiffHeaderAt(file, 0, &little))
        return file;
    const Bytes big { file, false };
    const Bytes small { file, true };
    if (file.startsWith("\xff\xd8")) {
        qint64 at = 2;
        while (big.has(at, 4) && uchar(file[at]) == 0xff) {
            const uchar marker = uchar(file[at + 1]);
            if (marker == 0xda || marker == 0xd9)
                break;
            const qint64 length = big.u16(at + 2);
            if (length < 2 || !big.has(at + 2, length))
                break;
            if (marker == 0xe1 && length > 8 && file.mid(at + 4, 6) == QByteArray("Exif\0\0", 6))
                return file.mid(at + 10, length - 8);
            at += 2 + length;
        }
    } else if (file.startsWith("\x89PNG")) {
        for (qint64 at = 8; big.has(at, 8);) {
            const qint64 length = big.u32(at);
            if (!big.has(at + 8, length))
                break;
            if (file.mid(at + 4, 4) == "eXIf")
                return file.mid(at + 8, length);
            at += 12 + length;
        }
    } else if (file.startsWith("RIFF")) {
        for (qint64 at = 12; small.has(at, 8);) {
            const qint64 length = small.u32(at + 4);
            if (!small.has(at + 8, length))
                break;
            if (file.mid(at, 4) == "EXIF") {
                const QByteArray block = file.mid(at + 8, length);
                return block.startsWith(QByteArray("Exif\0\0", 6)) ? block.mid(6) : block;
            }
            at += 8 + length + (length & 1);
        }
    }
    return {};
}

// The MakerNote entry's value in an EXIF block: where it starts after the TIFF header and
// its bytes. False when the block has none.
bool makerNoteIn(const QByteArray &block, qint64 *position, QByteArray *note)
{
    bool little = true;
    if (!tiffHeaderAt(block, 0, &little))
        return false;
    const Bytes bytes { block, little };
    const auto find = [&](qint64 directory, quint16 tag, qint64 *entry) {
        const quint16 count = bytes.u16(directory);
        for (quint16 i = 0; i < count && bytes.has(directory + 2 + 12 * qint64(i), 12); ++i) {
            *entry = directory + 2 + 12 * qint64(i);
            if (bytes.u16(*entry) == tag)
                return true;
        }
        return false;
    };
    qint64 entry = 0;
    if (!find(bytes.u32(4), 0x8769, &entry)) // the Exif IFD
        return false;
    if (!find(bytes.u32(entry + 8), 0x927c, &entry))
        return false;
    const qint64 length = qint64(bytes.u32(entry + 4)) * typeSize(bytes.u16(entry + 2));
    *position = length > 4 ? qint64(bytes.u32(entry + 8)) : entry + 8;
    // A MakerNote cut short by the end of the block is kept as far as it goes.
    *note = block.mid(*position, length);
    return !note->isEmpty();
}

bool isMakerNoteKey(const Exiv2::Exifdatum &datum)
{
    return datum.key() == "Exif.Photo.MakerNote" || datum.groupName() == "MakerNote"
        || Exiv2::ExifTags::isMakerGroup(datum.groupName());
}

// Every value of the MakerNote directories Exiv2 knows, in a form that compares whole; not
// Exiv2's note of where the MakerNote stands, which moves.
QStringList makerValues(const Exiv2::ExifData &exif)
{
    QStringList values;
    for (const Exiv2::Exifdatum &datum : exif) {
        if (!Exiv2::ExifTags::isMakerGroup(datum.groupName()) || datum.groupName() == "MakerNote")
            continue;
        values << QStringLiteral("%1 %2 %3 %4")
                      .arg(QString::fromStdString(datum.key()))
                      .arg(datum.typeId())
                      .arg(datum.count())
                      .arg(QString::fromStdString(datum.toString()));
    }
    values.sort();
    return values;
}

// The EXIF block Exiv2 writes of `exif` into a JPEG, PNG or WebP without one.
QByteArray encoded(const Exiv2::ExifData &exif)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, nullptr, 0, Exiv2::littleEndian, exif);
    return QByteArray(reinterpret_cast<const char *>(blob.data()), qsizetype(blob.size()));
}

// `exif` with `note` as its MakerNote's bytes, in place of what Exiv2 read of it.
Exiv2::ExifData withBytes(const Exiv2::ExifData &exif, const QByteArray &note)
{
    Exiv2::ExifData result = exif;
    for (auto it = result.begin(); it != result.end();)
        it = isMakerNoteKey(*it) ? result.erase(it) : std::next(it);
    Exiv2::DataValue bytes(reinterpret_cast<const Exiv2::byte *>(note.constData()),
                           long(note.size()), Exiv2::invalidByteOrder, Exiv2::undefined);
    result.add(Exiv2::ExifKey("Exif.Photo.MakerNote"), &bytes);
    return result;
}

// Where the MakerNote of `exif` lands in the block Exiv2 writes, if it lands there as
// `note`; -1 if not.
qint64 landing(const Exiv2::ExifData &exif, const QByteArray &note)
{
    qint64 position = -1;
    QByteArray written;
    return makerNoteIn(encoded(exif), &position, &written) && written == note ? position : -1;
}

} // namespace

class MakerNote::Private
{
public:
    QByteArray note; // as the file held it; empty: none
    qint64 position = -1; // after the TIFF header of its block; -1: not known
    Reading reading;
};

MakerNote::MakerNote()
    : d(std::make_unique<Private>())
{ }

MakerNote::MakerNote(const MakerNote &other)
    : d(std::make_unique<Private>(*other.d))
{ }

MakerNote &MakerNote::operator=(const MakerNote &other)
{
    if (this != &other)
        d = std::make_unique<Private>(*other.d);
    return *this;
}

MakerNote::~MakerNote() = default;

MakerNote MakerNote::read(const QByteArray &file, const Exiv2::ExifData &exif)
{
    MakerNote makerNote;
    Private &d = *makerNote.d;
    if (!makerNoteIn(exifBlockOf(file), &d.position, &d.note)) {
        // Exiv2 found it where this reading does not look (a PNG's text chunk): its bytes
        // are Exiv2's, its place unknown.
        d.position = -1;
        const auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.MakerNote"));
        if (it != exif.end() && it->size() > 0) {
            d.note = QByteArray(qsizetype(it->size()), '\0');
            it->copy(reinterpret_cast<Exiv2::byte *>(d.note.data()), Exiv2::littleEndian);
        }
    }
    if (!d.note.isEmpty())
        d.reading = readingOf(d.note, d.position);
    return makerNote;
}

QString MakerNote::carry(Exiv2::ExifData *exif, bool sameLayout) const
{
    if (!exif || std::none_of(exif->begin(), exif->end(), isMakerNoteKey))
        return {};
    QString maker;
    const auto make = exif->findKey(Exiv2::ExifKey("Exif.Image.Make"));
    if (make != exif->end())
        maker = QString::fromStdString(make->toString()).section(QLatin1Char('\0'), 0, 0).trimmed();
    const QString name = maker.isEmpty() ? QStringLiteral("the MakerNote")
                                         : QStringLiteral("the %1 MakerNote").arg(maker);
    const auto leaveOut = [&](const QString &why) {
        for (auto it = exif->begin(); it != exif->end();)
            it = isMakerNoteKey(*it) ? exif->erase(it) : std::next(it);
        return name + QLatin1Char(' ') + why + QStringLiteral("; it is left out");
    };

    if (d->reading.offsets == Offsets::Broken)
        return leaveOut(QStringLiteral("is damaged: its values lie outside it"));
    const bool known = std::any_of(exif->begin(), exif->end(), [](const Exiv2::Exifdatum &datum) {
        return Exiv2::ExifTags::isMakerGroup(datum.groupName()) && datum.groupName() != "MakerNote";
    });
    const bool mayMove = d->reading.offsets == Offsets::None || d->reading.offsets == Offsets::Own;
    try {
        if (mayMove) {
            // Its bytes say the same wherever they lie: they go out as the camera wrote
            // them, not as Exiv2 would write them anew (a new header, a dropped footer).
            const Exiv2::ExifData verbatim = withBytes(*exif, d->note);
            if (landing(verbatim, d->note) >= 0) {
                *exif = verbatim;
                return {};
            }
        }
        if (d->reading.offsets == Offsets::Shifted) {
            // Exiv2 reads such a MakerNote from the wrong place. Its offsets and footer
            // are made to count from where it now lands; nothing else in it changes, so it
            // lands there still.
            const qint64 at = sameLayout ? landing(withBytes(*exif, d->note), d->note) : -1;
            if (at >= 0) {
                QByteArray note = d->note;
                const auto put = [&](qint64 field, qint64 value) {
                    uchar *p = reinterpret_cast<uchar *>(note.data()) + field;
                    d->reading.little ? qToLittleEndian(quint32(value), p)
                                      : qToBigEndian(quint32(value), p);
                };
                for (const Value &value : d->reading.values)
                    put(value.field, value.offset - d->reading.footer + at);
                put(note.size() - 4, at);
                const Exiv2::ExifData rebased = withBytes(*exif, note);
                if (landing(rebased, note) == at) {
                    *exif = rebased;
                    return {};
                }
            }
            return leaveOut(QStringLiteral("counts its offsets from where it once stood and "
                                           "cannot be made to count from where it goes"));
        }
        if (!known && !mayMove && !sameLayout)
            return leaveOut(QStringLiteral("counts its offsets from the start of the EXIF block, "
                                           "which this format lays out anew"));
        const QByteArray block = encoded(*exif);
        if (known) {
            // Exiv2 writes it anew, its offsets for where it now stands: what Exiv2 reads
            // back of it must be what was set.
            Exiv2::ExifData back;
            Exiv2::ExifParser::decode(back,
                                      reinterpret_cast<const Exiv2::byte *>(block.constData()),
                                      uint32_t(block.size()));
            if (makerValues(back) != makerValues(*exif))
                return leaveOut(QStringLiteral("does not read back the same from the new EXIF "
                                               "block"));
            return {};
        }
        qint64 position = -1;
        QByteArray note;
        if (d->position < 0 || !makerNoteIn(block, &position, &note) || position != d->position)
            return leaveOut(QStringLiteral("counts its offsets from the start of the EXIF "
                                           "block and would not stay where they point"));
        return {};
    } catch (const Exiv2::AnyError &e) {
        return leaveOut(QStringLiteral("cannot be checked (Exiv2: %1)").arg(e.what()));
    } catch (const std::exception &e) {
        return leaveOut(QStringLiteral("cannot be checked (%1)").arg(e.what()));
    }
}
