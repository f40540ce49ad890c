// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editrequest.h"

#include "operation.h"

#include <QRegularExpression>

namespace {

struct Choice
{
    const char *name;
    const char *value; // a plug-in class, a popup row or a button object name
};

// Row of each ratio in the crop plug-in's list, which is also the crop tool's type.
constexpr const char *cropRatios[]
    = { "free", "original", "square", "4:3", "3:4", "3:2", "2:3", "16:9", "9:16" };
constexpr int resizePercentages[] = { 12, 25, 50, 75, 100 };

constexpr Choice effects[] = {
    { "greyscale", "BlackAndWhiteButton" },
    { "sepia", "SepiaButton" },
    { "old-color-photo", "OldColorButton" },
    { "cross-processing", "CrossProcessButton" },
};

// The one-shot edits are the operations' presets.
QStringList oneShotNames()
{
    QStringList out;
    for (const auto &[operation, preset] : Operations::presets())
        out << preset.editName;
    return out;
}

template<typename List> QStringList names(const List &list)
{
    QStringList out;
    for (const auto &entry : list) {
        if constexpr (std::is_same_v<std::decay_t<decltype(entry)>, Choice>)
            out << QLatin1String(entry.name);
        else if constexpr (std::is_same_v<std::decay_t<decltype(entry)>, int>)
            out << QString::number(entry);
        else
            out << QLatin1String(entry);
    }
    return out;
}

std::optional<EditRequest> fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

} // namespace

std::optional<EditRequest> EditRequest::parse(const QString &text, QString *error)
{
    EditRequest request;
    request.text = text;
    const QString key = text.section(QLatin1Char('='), 0, 0);
    const bool hasValue = text.contains(QLatin1Char('='));
    const QString value = text.section(QLatin1Char('='), 1);

    if (!hasValue) {
        for (const auto &[operation, preset] : Operations::presets()) {
            if (text == preset.editName) {
                request.pluginClass = preset.pluginClass;
                return request;
            }
        }
    } else if (key == QLatin1String("plugin")) {
        // Any one-shot plug-in, by class name: a third party's has no edit name of its own.
        static const QRegularExpression className(QStringLiteral("^[A-Za-z_][A-Za-z0-9_:]*$"));
        if (!className.match(value).hasMatch())
            return fail(error, QStringLiteral("plugin= takes a class name, not '%1'").arg(value));
        request.pluginClass = value;
        return request;
    } else if (key == QLatin1String("crop")) {
        request.kind = Crop;
        request.pluginClass = QStringLiteral("EditCropPlugin");
        const QString ratio = value.section(QLatin1Char('@'), 0, 0);
        request.popupRow = names(cropRatios).indexOf(ratio);
        if (request.popupRow < 0)
            return fail(error,
                        QStringLiteral("unknown crop ratio '%1' (one of %2)")
                            .arg(ratio, names(cropRatios).join(QLatin1Char(' '))));
        if (value.contains(QLatin1Char('@'))) {
            static const QRegularExpression place(
                QStringLiteral("^(\\d{1,9}),(\\d{1,9}),(\\d{1,9})x(\\d{1,9})$"));
            const QRegularExpressionMatch m = place.match(value.section(QLatin1Char('@'), 1));
            if (!m.hasMatch() || m.captured(3).toInt() < 1 || m.captured(4).toInt() < 1)
                return fail(error,
                            QStringLiteral("crop selection must read @X,Y,WxH with W and H "
                                           "at least 1, not '%1'")
                                .arg(value.section(QLatin1Char('@'), 1)));
            request.selection = QRect(m.captured(1).toInt(), m.captured(2).toInt(),
                                      m.captured(3).toInt(), m.captured(4).toInt());
        }
        // The crop tool keeps a fixed ratio while the selection is dragged, so a
        // rectangle of another shape could never be reached: it would cut something else.
        if (ratio.contains(QLatin1Char(':')))
            request.ratio = QSize(ratio.section(QLatin1Char(':'), 0, 0).toInt(),
                                  ratio.section(QLatin1Char(':'), 1).toInt());
        else if (ratio == QLatin1String("square"))
            request.ratio = QSize(1, 1);
        if (request.selection && !hasRatio(request.selection->size(), request.ratio))
            return fail(error,
                        QStringLiteral("crop selection %1x%2 does not have the ratio %3")
                            .arg(request.selection->width())
                            .arg(request.selection->height())
                            .arg(ratio));
        return request;
    } else if (key == QLatin1String("resize")) {
        request.kind = Resize;
        request.pluginClass = QStringLiteral("EditResizePlugin");
        request.popupRow = names(resizePercentages).indexOf(value);
        if (request.popupRow < 0)
            return fail(error,
                        QStringLiteral("unknown resize percentage '%1' (one of %2)")
                            .arg(value, names(resizePercentages).join(QLatin1Char(' '))));
        return request;
    } else if (key == QLatin1String("effect")) {
        request.kind = Effect;
        request.pluginClass = QStringLiteral("EditVintageEffectsPlugin");
        const QStringList chosen = value.split(QLatin1Char(','));
        for (const QString &name : chosen) {
            const int index = names(effects).indexOf(name);
            if (index < 0)
                return fail(error,
                            QStringLiteral("unknown effect '%1' (one of %2)")
                                .arg(name, names(effects).join(QLatin1Char(' '))));
            request.buttons << QLatin1String(effects[index].value);
        }
        return request;
    }
    return fail(
        error,
        QStringLiteral("unknown edit '%1' (one of %2)").arg(text, syntax().join(QLatin1Char(' '))));
}

QStringList EditRequest::syntax()
{
    return oneShotNames() << QStringLiteral("plugin=CLASS")
                          << QStringLiteral("crop=RATIO[@X,Y,WxH]") << QStringLiteral("resize=PCT")
                          << QStringLiteral("effect=NAME[,NAME...]");
}

bool EditRequest::hasRatio(const QSize &size, const QSize &ratio)
{
    if (ratio.isEmpty())
        return true;
    // |w rh - h rw| <= rh means w lies within a pixel of h rw / rh; <= rw, h within one
    // of w rh / rw.
    const qint64 off
        = qAbs(qint64(size.width()) * ratio.height() - qint64(size.height()) * ratio.width());
    return off <= qMax(ratio.width(), ratio.height());
}
