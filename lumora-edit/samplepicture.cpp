// lumora-sample OUT.jpg: draws the sample picture the demo edits, a small landscape
// scene that is neither symmetric nor evenly lit, so that every flip, rotation,
// crop and colour change shows, and slightly dull, so that auto-fix has work to do.

#include "headless.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

int main(int argc, char **argv)
{
    prepareHeadlessRun();
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: lumora-sample OUT.jpg" << Qt::endl;
        return 2;
    }
    const int w = 1600, h = 1200;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h * 0.6);
    sky.setColorAt(0, QColor(70, 110, 170));
    sky.setColorAt(1, QColor(200, 190, 170));
    p.fillRect(image.rect(), sky);

    QRadialGradient sun(QPointF(w * 0.78, h * 0.2), h * 0.12);
    sun.setColorAt(0, QColor(250, 235, 180));
    sun.setColorAt(1, QColor(250, 210, 140, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(w * 0.78, h * 0.2), h * 0.12, h * 0.12);

    QPainterPath far;
    far.moveTo(0, h * 0.62);
    far.cubicTo(w * 0.2, h * 0.45, w * 0.45, h * 0.58, w * 0.6, h * 0.5);
    far.cubicTo(w * 0.75, h * 0.44, w * 0.9, h * 0.55, w, h * 0.52);
    far.lineTo(w, h);
    far.lineTo(0, h);
    p.setBrush(QColor(90, 110, 120));
    p.drawPath(far);

    QPainterPath near;
    near.moveTo(0, h * 0.75);
    near.cubicTo(w * 0.3, h * 0.66, w * 0.6, h * 0.8, w, h * 0.7);
    near.lineTo(w, h);
    near.lineTo(0, h);
    QLinearGradient grass(0, h * 0.66, 0, h);
    grass.setColorAt(0, QColor(110, 140, 70));
    grass.setColorAt(1, QColor(60, 85, 45));
    p.setBrush(grass);
    p.drawPath(near);

    // A red house with a dark roof on the left, a tree on the right.
    p.setBrush(QColor(170, 60, 50));
    p.drawRect(QRectF(w * 0.16, h * 0.6, w * 0.16, h * 0.14));
    p.setBrush(QColor(60, 50, 55));
    p.drawPolygon(QPolygonF(
        { QPointF(w * 0.14, h * 0.6), QPointF(w * 0.24, h * 0.5), QPointF(w * 0.34, h * 0.6) }));
    p.setBrush(QColor(220, 200, 120));
    p.drawRect(QRectF(w * 0.2, h * 0.64, w * 0.03, h * 0.04));
    p.setBrush(QColor(90, 60, 40));
    p.drawRect(QRectF(w * 0.7, h * 0.55, w * 0.02, h * 0.16));
    p.setBrush(QColor(50, 100, 60));
    p.drawEllipse(QPointF(w * 0.71, h * 0.5), w * 0.07, h * 0.09);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(h / 12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(240, 235, 220));
    p.drawText(QRectF(w * 0.05, h * 0.82, w * 0.9, h * 0.15), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Lumora 1600×1200"));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), nullptr, 90)) {
        QTextStream(stderr) << "lumora-sample: cannot write " << argv[1] << Qt::endl;
        return 1;
    }
    return 0;
}
