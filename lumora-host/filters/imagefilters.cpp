#include "imagefilters.h"

#include <QColorSpace>
#include <QMetaType>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace ImageFilters {

namespace {

using Lut = std::array<quint8, 256>;

// Every filter reads and writes 32-bit pixels so that the loops below can treat a scan line as
// an array of QRgb; straight (not premultiplied) alpha keeps the colour maths independent of it.
QImage toWorkingFormat(const QImage &image)
{
    if (image.isNull())
        return QImage();
    const QImage::Format target
        = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    return image.format() == target ? image : image.convertToFormat(target);
}

// A fresh picture of the source's size and format, carrying what Qt's own copy would carry, so
// that the colour filters behave like copy() followed by an edit.
QImage blankLike(const QImage &source)
{
    QImage result(source.size(), source.format());
    if (result.isNull())
        return result;
    result.setDotsPerMeterX(source.dotsPerMeterX());
    result.setDotsPerMeterY(source.dotsPerMeterY());
    result.setOffset(source.offset());
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.setColorSpace(source.colorSpace());
    const QStringList keys = source.textKeys();
    for (const QString &key : keys)
        result.setText(key, source.text(key));
    return result;
}

// Applies pixelFunction to every pixel, row by row. Kept as a template so that each filter's
// per-pixel code is inlined into the inner loop; per-pixel calls through QColor or pixel()
// would cost many times the price of a copy on large pictures.
template<typename PixelFunction> QImage mapPixels(const QImage &image, PixelFunction pixelFunction)
{
    const QImage source = toWorkingFormat(image);
    if (source.isNull())
        return QImage();
    QImage result = blankLike(source);
    if (result.isNull())
        return result;

    const int width = source.width();
    const int height = source.height();
    const qsizetype inStride = source.bytesPerLine();
    const qsizetype outStride = result.bytesPerLine();
    const uchar *inBits = source.constBits();
    uchar *outBits = result.bits();
    for (int y = 0; y < height; ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(inBits + y * inStride);
        QRgb *out = reinterpret_cast<QRgb *>(outBits + y * outStride);
        for (int x = 0; x < width; ++x)
            out[x] = pixelFunction(in[x]);
    }
    return result;
}

// floor(n / d) for a whole number 0 <= n < 2^22 held in a float, given d's reciprocal rounded to
// a float. One multiplication rather than an integer division, so that the pixel loops below
// vectorise well: n + 0.5 is exact in a float and (n + 0.5) / d lies at least 0.5 / d from any
// whole number, while the two roundings (of the reciprocal and of the product) are off by less
// than (n + 0.5) / d * 2^-23 < 0.5 / d; the truncated product is thus the exact quotient. Whole
// channel values times whole weights, and their sums, stay below 2^22 and are exact in a float.
inline int quotient(float n, float reciprocal)
{
    return int((n + 0.5f) * reciprocal);
}

constexpr float OneThousandth = 1.0f / 1000;

// Rec. 601 luma, rounded: (299 R + 587 G + 114 B + 500) / 1000, for greyscale and old colour
// photo. The weights add up to 1000, so that greys map exactly to themselves.
inline int luma601(float r, float g, float b)
{
    return quotient(299 * r + 587 * g + 114 * b + 500, OneThousandth);
}

// A channel's value, 0 to 255, as a float.
inline float channel(QRgb p, int shift)
{
    return float(int((p >> shift) & 0xff));
}

inline QRgb withChannels(QRgb original, quint32 r, quint32 g, quint32 b)
{
    return (original & 0xff000000u) | (r << 16) | (g << 8) | b;
}

// Linear ramp from 0..255 onto low..high, rounded.
Lut rampLut(int low, int high)
{
    Lut lut {};
    for (int v = 0; v < 256; ++v)
        lut[v] = quint8(low + (v * (high - low) + 127) / 255);
    return lut;
}

// S-shaped curve t - a * sin(2 pi t) / (2 pi): keeps 0, 1/2 and 1, raises the slope in the middle
// to 1 + a and lowers it at both ends to 1 - a; monotonic for a <= 1.
Lut sCurveLut(double strength)
{
    constexpr double twoPi = 6.283185307179586;
    Lut lut {};
    for (int v = 0; v < 256; ++v) {
        const double t = v / 255.0;
        const double curved = t - strength * std::sin(twoPi * t) / twoPi;
        lut[v] = quint8(std::clamp(std::lround(curved * 255.0), 0L, 255L));
    }
    return lut;
}

struct ChannelLuts
{
    Lut red;
    Lut green;
    Lut blue;
};

// rampLut(low, high)[v] computed rather than looked up, so that the loop using it vectorises:
// low + (v (high - low) + 127) / 255.
inline quint32 ramp(int v, int low, int high)
{
    return quint32(low + quotient(float(v) * float(high - low) + 127, 1.0f / 255));
}

// Cross-processing curves, built once on first use (thread-safe static initialisation).
const ChannelLuts &crossProcessingLuts()
{
    static const ChannelLuts luts { sCurveLut(0.6), sCurveLut(0.3), rampLut(32, 224) };
    return luts;
}

// The value at which a channel's stretch starts: the lowest value with more than clipCount
// pixels at or below it, so that at most clipCount pixels fall below and are clipped.
int lowEnd(const qint64 *histogram, double clipCount)
{
    qint64 cumulative = 0;
    for (int v = 0; v < 256; ++v) {
        cumulative += histogram[v];
        if (double(cumulative) > clipCount)
            return v;
    }
    return 255;
}

int highEnd(const qint64 *histogram, double clipCount)
{
    qint64 cumulative = 0;
    for (int v = 255; v >= 0; --v) {
        cumulative += histogram[v];
        if (double(cumulative) > clipCount)
            return v;
    }
    return 0;
}

Lut levelsLut(int low, int high)
{
    Lut lut {};
    if (low >= high) {
        for (int v = 0; v < 256; ++v)
            lut[v] = quint8(v);
        return lut;
    }
    const int range = high - low;
    for (int v = 0; v < 256; ++v) {
        if (v <= low)
            lut[v] = 0;
        else if (v >= high)
            lut[v] = 255;
        else
            lut[v] = quint8(((v - low) * 510 + range) / (2 * range));
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

} // namespace

QImage flip(const QImage &image, bool horizontal)
{
    const QImage source = toWorkingFormat(image);
    if (source.isNull())
        return QImage();
    return source.mirrored(horizontal, !horizontal);
}

QImage rotate(const QImage &image, int degreesClockwise)
{
    if (degreesClockwise % 90 != 0)
        return QImage();
    const QImage source = toWorkingFormat(image);
    if (source.isNull())
        return QImage();
    // Qt takes its exact, copy-speed rotation paths for 90, 180 and 270 (and their negatives);
    // larger angles such as 450 would take its general, inexact path, so fold them first.
    const int quarterTurns = ((degreesClockwise / 90) % 4 + 4) % 4;
    if (quarterTurns == 0)
        return source;
    return source.transformed(QTransform().rotate(quarterTurns * 90));
}

QImage autoLevels(const QImage &image, double clipPercent)
{
    const QImage source = toWorkingFormat(image);
    if (source.isNull())
        return QImage();

    // Four interleaved sets of histograms, summed afterwards: with one set, runs of equal pixels
    // would make every increment wait for the previous store to the same counter.
    constexpr int Sets = 4;
    std::array<std::array<qint64, 256>, 3 * Sets> partial {};
    const int width = source.width();
    const int height = source.height();
    for (int y = 0; y < height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        int x = 0;
        for (; x + Sets <= width; x += Sets) {
            for (int s = 0; s < Sets; ++s) {
                const QRgb p = line[x + s];
                ++partial[3 * s][qRed(p)];
                ++partial[3 * s + 1][qGreen(p)];
                ++partial[3 * s + 2][qBlue(p)];
            }
        }
        for (; x < width; ++x) {
            const QRgb p = line[x];
            ++partial[0][qRed(p)];
            ++partial[1][qGreen(p)];
            ++partial[2][qBlue(p)];
        }
    }

    std::array<std::array<qint64, 256>, 3> histogram {};
    for (int c = 0; c < 3; ++c)
        for (int s = 0; s < Sets; ++s)
            for (int v = 0; v < 256; ++v)
                histogram[c][v] += partial[3 * s + c][v];

    const double percent = std::clamp(std::isnan(clipPercent) ? 0.0 : clipPercent, 0.0, 50.0);
    const double clipCount = double(qint64(width) * height) * percent / 100.0;
    std::array<Lut, 3> luts;
    for (int c = 0; c < 3; ++c)
        luts[c] = levelsLut(lowEnd(histogram[c].data(), clipCount),
                            highEnd(histogram[c].data(), clipCount));

    return mapPixels(source, [&luts](QRgb p) {
        return withChannels(p, luts[0][qRed(p)], luts[1][qGreen(p)], luts[2][qBlue(p)]);
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
    return toWorkingFormat(image.copy(area));
}

QImage scale(const QImage &image, const QSize &size)
{
    if (size.isEmpty())
        return QImage();
    const QImage source = toWorkingFormat(image);
    if (source.isNull())
        return QImage();
    // Qt 6.4 returns the source's format here; the conversion only guards the promised format
    // should another Qt version return a premultiplied one, and costs nothing otherwise.
    return toWorkingFormat(source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QImage greyscale(const QImage &image)
{
    return mapPixels(image, [](QRgb p) {
        const quint32 y = quint32(luma601(channel(p, 16), channel(p, 8), channel(p, 0)));
        return withChannels(p, y, y, y);
    });
}

QImage sepia(const QImage &image)
{
    return mapPixels(image, [](QRgb p) {
        const float r = channel(p, 16);
        const float g = channel(p, 8);
        const float b = channel(p, 0);
        const int outR = quotient(393 * r + 769 * g + 189 * b + 500, OneThousandth);
        const int outG = quotient(349 * r + 686 * g + 168 * b + 500, OneThousandth);
        // Blue's weights add up to .937, so it never needs the clamp.
        const int outB = quotient(272 * r + 534 * g + 131 * b + 500, OneThousandth);
        return withChannels(p, quint32(std::min(outR, 255)), quint32(std::min(outG, 255)),
                            quint32(outB));
    });
}

QImage oldColorPhoto(const QImage &image)
{
    return mapPixels(image, [](QRgb p) {
        const float r = channel(p, 16);
        const float g = channel(p, 8);
        const float b = channel(p, 0);
        // 40 % of the way toward luma: (6 c + 4 y) / 10, rounded.
        const float y4 = float(4 * luma601(r, g, b) + 5);
        // Then the fade ramps: black lands on a dark brown and white on a cream; red keeps the
        // widest range and blue the narrowest, which warms the picture.
        return withChannels(p, ramp(quotient(6 * r + y4, 0.1f), 32, 240),
                            ramp(quotient(6 * g + y4, 0.1f), 24, 228),
                            ramp(quotient(6 * b + y4, 0.1f), 16, 208));
    });
}

QImage crossProcessing(const QImage &image)
{
    const ChannelLuts &luts = crossProcessingLuts();
    return mapPixels(image, [&luts](QRgb p) {
        return withChannels(p, luts.red[qRed(p)], luts.green[qGreen(p)], luts.blue[qBlue(p)]);
    });
}

QImage applyFilter(const QImage &image, const QString &filterName,
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
    return result;
}

} // namespace ImageFilters
