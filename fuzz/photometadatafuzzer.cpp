// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// PhotoMetadata on arbitrary bytes: read() walks whatever container Exiv2 recognises
// (JPEG segments, PNG chunks, WebP RIFF chunks, TIFF IFDs), then writeInto() puts what it
// read back into the same bytes and into one well-formed JPEG, PNG or WebP, whose
// container walks then meet the metadata the fuzzer made.
#include "fuzzinput.h"
#include "jpegcodec.h"
#include "photometadata.h"

#include <QBuffer>
#include <QImage>

#include <array>

namespace {

QByteArray encoded(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

// Small pictures as the encoders write them, which writeInto() is made for.
const QByteArray *containers()
{
    ensureFuzzApplication();
    static const std::array<QByteArray, 3> made = [] {
        QImage picture(7, 5, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QString error;
        return std::array<QByteArray, 3> { JpegCodec::encode(picture, 90, JpegCodec::Sampling::S420,
                                                             &error),
                                           encoded(picture, "png"), encoded(picture, "webp") };
    }();
    return made.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray *fixed = containers();
    const QByteArray file = fuzzBytes(data, size);
    const PhotoMetadata metadata = PhotoMetadata::read(file);
    metadata.summary();
    metadata.orientation();

    QString error;
    QByteArray same = file;
    same.detach();
    metadata.writeInto(&same, &error);
    // Which container the input's size picks, so that every seed reaches one of them.
    QByteArray other = fixed[size % 3];
    metadata.writeInto(&other, &error);
    PhotoMetadata::read(other).summary();
    return 0;
}
