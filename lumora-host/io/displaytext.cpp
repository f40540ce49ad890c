// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "displaytext.h"

namespace DisplayText {

namespace {

// Characters with no glyph of their own that change how the rest is read: the line and
// paragraph separators (a line break to many terminals and editors), and the format
// characters (category Cf: the bidirectional controls, zero-width space and joiners,
// word joiner, byte order mark, soft hyphen, tags), which make two different names look
// alike.
bool isInvisible(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString hex(uint value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0'));
}

} // namespace

QString escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            const char32_t pair = QChar::surrogateToUcs4(c, text.at(i + 1).unicode());
            if (isInvisible(pair))
                result.append(QLatin1String("\\U") + hex(pair, 8));
            else
                result.append(text.at(i)).append(text.at(i + 1));
            ++i;
        } else if (c == '\\') {
            result.append(QLatin1String("\\\\"));
        } else if (c == '\n') {
            result.append(QLatin1String("\\n"));
        } else if (c == '\r') {
            result.append(QLatin1String("\\r"));
        } else if (c == '\t') {
            result.append(QLatin1String("\\t"));
        } else if (c < 0x20 || c == 0x7f) {
            result.append(QLatin1String("\\x") + hex(c, 2));
        } else if (c >= 0xdc80 && c <= 0xdcff) {
            // A byte of a name that is no UTF-8, kept by NativePath as a lone surrogate.
            result.append(QLatin1String("\\x") + hex(c - 0xdc00, 2));
        } else if (QChar::isSurrogate(c)) {
            result.append(QChar::ReplacementCharacter);
        } else if ((c >= 0x80 && c <= 0x9f) || isInvisible(c)) {
            result.append(QLatin1String("\\u") + hex(c, 4));
        } else {
            result.append(QChar(c));
        }
    }
    return result;
}

} // namespace DisplayText
