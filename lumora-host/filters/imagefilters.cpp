// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "imagefilters.h"

#include <QColorSpace>
#include <QMetaType>
#include <QRgba64>
#include <QStringList>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace ImageFilters {

namespace {

// The format each input is worked on in; the header lists the mapping. Straight (not
// premultiplied) alpha keeps the colour maths independent of it, and one format per depth and
// colour model keeps the number of instantiations of every pixel loop at four.
QImage::Format workingFormat(const QImage &image)
{
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        return image.format();
    case QImage::Format_RGB30:
    case QImage::Format_BGR30:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBX32FPx4:
        return QImage::Format_RGBX64;
    case QImage::Format_A2RGB30_Premultiplied:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return QImage::Format_RGBA64;
    default:
        return image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    }
}

// Qt's conversions carry the metadata along.
QImage toWorkingFormat(const QImage &image)
{
    if (image.isNull())
        return QImage();
    const QImage::Format target = workingFormat(image);
    return image.format() == target ? image : image.convertToFormat(target);
}

// Gives result what Qt's own copy() of source would carry, so that every filter behaves like a
// copy followed by an edit.
void copyMetadata(QImage &result, const QImage &source)
{
    result.setDotsPerMeterX(source.dotsPerMeterX());
    result.setDotsPerMeterY(source.dotsPerMeterY());
    result.setOffset(source.offset());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.setColorSpace(source.colorSpace());
    const QStringList keys = source.textKeys();
    for (const QString &key : keys)
        result.setText(key, source.text(key));
}

// A fresh picture of the given format and size with source's metadata; null when it cannot be
// allocated.
QImage blankLike(const QImage &source, QImage::Format format, const QSize &size)
{
    QImage result(size, format);
    if (!result.isNull())
        copyMetadata(result, source);
    return result;
}

// Channel depths. Real is the type the colour formulas compute in: every sum they form is a whole
// number below 2^22 for 8 bits, exact in a float, and below 2^32 for 16 bits, exact in a double
// (see quotient()). Histograms use several interleaved sets for 8 bits, where runs of equal pixels
// would otherwise make every increment wait for the previous store to the same counter; at 16
// bits such runs are rarer and four sets of 65536 counters would no longer stay in the cache.
struct Depth8
{
    using Channel = quint8;
    using Real = float;
    static constexpr int Max = 255;
    static constexpr int HistogramSets = 4;
};

struct Depth16
{
    using Channel = quint16;
    using Real = double;
    static constexpr int Max = 65535;
    static constexpr int HistogramSets = 1;
};

// Pixel access for the four families of working formats, so that each operation is written once.
// red(), green() and blue() read a pixel as colour (a grey one as three equal channels); Colour
// is the family colour effects write, and colourOf(p) a pixel of it carrying p's alpha (opaque
// for grey), to take withChannels().

struct Rgb32Pixels
{
    using Pixel = QRgb;
    using Depth = Depth8;
    using Colour = Rgb32Pixels;
    static constexpr int Channels = 3;
    static int red(Pixel p) { return int((p >> 16) & 0xff); }
    static int green(Pixel p) { return int((p >> 8) & 0xff); }
    static int blue(Pixel p) { return int(p & 0xff); }
    static Pixel colourOf(Pixel p) { return p; }
    static Pixel opaqueBlack() { return 0xff000000u; }
    static Pixel withChannels(Pixel original, quint32 r, quint32 g, quint32 b)
    {
        return (original & 0xff000000u) | (r << 16) | (g << 8) | b;
    }
    static QImage::Format colourFormat(QImage::Format own) { return own; }
};

struct Rgb64Pixels
{
    using Pixel = QRgba64;
    using Depth = Depth16;
    using Colour = Rgb64Pixels;
    static constexpr int Channels = 3;
    static int red(Pixel p) { return p.red(); }
    static int green(Pixel p) { return p.green(); }
    static int blue(Pixel p) { return p.blue(); }
    static Pixel colourOf(Pixel p) { return p; }
    static Pixel opaqueBlack() { return QRgba64::fromRgba64(0, 0, 0, 65535); }
    static Pixel withChannels(Pixel original, quint32 r, quint32 g, quint32 b)
    {
        return QRgba64::fromRgba64(quint16(r), quint16(g), quint16(b), original.alpha());
    }
    static QImage::Format colourFormat(QImage::Format own) { return own; }
};

template<typename Value, typename ColourPixels, QImage::Format ColourFormat> struct GreyPixels
{
    using Pixel = Value;
    using Depth = typename ColourPixels::Depth;
    using Colour = ColourPixels;
    static constexpr int Channels = 1;
    static int value(Pixel p) { return int(p); }
    static int red(Pixel p) { return int(p); }
    static int green(Pixel p) { return int(p); }
    static int blue(Pixel p) { return int(p); }
    static typename Colour::Pixel colourOf(Pixel) { return Colour::opaqueBlack(); }
    static QImage::Format colourFormat(QImage::Format) { return ColourFormat; }
    // The grey of a picture whose channels are equal.
    static Pixel fromColour(typename Colour::Pixel p) { return Pixel(Colour::green(p)); }
};

