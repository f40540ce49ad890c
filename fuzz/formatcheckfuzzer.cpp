// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// FormatCheck on arbitrary bytes: the completeness walk of every format it knows, each
// given the same file, and the GIF frame count.
#include "formatcheck.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = fuzzBytes(data, size);
    for (const char *format : { "bmp", "gif", "xbm", "png" }) {
        QString reason;
        // A refusal always says why.
        if (!FormatCheck::isComplete(format, file, &reason) && reason.isEmpty())
            __builtin_trap();
    }
    FormatCheck::gifFrameCount(file);
    return 0;
}
