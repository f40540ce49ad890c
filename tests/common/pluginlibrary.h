// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PLUGINLIBRARY_H
#define PLUGINLIBRARY_H

#include <QLibrary>
#include <QString>

class LumoraEditPlugin;
class QObject;

// A built plug-in shared object, opened as the host opens it: through its two
// exported entry points only. The library stays loaded for the whole test run
// (unloading would pull the code from under instances still alive).
class PluginLibrary
{
public:
    // `name` is the deliverable without prefix and suffix, e.g. "tornel".
    explicit PluginLibrary(const QString &name);

    static QString pathOf(const QString &name);

    bool isLoaded() const;
    QString errorString() const;

    // The verification text the shared object carries, or null.
    const char *verificationData() const;
    // qt_plugin_instance(): the single instance (not owned by the caller).
    QObject *instance() const;
    // The instance cast by the interface identifier, as the host casts it.
    LumoraEditPlugin *plugin() const;

private:
    QLibrary m_library;
    using VerificationFunction = const char *(*)();
    using InstanceFunction = QObject *(*)();
    VerificationFunction m_verification = nullptr;
    InstanceFunction m_instance = nullptr;
};

#endif // PLUGINLIBRARY_H
