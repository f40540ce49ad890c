// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editstep.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <algorithm>

namespace {

QByteArray jsonString(const QString &text)
{
    // A one-element array is the shortest way to have Qt escape a lone string.
    const QByteArray array = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonNumbers(std::initializer_list<int> numbers)
{
    QByteArray out("[");
    for (int n : numbers) {
        if (out.size() > 1)
            out += ',';
        out += QByteArray::number(n);
    }
    return out + ']';
}

QByteArray jsonValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? "true" : "false";
    case QMetaType::Int:
        return QByteArray::number(value.toInt());
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return jsonNumbers({ r.x(), r.y(), r.width(), r.height() });
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return jsonNumbers({ s.width(), s.height() });
    }
    default:
        return jsonString(value.toString());
    }
}

// Whole numbers that fit an int, the only numbers a request holds.
std::optional<QList<int>> integers(const QJsonValue &value, int count)
{
    if (!value.isArray() || value.toArray().size() != count)
        return std::nullopt;
    QList<int> out;
    for (const QJsonValue &item : value.toArray()) {
        const double number = item.toDouble(0.5);
        if (!item.isDouble() || number != double(int(number)))
            return std::nullopt;
        out << int(number);
    }
    return out;
}

std::optional<QVariant> optionValue(const QString &type, const QJsonValue &value)
{
    if (type == QLatin1String("bool") && value.isBool())
        return QVariant(value.toBool());
    if (type == QLatin1String("int") && value.isDouble()
        && value.toDouble() == double(value.toInt(0)) && value.toInt(1) == value.toInt(0))
        return QVariant(value.toInt());
    if (type == QLatin1String("QRect")) {
        if (const auto n = integers(value, 4))
            return QVariant(QRect(n->at(0), n->at(1), n->at(2), n->at(3)));
    }
    if (type == QLatin1String("QSize")) {
        if (const auto n = integers(value, 2))
            return QVariant(QSize(n->at(0), n->at(1)));
    }
    if (type == QLatin1String("QString") && value.isString())
        return QVariant(value.toString());
    return std::nullopt;
}

std::optional<EditStep> fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

} // namespace

QByteArray EditStep::toJson() const
{
    // Keys sorted, so that a list reads the same on every run.
    QStringList keys = options.keys();
    std::sort(keys.begin(), keys.end());
    QByteArray optionsJson("{");
    for (const QString &key : std::as_const(keys)) {
        const QVariant &value = options.value(key);
        if (optionsJson.size() > 1)
            optionsJson += ',';
        optionsJson += jsonString(key)
            + ":{\"type\":" + jsonString(QString::fromLatin1(value.typeName()))
            + ",\"value\":" + jsonValue(value) + '}';
    }
    optionsJson += '}';
    return "{\"event\":\"runEditFilter\",\"plugin\":" + jsonString(plugin)
        + ",\"filter\":" + jsonString(filter) + ",\"options\":" + optionsJson
        + ",\"flag\":" + QByteArray::number(flag) + '}';
}

QByteArray EditStep::operationPerformedJson(const QString &plugin)
{
    return "{\"event\":\"editOperationPerformed\",\"plugin\":" + jsonString(plugin) + '}';
}

std::optional<EditStep> EditStep::fromJson(const QByteArray &line, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (!document.isObject())
        return fail(error, QStringLiteral("not a JSON object (%1)").arg(parseError.errorString()));
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("event")).toString() != QLatin1String("runEditFilter"))
        return fail(error, QStringLiteral("not a filter request"));
    EditStep step;
    step.plugin = object.value(QLatin1String("plugin")).toString();
    step.filter = object.value(QLatin1String("filter")).toString();
    const QJsonValue flag = object.value(QLatin1String("flag"));
    if (step.filter.isEmpty() || !flag.isDouble() || (flag.toInt(-1) != 0 && flag.toInt(-1) != 1))
        return fail(error,
                    QStringLiteral("a filter request needs a filter name and a flag of 0 "
                                   "or 1"));
    step.flag = flag.toInt();
    const QJsonObject options = object.value(QLatin1String("options")).toObject();
    for (auto it = options.constBegin(); it != options.constEnd(); ++it) {
        const QJsonObject option = it.value().toObject();
        const QString type = option.value(QLatin1String("type")).toString();
        const std::optional<QVariant> value
            = optionValue(type, option.value(QLatin1String("value")));
        if (!value)
            return fail(error,
                        QStringLiteral("the option \"%1\" of type \"%2\" cannot be read")
                            .arg(it.key(), type));
        step.options.insert(it.key(), *value);
    }
    return step;
}
