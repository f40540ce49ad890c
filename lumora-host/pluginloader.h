#ifndef PLUGINLOADER_H
#define PLUGINLOADER_H

#include <QList>
#include <QString>
#include <QStringList>

class LumoraEditPlugin;

// One edit plug-in taken from a shared object.
struct LoadedPlugin
{
    QString fileName; // the shared object's path
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
    // Loads one shared object; false, with a refusal line, when it is refused.
    bool loadFile(const QString &fileName);

    // Loaded plug-ins in editor-menu order (menuIndex, then class name).
    QList<LoadedPlugin> plugins() const;
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
