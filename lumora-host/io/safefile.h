// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SAFEFILE_H
#define SAFEFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Writes a whole file all or nothing: the bytes go to a new file beside the target,
// which is flushed to the disk and renamed over the target once complete. Where the
// file system allows it (O_TMPFILE) the new file has no name until it is complete, so
// that even SIGKILL leaves nothing behind; elsewhere (FAT and exFAT memory cards) it
// has a short temporary name ".lumora-PID-XXXXXX", which fits beside a target whose
// own name is as long as the file system allows. A write that fails (a full disk, a
// file-size limit) leaves the target as it was and no temporary file; so does SIGINT,
// SIGTERM, SIGHUP or SIGQUIT arriving during the write (the handlers installed here
// remove the temporary file, then let the signal end the program as it would have).
// What a writer killed outright left is removed by removeTemporaries().
//
// A target that exists keeps its owner, group, mode and extended attributes (ACLs
// included); a new one gets 0666 less the umask. A target that is no regular file (a
// folder, a FIFO, a device, a socket, or a link to one) is refused, never replaced; so
// is one its real user may not write (access(W_OK): a mode of 0444 refuses all but
// root), though its folder would let the replacement be renamed in. A link is followed
// only where the kernel would (fs.protected_symlinks): in a sticky folder anyone may
// write, only a link of this user (euid) or of the folder's owner.
//
// File names are taken as NativePath gives them. Only one write runs at a time per
// process; writes from several threads are serialised.
namespace SafeFile {

enum LinkPolicy {
    FollowLinks, // a link to a regular file: that file is written, the link stays
    RefuseLinks, // a link in the target's place is refused (names chosen by the program)
};

// Whether `path` may be written under `policy`; on refusal *error says why, as
// "PATH is a FIFO, not a file". Nothing is written.
bool checkTarget(const QString &path, LinkPolicy policy, QString *error);

// Writes `data` to `path`. On failure *error is one line with the system's reason,
// such as "cannot write out.jpg: No space left on device". On success, an extended
// attribute of the replaced file that the new one could not be given is one line in
// *warnings, if given.
bool write(const QString &path, const QByteArray &data, LinkPolicy policy, QString *error,
           QStringList *warnings = nullptr);

// Removes the temporary files that the process `pid`, dead before it could, left in
// `folder`: regular files of this user named as above. Returns how many. For a parent
// that has seen its writer die, before it reaps it (so that the pid is not reused).
int removeTemporaries(const QString &folder, pid_t pid);

} // namespace SafeFile

#endif // SAFEFILE_H