using Grey8Pixels = GreyPixels<quint8, Rgb32Pixels, QImage::Format_RGB32>;
using Grey16Pixels = GreyPixels<quint16, Rgb64Pixels, QImage::Format_RGBX64>;

// Calls operation with the pixel family of source, which is in a working format; a null picture
// gives a null result.
template<typename Operation> QImage withPixels(const QImage &source, Operation operation)
{
    if (source.isNull())
        return QImage();
    switch (source.format()) {
    case QImage::Format_Grayscale8:
        return operation(Grey8Pixels());
    case QImage::Format_Grayscale16:
        return operation(Grey16Pixels());
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        return operation(Rgb64Pixels());
    default:
        return operation(Rgb32Pixels());
    }
}

// Below this many pixels a filter runs on the calling thread alone: handing out bands costs
// tens of microseconds, more than the whole filter takes on a small picture.
constexpr qint64 ParallelPixels = qint64(1) << 19;

struct Band
{
    int index;
    int first;
    int last; // one past
};

// Rows 0..rows of a picture of the given pixel count, cut into bands for the global thread
// pool: one band for a small picture or a pool of one thread, else a few per thread, so that a
// core taken by other work does not hold the rest up.
std::vector<Band> bandsOf(int rows, qint64 pixels)
{
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    const int count
        = pixels < ParallelPixels || threads <= 1 ? 1 : std::clamp(4 * threads, 1, rows);
    std::vector<Band> bands;
    bands.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        bands.push_back({ i, int(qint64(rows) * i / count), int(qint64(rows) * (i + 1) / count) });
    return bands;
}

// Runs work(band) for every band and returns when all are done; the calling thread takes a
// share itself (QtConcurrent's blocking map), so that this cannot starve when called from a
// thread of the pool.
template<typename Work> void runBands(std::vector<Band> &bands, const Work &work)
{
    if (bands.size() == 1)
        work(bands.front());
    else if (bands.size() > 1)
        QtConcurrent::blockingMap(bands, [&work](Band &band) { work(band); });
}

// work(first, last) over rows 0..rows of a picture of the given pixel count, in bands.
template<typename Work> void forRows(int rows, qint64 pixels, const Work &work)
{
    std::vector<Band> bands = bandsOf(rows, pixels);
    runBands(bands, [&work](const Band &band) { work(band.first, band.last); });
}

qint64 pixelCount(const QImage &image)
{
    return qint64(image.width()) * image.height();
}

// One row of a pixel map. Everything by value: were the width or the function's tables reached
// through a reference, the compiler would have to assume that storing a pixel may change them,
// and would leave the loop scalar.
template<typename InPixel, typename OutPixel, typename PixelFunction>
inline void mapRow(const InPixel *in, OutPixel *out, int width, PixelFunction pixelFunction)
{
    for (int x = 0; x < width; ++x)
        out[x] = pixelFunction(in[x]);
}

// Writes pixelFunction(p) for every pixel p of source into result, a picture of the same size
// that the caller hands over (a shared one would be copied by bits()), in bands of rows. A
// template so that each filter's per-pixel code is inlined into the inner loop; per-pixel calls
// through QColor or pixel() would cost many times the price of a copy on large pictures.
template<typename InPixel, typename OutPixel, typename PixelFunction>
QImage mapPixels(const QImage &source, QImage result, PixelFunction pixelFunction)
{
    if (result.isNull())
        return result;
    const int width = source.width();
    const qsizetype inStride = source.bytesPerLine();
    const qsizetype outStride = result.bytesPerLine();
    const uchar *inBits = source.constBits();
    uchar *outBits = result.bits();
    forRows(source.height(), pixelCount(source), [&](int first, int last) {
        for (int y = first; y < last; ++y)
            mapRow(reinterpret_cast<const InPixel *>(inBits + y * inStride),
                   reinterpret_cast<OutPixel *>(outBits + y * outStride), width, pixelFunction);
    });
    return result;
}

// The same over image's own pixels, which the caller holds alone (else bits() copies them).
template<typename Pixel, typename PixelFunction>
void mapPixelsInPlace(QImage &image, PixelFunction pixelFunction)
{
    const int width = image.width();
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    forRows(image.height(), pixelCount(image), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            Pixel *line = reinterpret_cast<Pixel *>(bits + y * stride);
            mapRow(line, line, width, pixelFunction);
        }
    });
}

struct Rgb
{
    quint32 red;
    quint32 green;
    quint32 blue;
};

// Runs a colour effect, effect(r, g, b) -> Rgb, over every pixel of source, whose family is P,
// into a picture of P's colour family; alpha passes through.
template<typename P, typename Effect> QImage mapColours(const QImage &source, Effect effect)
{
    using Colour = typename P::Colour;
    return mapPixels<typename P::Pixel, typename Colour::Pixel>(
        source, blankLike(source, P::colourFormat(source.format()), source.size()),
        [effect](typename P::Pixel p) {
            const Rgb c = effect(P::red(p), P::green(p), P::blue(p));
            return Colour::withChannels(P::colourOf(p), c.red, c.green, c.blue);
        });
}

