#include "safefile.h"

#include "nativepath.h"

#include <QMutex>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeFile {

namespace {

// The temporary file being written, for the signal handlers: a fixed buffer, since a
// handler may not allocate, published through an atomic flag.
char pendingPath[PATH_MAX + 1];
std::atomic<bool> pendingSet { false };
QMutex writeMutex; // one write at a time owns pendingPath

const int cleanedSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };

extern "C" void removePendingAndDie(int signal)
{
    if (pendingSet.load())
        ::unlink(pendingPath);
    // End the program as the signal would have, so that the parent sees it.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void installHandlers()
{
    static const bool installed = [] {
        for (int signal : cleanedSignals) {
            struct sigaction action = {};
            if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
                continue; // ignored on purpose (nohup): leave it so
            action = {};
            action.sa_handler = removePendingAndDie;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
        // A file-size limit (ulimit -f) would kill the program at the write that passes
        // it; ignored, the write fails with EFBIG and is handled like a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    Q_UNUSED(installed);
}

mode_t creationMode()
{
    // umask() can only be read by setting it; done once, before any thread writes.
    static const mode_t mask = [] {
        const mode_t current = ::umask(0);
        ::umask(current);
        return current;
    }();
    return 0666 & ~mask;
}

QString systemError(const QString &path, int error)
{
    return QStringLiteral("cannot write %1: %2")
        .arg(NativePath::displayName(path), QString::fromLocal8Bit(std::strerror(error)));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("no regular file");
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

struct Target
{
    QByteArray path; // the file that will be replaced or created, links resolved
    bool exists = false;
    struct stat status = {};
};

// Finds the file a write to `path` lands on, or says why there must be none.
bool resolve(const QString &path, LinkPolicy policy, Target *target, QString *error)
{
    QByteArray current = NativePath::toNative(path);
    if (current.isEmpty()) {
        *error = QStringLiteral("cannot write a file without a name");
        return false;
    }
    for (int hops = 0;; ++hops) {
        struct stat status;
        if (::lstat(current.constData(), &status) != 0) {
            if (errno != ENOENT) {
                *error = systemError(path, errno);
                return false;
            }
            // A new file: its folder must be there to hold it.
            struct stat folder;
            if (::stat(directoryOf(current).constData(), &folder) != 0) {
                *error = systemError(path, errno);
                return false;
            }
            if (!S_ISDIR(folder.st_mode)) {
                *error = systemError(path, ENOTDIR);
                return false;
            }
            target->path = current;
            target->exists = false;
            return true;
        }
        if (!S_ISLNK(status.st_mode)) {
            if (!S_ISREG(status.st_mode)) {
                *error = QStringLiteral("cannot write %1: it is %2, not a file")
                             .arg(NativePath::displayName(path), kindOf(status.st_mode));
                return false;
            }
            target->path = current;
            target->exists = true;
            target->status = status;
            return true;
        }
        if (policy == RefuseLinks) {
            *error = QStringLiteral("cannot write %1: it is a symbolic link")
                         .arg(NativePath::displayName(path));
            return false;
        }
        if (hops >= 40) {
            *error = systemError(path, ELOOP);
            return false;
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(current.constData(), buffer, sizeof buffer);
        if (length < 0 || size_t(length) >= sizeof buffer) {
            *error = systemError(path, length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const QByteArray link(buffer, length);
        current = link.startsWith('/') ? link : directoryOf(current) + '/' + link;
    }
}

bool writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(qMin<qsizetype>(size, 1 << 30)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

bool checkTarget(const QString &path, LinkPolicy policy, QString *error)
{
    Target target;
    return resolve(path, policy, &target, error);
}

bool write(const QString &path, const QByteArray &data, LinkPolicy policy, QString *error)
{
    installHandlers();
    const mode_t newMode = creationMode();
    QMutexLocker lock(&writeMutex);

    Target target;
    if (!resolve(path, policy, &target, error))
        return false;

    const QByteArray directory = directoryOf(target.path);
    const qsizetype slash = target.path.lastIndexOf('/');
    const QByteArray temporary = directory + "/." + target.path.mid(slash + 1) + ".lumora-XXXXXX";
    if (temporary.size() > PATH_MAX) {
        *error = systemError(path, ENAMETOOLONG);
        return false;
    }

    // Signals are held back while the temporary name is made and published, so that a
    // handler never misses a file that exists.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal : cleanedSignals)
        sigaddset(&blocked, signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    std::memcpy(pendingPath, temporary.constData(), size_t(temporary.size()) + 1);
    const int fd = ::mkostemp(pendingPath, O_CLOEXEC);
    const int openError = errno;
    if (fd >= 0)
        pendingSet.store(true);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        *error = systemError(path, openError);
        return false;
    }

    const auto fail = [&](int reason) {
        ::close(fd);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        ::unlink(pendingPath);
        pendingSet.store(false);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        *error = systemError(path, reason);
        return false;
    };

    // The replacement takes the place of the file it replaces: same owner, group and
    // mode. File systems without owners (FAT) refuse chown; their files have none to keep.
    if (target.exists) {
        if (::fchown(fd, target.status.st_uid, target.status.st_gid) != 0 && errno != EPERM)
            return fail(errno);
        if (::fchmod(fd, target.status.st_mode & 07777) != 0 && errno != EPERM)
            return fail(errno);
    } else if (::fchmod(fd, newMode) != 0 && errno != EPERM) {
        return fail(errno);
    }

    if (!writeAll(fd, data.constData(), data.size()))
        return fail(errno);
    // A full disk may only show when the data reaches it.
    if (::fsync(fd) != 0 && errno != EINVAL)
        return fail(errno);
    if (::close(fd) != 0) {
        const int reason = errno;
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        ::unlink(pendingPath);
        pendingSet.store(false);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        *error = systemError(path, reason);
        return false;
    }

    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const bool renamed = ::rename(pendingPath, target.path.constData()) == 0;
    const int renameError = errno;
    if (!renamed)
        ::unlink(pendingPath);
    pendingSet.store(false);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!renamed) {
        *error = systemError(path, renameError);
        return false;
    }

    // Make the rename itself last across a power cut.
    const int directoryFd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return true;
}

} // namespace SafeFile
