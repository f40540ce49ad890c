// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pngcolourkey.h"

#include <QColorSpace>

namespace {

quint32 be32(const QByteArray &b, qsizetype at)
{
    return quint32(uchar(b.at(at))) << 24 | quint32(uchar(b.at(at + 1))) << 16
        | quint32(uchar(b.at(at + 2))) << 8 | quint32(uchar(b.at(at + 3)));
}

quint16 be16(const QByteArray &b, qsizetype at)
{
    return quint16(uchar(b.at(at)) << 8 | uchar(b.at(at + 1)));
}

} // namespace

PngColourKey::PngColourKey(const QByteArray &png)
{
    // Signature, then IHDR first: width, height, bit depth, colour type (0 grey, 2 colour).
    if (png.size() < 33 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR")
        return;
    const int depth = uchar(png.at(24));
    const int colourType = uchar(png.at(25));
    if (depth != 16 || (colourType != 0 && colourType != 2))
        return;
    // tRNS comes before the first IDAT; a damaged chunk list is the decoder's to report.
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = be32(png, at);
        const QByteArray type = png.mid(at + 4, 4);
        const qsizetype size = 12 + qsizetype(length);
        if (length > 0x7fffffffu || at + size > png.size() || type == "IDAT")
            return;
        if (type == "tRNS") {
            m_grey = colourType == 0;
            if (length != (m_grey ? 2u : 6u))
                return; // malformed: libpng ignores it, and so does this
            for (int i = 0; i < (m_grey ? 1 : 3); ++i)
                m_key[i] = be16(png, at + 8 + 2 * i);
            m_present = true;
            m_chunkAt = at;
            m_chunkSize = size;
            return;
        }
        at += size;
    }
}

QByteArray PngColourKey::withoutKey(const QByteArray &png) const
{
    if (!m_present)
        return png;
    QByteArray stripped;
    stripped.reserve(png.size() - m_chunkSize);
    stripped.append(png.constData(), m_chunkAt);
    stripped.append(png.constData() + m_chunkAt + m_chunkSize,
                    png.size() - m_chunkAt - m_chunkSize);
    return stripped;
}

QImage PngColourKey::apply(const QImage &opaque) const
{
    if (!m_present || opaque.isNull())
        return opaque;
    // The key is compared with the samples as stored: Qt keeps 16-bit PNG samples as
    // they are in Grayscale16 and RGBX64, and widening grey to RGBA64 copies them.
    QImage keyed = opaque.convertToFormat(QImage::Format_RGBA64);
    if (keyed.isNull())
        return keyed;
    keyed.setColorSpace(opaque.colorSpace());
    for (int y = 0; y < keyed.height(); ++y) {
        QRgba64 *line = reinterpret_cast<QRgba64 *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            QRgba64 &pixel = line[x];
            const bool transparent = m_grey
                ? pixel.red() == m_key[0]
                : pixel.red() == m_key[0] && pixel.green() == m_key[1] && pixel.blue() == m_key[2];
            if (transparent)
                pixel.setAlpha(0);
        }
    }
    return keyed;
}
