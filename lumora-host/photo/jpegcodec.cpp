// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "jpegcodec.h"

#include <QCoreApplication>
#include <QtEndian>

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace JpegCodec {

namespace {

struct HandleDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct BufferDeleter
{
    void operator()(unsigned char *buffer) const { tjFree(buffer); }
};
using Buffer = std::unique_ptr<unsigned char, BufferDeleter>;

// Qt's 32-bit formats are words 0xAARRGGBB, so their byte order follows the machine's.
// The A variant on decoding: TurboJPEG leaves X undefined but sets A to 0xff.
constexpr bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
constexpr int decodeRgb32Format = littleEndian ? TJPF_BGRA : TJPF_ARGB;
constexpr int encodeRgb32Format = littleEndian ? TJPF_BGRX : TJPF_XRGB;

// The accurate DCT both ways, as cjpeg and djpeg default to. TurboJPEG encodes with the
// fast one unless told, which by libjpeg-turbo's own measure costs 1-3 dB of PSNR at
// quality 97, where photos are saved, to gain 5-15% of time.
constexpr int decodeFlags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING;
constexpr int encodeFlags = TJFLAG_ACCURATEDCT;
// A warning while transforming still yields output (of the damaged data): refuse it early.
constexpr int transformFlags = TJFLAG_STOPONWARNING;

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

// TurboJPEG's own checks prefix the function ("tjTransform(): ..."), libjpeg's do not;
// the caller's sentence already says what was being done.
QString turboMessage(tjhandle handle)
{
    QString text = QString::fromLocal8Bit(tjGetErrorStr2(handle));
    const int cut = text.indexOf(QLatin1String("(): "));
    if (text.startsWith(QLatin1String("tj")) && cut > 0)
        text.remove(0, cut + 4);
    return text;
}

QString withReason(const char *sentence, tjhandle handle)
{
    // `sentence` is marked for the catalogue where it is written.
    return QStringLiteral("%1 (%2)").arg(QCoreApplication::translate("JpegCodec", sentence),
                                         turboMessage(handle));
}

// Reading failures: TurboJPEG's code tells a warning (damaged data that was read past)
// from a fatal error (data that could not be read at all).
QString readFailure(tjhandle handle)
{
    return tjGetErrorCode(handle) == TJERR_WARNING
        ? withReason(QT_TRANSLATE_NOOP("JpegCodec", "the JPEG data is damaged"), handle)
        : withReason(QT_TRANSLATE_NOOP("JpegCodec", "the JPEG data cannot be decoded"), handle);
}

Handle start(tjhandle handle, QString *error)
{
    if (!handle)
        fail(error, withReason(QT_TRANSLATE_NOOP("JpegCodec", "TurboJPEG cannot start"), nullptr));
    return Handle(handle);
}

const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

struct Header
{
    int width = 0;
    int height = 0;
    int subsamp = -1; // TJSAMP_*; -1 for a sampling TurboJPEG has no name for
    int colorspace = -1; // TJCS_*
};

bool readHeader(tjhandle handle, const QByteArray &jpeg, Header *header, QString *error)
{
    if (jpeg.size() < 3 || uchar(jpeg[0]) != 0xff || uchar(jpeg[1]) != 0xd8
        || uchar(jpeg[2]) != 0xff)
        return fail(error,
                    QCoreApplication::translate(
                        "JpegCodec", "the data is no JPEG (it does not start with SOI)"));
    Header h;
    if (tjDecompressHeader3(handle, bytes(jpeg), static_cast<unsigned long>(jpeg.size()), &h.width,
                            &h.height, &h.subsamp, &h.colorspace)
        == 0) {
        // A file cut short before its frame header reads as tables without a picture.
        if (h.width <= 0 || h.height <= 0)
            return fail(error,
                        QCoreApplication::translate(
                            "JpegCodec", "the JPEG is damaged: it ends before its picture begins"));
        *header = h;
        return true;
    }
    // TurboJPEG 2.1 refuses sampling factors it has no name for only after it has read
    // the whole header and filled in everything else. Such a file decodes all the same.
    if (tjGetErrorCode(handle) == TJERR_FATAL && h.width > 0 && h.height > 0 && h.subsamp < 0
        && h.colorspace >= 0) {
        *header = h;
        return true;
    }
    return fail(error,
                withReason(QT_TRANSLATE_NOOP("JpegCodec", "the JPEG header is damaged"), handle));
}

// What TurboJPEG does not expose, read from the markers before the first scan: the
// quantisation tables and the frame's layout.
struct QuantTable
{
    bool defined = false;
    bool wide = false; // 16-bit entries
    std::array<int, 64> zigzag {}; // as stored
};

struct Layout
{
    std::array<QuantTable, 4> tables;
    int lumaTable = -1; // selector of the frame's first component
    QSize mcuSize;
};

bool isStartOfFrame(uchar marker)
{
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

void readQuantTables(const uchar *p, int size, Layout *layout)
{
    int i = 0;
    while (i < size) {
        const int precision = p[i] >> 4;
        const int id = p[i] & 0x0f;
        const int entrySize = precision ? 2 : 1;
        ++i;
        if (precision > 1 || id > 3 || i + 64 * entrySize > size)
            return;
        QuantTable &table = layout->tables[size_t(id)];
        table.defined = true;
        table.wide = precision == 1;
        for (int k = 0; k < 64; ++k, i += entrySize)
            table.zigzag[size_t(k)] = entrySize == 2 ? qFromBigEndian<quint16>(p + i) : p[i];
    }
}

void readFrame(const uchar *p, int size, Layout *layout)
{
    if (size < 6)
        return;
    const int components = p[5];
    if (components < 1 || size < 6 + 3 * components)
        return;
    layout->lumaTable = p[6 + 2];
    int maxH = 1, maxV = 1;
    for (int c = 0; c < components; ++c) {
        const int factors = p[6 + 3 * c + 1];
        const int h = factors >> 4, v = factors & 0x0f;
        if (h < 1 || h > 4 || v < 1 || v > 4)
            return;
        maxH = qMax(maxH, h);
        maxV = qMax(maxV, v);
    }
    // As libjpeg's lossless turns count it: a lone component goes in single 8x8 blocks
    // whatever factors it declares.
    layout->mcuSize = components == 1 ? QSize(8, 8) : QSize(8 * maxH, 8 * maxV);
}

// Only called on data whose header TurboJPEG has read, but stops quietly at anything
// odd rather than trusting that.
Layout readLayout(const QByteArray &jpeg)
{
    Layout layout;
    const uchar *p = bytes(jpeg);
    const qsizetype n = jpeg.size();
    qsizetype i = 2; // past SOI
    while (i < n && p[i] == 0xff) {
        while (i < n && p[i] == 0xff) // fill bytes
            ++i;
        if (i >= n)
            break;
        const uchar marker = p[i++];
        if (marker == 0xd9 || marker == 0xda) // EOI, SOS
            break;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) // no length
            continue;
        if (i + 2 > n)
            break;
        const int length = qFromBigEndian<quint16>(p + i);
        if (length < 2 || i + length > n)
            break;
        if (marker == 0xdb)
            readQuantTables(p + i + 2, length - 2, &layout);
        else if (isStartOfFrame(marker) && layout.mcuSize.isEmpty())
            readFrame(p + i + 2, length - 2, &layout);
        i += length;
    }
    return layout;
}

// ITU T.81 Annex K.1, in natural (row by row) order.
constexpr int ijgLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
};

// Natural position of the k-th entry stored in zigzag order.
constexpr int naturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

// libjpeg's jpeg_set_quality() for every quality, nearest by the sum of absolute
// differences. libjpeg clamps entries to 255 when it writes 8-bit (baseline) tables,
// to 32767 in 16-bit ones, so a coarse 16-bit table is compared unclamped.
int estimateQuality(const QuantTable &table)
{
    const int limit = table.wide ? 32767 : 255;
    int best = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int quality = 1; quality <= 100; ++quality) {
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        qint64 distance = 0;
        for (int k = 0; k < 64; ++k) {
            const int entry = qBound(1, (ijgLuminance[naturalOrder[k]] * scale + 50) / 100, limit);
            distance += qAbs(entry - table.zigzag[size_t(k)]);
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = quality;
        }
    }
    return best;
}

