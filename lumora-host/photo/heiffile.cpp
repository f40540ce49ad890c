// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "heiffile.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QtEndian>

#include <libheif/heif.h>

#include <cstring>
#include <memory>

// HEIF through libheif: the file's structure, the pixels at their depth, the colour
// description. The metadata items go through PhotoMetadata in heifmetadata.cpp.

namespace {

struct ContextFree
{
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HandleFree
{
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct ImageFree
{
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct EncoderFree
{
    void operator()(heif_encoder *encoder) const { heif_encoder_release(encoder); }
};
struct OptionsFree
{
    void operator()(heif_encoding_options *options) const { heif_encoding_options_free(options); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;
using Image = std::unique_ptr<heif_image, ImageFree>;
using Encoder = std::unique_ptr<heif_encoder, EncoderFree>;
using Options = std::unique_ptr<heif_encoding_options, OptionsFree>;

QString said(const heif_error &error)
{
    return QString::fromUtf8(error.message ? error.message : "unknown error").trimmed();
}

// The brands of the 'ftyp' box at the start of the file: major, then compatible ones.
QList<QByteArray> brandsOf(const QByteArray &file)
{
    QList<QByteArray> brands;
    if (file.size() < 16 || file.mid(4, 4) != "ftyp")
        return brands;
    const quint32 boxSize = qFromBigEndian<quint32>(file.constData());
    const qsizetype end = qMin<qsizetype>(qsizetype(boxSize), file.size());
    brands << file.mid(8, 4);
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        brands << file.mid(at, 4);
    return brands;
}

// Sequence brands: a track of pictures, of which libheif reads none or only a still
// stand-in.
bool isSequence(const QList<QByteArray> &brands)
{
    return brands.contains("msf1") || brands.contains("hevs") || brands.contains("avis");
}

// Opens the file and its primary picture, refusing what cannot be edited as one picture.
bool openPrimary(const QByteArray &file, Context *context, Handle *primary, QString *reason)
{
    if (isSequence(brandsOf(file))) {
        *reason = QCoreApplication::translate(
            "HeifFile",
            "it is a sequence of pictures, and only a single picture can "
            "be edited");
        return false;
    }
    context->reset(heif_context_alloc());
    heif_error error = heif_context_read_from_memory_without_copy(context->get(), file.constData(),
                                                                  size_t(file.size()), nullptr);
    if (error.code != heif_error_Ok) {
        *reason = QCoreApplication::translate("HeifFile", "the picture is damaged (%1)")
                      .arg(said(error));
        return false;
    }
    const int pictures = heif_context_get_number_of_top_level_images(context->get());
    if (pictures > 1) {
        *reason = QCoreApplication::translate(
                      "HeifFile",
                      "it holds %1 pictures; only a single picture can be edited, "
                      "and the others would be lost")
                      .arg(pictures);
        return false;
    }
    heif_image_handle *handle = nullptr;
    error = heif_context_get_primary_image_handle(context->get(), &handle);
    primary->reset(handle);
    if (error.code != heif_error_Ok) {
        *reason = QCoreApplication::translate("HeifFile", "the picture is damaged (%1)")
                      .arg(said(error));
        return false;
    }
    return true;
}

// The ICC profile that says what an nclx description says, where Qt can make one:
// BT.709/sRGB or Display P3 primaries, with the sRGB curve or linear light. An
// unspecified description is taken as sRGB, as HEIF readers take it, without a profile.
QByteArray profileForNclx(int primaries, int transfer, bool *known)
{
    *known = true;
    const bool unspecified = primaries == 2 && transfer == 2;
    if (unspecified)
        return QByteArray();
    QColorSpace::Primaries qtPrimaries;
    if (primaries == 1 || primaries == 2)
        qtPrimaries = QColorSpace::Primaries::SRgb;
    else if (primaries == 12)
        qtPrimaries = QColorSpace::Primaries::DciP3D65;
    else {
        *known = false;
        return QByteArray();
    }
    QColorSpace::TransferFunction qtTransfer;
    if (transfer == 13 || transfer == 2)
        qtTransfer = QColorSpace::TransferFunction::SRgb;
    else if (transfer == 8)
        qtTransfer = QColorSpace::TransferFunction::Linear;
    else {
        *known = false;
        return QByteArray();
    }
    QColorSpace space(qtPrimaries, qtTransfer);
    space.setDescription(primaries == 12 ? QStringLiteral("Display P3")
                                         : QStringLiteral("sRGB (from nclx)"));
    return space.iccProfile();
}

// Interleaved planes of `bits` per sample into a QImage, scaled to 16 bits where deeper
// than 8, RGB given an opaque alpha.
QImage pictureOf(const heif_image *image, int bits, bool alpha)
{
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        return QImage();
    const int channels = alpha ? 4 : 3;
    if (bits <= 8) {
        QImage picture(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (picture.isNull())
            return picture;
        for (int y = 0; y < height; ++y) {
            const uint8_t *in = plane + qsizetype(y) * stride;
            auto *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < width; ++x, in += channels)
                out[x] = qRgba(in[0], in[1], in[2], alpha ? in[3] : 255);
        }
        return picture;
    }
    QImage picture(width, height, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    if (picture.isNull())
        return picture;
    const quint32 maximum = (1u << bits) - 1;
    const auto widened = [maximum](quint16 value) {
        return quint16((quint32(qMin<quint32>(value, maximum)) * 65535 + maximum / 2) / maximum);
    };
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const quint16 *>(plane + qsizetype(y) * stride);
        auto *out = reinterpret_cast<QRgba64 *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, in += channels)
            out[x] = QRgba64::fromRgba64(widened(qFromLittleEndian(in[0])),
                                         widened(qFromLittleEndian(in[1])),
                                         widened(qFromLittleEndian(in[2])),
                                         alpha ? widened(qFromLittleEndian(in[3])) : 65535);
    }
    return picture;
}

// The metadata items of one type ("Exif", or "mime" with the XMP content type).
QByteArray metadataItem(const heif_image_handle *handle, const char *type, const char *content)
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, type);
    if (count <= 0)
        return QByteArray();
    std::vector<heif_item_id> ids(size_t(count), 0);
    heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(), count);
    for (const heif_item_id id : ids) {
        if (content
            && std::strcmp(heif_image_handle_get_metadata_content_type(handle, id), content) != 0)
            continue;
        QByteArray data(qsizetype(heif_image_handle_get_metadata_size(handle, id)), '\0');
        if (heif_image_handle_get_metadata(handle, id, data.data()).code == heif_error_Ok)
            return data;
    }
    return QByteArray();
}

// What a primary picture holds beside it that a write of libheif 1.15 cannot add again
// (it encodes alpha, thumbnails and metadata, but no depth map or other auxiliary
// picture).
QStringList uncarriedOf(const heif_image_handle *handle)
{
    QStringList uncarried;
    if (heif_image_handle_has_depth_image(handle))
        uncarried << QCoreApplication::translate("HeifFile", "a depth map");
    const int filter = LIBHEIF_AUX_IMAGE_FILTER_OMIT_ALPHA | LIBHEIF_AUX_IMAGE_FILTER_OMIT_DEPTH;
    const int count = heif_image_handle_get_number_of_auxiliary_images(handle, filter);
    if (count <= 0)
        return uncarried;
    std::vector<heif_item_id> ids(size_t(count), 0);
    heif_image_handle_get_list_of_auxiliary_image_IDs(handle, filter, ids.data(), count);
    for (const heif_item_id id : ids) {
        heif_image_handle *aux = nullptr;
        QString type = QStringLiteral("unknown");
        if (heif_image_handle_get_auxiliary_image_handle(handle, id, &aux).code == heif_error_Ok) {
            const char *name = nullptr;
            if (heif_image_handle_get_auxiliary_type(aux, &name).code == heif_error_Ok && name)
                type = QString::fromUtf8(name);
            heif_image_handle_free_auxiliary_types(aux, &name);
            heif_image_handle_release(aux);
        }
        uncarried << QCoreApplication::translate("HeifFile", "an auxiliary picture (%1)").arg(type);
    }
    return uncarried;
}

heif_error writeToArray(heif_context *, const void *data, size_t size, void *target)
{
    static_cast<QByteArray *>(target)->append(static_cast<const char *>(data), qsizetype(size));
    return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
}

// The picture as libheif's interleaved RGB(A), at 8 or 10 bits.
Image imageOf(const QImage &picture, bool deep, QString *reason)
{
    const bool alpha = picture.hasAlphaChannel();
    const int width = picture.width();
    const int height = picture.height();
    const heif_chroma chroma = deep
        ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
        : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image *created = nullptr;
    heif_error error = heif_image_create(width, height, heif_colorspace_RGB, chroma, &created);
    Image image(created);
    if (error.code == heif_error_Ok)
        error = heif_image_add_plane(image.get(), heif_channel_interleaved, width, height,
                                     deep ? 10 : 8);
    if (error.code != heif_error_Ok) {
        *reason = said(error);
        return nullptr;
    }
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    if (deep) {
        const QImage source
            = picture.convertToFormat(alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
        const auto narrowed
            = [](quint16 value) { return quint16((quint32(value) * 1023 + 32767) / 65535); };
        for (int y = 0; y < height; ++y) {
            const auto *in = reinterpret_cast<const QRgba64 *>(source.constScanLine(y));
            auto *out = reinterpret_cast<quint16 *>(plane + qsizetype(y) * stride);
            for (int x = 0; x < width; ++x, out += channels) {
                out[0] = qToLittleEndian(narrowed(in[x].red()));
                out[1] = qToLittleEndian(narrowed(in[x].green()));
                out[2] = qToLittleEndian(narrowed(in[x].blue()));
                if (alpha)
                    out[3] = qToLittleEndian(narrowed(in[x].alpha()));
            }
        }
    } else {
        const QImage source
            = picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
            uint8_t *out = plane + qsizetype(y) * stride;
            for (int x = 0; x < width; ++x, out += channels) {
                out[0] = uint8_t(qRed(in[x]));
                out[1] = uint8_t(qGreen(in[x]));
                out[2] = uint8_t(qBlue(in[x]));
                if (alpha)
                    out[3] = uint8_t(qAlpha(in[x]));
            }
        }
    }
    return image;
}

} // namespace

namespace HeifFile {

QByteArray formatOf(const QByteArray &file)
{
    const QList<QByteArray> brands = brandsOf(file);
    if (brands.contains("avif") || brands.contains("avis"))
        return "avif";
    for (const char *brand : { "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1" }) {
        if (brands.contains(brand))
            return "heic";
    }
    return QByteArray();
}

bool isHeif(const QByteArray &format)
{
    return format == "heic" || format == "avif";
}

int writtenDepth(const QByteArray &format, bool deep)
{
    return deep && format == "heic" ? 10 : 8;
}

bool readHeader(const QByteArray &file, QSize *size, QString *reason)
{
    Context context;
    Handle primary;
    if (!openPrimary(file, &context, &primary, reason))
        return false;
    *size = QSize(heif_image_handle_get_width(primary.get()),
                  heif_image_handle_get_height(primary.get()));
    return true;
}

bool read(const QByteArray &file, Reading *out, QString *reason)
{
    Context context;
    Handle primary;
    if (!openPrimary(file, &context, &primary, reason))
        return false;
    heif_image_handle *handle = primary.get();
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    out->bitDepth = qMax(8, heif_image_handle_get_luma_bits_per_pixel(handle));
    const bool deep = out->bitDepth > 8;
    const heif_chroma chroma = deep
        ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
        : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image *decoded = nullptr;
    // The transform properties are applied: the picture comes out as it is shown.
    const heif_error error
        = heif_decode_image(handle, &decoded, heif_colorspace_RGB, chroma, nullptr);
    const Image image(decoded);
    if (error.code != heif_error_Ok) {
        *reason = QCoreApplication::translate("HeifFile", "the picture is damaged (%1)")
                      .arg(said(error));
        return false;
    }
    const int bits
        = deep ? heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) : 8;
    out->picture = pictureOf(image.get(), bits, alpha);
    if (out->picture.isNull()) {
        *reason = QCoreApplication::translate("HeifFile", "the picture does not fit in memory");
        return false;
    }

