// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef HEADLESS_H
#define HEADLESS_H

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

// Prepares a command-line program to run without a display: Qt's offscreen platform
// unless another is asked for, and the private runtime folder Qt would fall back to
// outside a desktop session, made here so that Qt need not warn about it.
// Call before the application object is constructed.
//
// The folder lies in the shared temporary folder, where anyone may have put something
// of that name first: it is only used when it is a real folder (no link), ours and
// closed to others, and never changed; otherwise a fresh private one is made.
inline void prepareHeadlessRun()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray runtime
        = QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-")
                            + qEnvironmentVariable("USER", QStringLiteral("lumora")));
    const auto isPrivate = [](const QByteArray &path) {
        struct stat status;
        return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)
            && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
    };
    if ((::mkdir(runtime.constData(), 0700) == 0 || errno == EEXIST) && isPrivate(runtime)) {
        qputenv("XDG_RUNTIME_DIR", runtime);
        return;
    }
    QByteArray fresh = QFile::encodeName(QDir::tempPath()) + "/lumora-runtime-XXXXXX";
    if (::mkdtemp(fresh.data()))
        qputenv("XDG_RUNTIME_DIR", fresh);
}

#endif // HEADLESS_H
