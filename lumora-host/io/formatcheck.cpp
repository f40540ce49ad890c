// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "formatcheck.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QtNumeric>

#include <cstdlib>

namespace FormatCheck {

namespace {

quint32 le16(const QByteArray &b, qsizetype at)
{
    return quint32(uchar(b.at(at))) | quint32(uchar(b.at(at + 1))) << 8;
}

quint32 le32(const QByteArray &b, qsizetype at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

bool missing(QString *reason, const QString &what)
{
    *reason = what;
    return false;
}

// Walks an RLE4 or RLE8 stream to its end-of-bitmap code.
bool rleComplete(const QByteArray &file, qsizetype at, bool fourBit, QString *reason)
{
    const qsizetype size = file.size();
    while (at + 2 <= size) {
        const uchar count = uchar(file.at(at));
        const uchar value = uchar(file.at(at + 1));
        at += 2;
        if (count != 0)
            continue; // a run: two bytes
        if (value == 1)
            return true; // end of bitmap
        if (value == 0)
            continue; // end of line
        if (value == 2) {
            at += 2; // delta
            continue;
        }
        // An absolute run of `value` pixels, padded to a whole number of words.
        qsizetype bytes = fourBit ? (value + 1) / 2 : value;
        at += bytes + (bytes & 1);
    }
    return missing(reason,
                   QCoreApplication::translate("FormatCheck",
                                               "its RLE data ends before the end of the picture"));
}

bool bmpComplete(const QByteArray &file, QString *reason)
{
    if (file.size() < 26)
        return missing(reason,
                       QCoreApplication::translate("FormatCheck", "its header is cut short"));
    const quint32 dataOffset = le32(file, 10);
    const quint32 headerSize = le32(file, 14);
    qint64 width, height;
    quint32 bitsPerPixel, compression = 0;
    if (headerSize == 12) { // OS/2 1.x
        width = le16(file, 18);
        height = le16(file, 20);
        bitsPerPixel = le16(file, 24);
    } else {
        if (file.size() < 34)
            return missing(reason,
                           QCoreApplication::translate("FormatCheck", "its header is cut short"));
        width = qint32(le32(file, 18));
        height = std::llabs(qint32(le32(file, 22)));
        bitsPerPixel = le16(file, 28);
        compression = le32(file, 30);
    }
    if (dataOffset > quint64(file.size()))
        return missing(reason,
                       QCoreApplication::translate("FormatCheck", "its pixel data is missing"));
    if (compression == 1 || compression == 2)
        return rleComplete(file, dataOffset, compression == 2, reason);
    if (compression != 0 && compression != 3 && compression != 6)
        return true; // embedded JPEG or PNG: their own decoders check them
    const qint64 rowBytes = (qint64(bitsPerPixel) * width + 31) / 32 * 4;
    // A header can declare sides whose product no 64-bit number holds; such a file is
    // missing data all the same.
    qint64 needed;
    if (qMulOverflow(rowBytes, height, &needed)
        || qAddOverflow(needed, qint64(dataOffset), &needed))
        return missing(
            reason,
            QCoreApplication::translate("FormatCheck",
                                        "its header declares more pixel data than a file "
                                        "can hold"));
    if (needed > file.size())
        return missing(
            reason,
            QCoreApplication::translate("FormatCheck", "its pixel data ends %1 bytes early")
                .arg(needed - file.size()));
    return true;
}

// Walks a GIF's blocks; returns the number of complete pictures, or -1 when the data
// ends inside a block.
int gifWalk(const QByteArray &file)
{
    const qsizetype size = file.size();
    if (size < 13 || !(file.startsWith("GIF87a") || file.startsWith("GIF89a")))
        return -1;
    qsizetype at = 13;
    const uchar screen = uchar(file.at(10));
    if (screen & 0x80)
        at += 3 * (qsizetype(1) << ((screen & 7) + 1));
    const auto skipSubBlocks = [&]() {
        while (at < size) {
            const uchar length = uchar(file.at(at++));
            if (length == 0)
                return true;
            at += length;
        }
        return false;
    };
    int frames = 0;
    while (at < size) {
        const uchar introducer = uchar(file.at(at++));
        if (introducer == 0x3b)
            return frames; // trailer
        if (introducer == 0x21) {
            ++at; // label
            if (!skipSubBlocks())
                return -1;
        } else if (introducer == 0x2c) {
            if (at + 9 > size)
                return -1;
            const uchar packed = uchar(file.at(at + 8));
            at += 9;
            if (packed & 0x80)
                at += 3 * (qsizetype(1) << ((packed & 7) + 1));
            ++at; // LZW minimum code size
            if (at > size || !skipSubBlocks())
                return -1;
            ++frames;
        } else {
            return frames > 0 ? frames : -1; // stray bytes after the pictures, as browsers allow
        }
    }
    // No trailer: browsers show what is complete; so do we, if something is.
    return frames > 0 ? frames : -1;
}

bool xbmComplete(const QByteArray &file, QString *reason)
{
    static const QRegularExpression widthPattern(QStringLiteral("#define\\s+\\S*width\\s+(\\d+)"));
    static const QRegularExpression heightPattern(
        QStringLiteral("#define\\s+\\S*height\\s+(\\d+)"));
    static const QRegularExpression valuePattern(QStringLiteral("0[xX][0-9a-fA-F]+"));
    const QString text = QString::fromLatin1(file);
    const QRegularExpressionMatch width = widthPattern.match(text);
    const QRegularExpressionMatch height = heightPattern.match(text);
    const qsizetype open = text.indexOf(QLatin1Char('{'));
    if (!width.hasMatch() || !height.hasMatch() || open < 0)
        return missing(reason,
                       QCoreApplication::translate("FormatCheck", "its header is incomplete"));
    const qsizetype close = text.indexOf(QLatin1Char('}'), open);
    if (close < 0)
        return missing(reason,
                       QCoreApplication::translate("FormatCheck", "its bit array has no end"));
    const qint64 needed
        = (width.captured(1).toLongLong() + 7) / 8 * height.captured(1).toLongLong();
    qint64 values = 0;
    auto it = valuePattern.globalMatch(QStringView(text).mid(open, close - open));
    while (it.hasNext() && values < needed) {
        it.next();
        ++values;
    }
    if (values < needed)
        return missing(
            reason,
            QCoreApplication::translate("FormatCheck", "its bit array holds %1 of %2 bytes")
                .arg(values)
                .arg(needed));
    return true;
}

} // namespace

bool isComplete(const QByteArray &format, const QByteArray &file, QString *reason)
{
    if (format == "bmp")
        return bmpComplete(file, reason);
    if (format == "gif") {
        if (gifWalk(file) < 0)
            return missing(
                reason,
                QCoreApplication::translate("FormatCheck", "its data ends inside a picture"));
        return true;
    }
    if (format == "xbm")
        return xbmComplete(file, reason);
    return true;
}

int gifFrameCount(const QByteArray &file)
{
    return qMax(gifWalk(file), 0);
}

QString vectorKind(const QByteArray &format, const QByteArray &file)
{
    if (format == "svg" || format == "svgz")
        return QStringLiteral("SVG");
    // What a raster reader claims is read as that raster, never rendered as a drawing: a
    // photo with "%PDF-" in a comment stays a photo.
    if (!format.isEmpty())
        return QString();
    // Content no reader claims is named as a drawing where it is one: an XML document with an <svg>
    // element in its first 4 KiB, a PDF's header anywhere in its first kilobyte (as PDF readers
    // allow), PostScript's first comment or the binary EPS header.
    const QByteArray head = file.left(4096).toLower();
    const QByteArray text = (head.startsWith("\xef\xbb\xbf") ? head.mid(3) : head).trimmed();
    if (text.startsWith('<') && text.contains("<svg"))
        return QStringLiteral("SVG");
    if (head.left(1024).contains("%pdf-"))
        return QStringLiteral("PDF");
    if (file.startsWith("%!PS") || file.startsWith("\xc5\xd0\xd3\xc6"))
        return QStringLiteral("PostScript");
    return QString();
}

} // namespace FormatCheck
