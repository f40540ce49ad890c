// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PROGRESSBAR_H
#define PROGRESSBAR_H

#include <QByteArray>
#include <QString>

#include <memory>

// What a run over many pictures tells the person waiting for it, on one file
// descriptor (standard error). On a terminal: one line redrawn in place with "\r"
// (pictures finished of all, pictures per second, time left), failures and
// warnings written above it, and at the end the summary in its place. Off a
// terminal: one line per picture ("done IN -> OUT", "lumora-edit: IN: REASON") and
// the summary. Quiet, only the failures are written; verbose, the "done" lines are
// written on a terminal too. Names are taken as they are to be shown
// (NativePath::displayName).
class ProgressBar
{
public:
    enum class Verbosity { Quiet, Normal, Verbose };

    // `total` pictures; `terminal` chooses the form; the clock starts here.
    ProgressBar(int fd, int total, bool terminal, Verbosity verbosity = Verbosity::Normal);
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // Whether `fd` is a terminal a bar can be drawn on.
    static bool isTerminal(int fd);

    void pictureDone(const QString &input, const QString &output);
    void pictureFailed(const QString &input, const QString &reason);
    // A whole line of its own (a warning, a trace line), kept apart from the bar; written
    // even when quiet.
    void line(const QByteArray &text);
    // Redraws the bar, so that rate and time left follow the clock; nothing off a
    // terminal.
    void redraw();
    // The last line: "N pictures edited, F failed in T s (R/s)", or when `stopped`
    // "stopped after N of M pictures: E edited, F failed in T s".
    void finish(bool stopped);

    int done() const;
    int failed() const;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // PROGRESSBAR_H
