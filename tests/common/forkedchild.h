// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef FORKEDCHILD_H
#define FORKEDCHILD_H

#include <QByteArray>

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// A call of the code under test in a forked copy of this test, for faults that cannot be
// undone in the test itself: a file-size limit, another user, a signal that ends it.

struct ChildEnd
{
    int exitCode = -1; // -1 when a signal ended it
    int signal = 0; // the signal that ended it, else 0
    QByteArray output; // what the body returned
};

// Runs `body` in a child and waits for it. The child's result goes back through a pipe;
// it ends with _exit(0) so that nothing of the test runs twice.
inline ChildEnd runInChild(const std::function<QByteArray()> &body)
{
    int channel[2];
    ChildEnd end;
    if (::pipe(channel) != 0)
        return end;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        const QByteArray output = body();
        for (qsizetype done = 0; done < output.size();) {
            const ssize_t written
                = ::write(channel[1], output.constData() + done, size_t(output.size() - done));
            if (written <= 0)
                break;
            done += written;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0)
        end.output.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
        end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return end;
}

// In a child: a file-size limit of `bytes`, as "ulimit -f" or "prlimit --fsize" sets it.
inline bool limitFileSize(rlim_t bytes)
{
    const rlimit limit { bytes, bytes };
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// In a child run by root: becomes the user "nobody" for good, as "setpriv --reuid=nobody
// --regid=nogroup --clear-groups" does, so that file permissions apply again.
inline bool becomeNobody()
{
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return false;
    return ::setgroups(0, nullptr) == 0
        && ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0
        && ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0;
}

#endif // FORKEDCHILD_H