// The same in image's own pixels, for a colour family P (whose colour format is its own).
template<typename P, typename Effect> void mapColoursInPlace(QImage &image, Effect effect)
{
    static_assert(P::Channels == 3);
    mapPixelsInPlace<typename P::Pixel>(image, [effect](typename P::Pixel p) {
        const Rgb c = effect(P::red(p), P::green(p), P::blue(p));
        return P::withChannels(p, c.red, c.green, c.blue);
    });
}

// Mirrors into result, a picture of source's size and format, in bands of result's rows.
template<typename Pixel> QImage mirrored(const QImage &source, QImage result, bool horizontal)
{
    if (result.isNull())
        return result;
    const int width = source.width();
    const int height = source.height();
    const qsizetype inStride = source.bytesPerLine();
    const qsizetype outStride = result.bytesPerLine();
    const uchar *inBits = source.constBits();
    uchar *outBits = result.bits();
    forRows(height, pixelCount(source), [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            Pixel *out = reinterpret_cast<Pixel *>(outBits + y * outStride);
            if (horizontal) {
                const Pixel *in = reinterpret_cast<const Pixel *>(inBits + y * inStride);
                std::reverse_copy(in, in + width, out);
            } else {
                const Pixel *in
                    = reinterpret_cast<const Pixel *>(inBits + (height - 1 - y) * inStride);
                std::copy(in, in + width, out);
            }
        }
    });
    return result;
}

// Mirrors image's own pixels (see mapPixelsInPlace()): left-right, top-bottom, or both, which is
// the half turn. Top-bottom swaps row y with row height - 1 - y, so the bands run over the top
// half only.
template<typename Pixel> void mirrorInPlace(QImage &image, bool leftRight, bool topBottom)
{
    const int width = image.width();
    const int height = image.height();
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits();
    const auto line = [&](int y) { return reinterpret_cast<Pixel *>(bits + y * stride); };
    if (!topBottom) {
        forRows(height, pixelCount(image), [&](int first, int last) {
            for (int y = first; y < last; ++y)
                std::reverse(line(y), line(y) + width);
        });
        return;
    }
    forRows((height + 1) / 2, pixelCount(image) / 2, [&](int first, int last) {
        for (int y = first; y < last; ++y) {
            Pixel *top = line(y);
            Pixel *bottom = line(height - 1 - y);
            if (top == bottom) {
                if (leftRight) // the middle row of a half turn; top-bottom alone keeps it
                    std::reverse(top, top + width);
            } else if (leftRight) {
                std::swap_ranges(top, top + width, std::reverse_iterator<Pixel *>(bottom + width));
            } else {
                std::swap_ranges(top, top + width, bottom);
            }
        }
    });
}

// Source turned clockwise by one, two or three quarter turns. Quarter turns go through square
// tiles, so that the reads down a source column and the writes along a result row both stay
// within a few cache lines; the bands are runs of result rows (source columns), so that no two
// threads write to one row.
template<typename Pixel> QImage turned(const QImage &source, int quarterTurns)
{
    const int width = source.width();
    const int height = source.height();
    const bool sideways = quarterTurns != 2;
    QImage result
        = blankLike(source, source.format(), sideways ? QSize(height, width) : source.size());
    if (result.isNull())
        return result;
    if (!sideways) {
        const qsizetype inStride = source.bytesPerLine();
        const qsizetype outStride = result.bytesPerLine();
        const uchar *inBits = source.constBits();
        uchar *outBits = result.bits();
        forRows(height, pixelCount(source), [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                const Pixel *line
                    = reinterpret_cast<const Pixel *>(inBits + (height - 1 - y) * inStride);
                std::reverse_copy(line, line + width,
                                  reinterpret_cast<Pixel *>(outBits + y * outStride));
            }
        });
        return result;
    }
    const qsizetype inStride = source.bytesPerLine();
    const qsizetype outStride = result.bytesPerLine();
    const uchar *inBits = source.constBits();
    uchar *outBits = result.bits();
    const auto in
        = [&](int x, int y) { return reinterpret_cast<const Pixel *>(inBits + y * inStride)[x]; };
    const auto outLine = [&](int y) { return reinterpret_cast<Pixel *>(outBits + y * outStride); };

    // The resolution belongs to the picture's sides, which trade places.
    result.setDotsPerMeterX(source.dotsPerMeterY());
    result.setDotsPerMeterY(source.dotsPerMeterX());
    // Clockwise, source pixel (x, y) lands at (height - 1 - y, x); counter-clockwise at
    // (y, width - 1 - x).
    const bool clockwise = quarterTurns == 1;
    // A tile's source and result rows (256 bytes at most) stay within the first-level cache.
    constexpr int Tile = sizeof(Pixel) > 4 ? 32 : 64;
    forRows(width, pixelCount(source), [&](int firstColumn, int lastColumn) {
        for (int top = 0; top < height; top += Tile) {
            const int bottom = std::min(top + Tile, height);
            for (int left = firstColumn; left < lastColumn; left += Tile) {
                const int right = std::min(left + Tile, lastColumn);
                for (int x = left; x < right; ++x) {
                    Pixel *out = outLine(clockwise ? x : width - 1 - x);
                    if (clockwise) {
                        for (int y = top; y < bottom; ++y)
                            out[height - 1 - y] = in(x, y);
                    } else {
                        for (int y = top; y < bottom; ++y)
                            out[y] = in(x, y);
                    }
                }
            }
        }
    });
    return result;
}

