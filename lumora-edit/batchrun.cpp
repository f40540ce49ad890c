// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "batchrun.h"

#include "displaytext.h"
#include "editrequest.h"
#include "nativepath.h"
#include "picturefile.h"
#include "progressbar.h"
#include "safefile.h"
#include "workerreport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace {

const QByteArray Prefix = QByteArrayLiteral("lumora-edit: "); // of the batch's own lines
const int stopSignals[] = { SIGINT, SIGTERM, SIGHUP };

// The handler only notes the signal; the run loop, woken by the pipe, does the rest.
int signalPipe[2] = { -1, -1 };

extern "C" void noteSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Handlers for the run's length; a signal ignored on purpose (nohup) stays ignored,
// in this process and, through exec, in every picture's run.
class StopSignals
{
public:
    StopSignals()
    {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        for (size_t i = 0; i < std::size(stopSignals); ++i) {
            struct sigaction action = {};
            action.sa_handler = noteSignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(stopSignals[i], nullptr, &m_previous[i]);
            if (m_previous[i].sa_handler != SIG_IGN)
                ::sigaction(stopSignals[i], &action, nullptr);
        }
    }
    ~StopSignals()
    {
        if (signalPipe[0] < 0)
            return;
        for (size_t i = 0; i < std::size(stopSignals); ++i)
            ::sigaction(stopSignals[i], &m_previous[i], nullptr);
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    int fd() const { return signalPipe[0]; }

private:
    struct sigaction m_previous[std::size(stopSignals)] = {};
};

// Which file is at `path` now: device and inode, or nothing.
std::pair<dev_t, ino_t> fileAt(const QString &path)
{
    struct stat info;
    if (::lstat(NativePath::toNative(path).constData(), &info) != 0)
        return { 0, 0 };
    return { info.st_dev, info.st_ino };
}

// What a write to `path` lands on, to compare outputs with inputs and with each other:
// the file (device and inode) where there is one, else the path that a write would
// create, found as the write finds it (SafeFile): links followed to their last target,
// a dangling one included, and that target's folder resolved.
QString identity(const QString &path)
{
    QByteArray native = NativePath::toNative(path);
    struct stat info;
    if (::stat(native.constData(), &info) == 0)
        return QStringLiteral("file %1:%2").arg(info.st_dev).arg(info.st_ino);
    for (int hops = 0;
         hops < 40 && ::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode); ++hops) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(native.constData(), target, sizeof target);
        if (length < 0 || size_t(length) >= sizeof target)
            break;
        const QByteArray link(target, length);
        const qsizetype slash = native.lastIndexOf('/');
        native = link.startsWith('/') || slash < 0 ? link : native.left(slash + 1) + link;
    }
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArrayLiteral(".") : native.left(qMax(slash, 1));
    char resolved[PATH_MAX];
    if (!::realpath(folder.constData(), resolved))
        return QStringLiteral("path ") + NativePath::fromNative(native);
    return QStringLiteral("path ")
        + NativePath::fromNative(QByteArray(resolved) + '/' + native.mid(slash + 1));
}

// A name or a message for a line of the batch's own: escaped, so that nothing in it
// can act on the terminal or pass for another line.
QByteArray shown(const QString &text)
{
    return DisplayText::escaped(text).toUtf8();
}

// A name escaped as it is: a byte that is no UTF-8 shows as itself, \xe9.
QString shownName(const QString &path)
{
    return DisplayText::escaped(path);
}

struct Job
{
    QString input;
    QString output;
    QString refusal; // why it is not run at all, decided before the run
    std::pair<dev_t, ino_t> before { 0, 0 }; // the output's file when the run started
};

// One picture's run under way.
struct Worker
{
    pid_t pid = -1;
    int reportFd = -1; // the read end of its records (WorkerReport)
    int errorFd = -1; // the read end of its standard error, for what libraries write
    int job = -1;
    WorkerReport::Reader records;
    QByteArray unframed; // its standard error, shown only when it fails
    QList<WorkerReport::Record> messages; // errors and warnings, the trace's aside
};

// Why a picture could not be started: EAGAIN, EMFILE, ENFILE and ENOMEM pass once a run
// under way ends; any other reason fails the picture.
bool passes(int error)
{
    return error == EAGAIN || error == EMFILE || error == ENFILE || error == ENOMEM;
}

