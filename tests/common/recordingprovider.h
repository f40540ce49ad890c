// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef RECORDINGPROVIDER_H
#define RECORDINGPROVIDER_H

#include "lumoraedituiprovider.h"

#include <QList>

// An edit UI provider that records what plug-ins ask of it and does no pixel work.
class RecordingProvider : public LumoraEditUiProvider
{
public:
    struct Call
    {
        QString filterName;
        QHash<QString, QVariant> options;
        int flag;
    };

    explicit RecordingProvider(const QSize &size = QSize(4000, 3000))
        : imageSize(size)
    { }

    QSize fullImageSize() const override
    {
        ++fullImageSizeCalls;
        return imageSize;
    }

    bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                       int flag) override
    {
        calls.append({ filterName, options, flag });
        return true;
    }

    QSize imageSize;
    QList<Call> calls;
    mutable int fullImageSizeCalls = 0;
};

#endif // RECORDINGPROVIDER_H
