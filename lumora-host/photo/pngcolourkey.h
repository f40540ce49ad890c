// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PNGCOLOURKEY_H
#define PNGCOLOURKEY_H

#include <QByteArray>
#include <QImage>

// Transparency by colour key in a 16-bit grey or colour PNG: its tRNS chunk names the
// one sample value (grey) or colour (red, green, blue) that is transparent, at 16 bits.
// Qt's PNG reader misreads such a file (alpha and colours come out wrong), so the key
// is taken out before Qt decodes and applied here, exactly, to the 16-bit samples.
// Palette PNGs, 8-bit and smaller keys and PNGs with an alpha channel Qt reads right:
// they are left to it.
class PngColourKey
{
public:
    // Looks for a 16-bit key in `png` (a whole PNG file). Without one (another kind of
    // PNG, or no PNG at all) the key is absent and nothing is to be done.
    explicit PngColourKey(const QByteArray &png);

    bool isPresent() const { return m_present; }

    // `png` without its tRNS chunk, for Qt to decode as opaque 16-bit grey or colour;
    // the bytes given when no key is present.
    QByteArray withoutKey(const QByteArray &png) const;

    // `opaque` (Qt's decoding of withoutKey()) with the key applied: Format_RGBA64 (Qt
    // has no grey with alpha), alpha 0 where the samples equal the key and full
    // elsewhere, the colours untouched. `opaque` unchanged when no key is present.
    QImage apply(const QImage &opaque) const;

private:
    bool m_present = false;
    bool m_grey = false;
    quint16 m_key[3] = {}; // grey in [0]; or red, green, blue
    qsizetype m_chunkAt = 0; // where the tRNS chunk starts, with its length field
    qsizetype m_chunkSize = 0; // the whole chunk: length, type, data and CRC
};

#endif // PNGCOLOURKEY_H