Sampling samplingOf(int subsamp)
{
    switch (subsamp) {
    case TJSAMP_444:
        return Sampling::S444;
    case TJSAMP_422:
        return Sampling::S422;
    case TJSAMP_420:
        return Sampling::S420;
    case TJSAMP_GRAY:
        return Sampling::Gray;
    case TJSAMP_440:
        return Sampling::S440;
    case TJSAMP_411:
        return Sampling::S411;
    default:
        return Sampling::Unknown;
    }
}

int turboSampling(Sampling sampling)
{
    switch (sampling) {
    case Sampling::S444:
        return TJSAMP_444;
    case Sampling::S422:
        return TJSAMP_422;
    case Sampling::S420:
        return TJSAMP_420;
    case Sampling::Gray:
        return TJSAMP_GRAY;
    case Sampling::S440:
        return TJSAMP_440;
    case Sampling::S411:
        return TJSAMP_411;
    case Sampling::Unknown:
        break;
    }
    return -1;
}

ColorModel colorModelOf(int colorspace)
{
    switch (colorspace) {
    case TJCS_RGB:
        return ColorModel::Rgb;
    case TJCS_YCbCr:
        return ColorModel::YCbCr;
    case TJCS_GRAY:
        return ColorModel::Gray;
    case TJCS_CMYK:
        return ColorModel::Cmyk;
    case TJCS_YCCK:
        return ColorModel::Ycck;
    default:
        return ColorModel::Unknown;
    }
}

