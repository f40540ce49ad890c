// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "oneshotoperation.h"

#include "lumoraeditplugin.h"
#include "lumoraedituiprovider.h"
#include "quillimagefilter.h"

QString OneShotOperation::name() const
{
    // Translated on every call, so a language change shows at once.
    return qtTrId(nameId, -1);
}

void OneShotOperation::perform(LumoraEditPlugin &plugin) const
{
    if (LumoraEditUiProvider *provider = plugin.editUiProvider()) {
        QHash<QString, QVariant> options;
        switch (option) {
        case NoOption:
            break;
        case HorizontalOption:
            options.insert(QString(QuillImageFilter::Horizontal), QVariant(value != 0));
            break;
        case AngleOption:
            options.insert(QString(QuillImageFilter::Angle), QVariant(value));
            break;
        }
        provider->runEditFilter(QString::fromLatin1(filterName), options, 0);
    }
    Q_EMIT plugin.editOperationPerformed();
}
