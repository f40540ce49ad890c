// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-picture SAMPLE OUT.jpg: the benchmarks' 4000x3000 picture. lumora-edit's
// sample scaled up, with a fixed film grain over it, so that the picture carries the
// fine detail of a photograph (which JPEG coding and the filters' data paths feel)
// rather than the smooth areas of an enlarged drawing.

#include <QCoreApplication>
#include <QImage>
#include <QTextStream>

#include <algorithm>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: lumora-bench-picture SAMPLE OUT.jpg" << Qt::endl;
        return 2;
    }
    const QImage sample(QString::fromLocal8Bit(argv[1]));
    if (sample.isNull()) {
        QTextStream(stderr) << "lumora-bench-picture: cannot read " << argv[1] << Qt::endl;
        return 1;
    }
    QImage picture = sample.convertToFormat(QImage::Format_RGB32)
                         .scaled(4000, 3000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // Grain: a small xorshift generator with a fixed seed, the same picture every time;
    // mostly shared by the three channels (luminance grain) with a little colour noise.
    quint32 state = 0x9e3779b9u;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const quint32 bits = next();
            const int grain = int(bits & 31) - 16;
            const int tint = int((bits >> 8) & 7) - 4;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + grain + tint, 0, 255),
                           std::clamp(qGreen(p) + grain, 0, 255),
                           std::clamp(qBlue(p) + grain - tint, 0, 255));
        }
    }
    if (!picture.save(QString::fromLocal8Bit(argv[2]), "JPEG", 90)) {
        QTextStream(stderr) << "lumora-bench-picture: cannot write " << argv[2] << Qt::endl;
        return 1;
    }
    return 0;
}
