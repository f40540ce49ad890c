// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef WORKERREPORT_H
#define WORKERREPORT_H

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

// What a picture's run under a batch (BatchRun) tells the batch, framed so that no
// text in it can pass for anything else: one record per message, each one line of
// compact JSON, {"kind":"error","text":"..."}, on a pipe of its own (not its standard
// error, where libraries write lines of their own). JSON escapes a newline and every
// other control character in the text, so that a file name or a metadata value can
// neither split a record nor pass as a trace line or a line of the batch's own.
namespace WorkerReport {

enum Kind {
    Error, // why the run fails (the last one is the reason)
    Warning, // what the run could not carry over
    Trace, // one line of the trace (--trace), itself JSON
    Unframed, // a line the batch could not read as a record
};

struct Record
{
    Kind kind = Unframed;
    QString text;
};

// Sends one record on `fd`; a failed write is ignored (the batch is gone).
void send(int fd, Kind kind, const QString &text);

// The trace's device in a batch run: each line written to it goes as one Trace record
// on `fd` (not owned).
class TraceDevice : public QIODevice
{
public:
    explicit TraceDevice(int fd);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    int m_fd;
    QByteArray m_partial; // a line not yet complete
};

// The batch's side: records out of the bytes as the pipe gives them.
class Reader
{
public:
    // The records completed by `bytes`.
    QList<Record> feed(const QByteArray &bytes);
    // At the end of the pipe: a record cut short, as Unframed.
    QList<Record> finish();

private:
    QByteArray m_partial;
};

} // namespace WorkerReport

#endif // WORKERREPORT_H
