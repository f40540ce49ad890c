// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef FORMATCHECK_H
#define FORMATCHECK_H

#include <QByteArray>
#include <QString>

// Checks that a picture file holds all the data its own structure announces, for the
// formats whose Qt readers fill in what is missing without a word (BMP, GIF, XBM):
// a file cut short, or RLE data without its end, would otherwise be edited with part
// of its picture silently lost. Formats it does not know pass.
namespace FormatCheck {

// `format` as QImageReader names it ("bmp", "gif", "xbm"); `file` the whole file.
// False with *reason set ("the pixel data ends 1200 bytes early") when data is missing.
bool isComplete(const QByteArray &format, const QByteArray &file, QString *reason);

// Number of pictures a GIF holds (frames of an animation); 0 when it cannot tell.
int gifFrameCount(const QByteArray &file);

// The kind of vector drawing `file` holds ("SVG", "PDF", "PostScript"), told by its
// content whatever its name, or empty when it holds none. `format` is what QImageReader
// made of the content ("svg", "svgz", "png", or empty when no reader claims it); content
// a raster reader claims is no drawing. A drawing may name other files (an SVG's
// <image href>) that its renderer would read: it must never reach a renderer.
QString vectorKind(const QByteArray &format, const QByteArray &file);

} // namespace FormatCheck

#endif // FORMATCHECK_H
