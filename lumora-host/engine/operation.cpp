// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "operation.h"

#include "editstep.h"
#include "imagefilters.h"
#include "operationfamilies.h"

QString Operation::check(const QSize &input, const Options &options) const
{
    // ImageFilters' own words, so that a request fails the same whether or not there are
    // pixels to filter yet.
    for (const Option &option : this->options()) {
        const QString wanted = QString::fromLatin1(QMetaType(option.type).name());
        const auto found = options.constFind(option.key);
        if (found == options.constEnd() || !found->isValid())
            return QStringLiteral("The filter \"%1\" needs the option \"%2\" of type %3.")
                .arg(name(), option.key, wanted);
        if (found->typeId() != option.type)
            return QStringLiteral("The option \"%1\" of the filter \"%2\" must be of type %3, "
                                  "not %4.")
                .arg(option.key, name(), wanted, QString::fromLatin1(found->typeName()));
    }
    return checkValues(input, options);
}

QImage Operation::probe(const QImage &probe, const Options &options) const
{
    // The filters choose their format from the input's format and colour table alone.
    QString ignored;
    return render(probe.copy(), options, &ignored);
}

QImage Operation::render(QImage &&picture, const Options &options, QString *error) const
{
    return ImageFilters::applyFilter(std::move(picture), name(), options, error);
}

QImage Operation::renderBand(QImage &&band, int top, const QSize &input,
                             const Options &options) const
{
    Q_UNUSED(top)
    Q_UNUSED(input)
    QString ignored;
    return render(std::move(band), options, &ignored);
}

namespace Operations {

const QList<const Operation *> &all()
{
    // The one table: adding a filter is a family file and a row here.
    static const QList<const Operation *> table = {
        flipOperation(),  rotateOperation(),        autoLevelsOperation(),
        cropOperation(),  scaleOperation(),         greyscaleOperation(),
        sepiaOperation(), oldColorPhotoOperation(), crossProcessingOperation(),
    };
    return table;
}

const Operation *find(const QString &filterName)
{
    for (const Operation *operation : all()) {
        if (operation->name() == filterName)
            return operation;
    }
    return nullptr;
}

QList<std::pair<const Operation *, Operation::Preset>> presets()
{
    QList<std::pair<const Operation *, Operation::Preset>> out;
    for (const Operation *operation : all()) {
        for (const Operation::Preset &preset : operation->presets())
            out.append({ operation, preset });
    }
    return out;
}

QString check(const QString &filterName, const QSize &input, const Operation::Options &options)
{
    const Operation *operation = find(filterName);
    if (!operation)
        return QStringLiteral("The image filter \"%1\" is unknown.").arg(filterName);
    return operation->check(input, options);
}

QSize outputSize(const QList<EditStep> &steps, const QSize &input)
{
    QSize size = input;
    for (const EditStep &step : steps) {
        if (!check(step.filter, size, step.options).isEmpty())
            return QSize();
        size = find(step.filter)->outputSize(size, step.options);
    }
    return size;
}

std::optional<PictureTurn> turn(const QList<EditStep> &steps)
{
    PictureTurn turn;
    for (const EditStep &step : steps) {
        const Operation *operation = find(step.filter);
        const std::optional<PictureTurn> next
            = operation ? operation->turn(step.options) : std::nullopt;
        if (!next)
            return std::nullopt;
        turn = turn.then(*next);
    }
    return turn;
}

} // namespace Operations
