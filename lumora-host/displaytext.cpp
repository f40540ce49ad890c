#include "displaytext.h"

namespace DisplayText {

namespace {

bool isBidiControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e)
        || (c >= 0x2066 && c <= 0x2069);
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
        } else if ((c >= 0x80 && c <= 0x9f) || isBidiControl(c)) {
            result.append(QLatin1String("\\u") + hex(c, 4));
        } else {
            result.append(QChar(c));
        }
    }
    return result;
}

} // namespace DisplayText