int turboOperation(PictureTurn turn)
{
    switch (turn.kind()) {
    case PictureTurn::Identity:
        return TJXOP_NONE;
    case PictureTurn::FlipHorizontal:
        return TJXOP_HFLIP;
    case PictureTurn::Rotate180:
        return TJXOP_ROT180;
    case PictureTurn::FlipVertical:
        return TJXOP_VFLIP;
    case PictureTurn::Transpose:
        return TJXOP_TRANSPOSE;
    case PictureTurn::Rotate90:
        return TJXOP_ROT90;
    case PictureTurn::Transverse:
        return TJXOP_TRANSVERSE;
    case PictureTurn::Rotate270:
        return TJXOP_ROT270;
    }
    return TJXOP_NONE;
}

// The sides a turn carries to the top or left, where a partial MCU block cannot go.
struct MovedSides
{
    bool width;
    bool height;
};

MovedSides movedSides(PictureTurn turn)
{
    switch (turn.kind()) {
    case PictureTurn::FlipHorizontal:
    case PictureTurn::Rotate270:
        return { true, false };
    case PictureTurn::FlipVertical:
    case PictureTurn::Rotate90:
        return { false, true };
    case PictureTurn::Rotate180:
    case PictureTurn::Transverse:
        return { true, true };
    case PictureTurn::Identity:
    case PictureTurn::Transpose:
        break;
    }
    return { false, false };
}

QSize mcuSizeOf(const Info &info)
{
    if (!info.mcuSize.isEmpty())
        return info.mcuSize;
    const int subsamp = turboSampling(info.sampling);
    return subsamp < 0 ? QSize() : QSize(tjMCUWidth[subsamp], tjMCUHeight[subsamp]);
}

QString imperfection(const Info &info, PictureTurn turn)
{
    const QSize mcu = mcuSizeOf(info);
    if (info.sampling == Sampling::Unknown || mcu.isEmpty())
        return QCoreApplication::translate(
            "JpegCodec",
            "the JPEG cannot be turned losslessly (TurboJPEG knows no name "
            "for its chroma sampling)");
    const MovedSides sides = movedSides(turn);
    const bool width = sides.width && info.size.width() % mcu.width() != 0;
    return QCoreApplication::translate(
               "JpegCodec",
               "the JPEG cannot be turned losslessly (its %1 of %2 pixels is no "
               "whole number of %3-pixel MCU blocks)")
        .arg(width ? QLatin1String("width") : QLatin1String("height"))
        .arg(width ? info.size.width() : info.size.height())
        .arg(width ? mcu.width() : mcu.height());
}

