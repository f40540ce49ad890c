// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "colourtransform.h"

#include <QColorSpace>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <lcms2.h>

#include <cstring>
#include <vector>

namespace {

// Where libgs-common keeps the CMYK profile Ghostscript itself falls back on.
constexpr char standardCmykPath[] = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

// Little CMS's layout of a picture format, or 0 for one it has none of. Qt's 32-bit
// formats are words: their bytes run B G R A on little-endian machines.
cmsUInt32Number layoutOf(QImage::Format format)
{
    const bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return little ? TYPE_BGRA_8 : TYPE_ARGB_8;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
        return TYPE_RGBA_8;
    case QImage::Format_RGB888:
        return TYPE_RGB_8;
    case QImage::Format_BGR888:
        return TYPE_BGR_8;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
        return TYPE_RGBA_16;
    case QImage::Format_Grayscale8:
        return TYPE_GRAY_8;
    case QImage::Format_Grayscale16:
        return TYPE_GRAY_16;
    default:
        return 0;
    }
}

// The format a picture is converted to first where Little CMS has no layout of its own
// (premultiplied alpha, indexed colours, 30-bit words), keeping its alpha and depth.
QImage::Format workingFormat(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
        return QImage::Format_RGBA64;
    case QImage::Format_RGBA8888_Premultiplied:
        return QImage::Format_RGBA8888;
    default:
        return picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    }
}

// The format applied() gives a picture of `format`.
QImage::Format appliedFormat(QImage::Format format)
{
    return layoutOf(format) ? format : workingFormat(QImage(1, 1, format));
}

bool isGreyLayout(cmsUInt32Number layout)
{
    return T_COLORSPACE(layout) == PT_GRAY;
}

} // namespace

class ColourTransform::Private
{
public:
    ~Private()
    {
        for (cmsHTRANSFORM transform : std::as_const(transforms))
            cmsDeleteTransform(transform);
        if (from)
            cmsCloseProfile(from);
        if (to)
            cmsCloseProfile(to);
    }

    // The transform for pixels laid out as `in`, written as `out`; made once, on first
    // use. Null where Little CMS refuses the pair.
    cmsHTRANSFORM transform(cmsUInt32Number in, cmsUInt32Number out)
    {
        QMutexLocker lock(&mutex);
        const quint64 key = (quint64(in) << 32) | out;
        const auto found = transforms.constFind(key);
        if (found != transforms.constEnd())
            return *found;
        // No cache of the last pixel, so that threads can share the transform; alpha
        // copied. Exact: the profiles' own curves, matrices and tables pixel by pixel.
        // What Little CMS would precalculate from them strays near the edge of the gamut
        // (up to 16 steps of 8 bits for inks, 9 for Display P3's greens), where
        // ImageMagick (in floating point, unoptimised) and we then differ by one; it
        // costs a quarter (RGB) to a half (inks) of a second a megapixel.
        const cmsUInt32Number flags = cmsFLAGS_NOCACHE | cmsFLAGS_HIGHRESPRECALC
            | (precision == Precision::Exact ? cmsFLAGS_NOOPTIMIZE : 0)
            | (T_EXTRA(in) && T_EXTRA(out) ? cmsFLAGS_COPY_ALPHA : 0);
        cmsHTRANSFORM made = cmsCreateTransform(from, in, to, out, INTENT_PERCEPTUAL, flags);
        transforms.insert(key, made);
        return made;
    }

    Precision precision = Precision::Exact;
    cmsHPROFILE from = nullptr;
    cmsHPROFILE to = nullptr;
    QByteArray toBytes;
    QColorSpace toSpace;
    QMutex mutex;
    QHash<quint64, cmsHTRANSFORM> transforms; // null entries: refused
};

ColourTransform::ColourTransform() = default;
ColourTransform::~ColourTransform() = default;
ColourTransform::ColourTransform(const ColourTransform &) = default;
ColourTransform &ColourTransform::operator=(const ColourTransform &) = default;

