// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "jpegstream.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include <jerror.h>

namespace {

// libjpeg reports errors by calling back; these jump back to the call that began the
// work. Only C frames lie between: every function that sets a jump point below holds
// no C++ object across the libjpeg calls it makes.
struct ErrorManager
{
    jpeg_error_mgr manager; // first: libjpeg hands the callbacks a pointer to it
    std::jmp_buf jump;
    bool warning = false;
    char message[JMSG_LENGTH_MAX] = {};
};

ErrorManager *errorsOf(j_common_ptr info)
{
    return reinterpret_cast<ErrorManager *>(info->err);
}

[[noreturn]] void onError(j_common_ptr info)
{
    ErrorManager *errors = errorsOf(info);
    (*info->err->format_message)(info, errors->message);
    errors->warning = false;
    std::longjmp(errors->jump, 1);
}

// A warning is damaged data that libjpeg would read past, filling in grey: a failure
// here, as TurboJPEG's TJFLAG_STOPONWARNING makes it for JpegCodec.
void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace output
    ErrorManager *errors = errorsOf(info);
    (*info->err->format_message)(info, errors->message);
    errors->warning = true;
    std::longjmp(errors->jump, 1);
}

void silent(j_common_ptr) { }

void setUp(ErrorManager *errors)
{
    jpeg_std_error(&errors->manager);
    errors->manager.error_exit = onError;
    errors->manager.emit_message = onMessage;
    errors->manager.output_message = silent;
}

QString reason(const ErrorManager &errors)
{
    return QString::fromLocal8Bit(errors.message);
}

// Qt's 32-bit formats are words 0xAARRGGBB, so their byte order follows the machine's.
// The A variant on decoding, as JpegCodec: libjpeg-turbo promises 0xff only there.
constexpr bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
constexpr J_COLOR_SPACE decodeRgb32Space = littleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr J_COLOR_SPACE encodeRgb32Space = littleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The JPEG as it is written, in one buffer that grows as needed. libjpeg's own
// jpeg_mem_dest() is no use here: its buffer is lost to the caller when encoding stops
// half way.
struct Destination
{
    jpeg_destination_mgr manager; // first: libjpeg hands the callbacks a pointer to it
    unsigned char *data = nullptr; // malloc()'s
    size_t capacity = 0;
    size_t size = 0; // once terminated
};

Destination *destinationOf(j_compress_ptr info)
{
    return reinterpret_cast<Destination *>(info->dest);
}

void startDestination(j_compress_ptr info)
{
    Destination *out = destinationOf(info);
    out->capacity = 64 * 1024;
    out->data = static_cast<unsigned char *>(std::malloc(out->capacity));
    if (!out->data)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    out->manager.next_output_byte = out->data;
    out->manager.free_in_buffer = out->capacity;
}

// Called with the buffer full: it doubles.
boolean growDestination(j_compress_ptr info)
{
    Destination *out = destinationOf(info);
    const size_t grown = out->capacity * 2;
    auto *data = static_cast<unsigned char *>(std::realloc(out->data, grown));
    if (!data)
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
    out->data = data;
    out->manager.next_output_byte = data + out->capacity;
    out->manager.free_in_buffer = grown - out->capacity;
    out->capacity = grown;
    return TRUE;
}

void endDestination(j_compress_ptr info)
{
    Destination *out = destinationOf(info);
    out->size = out->capacity - out->manager.free_in_buffer;
}

QString tooLarge(const QSize &size)
{
    return QCoreApplication::translate("JpegStream",
                                       "the picture of %1 x %2 pixels does not fit in memory")
        .arg(size.width())
        .arg(size.height());
}

} // namespace

class JpegReader::Private
{
public:
    QByteArray jpeg; // shared with the caller; libjpeg reads it in place
    jpeg_decompress_struct info {};
    ErrorManager errors;
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
    bool inks = false;
    JpegCodec::InkConversion convertInks; // empty: JpegCodec::inksToRgb()
    bool started = false;
    bool failed = false;
    QString error;

    bool readHeader(JpegCodec::Scale scale);
    bool start();
    bool readRows(JSAMPARRAY rows, int count);
    void fail();
};

bool JpegReader::Private::readHeader(JpegCodec::Scale scale)
{
    if (setjmp(errors.jump))
        return false;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    // CMYK has RGB32's four bytes a pixel, and is turned into RGB in place.
    info.out_color_space = grey ? JCS_GRAYSCALE : inks ? JCS_CMYK : decodeRgb32Space;
    // TurboJPEG's choices for JpegCodec, so that the pixels are the same: the accurate
    // integer DCT, smooth ("fancy") upsampling of the chroma, block smoothing of
    // progressive scans; libjpeg's defaults, set here so that they stay.
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    info.scale_num = unsigned(scale.num);
    info.scale_denom = unsigned(scale.denom);
    jpeg_calc_output_dimensions(&info);
    size = QSize(int(info.output_width), int(info.output_height));
    format = grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    return true;
}

