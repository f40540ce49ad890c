#ifndef HEADLESS_H
#define HEADLESS_H

#include <QDir>
#include <QFile>

// Prepares a command-line program to run without a display: Qt's offscreen platform
// unless another is asked for, and the private runtime folder Qt would fall back to
// outside a desktop session, made here so that Qt need not warn about it.
// Call before the application object is constructed.
inline void prepareHeadlessRun()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QDir::tempPath() + QStringLiteral("/runtime-")
            + qEnvironmentVariable("USER", QStringLiteral("lumora"));
        if (QDir().mkpath(runtime)
            && QFile::setPermissions(runtime,
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
}

#endif // HEADLESS_H
