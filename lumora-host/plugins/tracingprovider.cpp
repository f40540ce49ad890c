// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "tracingprovider.h"

#include "editstep.h"

#include <QIODevice>

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
    return EditStep { pluginClass, filterName, options, flag }.toJson();
}

QByteArray TracingProvider::editOperationPerformedLine(const QString &pluginClass)
{
    return EditStep::operationPerformedJson(pluginClass);
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
