// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// JpegCodec::readInfo on arbitrary bytes: the marker walk, the frame's sampling factors
// and the quality estimate from the quantisation tables.
#include "fuzzinput.h"
#include "jpegcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    JpegCodec::Info info;
    QString error;
    if (JpegCodec::readInfo(fuzzBytes(data, size), &info, &error)) {
        // What open() asks next of a header that reads: whether each turn is lossless.
        for (int turn = 0; turn < 8; ++turn)
            JpegCodec::canTransformPerfectly(info, PictureTurn::fromExifOrientation(turn + 1));
    }
    return 0;
}
