// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "nativepath.h"

#include <sys/stat.h>

namespace NativePath {

namespace {

constexpr char16_t EscapeBase = 0xdc00; // U+DC80..U+DCFF stand for the bytes 0x80..0xff

// Length of the well-formed UTF-8 sequence starting at `at`, or 0 when there is none
// (overlong forms, surrogates and values past U+10FFFF are not well formed).
int sequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80, high = 0xbf; // the allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0)
            low = 0xa0;
        if (lead == 0xed)
            high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0)
            low = 0x90;
        if (lead == 0xf4)
            high = 0x8f;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

QString fromNative(const QByteArray &name)
{
    QString result;
    result.reserve(name.size());
    for (qsizetype at = 0; at < name.size();) {
        const int length = sequenceLength(name, at);
        if (length == 0) {
            result.append(QChar(char16_t(EscapeBase + uchar(name.at(at)))));
            ++at;
        } else {
            // Decoded here: QString::fromUtf8 would drop a U+FEFF at the start of a
            // sequence as a byte order mark, and the name would lead to another file.
            char32_t c = length == 1 ? uchar(name.at(at)) : uchar(name.at(at)) & (0x7f >> length);
            for (int i = 1; i < length; ++i)
                c = (c << 6) | (uchar(name.at(at + i)) & 0x3f);
            result.append(QChar::fromUcs4(c));
            at += length;
        }
    }
    return result;
}

QByteArray toNative(const QString &name)
{
    QByteArray result;
    result.reserve(name.size());
    qsizetype start = 0; // of the run of ordinary characters not yet encoded
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        // A lone low surrogate from the range above is an escaped byte; a low surrogate
        // after a high one is half of an ordinary character.
        const bool paired = i > 0 && name.at(i - 1).isHighSurrogate();
        if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xff && !paired) {
            result.append(QStringView(name).mid(start, i - start).toUtf8());
            result.append(char(c - EscapeBase));
            start = i + 1;
        }
    }
    result.append(QStringView(name).mid(start).toUtf8());
    return result;
}

QStringList arguments(int argc, char **argv)
{
    QStringList result;
    for (int i = 0; i < argc; ++i)
        result.append(fromNative(QByteArray(argv[i])));
    return result;
}

QString displayName(const QString &name)
{
    // The kept bytes stay: DisplayText::escaped, where the line is printed, shows each as
    // \xHH, so that two names differing in one such byte never look the same.
    return name;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    if (::stat(toNative(a).constData(), &sa) != 0 || ::stat(toNative(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace NativePath
