#include "tracingprovider.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QList>
#include <QRect>

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

} // namespace

TracingProvider::TracingProvider(LumoraEditUiProvider *target, const QString &pluginClass,
                                 QIODevice *out)
    : m_target(target)
    , m_pluginClass(pluginClass)
    , m_out(out)
{ }

void TracingProvider::traceEditOperationPerformed()
{
    write(editOperationPerformedLine(m_pluginClass));
}

QByteArray TracingProvider::runEditFilterLine(const QString &pluginClass, const QString &filterName,
                                              const QHash<QString, QVariant> &options, int flag)
{
    // Keys sorted, so that a trace reads the same on every run.
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
    return "{\"event\":\"runEditFilter\",\"plugin\":" + jsonString(pluginClass)
        + ",\"filter\":" + jsonString(filterName) + ",\"options\":" + optionsJson
        + ",\"flag\":" + QByteArray::number(flag) + '}';
}

QByteArray TracingProvider::editOperationPerformedLine(const QString &pluginClass)
{
    return "{\"event\":\"editOperationPerformed\",\"plugin\":" + jsonString(pluginClass) + '}';
}

QSize TracingProvider::previewImageSize() const
{
    return m_target->previewImageSize();
}

QSize TracingProvider::fullImageSize() const
{
    return m_target->fullImageSize();
}

bool TracingProvider::canUndo() const
{
    return m_target->canUndo();
}

bool TracingProvider::canRedo() const
{
    return m_target->canRedo();
}

bool TracingProvider::undo()
{
    return m_target->undo();
}

bool TracingProvider::redo()
{
    return m_target->redo();
}

bool TracingProvider::runEditFilter(const QString &filterName,
                                    const QHash<QString, QVariant> &options, int flag)
{
    write(runEditFilterLine(m_pluginClass, filterName, options, flag));
    return m_target->runEditFilter(filterName, options, flag);
}

void TracingProvider::write(const QByteArray &line)
{
    if (m_out)
        m_out->write(line + '\n');
}
