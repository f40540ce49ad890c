// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "jpegsegments.h"

#include "jpegtrailer.h"

#include <QVector>
#include <QtEndian>

namespace {

struct Segment
{
    uchar marker;
    QByteArray payload;
};

quint16 lengthAt(const QByteArray &data, qsizetype at)
{
    return quint16((uchar(data[at]) << 8) | uchar(data[at + 1]));
}

bool isStandalone(uchar marker)
{
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

} // namespace

class JpegSegments::Private
{
public:
    QByteArray original;
    bool valid = false;
    QVector<Segment> segments;
    QByteArray scans; // from the first SOS to the end of the file
};

JpegSegments::JpegSegments(const QByteArray &jpeg)
    : d(std::make_unique<Private>())
{
    d->original = jpeg;
    if (!jpeg.startsWith("\xff\xd8"))
        return;
    qsizetype at = 2;
    QVector<Segment> segments;
    while (at + 4 <= jpeg.size()) {
        if (uchar(jpeg[at]) != 0xff)
            return;
        const uchar marker = uchar(jpeg[at + 1]);
        if (marker == 0xff) { // fill byte
            ++at;
            continue;
        }
        if (isStandalone(marker) || marker == 0xd8 || marker == 0xd9)
            return; // no image before them: not a header this can rewrite
        if (marker == 0xda) {
            d->segments = segments;
            d->scans = jpeg.mid(at);
            d->valid = true;
            return;
        }
        const qsizetype length = lengthAt(jpeg, at + 2);
        if (length < 2 || at + 2 + length > jpeg.size())
            return;
        segments.append({ marker, jpeg.mid(at + 4, length - 2) });
        at += 2 + length;
    }
}

JpegSegments::~JpegSegments() = default;

bool JpegSegments::isValid() const
{
    return d->valid;
}

int JpegSegments::count() const
{
    return int(d->segments.size());
}

uchar JpegSegments::marker(int index) const
{
    return d->segments.at(index).marker;
}

QByteArray JpegSegments::payload(int index) const
{
    return d->segments.at(index).payload;
}

void JpegSegments::removeIf(
    const std::function<bool(uchar marker, const QByteArray &payload)> &drop)
{
    d->segments.removeIf(
        [&drop](const Segment &segment) { return drop(segment.marker, segment.payload); });
}

bool JpegSegments::insert(int index, uchar marker, const QByteArray &payload)
{
    if (!d->valid || payload.size() > MaxPayload || index < 0 || index > count())
        return false;
    d->segments.insert(index, { marker, payload });
    return true;
}

bool JpegSegments::cutTrailer()
{
    const QByteArray whole = bytes();
    const qsizetype end = JpegTrailer::primaryPictureEnd(whole);
    if (!d->valid || end < 0)
        return false;
    d->scans.chop(whole.size() - end);
    return true;
}

QByteArray JpegSegments::bytes() const
{
    if (!d->valid)
        return d->original;
    QByteArray out("\xff\xd8", 2);
    for (const Segment &segment : d->segments) {
        char head[4] = { char(0xff), char(segment.marker), 0, 0 };
        qToBigEndian<quint16>(quint16(segment.payload.size() + 2), head + 2);
        out.append(head, 4);
        out.append(segment.payload);
    }
    return out + d->scans;
}
