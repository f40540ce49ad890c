// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef JPEGCODEC_H
#define JPEGCODEC_H

#include "pictureturn.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// JPEG reading, writing and lossless turns through libjpeg-turbo's TurboJPEG API.
// Every function works on a whole JPEG file held in memory; none keeps state between
// calls, so they may run on any thread. Every `error` may be null; where set, it is one
// English sentence naming what went wrong, with TurboJPEG's own words in brackets.
namespace JpegCodec {

// Chroma sampling of a JPEG, as TurboJPEG reports it.
enum class Sampling { S444, S422, S420, Gray, S440, S411, Unknown };

// Colour model of the stored components.
enum class ColorModel { Rgb, YCbCr, Gray, Cmyk, Ycck, Unknown };

struct Info
{
    QSize size; // as stored, before any EXIF orientation
    Sampling sampling = Sampling::Unknown;
    ColorModel colorModel = ColorModel::Unknown;
    // Quality 1..100 the file was most likely written at, estimated from its luminance
    // quantisation table against the IJG tables scaled for every quality: exact for files
    // written by libjpeg and its users, the nearest for other tables; -1 when the file
    // defines no luminance table.
    int quality = -1;
    // The MCU block in pixels, from the frame's sampling factors. It can differ from the
    // block TurboJPEG's ratio implies (luma 2x1 and chroma 2x1 is "4:4:4" in 16x8
    // blocks); empty when not known, and canTransformPerfectly() then takes the block
    // of `sampling`.
    QSize mcuSize;
};

// Reads the header and the quantisation tables; false (with *error set) for data that
// is no JPEG or whose header is damaged. A sampling TurboJPEG has no name for is no
// error: it gives Sampling::Unknown (such a file decodes, but does not turn).
bool readInfo(const QByteArray &jpeg, Info *info, QString *error);

// What turns the inks of a CMYK or YCCK JPEG (as inksToRgb() takes them) into RGB32 in
// place, such as a colour profile's transform; empty for inksToRgb() itself. Called on
// the decoding thread, once for a whole picture or once a band.
using InkConversion = std::function<void(QImage *)>;

// Decodes the whole picture as stored: Format_Grayscale8 for a grey JPEG, Format_RGB32
// otherwise (CMYK and YCCK converted to RGB by `inks`, or without a profile: naive
// inversion, taking the inks as stored inverted, as Photoshop writes them and Qt and
// browsers read them). A file that decodes only with warnings (cut short, corrupt data)
// fails: a null picture and *error naming what is damaged.
QImage decode(const QByteArray &jpeg, QString *error, const InkConversion &inks = {});

// The same at the smallest of the decoder's DCT scales (1/8, 1/4, 3/8, 1/2, ... 1) whose
// longest side is at least minimumLongestSide (the full picture when none is smaller): a
// fraction of the decoding work, for a picture that stands in for the whole one. Each
// side is the full side times the scale, rounded up.
QImage decodeReduced(const QByteArray &jpeg, int minimumLongestSide, QString *error,
                     const InkConversion &inks = {});

// A DCT scale of the decoder: sides times num / denom, rounded up.
struct Scale
{
    int num = 1;
    int denom = 1;
    QSize of(QSize stored) const; // `stored` scaled, each side rounded up
};

// The scale decodeReduced() decodes `stored` at: the smallest of TurboJPEG's scales (1/8 ..
// 1) whose longest side is at least minimumLongestSide; 1/1 when none is smaller or
// minimumLongestSide is 0 or less.
Scale reducedScale(QSize stored, int minimumLongestSide);

// The inks of a CMYK or YCCK JPEG, as the decoder hands them out (four bytes a pixel,
// C M Y K, in a picture of Format_RGB32's layout), turned into RGB in place by naive
// inversion, as decode() does.
void inksToRgb(QImage *image);

// Encodes image (any format; Format_Grayscale8 and Grayscale16 as one grey
// component, everything else as RGB with any alpha dropped, the colours kept
// unpremultiplied) at quality 1..100 (clamped to it) with the given sampling (Gray for
// a grey picture; a colour sampling for a grey picture is ignored, and Gray or Unknown
// for a colour one gives 4:2:0, libjpeg's default). Empty on failure, with *error set.
// Writes no metadata: no EXIF or ICC markers, only the JFIF marker the encoder writes
// itself.
QByteArray encode(const QImage &image, int quality, Sampling sampling, QString *error);

// The JPEG turned in the DCT domain, as `jpegtran -perfect` does, keeping every
// marker of the input (EXIF, XMP, ICC, comments) unchanged. Fails (empty result,
// *error set) where the turn is not perfect: a side the turn moves that is not a whole
// number of MCU blocks, or a sampling TurboJPEG has no name for. The identity gives the
// input back once its header reads.
QByteArray transform(const QByteArray &jpeg, PictureTurn turn, QString *error);

// Whether transform() would succeed for a picture of `info` (a cheap test before
// decoding anything). The identity always; the other turns not for Sampling::Unknown;
// the transpose then always, the other turns when the sides they move to the top or
// left are whole MCU blocks: the width for the horizontal flip and the 270-degree turn,
// the height for the vertical flip and the 90-degree turn, both for the 180-degree turn
// and the transverse.
bool canTransformPerfectly(const Info &info, PictureTurn turn);

} // namespace JpegCodec

#endif // JPEGCODEC_H
