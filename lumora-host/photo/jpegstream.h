// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef JPEGSTREAM_H
#define JPEGSTREAM_H

#include "jpegcodec.h"
#include "rowsource.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// JPEG decoded and encoded a band of rows at a time through libjpeg-turbo's libjpeg API,
// so that neither side holds a whole picture. Both give exactly what JpegCodec gives for
// the whole picture: the same pixels, the same bytes. As JpegCodec, a file that decodes
// only with warnings (cut short, corrupt data) fails rather than giving half a picture.
// Neither is thread-safe; separate objects may run on separate threads.

// A JPEG held in memory, handed out as it is decoded. Bands are Format_Grayscale8 for a
// grey JPEG and Format_RGB32 otherwise (CMYK and YCCK turned into RGB as
// JpegCodec::decode() does with the same `inks`), equal bit for bit to JpegCodec::decode() or, at a
// scale, to JpegCodec::decodeReduced(). The bytes are shared with the caller, not copied.
class JpegReader : public RowSource
{
public:
    // Reads the header only. minimumLongestSide > 0 decodes at the scale
    // JpegCodec::decodeReduced() takes for it; 0 at full size. A header that cannot be
    // read leaves size() empty and error() set, and next() null.
    explicit JpegReader(const QByteArray &jpeg, int minimumLongestSide = 0,
                        JpegCodec::InkConversion inks = {});
    ~JpegReader() override;
    JpegReader(const JpegReader &) = delete;
    JpegReader &operator=(const JpegReader &) = delete;

    QSize size() const override; // as decoded: scaled, before any EXIF orientation
    QImage::Format format() const override;
    // Decoding starts at the first call (a progressive JPEG's scans are all read then).
    // The band that holds the last row is handed out only once the data after it has
    // read cleanly up to the end of the picture.
    QImage next(int rows) override;
    // "the JPEG data is damaged (libjpeg's words)" for data read past with a warning,
    // "the JPEG data cannot be decoded (...)" for data that stops the decoder, as
    // JpegCodec says them.
    QString error() const override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

// A JPEG encoded as its rows come, band by band. The bytes equal JpegCodec::encode() of
// the whole picture with the same quality and sampling: every band is converted as
// encode() converts a whole picture, and Format_Grayscale8 and Grayscale16 give one grey
// component, every other format RGB with any alpha dropped.
class JpegWriter
{
public:
    // A picture of `size` whose bands come in `format`; quality and sampling as
    // JpegCodec::encode() takes them.
    JpegWriter(QSize size, QImage::Format format, int quality, JpegCodec::Sampling sampling);
    ~JpegWriter();
    JpegWriter(const JpegWriter &) = delete;
    JpegWriter &operator=(const JpegWriter &) = delete;

    // The next rows, top to bottom: a band of the width and format given, no more rows
    // than are left. False, with error() set, for a band that does not fit, or once
    // anything has failed.
    bool write(const QImage &band);
    // The whole JPEG once every row was written; empty, with error() set, before that
    // or after a failure. Once only.
    QByteArray finish();
    QString error() const; // one English sentence; empty while nothing failed

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // JPEGSTREAM_H
