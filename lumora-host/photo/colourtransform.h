// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef COLOURTRANSFORM_H
#define COLOURTRANSFORM_H

#include "rowsource.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

// Pixels taken from the colours of one ICC profile to those of another through Little CMS,
// with the perceptual intent (ImageMagick's `-profile` and vips' `icc_transform` take it
// by default). A transform keeps no state between calls: one may run on many threads at
// once, and copies share what Little CMS made.
class ColourTransform
{
public:
    // Exact: every pixel through the profiles themselves, within a step of rounding of
    // ImageMagick, for files. Fast: through a table precalculated from them, five times
    // faster but a few steps off near the edge of the gamut, for the screen.
    enum class Precision { Exact, Fast };

    ColourTransform(); // invalid: changes nothing
    // From the colours `from` describes to those of `to`. Invalid when either profile
    // cannot be read, or they describe different models (grey to grey, RGB to RGB; a CMYK
    // `from` takes an RGB `to`, for inksToRgb() alone).
    ColourTransform(const QByteArray &from, const QByteArray &to,
                    Precision precision = Precision::Exact);
    ~ColourTransform();
    ColourTransform(const ColourTransform &);
    ColourTransform &operator=(const ColourTransform &);

    bool isValid() const;
    QByteArray to() const; // the target profile as given

    // `picture` in the target's colours: the same size, alpha and depth (8-bit stays 8-bit,
    // 16-bit stays 16-bit; formats Little CMS takes no layout of come back as RGB32,
    // ARGB32 or RGBA64), its colour space the target's where Qt can hold it. A null
    // picture, an invalid transform or a picture of the other model (grey for an RGB
    // transform) give `picture` back unchanged.
    QImage applied(const QImage &picture) const;

    // For a CMYK `from`: the inks a JPEG decoder hands out (four bytes a pixel, C M Y K
    // stored inverted as Adobe writes them, in Format_RGB32's layout) turned into RGB32 in
    // place. Does nothing for another transform.
    void inksToRgb(QImage *inks) const;

    // The sRGB profile written with pixels converted to sRGB: Little CMS's own, as an ICC
    // v2 profile, which every reader takes.
    static QByteArray srgbProfile();
    // The CMYK profile taken for inks whose file names none: Debian's (libgs-common)
    // default CMYK profile; empty where it is not installed.
    static QByteArray standardCmykProfile();

private:
    class Private;
    std::shared_ptr<Private> d;
};

// The bands of another source, each taken through a transform as applied() takes a
// picture. Owns neither: both must outlive it.
class TransformedRows : public RowSource
{
public:
    TransformedRows(RowSource &source, const ColourTransform &transform);

    QSize size() const override;
    QImage::Format format() const override; // as applied() gives the source's
    QImage next(int rows) override;
    QString error() const override;

private:
    RowSource &m_source;
    const ColourTransform &m_transform;
};

#endif // COLOURTRANSFORM_H