bool JpegReader::Private::start()
{
    if (setjmp(errors.jump))
        return false;
    jpeg_start_decompress(&info);
    started = true;
    return true;
}

// The picture's end is read with its last rows, so that damage after them fails too.
bool JpegReader::Private::readRows(JSAMPARRAY rows, int count)
{
    if (setjmp(errors.jump))
        return false;
    int done = 0;
    while (done < count)
        done += int(jpeg_read_scanlines(&info, rows + done, JDIMENSION(count - done)));
    if (info.output_scanline >= info.output_height)
        jpeg_finish_decompress(&info);
    return true;
}

void JpegReader::Private::fail()
{
    failed = true;
    if (error.isEmpty())
        error = QStringLiteral("%1 (%2)").arg(
            errors.warning
                ? QCoreApplication::translate("JpegStream", "the JPEG data is damaged")
                : QCoreApplication::translate("JpegStream", "the JPEG data cannot be decoded"),
            reason(errors));
}

JpegReader::JpegReader(const QByteArray &jpeg, int minimumLongestSide,
                       JpegCodec::InkConversion inks)
    : d(new Private)
{
    d->jpeg = jpeg;
    d->convertInks = std::move(inks);
    setUp(&d->errors);
    d->info.err = &d->errors.manager;
    jpeg_create_decompress(&d->info);
    JpegCodec::Info header;
    if (!JpegCodec::readInfo(jpeg, &header, &d->error)) {
        d->failed = true;
        return;
    }
    if (!d->readHeader(JpegCodec::reducedScale(header.size, minimumLongestSide))) {
        d->fail();
        d->size = QSize();
    }
}

JpegReader::~JpegReader()
{
    jpeg_destroy_decompress(&d->info);
}

QSize JpegReader::size() const
{
    return d->size;
}

QImage::Format JpegReader::format() const
{
    return d->format;
}

QImage JpegReader::next(int rows)
{
    if (d->failed || rows < 1)
        return QImage();
    if (!d->started && !d->start()) {
        d->fail();
        return QImage();
    }
    const int left = int(d->info.output_height - d->info.output_scanline);
    if (left <= 0)
        return QImage();
    QImage band(d->size.width(), qMin(rows, left), d->format);
    if (band.isNull()) {
        d->failed = true;
        d->error = tooLarge(d->size);
        return QImage();
    }
    std::vector<JSAMPROW> lines(size_t(band.height()));
    for (int y = 0; y < band.height(); ++y)
        lines[size_t(y)] = band.scanLine(y);
    if (!d->readRows(lines.data(), band.height())) {
        d->fail();
        return QImage();
    }
    if (d->inks && d->convertInks)
        d->convertInks(&band);
    else if (d->inks)
        JpegCodec::inksToRgb(&band);
    return band;
}

QString JpegReader::error() const
{
    return d->error;
}

class JpegWriter::Private
{
public:
    jpeg_compress_struct info {};
    ErrorManager errors;
    Destination out;
    QSize size;
    bool grey = false;
    int written = 0;
    bool failed = false;
    bool finished = false;
    QString error;

    bool start(int quality, JpegCodec::Sampling sampling);
    bool writeRows(JSAMPARRAY rows, int count);
    bool finish();
    void fail();
};

namespace {

// The luma's sampling factors for a colour picture; the chroma's are 1x1. As
// JpegCodec::encode() has TurboJPEG set them.
QSize lumaFactors(JpegCodec::Sampling sampling)
{
    switch (sampling) {
    case JpegCodec::Sampling::S444:
        return QSize(1, 1);
    case JpegCodec::Sampling::S422:
        return QSize(2, 1);
    case JpegCodec::Sampling::S440:
        return QSize(1, 2);
    case JpegCodec::Sampling::S411:
        return QSize(4, 1);
    case JpegCodec::Sampling::S420:
    case JpegCodec::Sampling::Gray: // for a colour picture, as libjpeg's default
    case JpegCodec::Sampling::Unknown:
        break;
    }
    return QSize(2, 2);
}

bool isGreyFormat(QImage::Format format)
{
    return format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16;
}

// A band as JpegCodec::encode() converts a whole picture: grey to 8 bits, everything
// else to 32-bit RGB, unpremultiplied so that dropping the alpha keeps the colours.
QImage encodable(const QImage &band)
{
    switch (band.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: // the X byte libjpeg ignores
        return band;
    case QImage::Format_Grayscale16:
        return band.convertToFormat(QImage::Format_Grayscale8);
    default:
        return band.convertToFormat(band.hasAlphaChannel() ? QImage::Format_ARGB32
                                                           : QImage::Format_RGB32);
    }
}

} // namespace

