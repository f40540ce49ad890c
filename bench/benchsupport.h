// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <vector>

// What every benchmark program shares: a clock, medians, child processes measured as
// the kernel saw them, and the table rows and notes that scripts/bench.sh gathers.
// Rows go to standard output as Markdown table rows, notes as lines starting with
// "note: ", progress to standard error.
namespace Bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The median of values (the mean of the middle two for an even count); 0 when empty.
double median(std::vector<double> values);

// "412 ns", "12.3 µs", "4.56 ms", "1.23 s": three significant digits.
QString duration(double seconds);
// "183 MiB" from kibibytes.
QString memory(double kibibytes);
// "0.42×".
QString ratio(double value);

// One table row. `met` empty: no goal was set for the row.
void row(const QString &what, const QString &ours, const QString &baseline, double ratioValue,
         const QString &goal, std::optional<bool> met);
// One table row of ready-made cells (what, ours, baseline, ratio, goal, met).
void row(const QStringList &cells);
void note(const QString &text);
void progress(const QString &text);

// A child run: wall time from spawn to reaping, and the kernel's ru_maxrss of that
// child alone (wait4), in KiB.
struct ChildRun
{
    double seconds = 0;
    long maxResidentKib = 0;
    int exitCode = -1; // -1 when it did not exit normally or could not start
};

// The peak resident memory of this process so far (VmHWM), in KiB; 0 when unknown.
long peakResidentKib();

// Runs program with arguments, standard output and error to /dev/null.
ChildRun runChild(const QString &program, const QStringList &arguments);

} // namespace Bench

#endif // BENCHSUPPORT_H