// floor(n / d) for a whole number 0 <= n < 2^22 held in a float, given d's reciprocal rounded to
// a float. One multiplication rather than an integer division, so that the pixel loops below
// vectorise well: n + 0.5 is exact in a float and (n + 0.5) / d lies at least 0.5 / d from any
// whole number, while the two roundings (of the reciprocal and of the product) are off by less
// than (n + 0.5) / d * 2^-23 < 0.5 / d; the truncated product is thus the exact quotient. Whole
// channel values times whole weights, and their sums, stay below 2^22 and are exact in a float.
// The same holds in a double for n < 2^51, which the 16-bit sums stay far below.
template<typename Real> inline int quotient(Real n, Real reciprocal)
{
    return int((n + Real(0.5)) * reciprocal);
}

// Rec. 601 luma, rounded: (299 R + 587 G + 114 B + 500) / 1000, for greyscale and old colour
// photo. The weights add up to 1000, so that greys map exactly to themselves.
template<typename Real> inline int luma601(Real r, Real g, Real b)
{
    return quotient(299 * r + 587 * g + 114 * b + 500, Real(1) / 1000);
}

// An 8-bit channel value at depth D: 0 and 255 map to 0 and D::Max.
template<typename D> constexpr int scaledFrom8(int value)
{
    return value * (D::Max / 255);
}

// Linear ramp from 0..Max onto low..high (given in 8-bit units), computed rather than looked up
// so that the loop using it vectorises: low + (v (high - low) + Max / 2) / Max, as rampLut().
template<typename D> inline quint32 ramp(int v, int low8, int high8)
{
    using Real = typename D::Real;
    const int low = scaledFrom8<D>(low8);
    const int high = scaledFrom8<D>(high8);
    return quint32(low + quotient(Real(v) * Real(high - low) + Real(D::Max / 2), Real(1) / D::Max));
}

template<typename D> using Lut = std::vector<typename D::Channel>;

// Linear ramp from 0..Max onto low..high (given in 8-bit units), rounded.
template<typename D> Lut<D> rampLut(int low8, int high8)
{
    const qint64 low = scaledFrom8<D>(low8);
    const qint64 high = scaledFrom8<D>(high8);
    Lut<D> lut(D::Max + 1);
    for (qint64 v = 0; v <= D::Max; ++v)
        lut[v] = typename D::Channel(low + (v * (high - low) + D::Max / 2) / D::Max);
    return lut;
}

// S-shaped curve t - a * sin(2 pi t) / (2 pi): keeps 0, 1/2 and 1, raises the slope in the middle
// to 1 + a and lowers it at both ends to 1 - a; monotonic for a <= 1. Sampled at every value of
// the depth.
template<typename D> Lut<D> sCurveLut(double strength)
{
    constexpr double twoPi = 6.283185307179586;
    constexpr double max = D::Max;
    Lut<D> lut(D::Max + 1);
    for (int v = 0; v <= D::Max; ++v) {
        const double t = v / max;
        const double curved = t - strength * std::sin(twoPi * t) / twoPi;
        lut[v] = typename D::Channel(std::clamp(std::lround(curved * max), 0L, long(D::Max)));
    }
    return lut;
}

template<typename D> struct ChannelLuts
{
    Lut<D> red;
    Lut<D> green;
    Lut<D> blue;
};

// Cross-processing curves, built once per depth on first use (thread-safe static
// initialisation); 384 KiB at 16 bits.
template<typename D> const ChannelLuts<D> &crossProcessingLuts()
{
    static const ChannelLuts<D> luts { sCurveLut<D>(0.6), sCurveLut<D>(0.3), rampLut<D>(32, 224) };
    return luts;
}

// The colour effects, one per depth; each maps a pixel's channels to new ones.

template<typename D> struct Greyscale
{
    Rgb operator()(int r, int g, int b) const
    {
        using Real = typename D::Real;
        const quint32 y = quint32(luma601(Real(r), Real(g), Real(b)));
        return { y, y, y };
    }
};

