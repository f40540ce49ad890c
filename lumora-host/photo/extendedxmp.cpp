// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "extendedxmp.h"

#include "jpegsegments.h"

#include <QCryptographicHash>
#include <QMap>
#include <QVector>
#include <QtEndian>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <mutex>

namespace ExtendedXmp {

namespace {

const char noteNamespace[] = "http://ns.adobe.com/xmp/note/";
constexpr qsizetype GuidLength = 32;
constexpr qsizetype ChunkHeader = 35 + GuidLength + 8; // signature, GUID, length, offset
// Below the 65533 bytes a segment holds, as the writers people meet leave room.
constexpr qsizetype ChunkData = 65400;

constexpr uint16_t mainFlags
    = Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitAllFormatting;
constexpr uint16_t extensionFlags = mainFlags | Exiv2::XmpParser::omitPacketWrapper;

// Exiv2 knows the note namespace under its own prefix only when a packet brought it.
void registerNoteNamespace()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (Exiv2::XmpProperties::prefix(noteNamespace).empty())
            Exiv2::XmpProperties::registerNs(noteNamespace, "xmpNote");
    });
}

// HasExtendedXMP's key under the prefix Exiv2 knows the note namespace by.
Exiv2::XmpKey guidKey()
{
    return Exiv2::XmpKey("Xmp." + Exiv2::XmpProperties::prefix(noteNamespace) + ".HasExtendedXMP");
}

// HasExtendedXMP under whatever prefix the packet gave the note namespace.
Exiv2::XmpData::iterator findGuid(Exiv2::XmpData *xmp)
{
    return std::find_if(xmp->begin(), xmp->end(), [](const Exiv2::Xmpdatum &datum) {
        return datum.tagName() == "HasExtendedXMP"
            && Exiv2::XmpProperties::ns(datum.groupName()) == noteNamespace;
    });
}

std::string encode(const Exiv2::XmpData &xmp, uint16_t flags)
{
    std::string packet;
    if (Exiv2::XmpParser::encode(packet, xmp, flags) > 1)
        throw Exiv2::Error(Exiv2::kerErrorMessage, "the XMP packet cannot be serialized");
    return packet;
}

// The top-level property a key belongs to: "Xmp.xmpMM.History[1]/stEvt:action" belongs to
// "Xmp.xmpMM.History".
std::string topLevel(const std::string &key)
{
    return key.substr(0, key.find_first_of("[/", 4));
}

QByteArray assemble(const JpegSegments &jpeg, const QByteArray &guid, QString *why)
{
    const QByteArray signature = extensionSignature();
    struct Chunk
    {
        qsizetype offset;
        QByteArray data;
    };
    QVector<Chunk> chunks;
    qsizetype wholeSize = -1;
    qsizetype held = 0;
    for (int i = 0; i < jpeg.count(); ++i) {
        if (jpeg.marker(i) != 0xe1)
            continue;
        const QByteArray payload = jpeg.payload(i);
        if (!payload.startsWith(signature) || payload.size() < ChunkHeader
            || payload.mid(signature.size(), GuidLength) != guid)
            continue;
        const uchar *numbers
            = reinterpret_cast<const uchar *>(payload.constData()) + signature.size() + GuidLength;
        const qsizetype size = qFromBigEndian<quint32>(numbers);
        const qsizetype offset = qFromBigEndian<quint32>(numbers + 4);
        const qsizetype length = payload.size() - ChunkHeader;
        if (wholeSize < 0)
            wholeSize = size;
        if (size != wholeSize || offset > size || length > size - offset) {
            *why = QStringLiteral("its segments disagree on its length");
            return {};
        }
        chunks.append({ offset, payload.mid(ChunkHeader) });
        held += length;
    }
    if (wholeSize < 0) {
        *why = QStringLiteral("no segment holds it");
        return {};
    }
    // The length is checked against what the segments hold before anything that large is
    // made: a damaged length cannot ask for gigabytes.
    std::sort(chunks.begin(), chunks.end(),
              [](const Chunk &a, const Chunk &b) { return a.offset < b.offset; });
    qsizetype covered = 0;
    for (const Chunk &chunk : chunks) {
        if (chunk.offset > covered)
            break;
        covered = std::max(covered, chunk.offset + chunk.data.size());
    }
    if (covered < wholeSize || held < wholeSize) {
        *why = QStringLiteral("bytes from %1 of %2 are missing").arg(covered).arg(wholeSize);
        return {};
    }
    QByteArray whole(wholeSize, '\0');
    for (const Chunk &chunk : chunks)
        std::copy_n(chunk.data.constData(), chunk.data.size(), whole.data() + chunk.offset);
    return whole;
}

} // namespace

