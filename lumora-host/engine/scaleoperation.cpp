// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Smooth scaling to a size. Each output row mixes several input rows by weights that
// depend on the whole height, so it needs the whole picture.

#include "operation.h"
#include "operationfamilies.h"

#include "imagefilters.h"

#include <cmath>

namespace {

const QString SizeKey = QStringLiteral("sizeAfter");

class ScaleOperation : public Operation
{
public:
    QString name() const override { return QStringLiteral("org.quenta.scale"); }
    QList<Option> options() const override { return { { SizeKey, QMetaType::QSize } }; }
    QSize outputSize(const QSize &, const Options &options) const override
    {
        return options.value(SizeKey).toSize();
    }
    Reach reach(const Options &) const override { return Reach::Picture; }
    QImage probe(const QImage &probe, const Options &) const override
    {
        return ImageFilters::scale(probe, QSize(1, 1));
    }
    Options reduced(const Options &options, const QSize &full, const QSize &reduced) const override
    {
        const QSize after = options.value(SizeKey).toSize();
        const auto side = [](int length, int reducedInput, int fullInput) {
            return std::max(1, int(std::lround(double(length) * reducedInput / fullInput)));
        };
        Options out = options;
        out.insert(SizeKey,
                   QSize(side(after.width(), reduced.width(), full.width()),
                         side(after.height(), reduced.height(), full.height())));
        return out;
    }

protected:
    QString checkValues(const QSize &, const Options &options) const override
    {
        const QSize size = options.value(SizeKey).toSize();
        if (!size.isEmpty())
            return QString();
        return QStringLiteral("The target size %1 x %2 is not a usable picture size.")
            .arg(size.width())
            .arg(size.height());
    }
};

} // namespace

const Operation *scaleOperation()
{
    static const ScaleOperation operation;
    return &operation;
}