template<typename D> struct Sepia
{
    Rgb operator()(int red, int green, int blue) const
    {
        using Real = typename D::Real;
        const Real r = Real(red);
        const Real g = Real(green);
        const Real b = Real(blue);
        constexpr Real OneThousandth = Real(1) / 1000;
        const int outR = quotient(393 * r + 769 * g + 189 * b + 500, OneThousandth);
        const int outG = quotient(349 * r + 686 * g + 168 * b + 500, OneThousandth);
        // Blue's weights add up to .937, so it never needs the clamp.
        const int outB = quotient(272 * r + 534 * g + 131 * b + 500, OneThousandth);
        return { quint32(std::min(outR, D::Max)), quint32(std::min(outG, D::Max)), quint32(outB) };
    }
};

template<typename D> struct OldColorPhoto
{
    Rgb operator()(int red, int green, int blue) const
    {
        using Real = typename D::Real;
        const Real r = Real(red);
        const Real g = Real(green);
        const Real b = Real(blue);
        constexpr Real OneTenth = Real(1) / 10;
        // 40 % of the way toward luma: (6 c + 4 y) / 10, rounded.
        const Real y4 = Real(4 * luma601(r, g, b) + 5);
        // Then the fade ramps: black lands on a dark brown and white on a cream; red keeps the
        // widest range and blue the narrowest, which warms the picture.
        return { ramp<D>(quotient(6 * r + y4, OneTenth), 32, 240),
                 ramp<D>(quotient(6 * g + y4, OneTenth), 24, 228),
                 ramp<D>(quotient(6 * b + y4, OneTenth), 16, 208) };
    }
};

template<typename D> struct CrossProcessing
{
    const ChannelLuts<D> &luts = crossProcessingLuts<D>();
    Rgb operator()(int r, int g, int b) const
    {
        return { luts.red[r], luts.green[g], luts.blue[b] };
    }
};

// Runs a colour effect over image in its working format, at its depth.
template<template<typename> class Effect> QImage applyEffect(const QImage &image)
{
    const QImage source = toWorkingFormat(image);
    return withPixels(source, [&source](auto pixels) {
        using P = decltype(pixels);
        return mapColours<P>(source, Effect<typename P::Depth>());
    });
}

// Counts of every value of every channel of source, channel after channel. Each band counts
// into its own sets and the bands' counts are added up at the end: whole numbers, so the sum is
// the same in any order and with any number of bands.
template<typename P> std::vector<qint64> histograms(const QImage &source)
{
    using D = typename P::Depth;
    constexpr int Sets = D::HistogramSets;
    constexpr int Channels = P::Channels;
    constexpr qsizetype Levels = D::Max + 1;

    // Spelt out per channel: GCC at -O2 leaves a loop over the channels rolled.
    const auto count = [](qint64 *set, typename P::Pixel p) {
        if constexpr (Channels == 1) {
            ++set[P::value(p)];
        } else {
            ++set[P::red(p)];
            ++set[Levels + P::green(p)];
            ++set[2 * Levels + P::blue(p)];
        }
    };
    const int width = source.width();
    std::vector<Band> bands = bandsOf(source.height(), pixelCount(source));
    std::vector<std::vector<qint64>> partials(bands.size());
    runBands(bands, [&](const Band &band) {
        std::vector<qint64> &partial = partials[size_t(band.index)];
        partial.assign(size_t(Sets * Channels * Levels), 0);
        qint64 *const counts = partial.data();
        for (int y = band.first; y < band.last; ++y) {
            const auto *line = reinterpret_cast<const typename P::Pixel *>(source.constScanLine(y));
            int x = 0;
            for (; x + Sets <= width; x += Sets) {
                for (int s = 0; s < Sets; ++s)
                    count(counts + s * Channels * Levels, line[x + s]);
            }
            for (; x < width; ++x)
                count(counts, line[x]);
        }
        for (int s = 1; s < Sets; ++s)
            for (qsizetype i = 0; i < Channels * Levels; ++i)
                counts[i] += counts[s * Channels * Levels + i];
    });

    std::vector<qint64> total = std::move(partials.front());
    total.resize(size_t(Channels * Levels));
    for (size_t b = 1; b < partials.size(); ++b)
        for (qsizetype i = 0; i < Channels * Levels; ++i)
            total[size_t(i)] += partials[b][size_t(i)];
    return total;
}

// The value at which a channel's stretch starts: the lowest value with more than clipCount
// pixels at or below it, so that at most clipCount pixels fall below and are clipped.
template<typename D> int lowEnd(const qint64 *histogram, double clipCount)
{
    qint64 cumulative = 0;
    for (int v = 0; v <= D::Max; ++v) {
        cumulative += histogram[v];
        if (double(cumulative) > clipCount)
            return v;
    }
    return D::Max;
}

template<typename D> int highEnd(const qint64 *histogram, double clipCount)
{
    qint64 cumulative = 0;
    for (int v = D::Max; v >= 0; --v) {
        cumulative += histogram[v];
        if (double(cumulative) > clipCount)
            return v;
    }
    return 0;
}

