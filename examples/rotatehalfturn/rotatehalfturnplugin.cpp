// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: CC0-1.0

#include "rotatehalfturnplugin.h"

#include <lumoraedituiprovider.h>
#include <lumorapluginframe.h>
#include <quillimagefilter.h>

RotateHalfTurnPlugin::RotateHalfTurnPlugin(QObject *parent)
    : LumoraEditPlugin(parent)
{ }

QString RotateHalfTurnPlugin::name() const
{
    return QStringLiteral("Rotate half turn");
}

int RotateHalfTurnPlugin::menuIndex() const
{
    return 4; // between rotate right (3) and crop (5)
}

QString RotateHalfTurnPlugin::iconID() const
{
    return QStringLiteral("icon-m-image-edit-rotate-half-turn");
}

void RotateHalfTurnPlugin::performEditOperation()
{
    if (LumoraEditUiProvider *provider = editUiProvider()) {
        QHash<QString, QVariant> options;
        options.insert(QString(QuillImageFilter::Angle), QVariant(180));
        provider->runEditFilter(QStringLiteral("org.quenta.rotate"), options, 0);
    }
    Q_EMIT editOperationPerformed();
}

LUMORA_EXPORT_PLUGIN(RotateHalfTurnPlugin)
