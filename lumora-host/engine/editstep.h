// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITSTEP_H
#define EDITSTEP_H

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>

// One filter request a plug-in made of the host: the filter's name, its option table
// and the flag, with the class of the plug-in that asked. Geometry (a crop rectangle,
// a size after scaling) is in full-picture pixels.
struct EditStep
{
    QString plugin;
    QString filter;
    QHash<QString, QVariant> options;
    int flag = 0;

    // One JSON object on one line, the same bytes the trace writes for the request:
    //   {"event":"runEditFilter","plugin":CLASS,"filter":NAME,
    //    "options":{KEY:{"type":TYPENAME,"value":V}},"flag":N}
    // Keys sorted; bool and int are JSON values, QRect is [x,y,w,h], QSize [w,h], any
    // other type its string.
    QByteArray toJson() const;
    // Reads such a line back; the types bool, int, QRect, QSize and QString are known.
    // Nothing, with *error, for anything else.
    static std::optional<EditStep> fromJson(const QByteArray &line, QString *error);

    // The line the trace writes when a plug-in reports an operation complete.
    static QByteArray operationPerformedJson(const QString &plugin);

    friend bool operator==(const EditStep &a, const EditStep &b)
    {
        return a.plugin == b.plugin && a.filter == b.filter && a.options == b.options
            && a.flag == b.flag;
    }
    friend bool operator!=(const EditStep &a, const EditStep &b) { return !(a == b); }
};

#endif // EDITSTEP_H
