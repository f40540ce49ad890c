// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "photometadata.h"

#include "colourprofile.h"
#include "exiv2support.h"
#include "photometadata_p.h"

#include <QDateTime>

#include <algorithm>

// PhotoMetadata::summary(): the lines a person reads of the fields photographers look at.

using Exiv2Support::hasKey;
using Exiv2Support::text;

namespace {

double rationalValue(const Exiv2::Exifdatum &datum, long n)
{
    const Exiv2::Rational r = datum.toRational(n);
    return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
}

// An EXIF date ("yyyy:MM:dd HH:mm:ss") as a person reads it.
QString readableDate(const QString &exifDate)
{
    const QDateTime parsed
        = QDateTime::fromString(exifDate.left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return parsed.isValid() ? parsed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : exifDate;
}

// Decimal degrees from EXIF's degrees, minutes, seconds and reference letter.
bool exifCoordinate(const Exiv2::ExifData &exif, const char *key, const char *refKey,
                    double *degrees)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1)
        return false;
    double value = 0;
    double scale = 1;
    for (long i = 0; i < std::min(it->count(), 3L); ++i, scale *= 60)
        value += rationalValue(*it, i) / scale;
    const QString ref = text(exif, refKey);
    *degrees
        = ref.startsWith(QLatin1Char('S')) || ref.startsWith(QLatin1Char('W')) ? -value : value;
    return true;
}

// XMP's form: "48,51.4933N" or "48,51,29.6N".
bool xmpCoordinate(const Exiv2::XmpData &xmp, const char *key, double *degrees)
{
    QString value = text(xmp, key);
    if (value.size() < 2)
        return false;
    const QChar ref = value.back().toUpper();
    value.chop(1);
    const QStringList parts = value.split(QLatin1Char(','));
    double result = 0;
    double scale = 1;
    for (const QString &part : parts) {
        bool ok = false;
        result += part.toDouble(&ok) / scale;
        if (!ok)
            return false;
        scale *= 60;
    }
    *degrees = ref == QLatin1Char('S') || ref == QLatin1Char('W') ? -result : result;
    return true;
}

QString orientationMeaning(int orientation)
{
    switch (orientation) {
    case 1:
        return QStringLiteral("upright");
    case 2:
        return QStringLiteral("to be mirrored left to right");
    case 3:
        return QStringLiteral("to be turned 180°");
    case 4:
        return QStringLiteral("to be mirrored top to bottom");
    case 5:
        return QStringLiteral("to be mirrored and turned 90° counter-clockwise");
    case 6:
        return QStringLiteral("to be turned 90° clockwise");
    case 7:
        return QStringLiteral("to be mirrored and turned 90° clockwise");
    case 8:
        return QStringLiteral("to be turned 90° counter-clockwise");
    }
    return {};
}

} // namespace

