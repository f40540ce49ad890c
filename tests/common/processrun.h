// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PROCESSRUN_H
#define PROCESSRUN_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>

// One run of a program as a user starts it from a shell, with what it printed.
struct ProcessRun
{
    int exitCode = -1; // -1: killed by a signal or not finished within the time
    QByteArray out;
    QByteArray err;
};

inline ProcessRun runProcess(const QString &program, const QStringList &arguments,
                             const QProcessEnvironment &environment
                             = QProcessEnvironment::systemEnvironment(),
                             int timeoutMs = 300000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProcessRun run;
    if (!process.waitForFinished(timeoutMs))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// A picture file's size as ImageMagick reads it; empty when it cannot.
inline QSize magickSize(const QString &file)
{
    const ProcessRun run = runProcess(QStringLiteral("identify-im6.q16"),
                                      { QStringLiteral("-format"), QStringLiteral("%w %h"), file });
    const QList<QByteArray> sides = run.out.split(' ');
    return run.exitCode == 0 && sides.size() == 2 ? QSize(sides[0].toInt(), sides[1].toInt())
                                                  : QSize();
}

#endif // PROCESSRUN_H
