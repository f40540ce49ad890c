// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "colourprofile.h"

#include "metadatacontainer.h"

#include <QtEndian>

#include <algorithm>

namespace ColourProfile {

using MetadataContainer::bytes;
using MetadataContainer::startsWithAt;

QString description(const QByteArray &profile)
{
    const qsizetype size = profile.size();
    if (size < 132)
        return {};
    const auto be32 = [&](qsizetype at) { return qFromBigEndian<quint32>(bytes(profile, at)); };
    const quint32 count = be32(128);
    for (quint32 i = 0; i < count && 132 + 12 * qsizetype(i + 1) <= size; ++i) {
        const qsizetype entry = 132 + 12 * qsizetype(i);
        if (!startsWithAt(profile, entry, size, "desc", 4))
            continue;
        const qsizetype offset = be32(entry + 4);
        const qsizetype length = be32(entry + 8);
        if (offset > size || length > size - offset || length < 12)
            return {};
        const qsizetype end = offset + length;
        if (startsWithAt(profile, offset, end, "desc", 4)) {
            const qsizetype n = std::min<qsizetype>(be32(offset + 8), length - 12);
            return QString::fromLatin1(profile.constData() + offset + 12, n)
                .section(QLatin1Char('\0'), 0, 0)
                .trimmed();
        }
        if (startsWithAt(profile, offset, end, "mluc", 4) && length >= 28) {
            // The English record if there is one, else the first.
            const quint32 records = be32(offset + 8);
            const qsizetype recordSize = be32(offset + 12);
            if (records == 0)
                return {};
            qsizetype chosen = offset + 16;
            for (quint32 r = 0; r < records && recordSize >= 12; ++r) {
                const qsizetype record = offset + 16 + qsizetype(r) * recordSize;
                if (record + 12 > end)
                    break;
                if (startsWithAt(profile, record, end, "en", 2)) {
                    chosen = record;
                    break;
                }
            }
            const qsizetype textLength = be32(chosen + 4);
            const qsizetype textOffset = offset + qsizetype(be32(chosen + 8));
            if (textOffset > end || textLength > end - textOffset)
                return {};
            QString text;
            for (qsizetype at = textOffset; at + 1 < textOffset + textLength; at += 2)
                text += QChar(qFromBigEndian<quint16>(bytes(profile, at)));
            return text.section(QLatin1Char('\0'), 0, 0).trimmed();
        }
        return {};
    }
    return {};
}

} // namespace ColourProfile