// The settings TurboJPEG's tjCompress2() makes for JpegCodec::encode(), in its order, so
// that the bytes are the same.
bool JpegWriter::Private::start(int quality, JpegCodec::Sampling sampling)
{
    if (setjmp(errors.jump))
        return false;
    out.manager.init_destination = startDestination;
    out.manager.empty_output_buffer = growDestination;
    out.manager.term_destination = endDestination;
    info.dest = &out.manager;
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.in_color_space = grey ? JCS_GRAYSCALE : encodeRgb32Space;
    info.input_components = grey ? 1 : 4;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, qBound(1, quality, 100), TRUE);
    info.dct_method = JDCT_ISLOW;
    jpeg_set_colorspace(&info, grey ? JCS_GRAYSCALE : JCS_YCbCr);
    const QSize luma = grey ? QSize(1, 1) : lumaFactors(sampling);
    info.comp_info[0].h_samp_factor = luma.width();
    info.comp_info[0].v_samp_factor = luma.height();
    for (int c = 1; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    return true;
}

bool JpegWriter::Private::writeRows(JSAMPARRAY rows, int count)
{
    if (setjmp(errors.jump))
        return false;
    int done = 0;
    while (done < count)
        done += int(jpeg_write_scanlines(&info, rows + done, JDIMENSION(count - done)));
    return true;
}

bool JpegWriter::Private::finish()
{
    if (setjmp(errors.jump))
        return false;
    jpeg_finish_compress(&info);
    return true;
}

void JpegWriter::Private::fail()
{
    failed = true;
    if (error.isEmpty())
        error = QCoreApplication::translate("JpegStream",
                                            "the picture cannot be encoded as JPEG (%1)")
                    .arg(reason(errors));
}

JpegWriter::JpegWriter(QSize size, QImage::Format format, int quality, JpegCodec::Sampling sampling)
    : d(new Private)
{
    d->size = size;
    d->grey = isGreyFormat(format);
    setUp(&d->errors);
    d->info.err = &d->errors.manager;
    jpeg_create_compress(&d->info);
    if (size.isEmpty()) {
        d->failed = true;
        d->error = QCoreApplication::translate("JpegStream", "there is no picture to encode");
        return;
    }
    if (!d->start(quality, sampling))
        d->fail();
}

JpegWriter::~JpegWriter()
{
    jpeg_destroy_compress(&d->info);
    std::free(d->out.data);
}

bool JpegWriter::write(const QImage &band)
{
    if (d->failed)
        return false;
    if (band.isNull() || band.width() != d->size.width()
        || band.height() > d->size.height() - d->written
        || isGreyFormat(band.format()) != d->grey) {
        d->failed = true;
        d->error = QCoreApplication::translate(
                       "JpegStream",
                       "the picture cannot be encoded as JPEG (a band of %1 x %2 "
                       "pixels does not follow the %3 of %4 x %5 rows)")
                       .arg(band.width())
                       .arg(band.height())
                       .arg(d->written)
                       .arg(d->size.width())
                       .arg(d->size.height());
        return false;
    }
    const QImage source = encodable(band);
    if (source.isNull()) {
        d->failed = true;
        d->error = tooLarge(band.size());
        return false;
    }
    std::vector<JSAMPROW> lines(size_t(source.height()));
    for (int y = 0; y < source.height(); ++y) // libjpeg only reads them
        lines[size_t(y)] = const_cast<uchar *>(source.constScanLine(y));
    if (!d->writeRows(lines.data(), source.height())) {
        d->fail();
        return false;
    }
    d->written += source.height();
    return true;
}

QByteArray JpegWriter::finish()
{
    if (d->failed)
        return QByteArray();
    if (d->finished || d->written < d->size.height()) {
        d->failed = true;
        d->error = QCoreApplication::translate(
                       "JpegStream",
                       "the picture cannot be encoded as JPEG (%1 of its %2 rows "
                       "were given)")
                       .arg(d->written)
                       .arg(d->size.height());
        return QByteArray();
    }
    d->finished = true;
    if (!d->finish()) {
        d->fail();
        return QByteArray();
    }
    return QByteArray(reinterpret_cast<const char *>(d->out.data), qsizetype(d->out.size));
}

QString JpegWriter::error() const
{
    return d->error;
}
