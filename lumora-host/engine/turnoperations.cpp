// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The flips and rotations: they move pixels without changing one, and compose to the
// turns a JPEG can take without re-encoding.

#include "operation.h"
#include "operationfamilies.h"

namespace {

const QString HorizontalKey = QStringLiteral("horizontal");
const QString AngleKey = QStringLiteral("angle");

class FlipOperation : public Operation
{
public:
    QString name() const override { return QStringLiteral("org.quenta.flip"); }
    QList<Option> options() const override { return { { HorizontalKey, QMetaType::Bool } }; }
    QList<Preset> presets() const override
    {
        return { { QStringLiteral("flip-vertical"),
                   QStringLiteral("EditFlipVerticalPlugin"),
                   { { HorizontalKey, false } },
                   QString() },
                 { QStringLiteral("flip-horizontal"),
                   QStringLiteral("EditFlipHorizontalPlugin"),
                   { { HorizontalKey, true } },
                   QString() } };
    }
    // A mirrored row is made of the same row; the vertical flip makes the first row of the
    // last, which only the whole picture has.
    Reach reach(const Options &options) const override
    {
        return options.value(HorizontalKey).toBool() ? Reach::Row : Reach::Picture;
    }
    std::optional<PictureTurn> turn(const Options &options) const override
    {
        return PictureTurn::flip(options.value(HorizontalKey).toBool());
    }
};

class RotateOperation : public Operation
{
public:
    QString name() const override { return QStringLiteral("org.quenta.rotate"); }
    QList<Option> options() const override { return { { AngleKey, QMetaType::Int } }; }
    QList<Preset> presets() const override
    {
        return { { QStringLiteral("rotate-right"),
                   QStringLiteral("EditRotateClockwisePlugin"),
                   { { AngleKey, 90 } },
                   QStringLiteral("Ctrl+R") },
                 { QStringLiteral("rotate-left"),
                   QStringLiteral("EditRotateCounterClockwisePlugin"),
                   { { AngleKey, -90 } },
                   QStringLiteral("Ctrl+L") } };
    }
    QSize outputSize(const QSize &input, const Options &options) const override
    {
        return quarters(options) % 2 ? input.transposed() : input;
    }
    Reach reach(const Options &options) const override
    {
        return quarters(options) == 0 ? Reach::Pixel : Reach::Picture;
    }
    std::optional<PictureTurn> turn(const Options &options) const override
    {
        return PictureTurn::rotation(90 * quarters(options));
    }

protected:
    QString checkValues(const QSize &, const Options &options) const override
    {
        const int angle = options.value(AngleKey).toInt();
        if (angle % 90 != 0)
            return QStringLiteral("The rotation angle %1 is not a multiple of 90 degrees.")
                .arg(angle);
        return QString();
    }

private:
    // Clockwise quarter turns, 0..3.
    static int quarters(const Options &options)
    {
        return ((options.value(AngleKey).toInt() / 90) % 4 + 4) % 4;
    }
};

} // namespace

const Operation *flipOperation()
{
    static const FlipOperation operation;
    return &operation;
}

const Operation *rotateOperation()
{
    static const RotateOperation operation;
    return &operation;
}