ColourTransform::ColourTransform(const QByteArray &from, const QByteArray &to, Precision precision)
{
    auto made = std::make_shared<Private>();
    made->precision = precision;
    made->from = cmsOpenProfileFromMem(from.constData(), cmsUInt32Number(from.size()));
    made->to = cmsOpenProfileFromMem(to.constData(), cmsUInt32Number(to.size()));
    if (!made->from || !made->to)
        return;
    const cmsColorSpaceSignature in = cmsGetColorSpace(made->from);
    const cmsColorSpaceSignature out = cmsGetColorSpace(made->to);
    const bool fits = (in == out && (in == cmsSigRgbData || in == cmsSigGrayData))
        || (in == cmsSigCmykData && out == cmsSigRgbData);
    if (!fits)
        return;
    made->toBytes = to;
    made->toSpace = QColorSpace::fromIccProfile(to);
    d = std::move(made);
}

bool ColourTransform::isValid() const
{
    return d != nullptr;
}

QByteArray ColourTransform::to() const
{
    return d ? d->toBytes : QByteArray();
}

QImage ColourTransform::applied(const QImage &picture) const
{
    if (!d || picture.isNull() || cmsGetColorSpace(d->from) == cmsSigCmykData)
        return picture;
    QImage source = picture;
    if (!layoutOf(source.format()))
        source = source.convertToFormat(workingFormat(source));
    const cmsUInt32Number layout = layoutOf(source.format());
    const bool greyTransform = cmsGetColorSpace(d->from) == cmsSigGrayData;
    if (greyTransform != isGreyLayout(layout))
        return picture;
    const cmsHTRANSFORM transform = d->transform(layout, layout);
    if (!transform)
        return picture;
    QImage result(source.size(), source.format());
    if (result.isNull())
        return picture;
    const int width = source.width();
    for (int y = 0; y < source.height(); ++y)
        cmsDoTransform(transform, source.constScanLine(y), result.scanLine(y),
                       cmsUInt32Number(width));
    result.setDotsPerMeterX(source.dotsPerMeterX());
    result.setDotsPerMeterY(source.dotsPerMeterY());
    for (const QString &key : source.textKeys())
        result.setText(key, source.text(key));
    if (d->toSpace.isValid())
        result.setColorSpace(d->toSpace);
    return result;
}

void ColourTransform::inksToRgb(QImage *inks) const
{
    if (!d || !inks || inks->isNull() || cmsGetColorSpace(d->from) != cmsSigCmykData
        || inks->depth() != 32)
        return;
    const bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const cmsHTRANSFORM transform
        = d->transform(TYPE_CMYK_8_REV, little ? TYPE_BGRA_8 : TYPE_ARGB_8);
    if (!transform)
        return;
    // Little CMS leaves the output's fourth byte alone; RGB32 promises 0xff there.
    const int width = inks->width();
    std::vector<QRgb> line(size_t(width), 0xff000000u);
    for (int y = 0; y < inks->height(); ++y) {
        cmsDoTransform(transform, inks->constScanLine(y), line.data(), cmsUInt32Number(width));
        std::memcpy(inks->scanLine(y), line.data(), line.size() * sizeof(QRgb));
    }
    if (d->toSpace.isValid())
        inks->setColorSpace(d->toSpace);
}

QByteArray ColourTransform::srgbProfile()
{
    static const QByteArray profile = [] {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        if (!srgb)
            return QByteArray();
        cmsSetProfileVersion(srgb, 2.1);
        cmsUInt32Number size = 0;
        QByteArray bytes;
        if (cmsSaveProfileToMem(srgb, nullptr, &size) && size > 0) {
            bytes.resize(qsizetype(size));
            if (!cmsSaveProfileToMem(srgb, bytes.data(), &size))
                bytes.clear();
        }
        cmsCloseProfile(srgb);
        return bytes;
    }();
    return profile;
}

QByteArray ColourTransform::standardCmykProfile()
{
    QFile file(QString::fromLatin1(standardCmykPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TransformedRows::TransformedRows(RowSource &source, const ColourTransform &transform)
    : m_source(source)
    , m_transform(transform)
{ }

QSize TransformedRows::size() const
{
    return m_source.size();
}

QImage::Format TransformedRows::format() const
{
    return m_transform.isValid() ? appliedFormat(m_source.format()) : m_source.format();
}

QImage TransformedRows::next(int rows)
{
    return m_transform.applied(m_source.next(rows));
}

QString TransformedRows::error() const
{
    return m_source.error();
}