QByteArray mainSignature()
{
    return QByteArray("http://ns.adobe.com/xap/1.0/", 29);
}

QByteArray extensionSignature()
{
    return QByteArray("http://ns.adobe.com/xmp/extension/", 35);
}

QString mergeInto(const JpegSegments &jpeg, Exiv2::XmpData *xmp)
{
    const auto named = findGuid(xmp);
    if (named == xmp->end())
        return {};
    const QByteArray guid = QByteArray::fromStdString(named->toString()).trimmed();
    xmp->erase(named);
    QString why;
    if (guid.size() != GuidLength) {
        why = QStringLiteral("HasExtendedXMP holds no GUID");
    } else if (const QByteArray whole = assemble(jpeg, guid, &why); !whole.isEmpty()) {
        Exiv2::XmpData extension;
        if (Exiv2::XmpParser::decode(extension, whole.toStdString()) != 0) {
            why = QStringLiteral("it cannot be parsed");
        } else {
            for (const Exiv2::Xmpdatum &datum : extension) {
                if (xmp->findKey(Exiv2::XmpKey(datum.key())) == xmp->end())
                    xmp->add(datum);
            }
            return {};
        }
    }
    return QStringLiteral("the extended XMP %1 is left out: %2")
        .arg(QString::fromLatin1(guid), why);
}

Split split(const Exiv2::XmpData &xmp)
{
    Split result;
    result.main = encode(xmp, mainFlags);
    if (qsizetype(result.main.size()) <= MaxMainPacket)
        return result;
    registerNoteNamespace();

    // What each top-level property adds to a packet, the largest first.
    const qsizetype empty = qsizetype(encode(Exiv2::XmpData(), mainFlags).size());
    QMap<std::string, Exiv2::XmpData> groups;
    for (const Exiv2::Xmpdatum &datum : xmp)
        groups[topLevel(datum.key())].add(datum);
    std::vector<std::pair<qsizetype, std::string>> bySize;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        bySize.emplace_back(qsizetype(encode(it.value(), mainFlags).size()) - empty, it.key());
    std::stable_sort(bySize.begin(), bySize.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });

    const std::string placeholder(GuidLength, '0');
    Exiv2::XmpData main = xmp;
    Exiv2::XmpData extension;
    main[guidKey().key()] = placeholder;
    qsizetype estimate = qsizetype(result.main.size());
    for (const auto &[size, name] : bySize) {
        for (const Exiv2::Xmpdatum &datum : groups[name]) {
            extension.add(datum);
            const auto it = main.findKey(Exiv2::XmpKey(datum.key()));
            if (it != main.end())
                main.erase(it);
        }
        estimate -= size;
        // The estimate leaves out what namespaces cost; the real packet decides.
        if (estimate <= MaxMainPacket && qsizetype(encode(main, mainFlags).size()) <= MaxMainPacket)
            break;
    }

    const QByteArray serialized = QByteArray::fromStdString(encode(extension, extensionFlags));
    const QByteArray guid
        = QCryptographicHash::hash(serialized, QCryptographicHash::Md5).toHex().toUpper();
    main[guidKey().key()] = guid.toStdString();
    result.main = encode(main, mainFlags);
    if (qsizetype(result.main.size()) > MaxMainPacket)
        throw Exiv2::Error(Exiv2::kerTooLargeJpegSegment, "XMP");

    for (qsizetype offset = 0; offset < serialized.size(); offset += ChunkData) {
        QByteArray payload = extensionSignature() + guid;
        payload.resize(ChunkHeader);
        qToBigEndian<quint32>(quint32(serialized.size()), payload.data() + ChunkHeader - 8);
        qToBigEndian<quint32>(quint32(offset), payload.data() + ChunkHeader - 4);
        payload += serialized.mid(offset, ChunkData);
        result.extension.append(payload);
    }
    return result;
}

} // namespace ExtendedXmp
