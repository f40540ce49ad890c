// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "benchsupport.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace Bench {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

namespace {

QString threeDigits(double value, const char *unit)
{
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : 2;
    return QStringLiteral("%1 %2").arg(value, 0, 'f', decimals).arg(QString::fromUtf8(unit));
}

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

QString duration(double seconds)
{
    if (seconds < 1e-6)
        return threeDigits(seconds * 1e9, "ns");
    if (seconds < 1e-3)
        return threeDigits(seconds * 1e6, "µs");
    if (seconds < 1)
        return threeDigits(seconds * 1e3, "ms");
    return threeDigits(seconds, "s");
}

QString memory(double kibibytes)
{
    return threeDigits(kibibytes / 1024, "MiB");
}

QString ratio(double value)
{
    if (value < 0.1)
        return QStringLiteral("%1×").arg(value, 0, 'g', 2);
    return QStringLiteral("%1×").arg(value, 0, 'f', value >= 10 ? 1 : 2);
}

void row(const QString &what, const QString &ours, const QString &baseline, double ratioValue,
         const QString &goal, std::optional<bool> met)
{
    const QString verdict
        = met ? (*met ? QStringLiteral("yes") : QStringLiteral("no")) : QStringLiteral("—");
    writeLine(stdout,
              QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
                  .arg(what, ours, baseline, ratio(ratioValue), goal, verdict));
}

void row(const QStringList &cells)
{
    writeLine(stdout, QStringLiteral("| %1 |").arg(cells.join(QStringLiteral(" | "))));
}

long peakResidentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

void note(const QString &text)
{
    writeLine(stdout, QStringLiteral("note: ") + text);
}

void progress(const QString &text)
{
    writeLine(stderr, text);
}

ChildRun runChild(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString &argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    ChildRun run;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = secondsSince(start);
    run.maxResidentKib = usage.ru_maxrss;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace Bench
