// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The colour effects: each output pixel from the input pixel alone.

#include "operation.h"
#include "operationfamilies.h"

namespace {

class ColourOperation : public Operation
{
public:
    explicit ColourOperation(const char *name)
        : m_name(QLatin1String(name))
    { }
    QString name() const override { return m_name; }

private:
    QString m_name;
};

} // namespace

const Operation *greyscaleOperation()
{
    static const ColourOperation operation("com.velmo.greyscale");
    return &operation;
}

const Operation *sepiaOperation()
{
    static const ColourOperation operation("com.velmo.sepia");
    return &operation;
}

const Operation *oldColorPhotoOperation()
{
    static const ColourOperation operation("com.velmo.old-color-photo");
    return &operation;
}

const Operation *crossProcessingOperation()
{
    static const ColourOperation operation("com.velmo.cross-processing");
    return &operation;
}
