// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef OPERATION_H
#define OPERATION_H

#include "pictureturn.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QVariant>

#include <optional>

struct EditStep;

// One image filter the plug-ins may ask the host for, and everything the host needs to
// know of it besides its pixels: its options, the geometry it makes, how much of the
// picture it needs at once, the turn it makes, and how it applies to a reduced copy of
// the picture. The pixels themselves are ImageFilters', so that every renderer gives
// the same result bit for bit.
//
// An operation holds no state; one instance of each lives in Operations' table and may
// be used from any thread.
class Operation
{
public:
    using Options = QHash<QString, QVariant>;

    // How much of its input an operation needs to make a band of its output.
    enum class Reach {
        Pixel, // each output pixel from the input pixel at the same place
        Row, // each output row from one input row (and rows map in order)
        Picture, // the whole picture
    };

    struct Option
    {
        QString key;
        QMetaType::Type type;
    };

    // A one-shot edit a plug-in makes with this operation: the command line's name for
    // it, the plug-in that asks for it, the options it asks with, and the window's key.
    struct Preset
    {
        QString editName;
        QString pluginClass;
        Options options;
        QString shortcut; // as QKeySequence reads it, empty for none
    };

    virtual ~Operation() = default;

    virtual QString name() const = 0;
    virtual QList<Option> options() const { return {}; }
    virtual QList<Preset> presets() const { return {}; }

    // Why the request cannot be made of a picture of `input` size, in ImageFilters'
    // words (a missing or mistyped option, an angle, a rectangle outside the picture);
    // empty when it can.
    QString check(const QSize &input, const Options &options) const;

    // The size made of an input of `input` size; only for requests check() passes.
    virtual QSize outputSize(const QSize &input, const Options &) const { return input; }

    virtual Reach reach(const Options &) const { return Reach::Pixel; }

    // A pixel of the output made of `probe`, one pixel of the input (in its format, with its
    // colour table): what the output's format is, before any band is made.
    virtual QImage probe(const QImage &probe, const Options &options) const;

    // A flip or a rotation: the turn it makes. Nothing for an operation that changes pixels.
    virtual std::optional<PictureTurn> turn(const Options &) const { return std::nullopt; }

    // The options of the same edit made on a copy of the picture reduced from `full` to
    // `reduced` size: geometry scaled, everything else as it is.
    virtual Options reduced(const Options &options, const QSize &full, const QSize &reduced) const
    {
        Q_UNUSED(full)
        Q_UNUSED(reduced)
        return options;
    }

    // The whole picture filtered; a picture nobody else shares may be filtered in its own
    // pixels. Null, with *error, on failure.
    virtual QImage render(QImage &&picture, const Options &options, QString *error) const;

    // A band of the output of a Pixel or Row operation: `band` holds the input's rows from
    // `top` on, of a picture of `input` size. The rows of the output band follow those of
    // the band made before it; it may be empty (a crop's rows above the rectangle).
    virtual QImage renderBand(QImage &&band, int top, const QSize &input,
                              const Options &options) const;

protected:
    // What check() adds to the option types: the values' own limits.
    virtual QString checkValues(const QSize &input, const Options &) const
    {
        Q_UNUSED(input)
        return QString();
    }
};

// The table of every operation, and what is worked out from it for a list of requests.
namespace Operations {

const QList<const Operation *> &all();
const Operation *find(const QString &filterName); // null when unknown

// Every preset of every operation, in the table's order.
QList<std::pair<const Operation *, Operation::Preset>> presets();

// Why a request cannot be made of a picture of `input` size; empty when it can.
QString check(const QString &filterName, const QSize &input, const Operation::Options &options);

// The size a list of requests makes of a picture of `input` size; invalid when one of
// them fails check().
QSize outputSize(const QList<EditStep> &steps, const QSize &input);

// The turn a list of requests composes to, when every one is a turn.
std::optional<PictureTurn> turn(const QList<EditStep> &steps);

} // namespace Operations

#endif // OPERATION_H
