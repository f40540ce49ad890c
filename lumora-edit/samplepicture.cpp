// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-sample OUT.jpg: draws the sample picture the demo edits, a small landscape
// scene that is neither symmetric nor evenly lit, so that every flip, rotation,
// crop and colour change shows, and slightly dull, so that auto-fix has work to do.
// It is written as a camera held upright writes it: the pixels stored on their side
// with EXIF Orientation 6, camera, date and GPS in EXIF, rating and keywords in XMP
// and IPTC, and an ICC colour profile.

#include "headless.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QTransform>

// Exiv2 0.27 hands out std::auto_ptr, which C++17 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// The picture's file: the JPEG with its metadata added through Exiv2.
QByteArray withMetadata(const QByteArray &jpeg, const QByteArray &thumbnail)
{
    Exiv2::XmpParser::initialize();
    auto file = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                                          long(jpeg.size()));
    file->readMetadata();
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Lumora";
    exif["Exif.Image.Model"] = "Sample Camera S1";
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Image.Artist"] = "Lumora Sample";
    exif["Exif.Image.Copyright"] = "(c) 2026 Lumora Sample";
    exif["Exif.Photo.DateTimeOriginal"] = "2026:06:21 19:42:07";
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(56, 10);
    exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(200);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(1200);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(1600);
    exif["Exif.GPSInfo.GPSVersionID"] = "2 3 0 0";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "60/1 10/1 1234/100";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    exif["Exif.GPSInfo.GPSLongitude"] = "24/1 56/1 789/100";
    Exiv2::ExifThumb(exif).setJpegThumbnail(
        reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()), long(thumbnail.size()));
    file->setExifData(exif);
    Exiv2::XmpData xmp;
    xmp["Xmp.xmp.Rating"] = "4";
    xmp["Xmp.tiff.Orientation"] = "6";
    xmp["Xmp.dc.title"] = "lang=\"x-default\" Evening by the lake";
    Exiv2::Value::AutoPtr subject = Exiv2::Value::create(Exiv2::xmpBag);
    subject->read("lake");
    subject->read("house");
    xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), subject.get());
    file->setXmpData(xmp);
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Keywords"] = "lake";
    iptc["Iptc.Application2.City"] = "Lakeside";
    file->setIptcData(iptc);
    const QByteArray profile = QColorSpace(QColorSpace::SRgb).iccProfile();
    Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte *>(profile.constData()),
                       long(profile.size()));
    file->setIccProfile(icc);
    file->writeMetadata();
    Exiv2::BasicIo &io = file->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf bytes = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char *>(bytes.pData_), bytes.size_);
}

} // namespace

#pragma GCC diagnostic pop

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

    // Stored on its side, as the camera's sensor saw it when held upright.
    const QImage stored = image.transformed(QTransform().rotate(270));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QByteArray thumbnail;
    QBuffer thumbnailBuffer(&thumbnail);
    thumbnailBuffer.open(QIODevice::WriteOnly);
    QByteArray out;
    try {
        if (stored.save(&buffer, "JPEG", 90)
            && stored.scaled(120, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                   .save(&thumbnailBuffer, "JPEG", 75))
            out = withMetadata(jpeg, thumbnail);
    } catch (const std::exception &e) {
        QTextStream(stderr) << "lumora-sample: " << e.what() << Qt::endl;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (out.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        QTextStream(stderr) << "lumora-sample: cannot write " << argv[1] << Qt::endl;
        return 1;
    }
    return 0;
}
