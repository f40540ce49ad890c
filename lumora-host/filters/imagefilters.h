// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORA_IMAGEFILTERS_H
#define LUMORA_IMAGEFILTERS_H

#include <QHash>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>

// Pure image filters of the host program. Every function returns a new picture and leaves its
// input alone (but the applyFilter() that takes its input over); a null input gives a null
// output. The filters keep no state between calls and may be called from any thread.
//
// Threads. On pictures of half a megapixel and more the work is cut into bands of rows run on
// QThreadPool::globalInstance(), the calling thread taking its share, and the call returns when
// all are done; the result does not depend on the number of bands. A pool whose
// maxThreadCount() is 1 makes every filter run on the calling thread alone (Qt's format
// conversion and smooth scaling use the same pool).
//
// Formats. The filters work on six formats and keep depth and colour model:
// Format_Grayscale8, Format_Grayscale16, Format_RGB32, Format_ARGB32, Format_RGBX64 and
// Format_RGBA64. Any other input is first converted to the nearest of these that loses nothing:
//   Format_RGBA64_Premultiplied, Format_A2RGB30_Premultiplied, Format_A2BGR30_Premultiplied,
//   Format_RGBA16FPx4(_Premultiplied), Format_RGBA32FPx4(_Premultiplied)  -> Format_RGBA64
//   Format_RGB30, Format_BGR30, Format_RGBX16FPx4, Format_RGBX32FPx4      -> Format_RGBX64
//   every other format (mono, indexed, Alpha8, 16- and 24-bit, premultiplied or byte-swapped
//   8-bit)  -> Format_ARGB32 when it has an alpha channel, Format_RGB32 otherwise.
// Floating-point values outside 0..1 clamp. The geometric edits, autoLevels() and greyscale()
// return that working format. sepia(), oldColorPhoto() and crossProcessing() return it for RGB
// and turn a grey picture into Format_RGB32 (from 8 bits) or Format_RGBX64 (from 16 bits).
//
// Depth. The colour formulas below are written in 8-bit units. On 16-bit pictures the same
// formulas apply in 16-bit units: values run to 65535 and every 8-bit constant that is a channel
// value (a ramp's ends, black's and white's images) is multiplied by 257.
//
// Metadata. Every result carries its input's colour space, dots per metre (a quarter turn swaps
// the horizontal and vertical resolution), offset, device pixel ratio and text; colour filters
// keep each pixel's alpha.
namespace ImageFilters {

// Percentage of pixels that autoLevels() lets clip at each end of every channel.
inline constexpr double AutoLevelsClipPercent = 0.5;

// Mirrors left-right when horizontal is true, top-bottom otherwise; equal to
// QImage::mirrored(horizontal, !horizontal).
QImage flip(const QImage &image, bool horizontal);

// Rotates clockwise by a multiple of 90 degrees (negative: counter-clockwise). For 0, 90, -90,
// 180, -180, 270 and -270 the pixels equal QImage::transformed(QTransform().rotate(angle)); larger
// multiples are first reduced modulo 360 (Qt's own result for them, such as 450, gains a border
// pixel). Unlike transformed(), the result keeps the metadata (see above). Any angle that is no
// multiple of 90 gives a null picture.
QImage rotate(const QImage &image, int degreesClockwise);

// Stretches R, G and B separately (a grey picture's one channel): in each channel's histogram of
// all its values (256 for 8 bits, 65536 for 16) the low value leaves at most clipPercent % of the
// pixels below it and the high value at most clipPercent % above it; low maps to 0, high to the
// maximum (255 or 65535), values between linearly (rounded), values outside clamp. A channel
// whose low is not below its high stays as it is. Every pixel counts, whatever its alpha.
// clipPercent is held within 0..50.
QImage autoLevels(const QImage &image, double clipPercent = AutoLevelsClipPercent);

// The part of the picture inside rectangle; null when they do not overlap.
QImage crop(const QImage &image, const QRect &rectangle);

// Smooth scaling to exactly size, aspect ratio ignored. For RGB pictures equal to
// QImage::scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation) in the working format. A
// grey picture scales as its Format_RGB32 or Format_RGBX64 copy (R = G = B) does and comes back
// grey with full depth. An empty or invalid size gives a null picture.
QImage scale(const QImage &image, const QSize &size);

// R = G = B = (299 R + 587 G + 114 B + 500) / 1000, Rec. 601 luma rounded; greys stay exactly,
// so a grey picture comes back as it is and an RGB one stays RGB.
QImage greyscale(const QImage &image);

// R' = .393 R + .769 G + .189 B, G' = .349 R + .686 G + .168 B, B' = .272 R + .534 G + .131 B,
// each rounded and clamped to the maximum.
QImage sepia(const QImage &image);

// Faded, warm, less saturated look without randomness: each channel moves 40 % of the way to the
// pixel's luma, then a per-channel ramp lifts the blacks and lowers the whites, warmer in red and
// cooler in blue: black becomes (32, 24, 16), white (240, 228, 208).
QImage oldColorPhoto(const QImage &image);

// Cross-processed look from fixed per-channel tone curves: red a strong S-curve, green a slight
// S-curve (both keep 0 and 255), blue a flat ramp from 32 to 224 (lifted shadows, lowered
// highlights). Black becomes (0, 0, 32), white (255, 255, 224).
QImage crossProcessing(const QImage &image);

// Runs the filter called filterName with its options:
//   "org.quenta.flip"            "horizontal"    bool
//   "org.quenta.rotate"          "angle"         int, a multiple of 90
//   "org.quenta.auto.levels"     none
//   "org.quenta.crop"            "cropRectangle" QRect
//   "org.quenta.scale"           "sizeAfter"     QSize
//   "com.velmo.greyscale", "com.velmo.sepia", "com.velmo.old-color-photo",
//   "com.velmo.cross-processing" none
// An option's variant type must match exactly (an int is no bool); options a filter does not use
// are ignored. On failure (null input, unknown name, missing or mistyped option, an angle that is
// no multiple of 90, a crop or scale that leaves nothing) it returns a null picture and, when
// error is non-null, sets *error to one English sentence; on success it clears *error.
QImage applyFilter(const QImage &image, const QString &filterName,
                   const QHash<QString, QVariant> &options, QString *error = nullptr);

// The same for a caller who gives its picture up: where no one else shares image and it is in
// its working format, the flips, the half turn, autoLevels() and the colour effects that keep
// the format (not those that make grey colour) write the result into image's own pixels, so
// that no second picture is needed. The result equals the other overload's. On success image
// is left null; on failure it is left as it was.
QImage applyFilter(QImage &&image, const QString &filterName,
                   const QHash<QString, QVariant> &options, QString *error = nullptr);

} // namespace ImageFilters

#endif // LUMORA_IMAGEFILTERS_H
