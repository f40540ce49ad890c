// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// EditRequest::parse on arbitrary text, as lumora-edit gets it from its command line:
// crop=RATIO[@X,Y,WxH], resize=PCT, effect=NAME[,NAME...], plugin=CLASS and the one-shots.
#include "editrequest.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString error;
    const std::optional<EditRequest> request
        = EditRequest::parse(QString::fromLocal8Bit(fuzzBytes(data, size)), &error);
    // A request either parses whole or says why it does not; never both, never neither.
    if (request.has_value() == error.isEmpty()) {
        if (request && request->selection)
            EditRequest::hasRatio(request->selection->size(), request->ratio);
        return 0;
    }
    __builtin_trap();
}