template<typename D> Lut<D> levelsLut(int low, int high)
{
    using Channel = typename D::Channel;
    Lut<D> lut(D::Max + 1);
    if (low >= high) {
        for (int v = 0; v <= D::Max; ++v)
            lut[v] = Channel(v);
        return lut;
    }
    // Rounded half up: ((v - low) 2 Max + range) / (2 range).
    const qint64 range = high - low;
    for (int v = 0; v <= D::Max; ++v) {
        if (v <= low)
            lut[v] = 0;
        else if (v >= high)
            lut[v] = Channel(D::Max);
        else
            lut[v] = Channel(((v - low) * 2 * qint64(D::Max) + range) / (2 * range));
    }
    return lut;
}

const QString FlipName = QStringLiteral("org.quenta.flip");
const QString RotateName = QStringLiteral("org.quenta.rotate");
const QString AutoLevelsName = QStringLiteral("org.quenta.auto.levels");
const QString CropName = QStringLiteral("org.quenta.crop");
const QString ScaleName = QStringLiteral("org.quenta.scale");
const QString GreyscaleName = QStringLiteral("com.velmo.greyscale");
const QString SepiaName = QStringLiteral("com.velmo.sepia");
const QString OldColorPhotoName = QStringLiteral("com.velmo.old-color-photo");
const QString CrossProcessingName = QStringLiteral("com.velmo.cross-processing");

QImage fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return QImage();
}

// Looks up key and checks its exact variant type; on failure fills *message and returns false.
bool takeOption(const QHash<QString, QVariant> &options, const QString &filterName,
                const QString &key, QMetaType::Type type, QVariant *value, QString *message)
{
    const QString wanted = QString::fromLatin1(QMetaType(type).name());
    const auto found = options.constFind(key);
    if (found == options.constEnd() || !found->isValid()) {
        *message = QStringLiteral("The filter \"%1\" needs the option \"%2\" of type %3.")
                       .arg(filterName, key, wanted);
        return false;
    }
    if (found->typeId() != type) {
        *message = QStringLiteral("The option \"%1\" of the filter \"%2\" must be of type %3, "
                                  "not %4.")
                       .arg(key, filterName, wanted, QString::fromLatin1(found->typeName()));
        return false;
    }
    *value = *found;
    return true;
}

// The per-pixel function auto levels applies to source, a picture of family P.
template<typename P> auto levelsFunction(const QImage &source, double clipPercent)
{
    using D = typename P::Depth;
    using Pixel = typename P::Pixel;
    constexpr qsizetype Levels = D::Max + 1;
    const double percent = std::clamp(std::isnan(clipPercent) ? 0.0 : clipPercent, 0.0, 50.0);
    const double clipCount = double(pixelCount(source)) * percent / 100.0;
    const std::vector<qint64> counts = histograms<P>(source);
    std::array<std::shared_ptr<const Lut<D>>, 3> luts;
    for (int c = 0; c < P::Channels; ++c)
        luts[size_t(c)] = std::make_shared<const Lut<D>>(
            levelsLut<D>(lowEnd<D>(counts.data() + c * Levels, clipCount),
                         highEnd<D>(counts.data() + c * Levels, clipCount)));
    if constexpr (P::Channels == 1) {
        return [lut = luts[0], values = luts[0]->data()](Pixel p) { return Pixel(values[p]); };
    } else {
        return [luts, red = luts[0]->data(), green = luts[1]->data(),
                blue = luts[2]->data()](Pixel p) {
            return P::withChannels(p, red[P::red(p)], green[P::green(p)], blue[P::blue(p)]);
        };
    }
}

// Whether a filter may write its result into image's own pixels: image is in its working format
// (so that it needs no converted copy) and nobody else shares it.
bool reusable(const QImage &image)
{
    return !image.isNull() && image.format() == workingFormat(image) && image.isDetached();
}

// The filters that can work in image's own pixels, run there; image is reusable() and its
// options have been checked. Empty when the filter needs a picture of another size or format.
std::optional<QImage> filteredInPlace(QImage &image, const QString &filterName,
                                      const QVariant &option)
{
    const auto inPlace = [&](auto edit) -> std::optional<QImage> {
        return withPixels(image, [&](auto pixels) {
            edit(pixels);
            return std::move(image);
        });
    };
    const auto colour = [&](auto effect) -> std::optional<QImage> {
        if (image.format() == QImage::Format_Grayscale8
            || image.format() == QImage::Format_Grayscale16)
            return std::nullopt;
        return inPlace([&](auto pixels) {
            using P = decltype(pixels);
            if constexpr (P::Channels == 3)
                mapColoursInPlace<P>(image, decltype(effect(pixels))());
        });
    };
    if (filterName == FlipName) {
        const bool horizontal = option.toBool();
        return inPlace([&](auto pixels) {
            mirrorInPlace<typename decltype(pixels)::Pixel>(image, horizontal, !horizontal);
        });
    }
    if (filterName == RotateName) {
        const int quarterTurns = ((option.toInt() / 90) % 4 + 4) % 4;
        if (quarterTurns == 0)
            return std::move(image);
        if (quarterTurns != 2)
            return std::nullopt;
        return inPlace([&](auto pixels) {
            mirrorInPlace<typename decltype(pixels)::Pixel>(image, true, true);
        });
    }
    if (filterName == AutoLevelsName) {
        return inPlace([&](auto pixels) {
            using P = decltype(pixels);
            mapPixelsInPlace<typename P::Pixel>(image,
                                                levelsFunction<P>(image, AutoLevelsClipPercent));
        });
    }
    if (filterName == GreyscaleName) {
        if (image.format() == QImage::Format_Grayscale8
            || image.format() == QImage::Format_Grayscale16)
            return std::move(image); // greys are their own greyscale
        return colour([](auto p) { return Greyscale<typename decltype(p)::Depth>(); });
    }
    if (filterName == SepiaName)
        return colour([](auto p) { return Sepia<typename decltype(p)::Depth>(); });
    if (filterName == OldColorPhotoName)
        return colour([](auto p) { return OldColorPhoto<typename decltype(p)::Depth>(); });
    if (filterName == CrossProcessingName)
        return colour([](auto p) { return CrossProcessing<typename decltype(p)::Depth>(); });
    return std::nullopt;
}

} // namespace

