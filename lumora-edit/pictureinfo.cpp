// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pictureinfo.h"

#include "displaytext.h"
#include "nativepath.h"

#include <algorithm>
#include <utility>

namespace {

QString shownName(const QString &source)
{
    return DisplayText::escaped(NativePath::displayName(source));
}

// After DisplayText no control character is left: only the quote and the backslash need
// JSON's escapes.
QByteArray quoted(const QString &text)
{
    QString escaped = DisplayText::escaped(text);
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return '"' + escaped.toUtf8() + '"';
}

QString jsonKey(const QString &key)
{
    QString joined;
    for (const QString &word : key.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        joined += word.left(1).toUpper() + word.mid(1);
    return joined;
}

} // namespace

namespace PictureInfo {

QByteArray text(const QList<Entry> &entries)
{
    QByteArray out;
    for (const Entry &entry : entries) {
        if (entries.size() > 1)
            out += "======== " + shownName(entry.source).toUtf8() + '\n';
        for (const QString &line : entry.lines)
            out += DisplayText::escaped(line).toUtf8() + '\n';
    }
    return out;
}

QByteArray json(const QList<Entry> &entries)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries.at(i);
        // Keys in their first order; a key given again gathers its values.
        QList<std::pair<QString, QStringList>> fields;
        fields.append({ QStringLiteral("SourceFile"), { NativePath::displayName(entry.source) } });
        if (!entry.error.isEmpty())
            fields.append({ QStringLiteral("Error"), { entry.error } });
        for (const QString &line : entry.lines) {
            const qsizetype colon = line.indexOf(QLatin1String(": "));
            const QString key = jsonKey(colon < 0 ? QStringLiteral("Note") : line.left(colon));
            const QString value = colon < 0 ? line : line.mid(colon + 2);
            auto field = std::find_if(fields.begin(), fields.end(),
                                      [&](const auto &known) { return known.first == key; });
            if (field == fields.end())
                fields.append({ key, { value } });
            else
                field->second << value;
        }
        out += i == 0 ? "{\n" : ",\n{\n";
        for (qsizetype f = 0; f < fields.size(); ++f) {
            const auto &[key, values] = fields.at(f);
            out += "  " + quoted(key) + ": ";
            if (values.size() == 1) {
                out += quoted(values.constFirst());
            } else {
                out += '[';
                for (qsizetype v = 0; v < values.size(); ++v)
                    out += (v == 0 ? "" : ", ") + quoted(values.at(v));
                out += ']';
            }
            out += f + 1 < fields.size() ? ",\n" : "\n";
        }
        out += '}';
    }
    out += "]\n";
    return out;
}

} // namespace PictureInfo
