// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "workerreport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <unistd.h>

namespace WorkerReport {

namespace {

const char *const kindNames[] = { "error", "warning", "trace" };

Record parse(const QByteArray &line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const QString kind = object.value(QLatin1String("kind")).toString();
    for (int i = 0; i < int(std::size(kindNames)); ++i) {
        if (kind == QLatin1String(kindNames[i]) && object.value(QLatin1String("text")).isString())
            return { Kind(i), object.value(QLatin1String("text")).toString() };
    }
    return { Unframed, QString::fromUtf8(line) };
}

} // namespace

void send(int fd, Kind kind, const QString &text)
{
    if (kind == Unframed)
        return;
    const QJsonObject object { { QStringLiteral("kind"), QLatin1String(kindNames[kind]) },
                               { QStringLiteral("text"), text } };
    const QByteArray record = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    const char *data = record.constData();
    qsizetype left = record.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

TraceDevice::TraceDevice(int fd)
    : m_fd(fd)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TraceDevice::readData(char *, qint64)
{
    return -1;
}

qint64 TraceDevice::writeData(const char *data, qint64 size)
{
    m_partial.append(data, size);
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1)
        send(m_fd, Trace, QString::fromUtf8(m_partial.mid(start, end - start)));
    m_partial.remove(0, start);
    return size;
}

QList<Record> Reader::feed(const QByteArray &bytes)
{
    m_partial += bytes;
    QList<Record> records;
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1)
        records << parse(m_partial.mid(start, end - start));
    m_partial.remove(0, start);
    return records;
}

QList<Record> Reader::finish()
{
    QList<Record> records;
    if (!m_partial.isEmpty())
        records << Record { Unframed, QString::fromUtf8(m_partial) };
    m_partial.clear();
    return records;
}

} // namespace WorkerReport
