#ifndef SAFEFILE_H
#define SAFEFILE_H

#include <QByteArray>
#include <QString>

// Writes a whole file all or nothing: the bytes go to a temporary file beside the
// target, which is flushed to the disk and renamed over the target once complete.
// A write that fails (a full disk, a file-size limit) leaves the target as it was and
// no temporary file; so does SIGINT, SIGTERM, SIGHUP or SIGQUIT arriving during the
// write (the handlers installed here remove the temporary file, then let the signal
// end the program as it would have). This works on any file system, also on those
// without O_TMPFILE (FAT and exFAT memory cards).
//
// A target that exists keeps its owner, group and mode; a new one gets 0666 less the
// umask. A target that is no regular file (a folder, a FIFO, a device, a socket, or a
// link to one) is refused, never replaced.
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
// such as "cannot write out.jpg: No space left on device".
bool write(const QString &path, const QByteArray &data, LinkPolicy policy, QString *error);

} // namespace SafeFile

#endif // SAFEFILE_H
