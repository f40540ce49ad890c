// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "safefile.h"

#include "nativepath.h"
#include "systemerror.h"

#include <QCoreApplication>
#include <QMutex>
#include <QRandomGenerator>
#include <QStringList>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
    return QCoreApplication::translate("SafeFile", "cannot write %1: %2")
        .arg(NativePath::displayName(path), SystemError::reason(error));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QCoreApplication::translate("SafeFile", "a folder");
    if (S_ISFIFO(mode))
        return QCoreApplication::translate("SafeFile", "a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QCoreApplication::translate("SafeFile", "a device");
    if (S_ISSOCK(mode))
        return QCoreApplication::translate("SafeFile", "a socket");
    return QCoreApplication::translate("SafeFile", "no regular file");
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
        *error = QCoreApplication::translate("SafeFile", "cannot write a file without a name");
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
                *error = QCoreApplication::translate("SafeFile",
                                                     "cannot write %1: it is %2, not a file")
                             .arg(NativePath::displayName(path), kindOf(status.st_mode));
                return false;
            }
            // The folder may let the replacement be renamed in, but a file its user may
            // not write is not replaced, as the shell's ">", cp and other tools see it.
            // access() asks for the real user, as those do: root may write anything.
            if (::access(current.constData(), W_OK) != 0 && errno != ENOENT) {
                *error = errno == EACCES || errno == EPERM
                    ? QCoreApplication::translate("SafeFile", "cannot write %1: it is read-only")
                          .arg(NativePath::displayName(path))
                    : systemError(path, errno);
                return false;
            }
            target->path = current;
            target->exists = true;
            target->status = status;
            return true;
        }
        if (policy == RefuseLinks) {
            *error
                = QCoreApplication::translate("SafeFile", "cannot write %1: it is a symbolic link")
                      .arg(NativePath::displayName(path));
            return false;
        }
        // Followed only where the kernel would (fs.protected_symlinks): in a sticky folder
        // anyone may write, a link that neither this user nor the folder's owner made may
        // have been put there to send the write elsewhere.
        struct stat folder;
        if (::stat(directoryOf(current).constData(), &folder) == 0 && (folder.st_mode & S_ISVTX)
            && (folder.st_mode & S_IWOTH) && status.st_uid != ::geteuid()
            && status.st_uid != folder.st_uid) {
            *error = QCoreApplication::translate(
                         "SafeFile",
                         "cannot write %1: it is a link in a shared folder that "
                         "another user owns")
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

// The short name a temporary file gets beside its target while it is being renamed in:
// the pid tells a dead writer's files (removeTemporaries), and the name fits in any
// folder whatever the length of the target's own name.
QByteArray temporaryPrefix(pid_t pid)
{
    return QByteArrayLiteral(".lumora-") + QByteArray::number(pid) + '-';
}

// Signals are held back while a temporary name is made and published, so that a handler
// never misses a file that exists.
class HeldSignals
{
public:
    HeldSignals()
    {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int signal : cleanedSignals)
            sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    HeldSignals(const HeldSignals &) = delete;
    HeldSignals &operator=(const HeldSignals &) = delete;

private:
    sigset_t m_previous;
};

void forgetPending(bool remove)
{
    const HeldSignals held;
    if (remove && pendingSet.load())
        ::unlink(pendingPath);
    pendingSet.store(false);
}

// A file with no name in `directory`, where the file system has them (O_TMPFILE): a
// writer killed outright leaves nothing behind. -1 where it has none (FAT, exFAT, NFS).
int openAnonymous(const QByteArray &directory, mode_t mode)
{
    return ::open(directory.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// A named temporary file in `directory`, published in pendingPath.
int openNamed(const QByteArray &directory)
{
    const QByteArray pattern = directory + '/' + temporaryPrefix(::getpid()) + "XXXXXX";
    if (pattern.size() > PATH_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const HeldSignals held;
    std::memcpy(pendingPath, pattern.constData(), size_t(pattern.size()) + 1);
    const int fd = ::mkostemp(pendingPath, O_CLOEXEC);
    if (fd >= 0)
        pendingSet.store(true);
    return fd;
}

// Gives the anonymous file `fd` a temporary name in `directory`, published in
// pendingPath. Fails with ENOENT where /proc is not mounted.
bool linkAnonymous(int fd, const QByteArray &directory)
{
    const QByteArray source = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = directory + '/' + temporaryPrefix(::getpid())
            + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        if (name.size() > PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
        const HeldSignals held;
        std::memcpy(pendingPath, name.constData(), size_t(name.size()) + 1);
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, pendingPath, AT_SYMLINK_FOLLOW) == 0) {
            pendingSet.store(true);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Gives the new file the extended attributes of the old one at `from`: tags, comments
// and the ACLs (system.posix_acl_*), which other users' access may rest on. One that
// cannot be read or set (another file system, no permission) is said in *warnings.
void copyAttributes(const QByteArray &from, int fd, const QString &path, QStringList *warnings)
{
    const auto warn = [&](const QByteArray &name, int reason) {
        if (warnings)
            warnings->append(
                QCoreApplication::translate("SafeFile", "%1 lost its extended attribute %2: %3")
                    .arg(NativePath::displayName(path), QString::fromUtf8(name),
                         SystemError::reason(reason)));
    };
    ssize_t size = ::llistxattr(from.constData(), nullptr, 0);
    if (size <= 0) {
        if (size < 0 && errno != ENOTSUP)
            warn(QByteArrayLiteral("list"), errno);
        return;
    }
    QByteArray names(size, '\0');
    size = ::llistxattr(from.constData(), names.data(), size_t(names.size()));
    if (size < 0) {
        warn(QByteArrayLiteral("list"), errno);
        return;
    }
    names.truncate(size);
    for (const QByteArray &name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        QByteArray value;
        ssize_t length = ::lgetxattr(from.constData(), name.constData(), nullptr, 0);
        if (length > 0) {
            value.resize(length);
            length = ::lgetxattr(from.constData(), name.constData(), value.data(),
                                 size_t(value.size()));
        }
        if (length < 0) {
            warn(name, errno);
            continue;
        }
        value.truncate(length);
        if (::fsetxattr(fd, name.constData(), value.constData(), size_t(value.size()), 0) != 0)
            warn(name, errno);
    }
}

// Gives the new file the owner, group, mode and extended attributes of the one it
// replaces, writes `data` and makes it reach the disk. File systems without owners
// (FAT) refuse chown; their files have none to keep.
bool fill(int fd, const Target &target, mode_t newMode, const QByteArray &data, const QString &path,
          QStringList *warnings)
{
    if (target.exists) {
        if (::fchown(fd, target.status.st_uid, target.status.st_gid) != 0 && errno != EPERM)
            return false;
        if (::fchmod(fd, target.status.st_mode & 07777) != 0 && errno != EPERM)
            return false;
        copyAttributes(target.path, fd, path, warnings);
    } else if (::fchmod(fd, newMode) != 0 && errno != EPERM) {
        return false;
    }
    if (!writeAll(fd, data.constData(), data.size()))
        return false;
    // A full disk may only show when the data reaches it.
    return ::fsync(fd) == 0 || errno == EINVAL;
}

} // namespace

bool checkTarget(const QString &path, LinkPolicy policy, QString *error)
{
    Target target;
    return resolve(path, policy, &target, error);
}

bool write(const QString &path, const QByteArray &data, LinkPolicy policy, QString *error,
           QStringList *warnings)
{
    installHandlers();
    const mode_t newMode = creationMode();
    QMutexLocker lock(&writeMutex);

    Target target;
    if (!resolve(path, policy, &target, error))
        return false;
    // Said once the write succeeds, and once: a second try (no /proc) finds them again.
    QStringList attributeWarnings;
    const QByteArray directory = directoryOf(target.path);

    const auto fail = [&](int fd, int reason) {
        if (fd >= 0)
            ::close(fd);
        forgetPending(true);
        *error = systemError(path, reason);
        return false;
    };

    // The file is written without a name where it can be, and named only to be renamed
    // over the target at once; elsewhere it is written under a short temporary name.
    int fd = openAnonymous(directory, newMode);
    bool named = false;
    if (fd >= 0) {
        if (!fill(fd, target, newMode, data, path, &attributeWarnings))
            return fail(fd, errno);
        if (!linkAnonymous(fd, directory)) {
            if (errno != ENOENT && errno != EPERM && errno != EXDEV)
                return fail(fd, errno);
            ::close(fd); // no /proc to name it through: written again, named from the start
            fd = -1;
        } else {
            named = true;
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return fail(-1, errno);
    }
    if (!named) {
        fd = openNamed(directory);
        if (fd < 0)
            return fail(-1, errno);
        attributeWarnings.clear();
        if (!fill(fd, target, newMode, data, path, &attributeWarnings))
            return fail(fd, errno);
    }
    if (::close(fd) != 0)
        return fail(-1, errno);

    {
        const HeldSignals held;
        if (::rename(pendingPath, target.path.constData()) != 0)
            return fail(-1, errno);
        pendingSet.store(false);
    }

    // Make the rename itself last across a power cut.
    const int directoryFd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    if (warnings)
        warnings->append(attributeWarnings);
    return true;
}

int removeTemporaries(const QString &folder, pid_t pid)
{
    const QByteArray directory = NativePath::toNative(folder);
    DIR *entries = ::opendir(directory.constData());
    if (!entries)
        return 0;
    const QByteArray prefix = temporaryPrefix(pid);
    int removed = 0;
    while (const dirent *entry = ::readdir(entries)) {
        if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) != 0)
            continue;
        // Only a regular file of this user (root's writer gives its file the owner of the
        // file it replaces): never what another user put there.
        struct stat status;
        if (::fstatat(::dirfd(entries), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(status.st_mode) && (status.st_uid == ::geteuid() || ::geteuid() == 0)
            && ::unlinkat(::dirfd(entries), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(entries);
    return removed;
}

} // namespace SafeFile