    QByteArray profile;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        profile.resize(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)));
        if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
            profile.clear();
    } else if (type == heif_color_profile_type_nclx) {
        heif_color_profile_nclx *nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok) {
            out->nclx = true;
            out->primaries = int(nclx->color_primaries);
            out->transfer = int(nclx->transfer_characteristics);
            heif_nclx_color_profile_free(nclx);
            bool known = false;
            profile = profileForNclx(out->primaries, out->transfer, &known);
            if (!known)
                out->warnings << QStringLiteral(
                                     "its nclx colour description (primaries %1, transfer %2) "
                                     "has no ICC profile here: the pixels are shown as sRGB, and "
                                     "only a HEIC or AVIF written keeps the description")
                                     .arg(out->primaries)
                                     .arg(out->transfer);
        }
    }

    QByteArray exif = metadataItem(handle, "Exif", nullptr);
    // The item starts with the offset of the TIFF header after its own four bytes.
    if (exif.size() >= 4) {
        const quint32 offset = qFromBigEndian<quint32>(exif.constData());
        exif = offset <= quint32(exif.size() - 4) ? exif.mid(4 + qsizetype(offset)) : QByteArray();
    }
    const QByteArray xmp = metadataItem(handle, "mime", "application/rdf+xml");
    out->metadata = metadataOf(exif, xmp, out->picture.size(), &out->warnings);
    out->metadata.setIccProfile(profile);
    out->thumbnail = heif_image_handle_get_number_of_thumbnails(handle) > 0;
    out->uncarried = uncarriedOf(handle);
    return true;
}

