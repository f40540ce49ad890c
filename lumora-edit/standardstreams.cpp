// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "standardstreams.h"

#include "nativepath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

class StandardStreams::Private
{
public:
    std::optional<QTemporaryDir> folder;
    QString input;
    QString output;
    int realOutput = -1;

    bool makeFolder(QString *error)
    {
        if (folder)
            return folder->isValid();
        folder.emplace(QDir::tempPath() + QStringLiteral("/lumora-edit-XXXXXX"));
        if (!folder->isValid())
            *error = QStringLiteral("cannot make a temporary folder in %1: %2")
                         .arg(NativePath::displayName(QDir::tempPath()), folder->errorString());
        return folder->isValid();
    }
};

StandardStreams::StandardStreams()
    : d(new Private)
{ }

StandardStreams::~StandardStreams()
{
    if (d->realOutput >= 0)
        ::close(d->realOutput);
}

QString StandardStreams::takeInput(QString *error)
{
    if (!d->makeFolder(error))
        return QString();
    // No suffix: the format is told from the bytes alone.
    const QString path = d->folder->filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot store standard input: %1").arg(file.errorString());
        return QString();
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = QStringLiteral("cannot read standard input: %1").arg(systemReason(errno));
            return QString();
        }
        if (n == 0)
            break;
        if (file.write(buffer, n) != n) {
            *error = QStringLiteral("cannot store standard input: %1").arg(file.errorString());
            return QString();
        }
    }
    if (!file.flush()) {
        *error = QStringLiteral("cannot store standard input: %1").arg(file.errorString());
        return QString();
    }
    d->input = path;
    return path;
}

bool StandardStreams::reserveOutput(QString *error)
{
    if (d->realOutput >= 0)
        return true;
    // Kept above the standard three and closed on exec: a batch's runs never see it.
    const int kept = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (kept < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        *error = QStringLiteral("cannot write standard output: %1").arg(systemReason(errno));
        if (kept >= 0)
            ::close(kept);
        return false;
    }
    d->realOutput = kept;
    return true;
}

QString StandardStreams::outputPath(const QByteArray &format, QString *error)
{
    if (!d->makeFolder(error))
        return QString();
    d->output = d->folder->filePath(QStringLiteral("output.") + QString::fromLatin1(format));
    return d->output;
}

bool StandardStreams::send(const QString &path, QString *error) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the result: %1").arg(file.errorString());
        return false;
    }
    const int fd = d->realOutput >= 0 ? d->realOutput : STDOUT_FILENO;
    for (;;) {
        const QByteArray block = file.read(65536);
        if (block.isEmpty())
            break;
        if (!writeAll(fd, block.constData(), block.size())) {
            *error = QStringLiteral("cannot write standard output: %1").arg(systemReason(errno));
            return false;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read the result: %1").arg(file.errorString());
        return false;
    }
    return true;
}

QString StandardStreams::shown(const QString &message) const
{
    QString text = message;
    if (!d->input.isEmpty())
        text.replace(NativePath::displayName(d->input), QStringLiteral("standard input"));
    if (!d->output.isEmpty())
        text.replace(NativePath::displayName(d->output), QStringLiteral("standard output"));
    return text;
}
