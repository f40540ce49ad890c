// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Auto levels: a histogram of the whole picture first, then one curve a channel.

#include "operation.h"
#include "operationfamilies.h"

namespace {

class AutoLevelsOperation : public Operation
{
public:
    QString name() const override { return QStringLiteral("org.quenta.auto.levels"); }
    QList<Preset> presets() const override
    {
        return {
            { QStringLiteral("auto-fix"), QStringLiteral("EditAutoFixPlugin"), {}, QString() }
        };
    }
    // The curves come from every pixel: a band alone would stretch differently.
    Reach reach(const Options &) const override { return Reach::Picture; }
};

} // namespace

const Operation *autoLevelsOperation()
{
    static const AutoLevelsOperation operation;
    return &operation;
}