QImage flip(const QImage &image, bool horizontal)
{
    const QImage source = toWorkingFormat(image);
    return withPixels(source, [&](auto pixels) {
        using Pixel = typename decltype(pixels)::Pixel;
        return mirrored<Pixel>(source, blankLike(source, source.format(), source.size()),
                               horizontal);
    });
}

QImage rotate(const QImage &image, int degreesClockwise)
{
    if (degreesClockwise % 90 != 0)
        return QImage();
    const QImage source = toWorkingFormat(image);
    const int quarterTurns = ((degreesClockwise / 90) % 4 + 4) % 4;
    if (source.isNull() || quarterTurns == 0)
        return source;
    // Our own turn rather than QImage::transformed(), which in Qt 6.4 drops the colour space and
    // the text.
    return withPixels(source, [&](auto pixels) {
        return turned<typename decltype(pixels)::Pixel>(source, quarterTurns);
    });
}

QImage autoLevels(const QImage &image, double clipPercent)
{
    const QImage source = toWorkingFormat(image);
    return withPixels(source, [&](auto pixels) {
        using P = decltype(pixels);
        using Pixel = typename P::Pixel;
        return mapPixels<Pixel, Pixel>(source, blankLike(source, source.format(), source.size()),
                                       levelsFunction<P>(source, clipPercent));
    });
}

QImage crop(const QImage &image, const QRect &rectangle)
{
    if (image.isNull())
        return QImage();
    const QRect area = rectangle.intersected(image.rect());
    if (area.isEmpty())
        return QImage();
    // Cutting before converting only converts the pixels that are kept.
    if (image.format() != workingFormat(image))
        return toWorkingFormat(image.copy(area));
    // QImage::copy() is one thread's memcpy per row; this is the same copy in bands.
    QImage result = blankLike(image, image.format(), area.size());
    if (result.isNull())
        return result;
    const qsizetype bytesPerPixel = image.depth() / 8;
    const qsizetype rowBytes = area.width() * bytesPerPixel;
    const uchar *inBits
        = image.constBits() + area.y() * image.bytesPerLine() + area.x() * bytesPerPixel;
    const qsizetype inStride = image.bytesPerLine();
    const qsizetype outStride = result.bytesPerLine();
    uchar *outBits = result.bits();
    forRows(area.height(), pixelCount(result), [&](int first, int last) {
        for (int y = first; y < last; ++y)
            std::memcpy(outBits + y * outStride, inBits + y * inStride, size_t(rowBytes));
    });
    return result;
}

