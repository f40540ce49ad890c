// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef NATIVEPATH_H
#define NATIVEPATH_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names as the file system holds them: any bytes but '/' and NUL. Qt decodes
// names as UTF-8 and turns bytes that are no UTF-8 (a Latin-1 "café" from an old
// memory card) into U+FFFD, so that the file can no longer be named. These keep
// such bytes as lone surrogates U+DC80..U+DCFF on the way in and give them back on
// the way out, as Python's "surrogateescape" does.
namespace NativePath {

QString fromNative(const QByteArray &name);
QByteArray toNative(const QString &name);

// The program's arguments decoded as above, in place of QCoreApplication::arguments().
QStringList arguments(int argc, char **argv);

// For messages: the name as it is, every kept byte still a lone surrogate, for
// DisplayText::escaped to show as \xHH where the line is printed (never U+FFFD, so
// that two names differing in one such byte never look the same).
QString displayName(const QString &name);

// Whether both names lead to one existing file (through links, or as two spellings).
bool sameFile(const QString &a, const QString &b);

} // namespace NativePath

#endif // NATIVEPATH_H
