// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef TESTPICTURES_H
#define TESTPICTURES_H

#include "processrun.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QString>

// Pictures and checks the command-line tests share.

// A picture with no symmetry, so that every flip and rotation is told apart.
inline QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb((x * 7 + y) % 200 + 20, (y * 5) % 180 + 30, (x * y) % 150 + 50));
    return image;
}

// A photo-like picture: smooth gradients with fine detail; pass a width unlike the height.
inline QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb((x * 255 / width + (x * y) % 13) & 0xff, (y * 255 / height) & 0xff,
                           ((x + 2 * y) % 97 + 80) & 0xff);
    }
    return image;
}

// The SHA-256 of a file's bytes; empty when it cannot be read.
inline QByteArray hashOf(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Pixels that differ between two pictures, as ImageMagick counts them: "0" when none.
inline QString differingPixels(const QString &a, const QString &b)
{
    const ProcessRun run = runProcess(
        QStringLiteral("compare-im6.q16"),
        { QStringLiteral("-metric"), QStringLiteral("AE"), a, b, QStringLiteral("null:") });
    return QString::fromUtf8(run.err).trimmed();
}

#endif // TESTPICTURES_H