QImage scale(const QImage &image, const QSize &size)
{
    if (size.isEmpty())
        return QImage();
    const QImage source = toWorkingFormat(image);
    return withPixels(source, [&](auto pixels) {
        using P = decltype(pixels);
        if constexpr (P::Channels == 3) {
            // Qt 6.4 returns the source's format here (RGBA64 goes through its premultiplied
            // form and back at full depth); the conversion only guards the promised format
            // should another Qt version return a premultiplied one.
            return toWorkingFormat(
                source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        } else {
            // Qt 6.4 scales grey with bilinear painting or, when shrinking to less than half,
            // with its smooth scaler on an RGB copy converted back through the colour space,
            // which loses dark 16-bit values. RGB32 and RGBX64 always take the smooth scaler
            // directly, and an RGB copy of grey stays R = G = B through it.
            using Colour = typename P::Colour;
            const QImage colour = mapColours<P>(source, [](int r, int g, int b) {
                return Rgb { quint32(r), quint32(g), quint32(b) };
            });
            if (colour.isNull())
                return QImage();
            const QImage::Format colourFormat = colour.format();
            QImage scaled = colour.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (scaled.isNull())
                return QImage();
            if (scaled.format() != colourFormat)
                scaled = scaled.convertToFormat(colourFormat);
            return mapPixels<typename Colour::Pixel, typename P::Pixel>(
                scaled, blankLike(source, source.format(), scaled.size()), P::fromColour);
        }
    });
}

QImage greyscale(const QImage &image)
{
    const QImage source = toWorkingFormat(image);
    return withPixels(source, [&source](auto pixels) {
        using P = decltype(pixels);
        // Greys map to themselves, so a grey picture is its own result.
        if constexpr (P::Channels == 1)
            return source;
        else
            return mapColours<P>(source, Greyscale<typename P::Depth>());
    });
}

QImage sepia(const QImage &image)
{
    return applyEffect<Sepia>(image);
}

QImage oldColorPhoto(const QImage &image)
{
    return applyEffect<OldColorPhoto>(image);
}

QImage crossProcessing(const QImage &image)
{
    return applyEffect<CrossProcessing>(image);
}

namespace {

// applyFilter() for both callers: owned, when given, is the caller's picture (the same as image)
// given up for the result.
QImage filtered(const QImage &image, QImage *owned, const QString &filterName,
                const QHash<QString, QVariant> &options, QString *error)
{
    static const QString HorizontalKey = QStringLiteral("horizontal");
    static const QString AngleKey = QStringLiteral("angle");
    static const QString CropRectangleKey = QStringLiteral("cropRectangle");
    static const QString SizeAfterKey = QStringLiteral("sizeAfter");

    const bool known = filterName == FlipName || filterName == RotateName
        || filterName == AutoLevelsName || filterName == CropName || filterName == ScaleName
        || filterName == GreyscaleName || filterName == SepiaName || filterName == OldColorPhotoName
        || filterName == CrossProcessingName;
    if (!known)
        return fail(error, QStringLiteral("The image filter \"%1\" is unknown.").arg(filterName));

    // Options are checked before the picture so that a caller's mistake is reported even when
    // there is nothing to filter.
    QVariant option;
    QString message;
    const auto need = [&](const QString &key, QMetaType::Type type) {
        return takeOption(options, filterName, key, type, &option, &message);
    };
    if (filterName == FlipName && !need(HorizontalKey, QMetaType::Bool))
        return fail(error, message);
    if (filterName == RotateName) {
        if (!need(AngleKey, QMetaType::Int))
            return fail(error, message);
        if (option.toInt() % 90 != 0)
            return fail(error,
                        QStringLiteral("The rotation angle %1 is not a multiple of 90 "
                                       "degrees.")
                            .arg(option.toInt()));
    }
    if (filterName == CropName && !need(CropRectangleKey, QMetaType::QRect))
        return fail(error, message);
    if (filterName == ScaleName) {
        if (!need(SizeAfterKey, QMetaType::QSize))
            return fail(error, message);
        const QSize size = option.toSize();
        if (size.isEmpty())
            return fail(error,
                        QStringLiteral("The target size %1 x %2 is not a usable picture "
                                       "size.")
                            .arg(size.width())
                            .arg(size.height()));
    }

    if (image.isNull())
        return fail(error,
                    QStringLiteral("There is no picture for the filter \"%1\".").arg(filterName));

    if (owned && reusable(*owned)) {
        if (std::optional<QImage> result = filteredInPlace(*owned, filterName, option)) {
            if (error)
                error->clear();
            return *std::move(result);
        }
    }

    QImage result;
    if (filterName == FlipName) {
        result = flip(image, option.toBool());
    } else if (filterName == RotateName) {
        result = rotate(image, option.toInt());
    } else if (filterName == AutoLevelsName) {
        result = autoLevels(image);
    } else if (filterName == CropName) {
        const QRect rectangle = option.toRect();
        if (rectangle.intersected(image.rect()).isEmpty())
            return fail(error,
                        QStringLiteral("The crop rectangle %1, %2, %3 x %4 does not "
                                       "overlap the %5 x %6 picture.")
                            .arg(rectangle.x())
                            .arg(rectangle.y())
                            .arg(rectangle.width())
                            .arg(rectangle.height())
                            .arg(image.width())
                            .arg(image.height()));
        result = crop(image, rectangle);
    } else if (filterName == ScaleName) {
        result = scale(image, option.toSize());
    } else if (filterName == GreyscaleName) {
        result = greyscale(image);
    } else if (filterName == SepiaName) {
        result = sepia(image);
    } else if (filterName == OldColorPhotoName) {
        result = oldColorPhoto(image);
    } else {
        result = crossProcessing(image);
    }

    // Left over: the picture could not be allocated.
    if (result.isNull())
        return fail(error,
                    QStringLiteral("The filter \"%1\" could not produce a picture; the "
                                   "result may be too large.")
                        .arg(filterName));
    if (error)
        error->clear();
    if (owned)
        *owned = QImage();
    return result;
}

} // namespace

QImage applyFilter(const QImage &image, const QString &filterName,
                   const QHash<QString, QVariant> &options, QString *error)
{
    return filtered(image, nullptr, filterName, options, error);
}

QImage applyFilter(QImage &&image, const QString &filterName,
                   const QHash<QString, QVariant> &options, QString *error)
{
    return filtered(image, &image, filterName, options, error);
}

} // namespace ImageFilters
