// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "systemerror.h"

#include <QCoreApplication>

#include <cstring>

namespace {

// The C library's texts for the failures a user meets reading and writing photos,
// listed here so that the catalogue holds them.
[[maybe_unused]] constexpr const char *Known[] = {
    QT_TRANSLATE_NOOP("SystemError", "No such file or directory"),
    QT_TRANSLATE_NOOP("SystemError", "Permission denied"),
    QT_TRANSLATE_NOOP("SystemError", "Operation not permitted"),
    QT_TRANSLATE_NOOP("SystemError", "No space left on device"),
    QT_TRANSLATE_NOOP("SystemError", "Disk quota exceeded"),
    QT_TRANSLATE_NOOP("SystemError", "Read-only file system"),
    QT_TRANSLATE_NOOP("SystemError", "File too large"),
    QT_TRANSLATE_NOOP("SystemError", "Input/output error"),
    QT_TRANSLATE_NOOP("SystemError", "Is a directory"),
    QT_TRANSLATE_NOOP("SystemError", "Not a directory"),
    QT_TRANSLATE_NOOP("SystemError", "Cannot allocate memory"),
    QT_TRANSLATE_NOOP("SystemError", "Too many open files"),
    QT_TRANSLATE_NOOP("SystemError", "File name too long"),
    QT_TRANSLATE_NOOP("SystemError", "Too many levels of symbolic links"),
    QT_TRANSLATE_NOOP("SystemError", "Stale file handle"),
    QT_TRANSLATE_NOOP("SystemError", "Text file busy"),
};

} // namespace

namespace SystemError {

QString reason(int error)
{
    // The text is looked up as it comes: a C library that speaks the user's language
    // already gives a text the catalogue does not hold, and it is kept.
    const QByteArray text(std::strerror(error));
    const QString translated = QCoreApplication::translate("SystemError", text.constData());
    return translated == QLatin1String(text) ? QString::fromLocal8Bit(text) : translated;
}

} // namespace SystemError
