// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pluginloader.h"

#include "lumoraeditplugin.h"
#include "lumorapluginframe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <algorithm>
#include <cstring>
#include <elf.h>
#include <exception>

namespace {
using VerificationFunction = const char *(*)();
using InstanceFunction = QObject *(*)();

template<typename Header, typename ProgramHeader>
QString checkElfExtent(const QByteArray &image, qint64 fileSize)
{
    if (image.size() < qsizetype(sizeof(Header)))
        return QStringLiteral("ELF header cut short");
    Header header;
    std::memcpy(&header, image.constData(), sizeof header);
    const auto within = [fileSize](quint64 offset, quint64 length) {
        return offset <= quint64(fileSize) && length <= quint64(fileSize) - offset;
    };
    if (header.e_phentsize != sizeof(ProgramHeader)
        || !within(header.e_phoff, quint64(header.e_phnum) * header.e_phentsize))
        return QStringLiteral("program headers lie past the end of the file");
    if (!within(header.e_shoff, quint64(header.e_shnum) * header.e_shentsize))
        return QStringLiteral("section headers lie past the end of the file");
    // Within the file, but also within the part read.
    if (quint64(image.size()) < header.e_phoff
        || quint64(image.size()) - header.e_phoff < quint64(header.e_phnum) * sizeof(ProgramHeader))
        return QStringLiteral("program headers unreadable");
    for (int i = 0; i < header.e_phnum; ++i) {
        ProgramHeader segment;
        std::memcpy(&segment, image.constData() + header.e_phoff + i * sizeof(ProgramHeader),
                    sizeof segment);
        if (segment.p_type == PT_LOAD && !within(segment.p_offset, segment.p_filesz))
            return QStringLiteral("a loadable segment lies past the end of the file");
    }
    return QString();
}

// The dynamic loader maps a shared object's segments without checking that the file
// holds them all; code in a missing part faults only when it runs. A file cut short
// (an interrupted copy, say) is therefore refused before it is opened.
QString checkElfComplete(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    // Headers of a shared object lie near its start; 64 KiB holds them with room to spare.
    const QByteArray image = file.read(64 * 1024);
    if (image.size() < EI_NIDENT || std::memcmp(image.constData(), ELFMAG, SELFMAG) != 0)
        return QStringLiteral("no ELF header");
    switch (image[EI_CLASS]) {
    case ELFCLASS64:
        return checkElfExtent<Elf64_Ehdr, Elf64_Phdr>(image, file.size());
    case ELFCLASS32:
        return checkElfExtent<Elf32_Ehdr, Elf32_Phdr>(image, file.size());
    default:
        return QStringLiteral("unknown ELF class");
    }
}

} // namespace

PluginLoader::PluginLoader() = default;

PluginLoader::~PluginLoader()
{
    for (const LoadedPlugin &loaded : std::as_const(m_plugins))
        delete loaded.plugin;
}

int PluginLoader::loadDirectory(const QString &directory)
{
    const QDir dir(directory);
    if (!dir.exists()) {
        refuse(directory, QStringLiteral("no such plug-in folder"));
        return 0;
    }
    int count = 0;
    const QStringList names
        = dir.entryList({ QStringLiteral("lib*.so") },
                        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        count += loadFile(dir.filePath(name)) ? 1 : 0;
    return count;
}

int PluginLoader::loadDirectories(const QStringList &directories)
{
    int count = 0;
    for (const QString &directory : directories)
        count += loadDirectory(directory);
    return count;
}

bool PluginLoader::loadFile(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (info.isSymLink() && !info.exists()) {
        refuse(fileName, QStringLiteral("dangling link"));
        return false;
    }
    if (!info.isFile()) {
        refuse(fileName, QStringLiteral("not a regular file"));
        return false;
    }

    if (const QString damage = checkElfComplete(info.absoluteFilePath()); !damage.isEmpty()) {
        refuse(fileName, QStringLiteral("not a loadable shared object (%1)").arg(damage));
        return false;
    }
    // QLibrary keeps one handle per path; the library is never unloaded, so the
    // code behind a refused or loaded plug-in stays valid for the process' life.
    QLibrary library(info.absoluteFilePath());
    if (!library.load()) {
        refuse(fileName,
               QStringLiteral("not a loadable shared object (%1)").arg(library.errorString()));
        return false;
    }
    const auto verification = reinterpret_cast<VerificationFunction>(
        library.resolve("qt_plugin_query_verification_data"));
    if (!verification) {
        refuse(fileName, QStringLiteral("no qt_plugin_query_verification_data entry point"));
        return false;
    }
    const char *record = verification();
    if (!record || std::strcmp(record, LumoraPluginFrame::verificationData) != 0) {
        refuse(fileName, QStringLiteral("verification record does not match the host's"));
        return false;
    }
    const auto instance = reinterpret_cast<InstanceFunction>(library.resolve("qt_plugin_instance"));
    if (!instance) {
        refuse(fileName, QStringLiteral("no qt_plugin_instance entry point"));
        return false;
    }

    QObject *object = nullptr;
    try {
        object = instance();
    } catch (const std::exception &e) {
        refuse(fileName,
               QStringLiteral("plug-in instance could not be created (%1)")
                   .arg(QString::fromLocal8Bit(e.what())));
        return false;
    } catch (...) {
        refuse(fileName, QStringLiteral("plug-in instance could not be created"));
        return false;
    }
    if (!object) {
        refuse(fileName, QStringLiteral("plug-in returned no instance"));
        return false;
    }
    auto *plugin = qobject_cast<LumoraEditPlugin *>(object);
    if (!plugin) {
        refuse(fileName,
               QStringLiteral("instance does not implement %1")
                   .arg(QLatin1String(qobject_interface_iid<LumoraEditPlugin *>())));
        return false;
    }
    const QString className = QString::fromLatin1(object->metaObject()->className());
    if (this->plugin(className)) {
        refuse(fileName, QStringLiteral("%1 is already loaded").arg(className));
        return false;
    }
    m_plugins.append({ QDir::cleanPath(info.absoluteFilePath()), className, plugin });
    std::stable_sort(m_plugins.begin(), m_plugins.end(),
                     [](const LoadedPlugin &a, const LoadedPlugin &b) {
                         const int ia = a.plugin->menuIndex();
                         const int ib = b.plugin->menuIndex();
                         return ia != ib ? ia < ib : a.className < b.className;
                     });
    return true;
}

QList<LoadedPlugin> PluginLoader::plugins() const
{
    return m_plugins;
}

LumoraEditPlugin *PluginLoader::plugin(const QString &className) const
{
    for (const LoadedPlugin &loaded : m_plugins) {
        if (loaded.className == className)
            return loaded.plugin;
    }
    return nullptr;
}

QStringList PluginLoader::warnings() const
{
    QStringList lines;
    for (qsizetype i = 1; i < m_plugins.size(); ++i) {
        const LoadedPlugin &before = m_plugins.at(i - 1);
        const LoadedPlugin &loaded = m_plugins.at(i);
        const int index = loaded.plugin->menuIndex();
        if (index >= 0 && index == before.plugin->menuIndex())
            lines << QStringLiteral("%1: %2 claims menu index %3, as %4 does; listed after it")
                         .arg(loaded.fileName, loaded.className)
                         .arg(index)
                         .arg(before.className);
    }
    return lines;
}

QStringList PluginLoader::refusals() const
{
    return m_refusals;
}

void PluginLoader::refuse(const QString &fileName, const QString &reason)
{
    m_refusals.append(QStringLiteral("%1: %2").arg(fileName, reason));
}
