// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: CC0-1.0

#ifndef ROTATEHALFTURNPLUGIN_H
#define ROTATEHALFTURNPLUGIN_H

#include <lumoraeditplugin.h>

// Turns the picture half round at once: the editor menu's fourth entry, no tool bar.
class RotateHalfTurnPlugin : public LumoraEditPlugin
{
    Q_OBJECT
    Q_INTERFACES(LumoraEditPlugin)

public:
    explicit RotateHalfTurnPlugin(QObject *parent = nullptr);

    QString name() const override;
    int menuIndex() const override;
    QString iconID() const override;

public Q_SLOTS:
    void performEditOperation() override;
};

#endif // ROTATEHALFTURNPLUGIN_H
