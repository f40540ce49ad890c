// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "exiv2support.h"

#include <mutex>

namespace Exiv2Support {

namespace {

// Exiv2's log is global; a thread that reads or writes collects what Exiv2 says
// meanwhile, so that the lines land in that object's warnings and nowhere else.
std::once_flag exiv2Ready;
std::recursive_mutex xmpToolkitLock; // Exiv2 registers unknown namespaces while decoding
thread_local QStringList *exiv2Messages = nullptr;

void lockXmpToolkit(void *, bool lock)
{
    if (lock)
        xmpToolkitLock.lock();
    else
        xmpToolkitLock.unlock();
}

void routeExiv2Message(int level, const char *message)
{
    if (exiv2Messages) {
        const QString line = QString::fromUtf8(message).trimmed();
        if (!line.isEmpty() && !exiv2Messages->contains(line))
            exiv2Messages->append(line);
    } else {
        Exiv2::LogMsg::defaultHandler(level, message);
    }
}

} // namespace

void setUp()
{
    std::call_once(exiv2Ready, [] {
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
        Exiv2::LogMsg::setHandler(routeExiv2Message);
    });
}

Listener::Listener()
    : m_outer(exiv2Messages)
{
    exiv2Messages = &messages;
}

Listener::~Listener()
{
    exiv2Messages = m_outer;
}

QString describe(const std::exception &e)
{
    return QString::fromUtf8(e.what()).trimmed();
}

// Exiv2's own words after ours, the first one and how many more.
QString detail(const QStringList &messages)
{
    if (messages.isEmpty())
        return {};
    QString text = QStringLiteral(" (Exiv2: %1").arg(messages.first());
    if (messages.size() > 1)
        text += QStringLiteral("; and %1 more").arg(messages.size() - 1);
    return text + QLatin1Char(')');
}

bool hasKey(const Exiv2::ExifData &exif, const char *key)
{
    return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

bool hasKey(const Exiv2::XmpData &xmp, const char *key)
{
    return xmp.findKey(Exiv2::XmpKey(key)) != xmp.end();
}

QString text(const Exiv2::ExifData &exif, const char *key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return {};
    // ASCII values may hold several strings, NUL-separated (Copyright: photographer, editor).
    return QString::fromStdString(it->toString()).section(QLatin1Char('\0'), 0, 0).trimmed();
}

QString text(const Exiv2::XmpData &xmp, const char *key)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    if (const auto *alt = dynamic_cast<const Exiv2::LangAltValue *>(&it->value()))
        return QString::fromStdString(alt->toString("x-default")).trimmed();
    QStringList items;
    for (long i = 0; i < it->count(); ++i)
        items << QString::fromStdString(it->toString(i)).trimmed();
    return items.join(QStringLiteral(", "));
}

} // namespace Exiv2Support