QByteArray write(const QImage &picture, const Writing &writing, QString *reason)
{
    Context context(heif_context_alloc());
    const bool avif = writing.format == "avif";
    heif_encoder *found = nullptr;
    heif_error error = heif_context_get_encoder_for_format(
        context.get(), avif ? heif_compression_AV1 : heif_compression_HEVC, &found);
    const Encoder encoder(found);
    if (error.code != heif_error_Ok || !encoder) {
        *reason = QCoreApplication::translate("HeifFile", "libheif has no %1 encoder here (%2)")
                      .arg(avif ? QStringLiteral("AV1") : QStringLiteral("HEVC"), said(error));
        return QByteArray();
    }
    heif_encoder_set_lossy_quality(encoder.get(),
                                   writing.quality > 0 ? writing.quality : DefaultQuality);

    const bool deep = picture.depth() > 32 || picture.format() == QImage::Format_Grayscale16;
    const Image image = imageOf(picture, writtenDepth(writing.format, deep) > 8, reason);
    if (!image)
        return QByteArray();
    if (!writing.iccProfile.isEmpty()) {
        heif_image_set_raw_color_profile(image.get(), "prof", writing.iccProfile.constData(),
                                         size_t(writing.iccProfile.size()));
    } else if (writing.nclx) {
        // The colour the description says; the YCbCr coding stays libheif's own.
        heif_color_profile_nclx *nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(writing.primaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, uint16_t(writing.transfer));
        heif_image_set_nclx_color_profile(image.get(), nclx);
        heif_nclx_color_profile_free(nclx);
    }

    const Options options(heif_encoding_options_alloc());
    options->save_alpha_channel = picture.hasAlphaChannel();
    heif_image_handle *encoded = nullptr;
    error = heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(),
                                      &encoded);
    const Handle handle(encoded);
    if (error.code != heif_error_Ok) {
        *reason = said(error);
        return QByteArray();
    }
    // libheif refuses a thumbnail no smaller than the picture: a small one gets half its
    // size.
    const int thumbnailSide = qMin(ThumbnailSide, qMax(picture.width(), picture.height()) / 2);
    if (writing.thumbnail && thumbnailSide > 0) {
        heif_image_handle *thumbnail = nullptr;
        error
            = heif_context_encode_thumbnail(context.get(), image.get(), handle.get(), encoder.get(),
                                            options.get(), thumbnailSide, &thumbnail);
        heif_image_handle_release(thumbnail);
        if (error.code != heif_error_Ok) {
            *reason = QCoreApplication::translate("HeifFile", "the thumbnail: %1").arg(said(error));
            return QByteArray();
        }
    }
    if (!writing.exif.isEmpty())
        error = heif_context_add_exif_metadata(context.get(), handle.get(),
                                               writing.exif.constData(), int(writing.exif.size()));
    if (error.code == heif_error_Ok && !writing.xmp.isEmpty())
        error = heif_context_add_XMP_metadata(context.get(), handle.get(), writing.xmp.constData(),
                                              int(writing.xmp.size()));
    if (error.code != heif_error_Ok) {
        *reason = QCoreApplication::translate("HeifFile", "the metadata: %1").arg(said(error));
        return QByteArray();
    }
    QByteArray file;
    heif_writer writer { 1, writeToArray };
    error = heif_context_write(context.get(), &writer, &file);
    if (error.code != heif_error_Ok) {
        *reason = said(error);
        return QByteArray();
    }
    return file;
}

} // namespace HeifFile
