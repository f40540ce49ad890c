// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The crop: the part of the picture inside a rectangle. Row by row, it keeps the
// rectangle's rows and, of each, the rectangle's columns.

#include "operation.h"
#include "operationfamilies.h"

#include "imagefilters.h"

#include <cmath>

namespace {

const QString RectangleKey = QStringLiteral("cropRectangle");

class CropOperation : public Operation
{
public:
    QString name() const override { return QStringLiteral("org.quenta.crop"); }
    QList<Option> options() const override { return { { RectangleKey, QMetaType::QRect } }; }
    QSize outputSize(const QSize &input, const Options &options) const override
    {
        return kept(input, options).size();
    }
    Reach reach(const Options &) const override { return Reach::Row; }
    QImage probe(const QImage &probe, const Options &) const override
    {
        return ImageFilters::crop(probe, probe.rect());
    }
    Options reduced(const Options &options, const QSize &full, const QSize &reduced) const override
    {
        // Outward to whole pixels, so that a reduced crop never loses an edge it shows.
        const QRect rectangle = kept(full, options);
        const double sx = double(reduced.width()) / full.width();
        const double sy = double(reduced.height()) / full.height();
        const int left = int(std::floor(rectangle.left() * sx));
        const int top = int(std::floor(rectangle.top() * sy));
        const int right = std::max(left + 1, int(std::ceil((rectangle.right() + 1) * sx)));
        const int bottom = std::max(top + 1, int(std::ceil((rectangle.bottom() + 1) * sy)));
        Options out = options;
        out.insert(RectangleKey, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
        return out;
    }
    QImage renderBand(QImage &&band, int top, const QSize &input,
                      const Options &options) const override
    {
        const QRect rows
            = kept(input, options).intersected(QRect(0, top, input.width(), band.height()));
        if (rows.isEmpty())
            return QImage();
        return ImageFilters::crop(band, rows.translated(0, -top));
    }

protected:
    QString checkValues(const QSize &input, const Options &options) const override
    {
        const QRect rectangle = options.value(RectangleKey).toRect();
        if (!kept(input, options).isEmpty())
            return QString();
        return QStringLiteral("The crop rectangle %1, %2, %3 x %4 does not overlap the %5 x %6 "
                              "picture.")
            .arg(rectangle.x())
            .arg(rectangle.y())
            .arg(rectangle.width())
            .arg(rectangle.height())
            .arg(input.width())
            .arg(input.height());
    }

private:
    static QRect kept(const QSize &input, const Options &options)
    {
        return options.value(RectangleKey).toRect().intersected(QRect(QPoint(0, 0), input));
    }
};

} // namespace

const Operation *cropOperation()
{
    static const CropOperation operation;
    return &operation;
}
