// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-contact-sheet OUT.png [LABEL=]FILE...: one PNG showing the given pictures
// side by side, each scaled into the same cell and captioned, so a person sees a run's
// results at a glance.

#include "headless.h"
#include <QFileInfo>

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextStream>

int main(int argc, char **argv)
{
    prepareHeadlessRun();
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: lumora-contact-sheet OUT.png [LABEL=]FILE..." << Qt::endl;
        return 2;
    }
    const QString output = args.takeFirst();

    const int cellWidth = 320, cellHeight = 260, caption = 28, columns = 4, gap = 12;
    const int rows = (int(args.size()) + columns - 1) / columns;
    QImage sheet(columns * (cellWidth + gap) + gap, rows * (cellHeight + caption + gap) + gap,
                 QImage::Format_RGB32);
    sheet.fill(QColor(32, 32, 36));
    QPainter painter(&sheet);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    painter.setFont(font);

    for (int i = 0; i < args.size(); ++i) {
        // LABEL=FILE splits at the last '=': labels such as "crop=16:9" keep theirs.
        const int split = int(args[i].lastIndexOf(QLatin1Char('=')));
        const QString file = split < 0 ? args[i] : args[i].mid(split + 1);
        const QString label = split < 0 ? QFileInfo(file).completeBaseName() : args[i].left(split);
        QImageReader reader(file);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        const QRect cell((i % columns) * (cellWidth + gap) + gap,
                         (i / columns) * (cellHeight + caption + gap) + gap, cellWidth, cellHeight);
        painter.fillRect(cell, QColor(48, 48, 54));
        if (image.isNull()) {
            painter.setPen(QColor(240, 120, 120));
            painter.drawText(cell, Qt::AlignCenter, QStringLiteral("unreadable"));
        } else {
            const QSize fitted = image.size().scaled(cell.size(), Qt::KeepAspectRatio);
            const QRect target(cell.center() - QPoint(fitted.width() / 2, fitted.height() / 2),
                               fitted);
            painter.drawImage(target, image);
        }
        painter.setPen(QColor(230, 230, 230));
        const QString text = image.isNull()
            ? label
            : QStringLiteral("%1  (%2×%3)").arg(label).arg(image.width()).arg(image.height());
        painter.drawText(QRect(cell.left(), cell.bottom() + 2, cellWidth, caption),
                         Qt::AlignHCenter | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text, Qt::ElideMiddle, cellWidth));
    }
    painter.end();
    if (!sheet.save(output)) {
        QTextStream(stderr) << "lumora-contact-sheet: cannot write " << output << Qt::endl;
        return 1;
    }
    return 0;
}