QStringList PhotoMetadata::summary() const
{
    Exiv2Support::setUp();
    QStringList lines;
    const auto add = [&lines](const char *key, const QString &value) {
        if (!value.isEmpty())
            lines << QLatin1String(key) + QLatin1String(": ") + value;
    };
    const Exiv2::ExifData &exif = d->exif;
    const Exiv2::XmpData &xmp = d->xmp;
    try {
        const QString make = text(exif, "Exif.Image.Make");
        const QString model = text(exif, "Exif.Image.Model");
        // "Canon" and "Canon EOS 5D": the model says it all.
        add("Camera",
            model.startsWith(make, Qt::CaseInsensitive)
                ? model
                : (make + QLatin1Char(' ') + model).trimmed());

        QString lens = text(exif, "Exif.Photo.LensModel");
        if (lens.isEmpty())
            lens = text(xmp, "Xmp.aux.Lens");
        if (lens.isEmpty())
            lens = text(xmp, "Xmp.exifEX.LensModel");
        add("Lens", lens);

        QString taken = text(exif, "Exif.Photo.DateTimeOriginal");
        taken = taken.isEmpty() ? text(xmp, "Xmp.exif.DateTimeOriginal") : readableDate(taken);
        if (taken.isEmpty())
            taken = text(xmp, "Xmp.photoshop.DateCreated");
        add("Taken", taken);

        QStringList exposure;
        const auto time = exif.findKey(Exiv2::ExifKey("Exif.Photo.ExposureTime"));
        if (time != exif.end() && rationalValue(*time, 0) > 0) {
            const double seconds = rationalValue(*time, 0);
            exposure << (seconds < 1 ? QStringLiteral("1/%1 s").arg(qRound(1 / seconds))
                                     : QStringLiteral("%1 s").arg(seconds));
        }
        const auto fNumber = exif.findKey(Exiv2::ExifKey("Exif.Photo.FNumber"));
        if (fNumber != exif.end() && rationalValue(*fNumber, 0) > 0)
            exposure << QStringLiteral("f/%1").arg(rationalValue(*fNumber, 0), 0, 'g', 3);
        const auto iso = exif.findKey(Exiv2::ExifKey("Exif.Photo.ISOSpeedRatings"));
        if (iso != exif.end() && iso->toLong() > 0)
            exposure << QStringLiteral("ISO %1").arg(iso->toLong());
        const auto focal = exif.findKey(Exiv2::ExifKey("Exif.Photo.FocalLength"));
        if (focal != exif.end() && rationalValue(*focal, 0) > 0)
            exposure << QStringLiteral("%1 mm").arg(rationalValue(*focal, 0), 0, 'g', 4);
        add("Exposure", exposure.join(QStringLiteral(", ")));

        double latitude = 0;
        double longitude = 0;
        if ((exifCoordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef",
                            &latitude)
             && exifCoordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef",
                               &longitude))
            || (xmpCoordinate(xmp, "Xmp.exif.GPSLatitude", &latitude)
                && xmpCoordinate(xmp, "Xmp.exif.GPSLongitude", &longitude)))
            add("GPS", QStringLiteral("%1, %2").arg(latitude, 0, 'f', 6).arg(longitude, 0, 'f', 6));

        if (hasKey(exif, "Exif.Image.Orientation") || hasKey(xmp, "Xmp.tiff.Orientation"))
            add("Orientation",
                QStringLiteral("%1, %2").arg(orientation()).arg(orientationMeaning(orientation())));

        QSize size = d->size;
        if (size.isEmpty()) {
            const auto x = exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension"));
            const auto y = exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelYDimension"));
            if (x != exif.end() && y != exif.end())
                size = QSize(int(x->toLong()), int(y->toLong()));
        }
        if (!size.isEmpty())
            add("Size", QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));

        QString artist = text(exif, "Exif.Image.Artist");
        if (artist.isEmpty())
            artist = text(xmp, "Xmp.dc.creator");
        add("Artist", artist);
        QString copyright = text(exif, "Exif.Image.Copyright");
        if (copyright.isEmpty())
            copyright = text(xmp, "Xmp.dc.rights");
        add("Copyright", copyright);

        QString rating = text(xmp, "Xmp.xmp.Rating");
        if (rating.isEmpty())
            rating = text(exif, "Exif.Image.Rating");
        add("Rating", rating);

        QStringList keywords;
        const auto subject = xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"));
        if (subject != xmp.end())
            for (long i = 0; i < subject->count(); ++i)
                keywords << QString::fromStdString(subject->toString(i)).trimmed();
        for (const Exiv2::Iptcdatum &datum : d->iptc)
            if (datum.key() == "Iptc.Application2.Keywords")
                keywords << QString::fromStdString(datum.toString()).trimmed();
        keywords.removeAll(QString());
        keywords.removeDuplicates();
        add("Keywords", keywords.join(QStringLiteral(", ")));

        QString software = text(exif, "Exif.Image.Software");
        if (software.isEmpty())
            software = text(xmp, "Xmp.xmp.CreatorTool");
        add("Software", software);
        QString modified = readableDate(text(exif, "Exif.Image.DateTime"));
        if (modified.isEmpty())
            modified = text(xmp, "Xmp.xmp.ModifyDate");
        add("Modified", modified);
    } catch (const Exiv2::AnyError &) {
    } catch (const std::exception &) { }

    if (!d->profile.isEmpty()) {
        const QString description = ColourProfile::description(d->profile);
        add("Colour profile",
            description.isEmpty() ? QStringLiteral("%1 bytes").arg(d->profile.size())
                                  : description);
    }
    return lines;
}
