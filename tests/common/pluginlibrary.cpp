// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pluginlibrary.h"

#include "lumoraeditplugin.h"

PluginLibrary::PluginLibrary(const QString &name)
    : m_library(pathOf(name))
{
    // Kept loaded: QLibrary's destructor does not unload.
    if (!m_library.load())
        return;
    m_verification = reinterpret_cast<VerificationFunction>(
        m_library.resolve("qt_plugin_query_verification_data"));
    m_instance = reinterpret_cast<InstanceFunction>(m_library.resolve("qt_plugin_instance"));
}

QString PluginLibrary::pathOf(const QString &name)
{
    return QStringLiteral(LUMORA_PLUGIN_DIR "/lib%1.so").arg(name);
}

bool PluginLibrary::isLoaded() const
{
    return m_library.isLoaded() && m_verification && m_instance;
}

QString PluginLibrary::errorString() const
{
    return m_library.errorString();
}

const char *PluginLibrary::verificationData() const
{
    return m_verification ? m_verification() : nullptr;
}

QObject *PluginLibrary::instance() const
{
    return m_instance ? m_instance() : nullptr;
}

LumoraEditPlugin *PluginLibrary::plugin() const
{
    return qobject_cast<LumoraEditPlugin *>(instance());
}
