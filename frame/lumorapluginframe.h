// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORAPLUGINFRAME_H
#define LUMORAPLUGINFRAME_H

#include <QObject>
#include <QPointer>

// The Qt 4 plug-in verification record every plug-in carries, byte for byte the
// same in each shared object; the host's loader compares it with its own before it
// asks for an instance. Four lines, no line feed after the last.
#define LUMORA_PLUGIN_VERIFICATION_DATA                                                            \
    "pattern=QT_PLUGIN_VERIFICATION_DATA\n"                                                        \
    "version=4.7.4\n"                                                                              \
    "debug=false\n"                                                                                \
    "buildkey=armv6 linux g++-4 full-config"

namespace LumoraPluginFrame {
inline constexpr char verificationData[] = LUMORA_PLUGIN_VERIFICATION_DATA;
}

// Exports the two entry points of a plug-in shared object whose single plug-in
// class is `PluginClass`:
//  - qt_plugin_query_verification_data() returns the verification record;
//  - qt_plugin_instance() returns the one instance, created parentless on first
//    use. The shared object never deletes it; whoever deletes it (the host) resets
//    the guarded holder, and the next call creates a fresh one. If the constructor
//    throws, the holder stays null and a later call tries again.
// Use once, at namespace scope, in one source file of the plug-in.
#define LUMORA_EXPORT_PLUGIN(PluginClass)                                                          \
    extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()                       \
    {                                                                                              \
        return LumoraPluginFrame::verificationData;                                                \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT QObject *qt_plugin_instance()                                         \
    {                                                                                              \
        static QPointer<QObject> holder;                                                           \
        if (holder.isNull())                                                                       \
            holder = new PluginClass(nullptr);                                                     \
        return holder.data();                                                                      \
    }

#endif // LUMORAPLUGINFRAME_H
