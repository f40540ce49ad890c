#include "batchrun.h"

#include "editrequest.h"
#include "nativepath.h"
#include "picturefile.h"
#include "progressbar.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace {

const QByteArray Prefix = QByteArrayLiteral("lumora-edit: ");
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
    int fd = -1; // the read end of its standard error
    int job = -1;
    QByteArray partial; // a line not yet complete
    QList<QByteArray> messages; // its own lines, the trace's aside
};

} // namespace

class BatchRun::Private
{
public:
    Settings settings;
    QList<Job> jobs;
    QByteArray program;
    int stopSignal = 0;

    void plan();
    QString refusalAtStart(Job &job) const;
    bool spawn(Worker *worker, QString *error) const;
    void relay(Worker &worker, const QByteArray &bytes, ProgressBar &progress) const;
    void report(Worker &worker, int status, ProgressBar &progress) const;
};

void BatchRun::Private::plan()
{
    QHash<QString, QString> claimed; // output file name -> the input it is for
    for (const QString &input : std::as_const(settings.inputs)) {
        Job job;
        job.input = input;
        job.output = BatchRun::outputFor(input, settings.outputDir);
        const QString name = QFileInfo(job.output).fileName();
        const auto first = claimed.constFind(name);
        if (first != claimed.constEnd())
            job.refusal
                = QStringLiteral("%1 is already the output of %2")
                      .arg(NativePath::displayName(job.output), NativePath::displayName(*first));
        else
            claimed.insert(name, input);
        jobs << job;
    }
}

// Checked when the picture's turn comes, so that what an earlier picture of the run
// wrote counts as well.
QString BatchRun::Private::refusalAtStart(Job &job) const
{
    if (!job.refusal.isEmpty())
        return job.refusal;
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

bool BatchRun::Private::spawn(Worker *worker, QString *error) const
{
    const Job &job = jobs.at(worker->job);
    // "--" before the input: a file name starting with '-' is no option.
    const QStringList arguments = settings.passedOn
        + QStringList { QStringLiteral("-o"), job.output, QStringLiteral("--"), job.input }
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

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        *error = QStringLiteral("cannot start its run: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int failure = ::posix_spawn(&worker->pid, program.constData(), &actions, &attributes,
                                      argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (failure != 0) {
        ::close(pipe[0]);
        *error = QStringLiteral("cannot start its run: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(failure)));
        return false;
    }
    worker->fd = pipe[0];
    return true;
}

// Trace lines go out at once, whole; the run's own lines wait for its end, where its
// status tells a failure's reason from a warning.
void BatchRun::Private::relay(Worker &worker, const QByteArray &bytes, ProgressBar &progress) const
{
    worker.partial += bytes;
    qsizetype start = 0;
    for (qsizetype end; (end = worker.partial.indexOf('\n', start)) >= 0; start = end + 1) {
        const QByteArray line = worker.partial.mid(start, end - start);
        if (line.startsWith('{'))
            progress.line(line);
        else if (!line.isEmpty())
            worker.messages << line;
    }
    worker.partial.remove(0, start);
}

void BatchRun::Private::report(Worker &worker, int status, ProgressBar &progress) const
{
    if (!worker.partial.isEmpty())
        relay(worker, QByteArrayLiteral("\n"), progress);
    const Job &job = jobs.at(worker.job);
    const QString input = NativePath::displayName(job.input);
    const auto withoutPrefix = [](const QByteArray &line) {
        return QString::fromUtf8(line.startsWith(Prefix) ? line.mid(Prefix.size()) : line);
    };

    const bool edited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    QString reason;
    if (WIFSIGNALED(status)) {
        // Stopped with the run: edited when it got as far as the rename (a new file in
        // the output's place, since the temporary file is renamed over it), otherwise
        // neither edited nor failed.
        if (stopSignal != 0) {
            const std::pair<dev_t, ino_t> now = fileAt(job.output);
            if (now != std::pair<dev_t, ino_t> { 0, 0 } && now != job.before)
                progress.pictureDone(input, NativePath::displayName(job.output));
            return;
        }
        reason = QStringLiteral("its run ended by signal %1 (%2)")
                     .arg(WTERMSIG(status))
                     .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))));
    } else if (!edited) {
        reason = worker.messages.isEmpty()
            ? QStringLiteral("its run ended with status %1").arg(WEXITSTATUS(status))
            : withoutPrefix(worker.messages.takeLast());
    }
    for (const QByteArray &message : std::as_const(worker.messages)) {
        QString text = withoutPrefix(message);
        const QString warning = QStringLiteral("warning: ");
        progress.line((text.startsWith(warning)
                           ? QStringLiteral("warning %1: %2").arg(input, text.mid(warning.size()))
                           : QStringLiteral("%1: %2").arg(input, text))
                          .toUtf8());
    }
    if (edited)
        progress.pictureDone(input, NativePath::displayName(job.output));
    else
        progress.pictureFailed(input, reason);
}

BatchRun::BatchRun(const Settings &settings)
    : d(new Private)
{
    d->settings = settings;
    if (d->settings.jobs <= 0)
        d->settings.jobs = qMax(1, QThread::idealThreadCount());
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
    ProgressBar progress(STDERR_FILENO, int(d->jobs.size()), terminal);
    const StopSignals stop;
    std::vector<Worker> workers;
    qsizetype next = 0;

    for (;;) {
        while (d->stopSignal == 0 && next < d->jobs.size()
               && qsizetype(workers.size()) < d->settings.jobs) {
            Worker worker;
            worker.job = int(next++);
            QString refusal = d->refusalAtStart(d->jobs[worker.job]);
            if (refusal.isEmpty() && d->spawn(&worker, &refusal))
                workers.push_back(std::move(worker));
            else
                progress.pictureFailed(NativePath::displayName(d->jobs.at(worker.job).input),
                                       refusal);
        }
        if (workers.empty())
            break;

        std::vector<pollfd> fds { { stop.fd(), POLLIN, 0 } };
        for (const Worker &worker : workers)
            fds.push_back({ worker.fd, POLLIN, 0 });
        // On a terminal the bar's rate and time left follow the clock.
        const int ready = ::poll(fds.data(), fds.size(), terminal ? 1000 : -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0) {
            progress.redraw();
            continue;
        }
        if (fds[0].revents & POLLIN) {
            unsigned char signal;
            while (::read(stop.fd(), &signal, 1) == 1) {
                if (d->stopSignal == 0)
                    d->stopSignal = signal;
                // From a terminal the whole process group has it already; from kill(1)
                // only this process does.
                for (const Worker &worker : workers)
                    ::kill(worker.pid, signal);
            }
        }
        for (size_t i = workers.size(); i-- > 0;) {
            if (!(fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Worker &worker = workers[i];
            char buffer[65536];
            const ssize_t n = ::read(worker.fd, buffer, sizeof buffer);
            if (n > 0) {
                d->relay(worker, QByteArray(buffer, n), progress);
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            // Its standard error closed: the run has ended, or is about to.
            ::close(worker.fd);
            int status = 0;
            while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) { }
            d->report(worker, status, progress);
            workers.erase(workers.begin() + qsizetype(i));
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
