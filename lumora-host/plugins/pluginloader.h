// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PLUGINLOADER_H
#define PLUGINLOADER_H

#include <QList>
#include <QString>
#include <QStringList>

class LumoraEditPlugin;

// One edit plug-in taken from a shared object.
struct LoadedPlugin
{
    QString fileName; // the shared object's absolute path, naming the folder it came from
    QString className; // the instance's meta-object class name
    LumoraEditPlugin *plugin; // the shared object's instance, owned by the loader
};

// Loads the edit plug-ins of a folder as the host does: opens each shared object,
// compares its verification record with the host's, takes its single instance and
// casts it by the interface identifier. A shared object failing any step is refused
// with one line naming the file and the reason; the others still load.
class PluginLoader
{
public:
    PluginLoader();
    // Deletes the instances; the shared objects stay mapped until the process ends,
    // as code of theirs may still be referenced by objects the host keeps.
    ~PluginLoader();

    // Loads every lib*.so of `directory`, in file-name order; returns how many loaded.
    int loadDirectory(const QString &directory);
    // Loads the folders in order (see PluginPaths::folders()); returns how many loaded.
    // A class found again in a later folder is refused there: the first one found wins.
    int loadDirectories(const QStringList &directories);
    // Loads one shared object; false, with a refusal line, when it is refused.
    bool loadFile(const QString &fileName);

    // Loaded plug-ins in editor-menu order (menuIndex, then class name). Plug-ins
    // claiming the same menu index are all kept, in that order.
    QList<LoadedPlugin> plugins() const;
    // One line per plug-in that claims the menu index of the one before it:
    // "<file>: <class> claims menu index <n>, as <class before> does; listed after it".
    QStringList warnings() const;
    // The plug-in of that class, or null.
    LumoraEditPlugin *plugin(const QString &className) const;
    // One line per refused file: "<file>: <reason>".
    QStringList refusals() const;

private:
    void refuse(const QString &fileName, const QString &reason);

    QList<LoadedPlugin> m_plugins;
    QStringList m_refusals;
};

#endif // PLUGINLOADER_H