QString tooLarge(const QSize &size)
{
    return QCoreApplication::translate("JpegCodec",
                                       "the picture of %1 x %2 pixels does not fit in memory")
        .arg(size.width())
        .arg(size.height());
}

} // namespace

bool readInfo(const QByteArray &jpeg, Info *info, QString *error)
{
    const Handle handle = start(tjInitDecompress(), error);
    Header header;
    if (!handle || !readHeader(handle.get(), jpeg, &header, error))
        return false;
    const Layout layout = readLayout(jpeg);
    Info result;
    result.size = QSize(header.width, header.height);
    result.sampling = samplingOf(header.subsamp);
    result.colorModel = colorModelOf(header.colorspace);
    result.mcuSize = layout.mcuSize;
    const int lumaTable = layout.lumaTable >= 0 ? layout.lumaTable : 0;
    if (lumaTable < 4 && layout.tables[size_t(lumaTable)].defined)
        result.quality = estimateQuality(layout.tables[size_t(lumaTable)]);
    *info = result;
    return true;
}

QSize Scale::of(QSize stored) const
{
    const tjscalingfactor factor { num, denom };
    return QSize(TJSCALED(stored.width(), factor), TJSCALED(stored.height(), factor));
}

Scale reducedScale(QSize stored, int minimumLongestSide)
{
    Scale best;
    if (minimumLongestSide <= 0)
        return best;
    // The factors come largest first; the last that still gives the longest side wanted.
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    QSize smallest = stored;
    for (int i = 0; factors && i < count; ++i) {
        const Scale scale { factors[i].num, factors[i].denom };
        if (scale.num > scale.denom)
            continue;
        const QSize size = scale.of(stored);
        if (std::max(size.width(), size.height()) >= minimumLongestSide
            && qint64(size.width()) * size.height()
                < qint64(smallest.width()) * smallest.height()) {
            best = scale;
            smallest = size;
        }
    }
    return best;
}

// TurboJPEG hands out the inks as stored. Photoshop, which writes most CMYK JPEGs,
// stores them inverted (255 for no ink); a file carries no reliable sign of the other
// kind, so Qt's own reader and the browsers take every CMYK JPEG as inverted, as we do.
void inksToRgb(QImage *image)
{
    const auto times = [](int a, int b) { return (a * b + 127) / 255; };
    for (int y = 0; y < image->height(); ++y) {
        uchar *line = image->scanLine(y);
        QRgb *out = reinterpret_cast<QRgb *>(line);
        for (int x = 0; x < image->width(); ++x) {
            const uchar *ink = line + qsizetype(x) * 4;
            const int c = ink[0], m = ink[1], yellow = ink[2], k = ink[3];
            out[x] = qRgb(times(c, k), times(m, k), times(yellow, k));
        }
    }
}

