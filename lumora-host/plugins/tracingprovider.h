// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef TRACINGPROVIDER_H
#define TRACINGPROVIDER_H

#include "lumoraedituiprovider.h"

#include <QByteArray>

class QIODevice;

// Stands between one plug-in and the real provider and writes every call the
// plug-in makes as one JSON object per line:
//   {"event":"runEditFilter","plugin":CLASS,"filter":NAME,
//    "options":{KEY:{"type":TYPENAME,"value":V}},"flag":N}
// bool and int values are JSON values, QRect is [x,y,w,h] and QSize [w,h].
class TracingProvider : public LumoraEditUiProvider
{
public:
    // `target` and `out` are not owned and must outlive the tracer.
    TracingProvider(LumoraEditUiProvider *target, const QString &pluginClass, QIODevice *out);

    // {"event":"editOperationPerformed","plugin":CLASS}, for the host to write when
    // the plug-in emits the signal.
    void traceEditOperationPerformed();

    static QByteArray runEditFilterLine(const QString &pluginClass, const QString &filterName,
                                        const QHash<QString, QVariant> &options, int flag);
    static QByteArray editOperationPerformedLine(const QString &pluginClass);

    // LumoraEditUiProvider: forwarded to the target.
    QSize previewImageSize() const override;
    QSize fullImageSize() const override;
    bool canUndo() const override;
    bool canRedo() const override;
    bool undo() override;
    bool redo() override;
    bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                       int flag) override;

private:
    void write(const QByteArray &line);

    LumoraEditUiProvider *m_target;
    QString m_pluginClass;
    QIODevice *m_out;
};

#endif // TRACINGPROVIDER_H