// Pictures at a time that this process can hold: each run costs two pipes here.
int descriptorRoom()
{
    struct rlimit files;
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
        return INT_MAX;
    const qsizetype open = QDir(QStringLiteral("/proc/self/fd"))
                               .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                               .size();
    // Room for the two more a start needs, and for the signal pipe and a folder read.
    const qlonglong room = (qlonglong(files.rlim_cur) - open - 8) / 2;
    return int(std::clamp<qlonglong>(room, 1, INT_MAX));
}

// A folder and those above it, as `mkdir -p`: 0, or the reason. Bytes as the file system has
// them (QDir would lose a name that is no UTF-8).
int makeFolders(const QByteArray &folder)
{
    struct stat info;
    if (::stat(folder.constData(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0) {
        if (const int reason = makeFolders(folder.left(slash)))
            return reason;
    }
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

} // namespace

class BatchRun::Private
{
public:
    Settings settings;
    QList<Job> jobs;
    QByteArray program;
    int stopSignal = 0;
    QString capNote; // why fewer pictures run at a time than asked, if so

    void plan();
    QString refusalAtStart(Job &job) const;
    int spawn(Worker *worker) const;
    void relay(Worker &worker, const QByteArray &bytes, ProgressBar &progress) const;
    void removeTemporaries(const Job &job, pid_t pid) const;
    void report(Worker &worker, int status, ProgressBar &progress) const;
};

// Decided before any picture is started, since the pictures run at once: an output
// that is another input of the batch would be written before that input is read, and
// an output that is the output of an earlier input would be written twice.
void BatchRun::Private::plan()
{
    // Identity of each input -> where it is listed, the first listed first: an input
    // may be listed under several names (a link, another spelling).
    QHash<QString, QList<qsizetype>> inputs;
    for (qsizetype i = 0; i < settings.inputs.size(); ++i) {
        const QString key = identity(settings.inputs.at(i));
        if (key.startsWith(QLatin1String("file ")))
            inputs[key] << i;
    }
    QHash<QString, QString> claimed; // identity of an output -> the input it is for
    for (qsizetype i = 0; i < settings.inputs.size(); ++i) {
        Job job;
        job.input = settings.inputs.at(i);
        const QString subfolder = settings.subfolders.value(i);
        job.output = BatchRun::outputFor(job.input,
                                         subfolder.isEmpty()
                                             ? settings.outputDir
                                             : QDir(settings.outputDir).filePath(subfolder));
        const QString output = identity(job.output);
        const auto first = claimed.constFind(output);
        // Its own input is replaced only in place, but that file listed again under
        // another name would be read after it was written, or written over.
        const QList<qsizetype> readers = inputs.value(output);
        const auto other = std::find_if(readers.cbegin(), readers.cend(), [&](qsizetype reader) {
            return reader != i && settings.inputs.at(reader) != job.input;
        });
        if (other != readers.cend()) {
            job.refusal = QStringLiteral("output %1 would replace %2, another input of this batch")
                              .arg(NativePath::displayName(job.output),
                                   NativePath::displayName(settings.inputs.at(*other)));
        } else if (first != claimed.constEnd()) {
            job.refusal
                = QStringLiteral("%1 is already the output of %2")
                      .arg(NativePath::displayName(job.output), NativePath::displayName(*first));
        } else {
            claimed.insert(output, job.input);
        }
        jobs << job;
    }
}

// Checked when the picture's turn comes, so that what an earlier picture of the run
// wrote counts as well.
QString BatchRun::Private::refusalAtStart(Job &job) const
{
    if (!job.refusal.isEmpty())
        return job.refusal;
    const QString folder = QFileInfo(job.output).path();
    if (const int reason = makeFolders(NativePath::toNative(folder)))
        return QStringLiteral("cannot make the folder %1: %2")
            .arg(NativePath::displayName(folder), QString::fromLocal8Bit(std::strerror(reason)));
    job.before = fileAt(job.output);
    if (job.before == std::pair<dev_t, ino_t> { 0, 0 })
        return QString();
    const QString shown = NativePath::displayName(job.output);
    if (NativePath::sameFile(job.input, job.output)) {
        if (!settings.inPlace)
            return QStringLiteral("output %1 would replace the input; add --in-place to allow it")
                .arg(shown);
    } else if (!settings.overwrite) {
        return QStringLiteral("%1 exists; add --overwrite to replace it").arg(shown);
    }
    return QString();
}

// Starts the run of `worker`'s picture; 0, or the reason (errno) it could not start.
int BatchRun::Private::spawn(Worker *worker) const
{
    const Job &job = jobs.at(worker->job);
    // Its messages come as records on descriptor 3; "--" before the input: a file name
    // starting with '-' is no option.
    const QStringList arguments = settings.passedOn
        + QStringList { QStringLiteral("--report-fd"), QStringLiteral("3"),
                        QStringLiteral("-o"),          job.output,
                        QStringLiteral("--"),          job.input }
        + settings.edits;
    // Bytes as the file system has them: QProcess would re-encode the names as UTF-8
    // and lose those that are none.
    QList<QByteArray> bytes { program };
    for (const QString &argument : arguments)
        bytes << NativePath::toNative(argument);
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int report[2], error[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;
    if (::pipe2(error, O_CLOEXEC) != 0) {
        const int reason = errno;
        ::close(report[0]);
        ::close(report[1]);
        return reason;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, error[1], STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, report[1], 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    // The pipes are opened after the standard three and the signal pipe, so neither
    // write end is descriptor 3 itself, which dup2 would leave to close on exec.
    const int failure = report[1] == 3 || error[1] == 3
        ? EBADF
        : ::posix_spawn(&worker->pid, program.constData(), &actions, &attributes, argv.data(),
                        environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(report[1]);
    ::close(error[1]);
    if (failure != 0) {
        ::close(report[0]);
        ::close(error[0]);
        return failure;
    }
    worker->reportFd = report[0];
    worker->errorFd = error[0];
    return 0;
}

// Trace records go out at once, whole; errors and warnings wait for the run's end,
// where its status tells a failure's reason from a warning.
void BatchRun::Private::relay(Worker &worker, const QByteArray &bytes, ProgressBar &progress) const
{
    for (const WorkerReport::Record &record : worker.records.feed(bytes)) {
        if (record.kind == WorkerReport::Trace)
            progress.line(record.text.toUtf8());
        else
            worker.messages << record;
    }
}

// A run killed outright (SIGKILL from the OOM killer, a crash) had no chance to remove
// a temporary file of its own: done here, in every folder it may have written to.
void BatchRun::Private::removeTemporaries(const Job &job, pid_t pid) const
{
    SafeFile::removeTemporaries(settings.outputDir, pid);
    const QByteArray native = NativePath::toNative(job.output);
    char resolved[PATH_MAX];
    if (::realpath(native.constData(), resolved)) {
        const QFileInfo target(NativePath::fromNative(QByteArray(resolved)));
        if (!NativePath::sameFile(target.path(), settings.outputDir))
            SafeFile::removeTemporaries(target.path(), pid);
    }
}

void BatchRun::Private::report(Worker &worker, int status, ProgressBar &progress) const
{
    for (const WorkerReport::Record &record : worker.records.finish())
        worker.messages << record;
    const Job &job = jobs.at(worker.job);
    const QString input = shownName(job.input);

    const bool edited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QString reason;
    if (WIFSIGNALED(status)) {
        // Stopped with the run: edited when it got as far as the rename (a new file in
        // the output's place, since the temporary file is renamed over it), otherwise
        // neither edited nor failed.
        if (stopSignal != 0) {
            const std::pair<dev_t, ino_t> now = fileAt(job.output);
            if (now != std::pair<dev_t, ino_t> { 0, 0 } && now != job.before)
                progress.pictureDone(input, shownName(job.output));
            return;
        }
        reason = QStringLiteral("its run ended by signal %1 (%2)")
                     .arg(WTERMSIG(status))
                     .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))));
    } else if (!edited) {
        for (qsizetype i = worker.messages.size(); i-- > 0;) {
            if (worker.messages.at(i).kind == WorkerReport::Error) {
                reason = worker.messages.takeAt(i).text;
                break;
            }
        }
    }
    // What libraries wrote on its standard error, as lines of their own.
    for (const QByteArray &line : worker.unframed.split('\n')) {
        if (!line.isEmpty())
            worker.messages << WorkerReport::Record { WorkerReport::Unframed,
                                                      QString::fromUtf8(line) };
    }
    if (!edited && reason.isEmpty() && !worker.messages.isEmpty())
        reason = worker.messages.takeLast().text;
    if (!edited && reason.isEmpty())
        reason = QStringLiteral("its run ended with status %1").arg(WEXITSTATUS(status));
    const bool quiet = settings.verbosity == ProgressBar::Verbosity::Quiet;
    for (const WorkerReport::Record &message : std::as_const(worker.messages)) {
        const bool warning = message.kind == WorkerReport::Warning;
        if (warning && quiet)
            continue;
        const QString text = DisplayText::escaped(message.text);
        progress.line(QString(QString::fromUtf8(Prefix) + input
                              + (warning ? QStringLiteral(": warning: ") : QStringLiteral(": "))
                              + text)
                          .toUtf8());
    }
    if (edited)
        progress.pictureDone(input, shownName(job.output));
    else
        progress.pictureFailed(input, DisplayText::escaped(reason));
}

BatchRun::BatchRun(const Settings &settings)
    : d(new Private)
{
    d->settings = settings;
    const int asked = d->settings.jobs;
    if (d->settings.jobs <= 0)
        d->settings.jobs = qMax(1, QThread::idealThreadCount());
    // More runs at once than the cores can keep busy only cost memory; more than this
    // process has descriptors for cannot start.
    const int cores = qMax(1, 8 * QThread::idealThreadCount());
    const int descriptors = descriptorRoom();
    if (d->settings.jobs > qMin(cores, descriptors)) {
        d->settings.jobs = qMin(cores, descriptors);
        if (asked > 0) // one per core, as by default, needs no word
            d->capNote = QStringLiteral("--jobs %1 is more than this machine runs at once: %2 "
                                        "at a time (%3)")
                             .arg(asked)
                             .arg(d->settings.jobs)
                             .arg(descriptors < cores ? QStringLiteral("open-file limit")
                                                      : QStringLiteral("8 per core"));
    }
    // The cores are shared out between the workers, so that N of them at once do not
    // each start a thread per core for their pixel work.
    if (!d->settings.passedOn.contains(QLatin1String("--threads")))
        d->settings.passedOn << QStringLiteral("--threads")
                             << QString::number(
                                    qMax(1, QThread::idealThreadCount() / d->settings.jobs));
    d->program = NativePath::toNative(QCoreApplication::applicationFilePath());
    d->plan();
}

BatchRun::~BatchRun() = default;

bool BatchRun::check(QString *error) const
{
    struct stat info;
    const QString dir = d->settings.outputDir;
    if (::stat(NativePath::toNative(dir).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("--output-dir %1 is no folder").arg(NativePath::displayName(dir));
        return false;
    }
    if (d->settings.inputs.isEmpty()) {
        *error = QStringLiteral("no picture given (see --help)");
        return false;
    }
    if (d->settings.edits.isEmpty()) {
        *error = QStringLiteral("no edit given: with --output-dir the edits follow \"--\"");
        return false;
    }
    for (const QString &text : std::as_const(d->settings.edits)) {
        if (!EditRequest::parse(text, error))
            return false;
    }
    return true;
}

int BatchRun::run()
{
    const bool terminal = ProgressBar::isTerminal(STDERR_FILENO);
    if (!d->capNote.isEmpty() && d->settings.verbosity != ProgressBar::Verbosity::Quiet)
        ::dprintf(STDERR_FILENO, "%s%s\n", Prefix.constData(), shown(d->capNote).constData());
    ProgressBar progress(STDERR_FILENO, int(d->jobs.size()), terminal, d->settings.verbosity);
    const StopSignals stop;
    std::vector<Worker> workers;
    qsizetype next = 0;
    // Fewer at a time while the system refuses more (processes, descriptors, memory).
    qsizetype room = d->settings.jobs;

    for (;;) {
        while (d->stopSignal == 0 && next < d->jobs.size() && qsizetype(workers.size()) < room) {
            Worker worker;
            worker.job = int(next);
            QString refusal = d->refusalAtStart(d->jobs[worker.job]);
            const int failure = refusal.isEmpty() ? d->spawn(&worker) : 0;
            if (failure != 0 && passes(failure) && !workers.empty()) {
                room = qsizetype(workers.size()); // this picture waits for a run to end
                break;
            }
            ++next;
            if (refusal.isEmpty() && failure == 0) {
                workers.push_back(std::move(worker));
                continue;
            }
            if (failure != 0)
                refusal = QStringLiteral("cannot start its run: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(failure)));
            progress.pictureFailed(shownName(d->jobs.at(worker.job).input),
                                   DisplayText::escaped(refusal));
        }
        if (workers.empty())
            break;

        std::vector<pollfd> fds { { stop.fd(), POLLIN, 0 } };
        for (const Worker &worker : workers) {
            fds.push_back({ worker.reportFd, POLLIN, 0 }); // a negative fd is skipped
            fds.push_back({ worker.errorFd, POLLIN, 0 });
        }
        // On a terminal the bar's rate and time left follow the clock.
        const int ready = ::poll(fds.data(), fds.size(), terminal ? 1000 : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0) {
            progress.redraw();
            continue;
        }
        // Never blocks: the pipe is non-blocking.
        const auto takeStopSignals = [&] {
            unsigned char signal;
            while (::read(stop.fd(), &signal, 1) == 1) {
                if (d->stopSignal == 0)
                    d->stopSignal = signal;
                // From a terminal the whole process group has it already; from kill(1)
                // only this process does.
                for (const Worker &worker : workers)
                    ::kill(worker.pid, signal);
            }
        };
        if (fds[0].revents & POLLIN)
            takeStopSignals();
        for (size_t i = workers.size(); i-- > 0;) {
            Worker &worker = workers[i];
            for (int which = 0; which < 2; ++which) {
                int &fd = which == 0 ? worker.reportFd : worker.errorFd;
                if (fd < 0 || !(fds[1 + 2 * i + which].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                char buffer[65536];
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    if (which == 0)
                        d->relay(worker, QByteArray(buffer, n), progress);
                    else
                        worker.unframed.append(buffer, n);
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    ::close(fd);
                    fd = -1;
                }
            }
            if (worker.reportFd >= 0 || worker.errorFd >= 0)
                continue;
            // Both pipes closed: the run has ended, or is about to. Its temporary files
            // go while its pid is still its own (not reaped yet).
            siginfo_t info = {};
            while (::waitid(P_PID, id_t(worker.pid), &info, WEXITED | WNOWAIT) < 0
                   && errno == EINTR) { }
            if (info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED)
                d->removeTemporaries(d->jobs.at(worker.job), worker.pid);
            int status = 0;
            while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) { }
            // A Ctrl-C reaches the whole process group at once: this process's own handler
            // may have run only after poll() returned, and must be heard before the run
            // it ended is called failed.
            if (WIFSIGNALED(status))
                takeStopSignals();
            d->report(worker, status, progress);
            workers.erase(workers.begin() + qsizetype(i));
            room = d->settings.jobs; // a slot is free: try for all again
        }
    }

    progress.finish(d->stopSignal != 0);
    if (d->stopSignal != 0)
        return 128 + d->stopSignal;
    return progress.failed() > 0 ? 1 : 0;
}

bool BatchRun::takeEdits(QStringList *arguments, QStringList *edits)
{
    const qsizetype end = arguments->indexOf(QStringLiteral("--"));
    const QStringList options = arguments->mid(0, end < 0 ? arguments->size() : end);
    const bool batch = std::any_of(options.cbegin(), options.cend(), [](const QString &argument) {
        return argument == QLatin1String("--output-dir")
            || argument.startsWith(QLatin1String("--output-dir="));
    });
    if (!batch || end < 0)
        return batch;
    *edits = arguments->mid(end + 1);
    *arguments = options;
    return true;
}

QStringList BatchRun::passOn(const QCommandLineParser &parser,
                             const QList<QCommandLineOption> &options)
{
    QStringList arguments;
    for (const QCommandLineOption &option : options) {
        if (!parser.isSet(option))
            continue;
        const QString name = QStringLiteral("--") + option.names().constLast();
        if (option.valueName().isEmpty()) {
            arguments << name;
            continue;
        }
        for (const QString &value : parser.values(option))
            arguments << name << value;
    }
    return arguments;
}

QString BatchRun::outputFor(const QString &input, const QString &dir)
{
    const QFileInfo info(input);
    const QString suffix
        = PictureFile::formatForFileName(input).isEmpty() ? QStringLiteral("png") : info.suffix();
    return QDir(dir).filePath(info.completeBaseName() + QLatin1Char('.') + suffix);
}
