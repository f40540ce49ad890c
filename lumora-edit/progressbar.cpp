// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "progressbar.h"

#include <QElapsedTimer>

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Rounds down to tenths, so that a rate never shows more than was reached.
QString tenths(double value)
{
    return QString::number(double(qint64(value * 10.0)) / 10.0, 'f', 1);
}

QString timeLeft(double seconds)
{
    const qint64 whole = qint64(seconds + 0.5);
    if (whole < 60)
        return QStringLiteral("%1 s").arg(whole);
    if (whole < 3600)
        return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60);
    return QStringLiteral("%1 h %2 min").arg(whole / 3600).arg(whole % 3600 / 60);
}

} // namespace

class ProgressBar::Private
{
public:
    int fd = 2;
    int total = 0;
    bool terminal = false;
    Verbosity verbosity = Verbosity::Normal;
    int done = 0;
    int failed = 0;
    qsizetype drawn = 0; // characters of the bar now on the screen
    QElapsedTimer clock;

    int finished() const { return done + failed; }
    double seconds() const { return double(clock.nsecsElapsed()) / 1e9; }

    void write(const QByteArray &bytes) const
    {
        const char *data = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, data, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return; // nowhere to report to: the run itself goes on
            data += n;
            left -= n;
        }
    }

    int columns() const
    {
        struct winsize size = {};
        if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
            return size.ws_col;
        return 80;
    }

    // The bar line fitted to the terminal, so that "\r" always returns to its start.
    QByteArray bar() const
    {
        const double elapsed = seconds();
        const double rate = elapsed > 0 ? finished() / elapsed : 0;
        QString text = QStringLiteral(" %1/%2  %3/s").arg(finished()).arg(total).arg(tenths(rate));
        if (finished() > 0 && finished() < total && rate > 0)
            text += QStringLiteral("  %1 left").arg(timeLeft((total - finished()) / rate));
        const int width = qMin(30, columns() - 1 - int(text.size()) - 2);
        if (width >= 5) {
            const int filled = total > 0 ? int(qint64(width) * finished() / total) : width;
            text.prepend(QLatin1Char('[') + QString(filled, QLatin1Char('#'))
                         + QString(width - filled, QLatin1Char('.')) + QLatin1Char(']'));
        }
        return text.left(qMax(1, columns() - 1)).toUtf8();
    }

    // The bar's line made empty, the cursor at its start.
    QByteArray erase() const
    {
        if (drawn == 0)
            return QByteArray();
        return '\r' + QByteArray(drawn, ' ') + '\r';
    }

    void draw()
    {
        if (verbosity == Verbosity::Quiet)
            return;
        const QByteArray text = bar();
        QByteArray out = "\r" + text;
        if (text.size() < drawn)
            out += QByteArray(drawn - text.size(), ' ');
        write(out);
        drawn = text.size();
    }

    void above(const QByteArray &line)
    {
        if (!terminal) {
            write(line + '\n');
            return;
        }
        write(erase() + line + '\n');
        drawn = 0;
        draw();
    }
};

ProgressBar::ProgressBar(int fd, int total, bool terminal, Verbosity verbosity)
    : d(new Private)
{
    d->fd = fd;
    d->total = total;
    d->terminal = terminal;
    d->verbosity = verbosity;
    d->clock.start();
    if (terminal)
        d->draw();
}

ProgressBar::~ProgressBar() = default;

bool ProgressBar::isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

void ProgressBar::pictureDone(const QString &input, const QString &output)
{
    ++d->done;
    const QByteArray line = QStringLiteral("done %1 -> %2").arg(input, output).toUtf8();
    if (d->verbosity == Verbosity::Quiet)
        return;
    if (d->terminal && d->verbosity == Verbosity::Verbose)
        d->above(line);
    else if (d->terminal)
        d->draw();
    else
        d->write(line + '\n');
}

void ProgressBar::pictureFailed(const QString &input, const QString &reason)
{
    ++d->failed;
    // As every program of the kind writes a failure: scripts and editors find the file.
    d->above(QStringLiteral("lumora-edit: %1: %2").arg(input, reason).toUtf8());
}

void ProgressBar::line(const QByteArray &text)
{
    d->above(text);
}

void ProgressBar::redraw()
{
    if (d->terminal)
        d->draw();
}

void ProgressBar::finish(bool stopped)
{
    const double elapsed = d->seconds();
    QString summary;
    if (stopped) {
        summary = QStringLiteral("stopped after %1 of %2 pictures: %3 edited, %4 failed in %5 s")
                      .arg(d->finished())
                      .arg(d->total)
                      .arg(d->done)
                      .arg(d->failed)
                      .arg(tenths(elapsed));
    } else {
        summary = QStringLiteral("%1 %2 edited, %3 failed in %4 s (%5/s)")
                      .arg(d->done)
                      .arg(d->done == 1 ? QStringLiteral("picture") : QStringLiteral("pictures"))
                      .arg(d->failed)
                      .arg(tenths(elapsed))
                      .arg(tenths(elapsed > 0 ? d->finished() / elapsed : 0));
    }
    if (d->terminal)
        d->write(d->erase());
    d->drawn = 0;
    if (d->verbosity != Verbosity::Quiet)
        d->write(summary.toUtf8() + '\n');
}

int ProgressBar::done() const
{
    return d->done;
}

int ProgressBar::failed() const
{
    return d->failed;
}