namespace {

// Decodes at the smallest of TurboJPEG's scales whose longest side is at least
// minimumLongestSide; 0 decodes the full picture.
QImage decodeAt(const QByteArray &jpeg, int minimumLongestSide, QString *error,
                const InkConversion &convert)
{
    const Handle handle = start(tjInitDecompress(), error);
    Header header;
    if (!handle || !readHeader(handle.get(), jpeg, &header, error))
        return QImage();
    const Scale scale = reducedScale(QSize(header.width, header.height), minimumLongestSide);
    const QSize scaled = scale.of(QSize(header.width, header.height));
    const int width = scaled.width();
    const int height = scaled.height();
    const bool grey = header.colorspace == TJCS_GRAY;
    const bool inks = header.colorspace == TJCS_CMYK || header.colorspace == TJCS_YCCK;
    QImage image(width, height, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (image.isNull()) {
        fail(error, tooLarge(QSize(header.width, header.height)));
        return QImage();
    }
    // Straight into the picture: CMYK has RGB32's four bytes a pixel, and is turned
    // into RGB in place.
    const int pixelFormat = grey ? TJPF_GRAY : inks ? TJPF_CMYK : decodeRgb32Format;
    if (tjDecompress2(handle.get(), bytes(jpeg), static_cast<unsigned long>(jpeg.size()),
                      image.bits(), width, int(image.bytesPerLine()), height, pixelFormat,
                      decodeFlags)
        != 0) {
        fail(error, readFailure(handle.get()));
        return QImage();
    }
    if (inks && convert)
        convert(&image);
    else if (inks)
        inksToRgb(&image);
    return image;
}

} // namespace

QImage decode(const QByteArray &jpeg, QString *error, const InkConversion &inks)
{
    return decodeAt(jpeg, 0, error, inks);
}

QImage decodeReduced(const QByteArray &jpeg, int minimumLongestSide, QString *error,
                     const InkConversion &inks)
{
    return decodeAt(jpeg, std::max(minimumLongestSide, 1), error, inks);
}

QByteArray encode(const QImage &image, int quality, Sampling sampling, QString *error)
{
    if (image.isNull()) {
        fail(error, QCoreApplication::translate("JpegCodec", "there is no picture to encode"));
        return QByteArray();
    }
    QImage source = image;
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: // the X byte TurboJPEG ignores
        break;
    case QImage::Format_Grayscale16:
        source = image.convertToFormat(QImage::Format_Grayscale8);
        break;
    default:
        // Unpremultiplied, so that dropping the alpha keeps the colours.
        source = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                               : QImage::Format_RGB32);
        break;
    }
    if (source.isNull()) {
        fail(error, tooLarge(image.size()));
        return QByteArray();
    }
    const bool grey = source.format() == QImage::Format_Grayscale8;
    int subsamp = TJSAMP_GRAY;
    if (!grey) {
        subsamp = turboSampling(sampling);
        if (subsamp < 0 || subsamp == TJSAMP_GRAY)
            subsamp = TJSAMP_420;
    }

    const Handle handle = start(tjInitCompress(), error);
    if (!handle)
        return QByteArray();
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    const int result
        = tjCompress2(handle.get(), source.constBits(), source.width(), int(source.bytesPerLine()),
                      source.height(), grey ? TJPF_GRAY : encodeRgb32Format, &out, &outSize,
                      subsamp, qBound(1, quality, 100), encodeFlags);
    const Buffer owned(out);
    if (result != 0) {
        fail(error,
             withReason(QT_TRANSLATE_NOOP("JpegCodec", "the picture cannot be encoded as JPEG"),
                        handle.get()));
        return QByteArray();
    }
    return QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
}

QByteArray transform(const QByteArray &jpeg, PictureTurn turn, QString *error)
{
    Info info;
    if (!readInfo(jpeg, &info, error))
        return QByteArray();
    if (turn.isIdentity())
        return jpeg;
    // Checked here for a message that names the side; TurboJPEG would only say that the
    // turn is not perfect.
    if (!canTransformPerfectly(info, turn)) {
        fail(error, imperfection(info, turn));
        return QByteArray();
    }

    const Handle handle = start(tjInitTransform(), error);
    if (!handle)
        return QByteArray();
    tjtransform operation {};
    operation.op = turboOperation(turn);
    operation.options = TJXOPT_PERFECT; // and every marker copied
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    const int result
        = tjTransform(handle.get(), bytes(jpeg), static_cast<unsigned long>(jpeg.size()), 1, &out,
                      &outSize, &operation, transformFlags);
    const Buffer owned(out); // set on some failures too
    if (result != 0) {
        fail(
            error,
            tjGetErrorCode(handle.get()) == TJERR_WARNING
                ? withReason(QT_TRANSLATE_NOOP("JpegCodec", "the JPEG data is damaged"),
                             handle.get())
                : withReason(QT_TRANSLATE_NOOP("JpegCodec", "the JPEG cannot be turned losslessly"),
                             handle.get()));
        return QByteArray();
    }
    return QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
}

bool canTransformPerfectly(const Info &info, PictureTurn turn)
{
    if (turn.isIdentity())
        return true;
    const QSize mcu = mcuSizeOf(info);
    if (info.sampling == Sampling::Unknown || mcu.isEmpty() || info.size.isEmpty())
        return false;
    const MovedSides sides = movedSides(turn);
    return (!sides.width || info.size.width() % mcu.width() == 0)
        && (!sides.height || info.size.height() % mcu.height() == 0);
}

} // namespace JpegCodec
