// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "picturefile.h"

#include "colourprofile.h"
#include "colourtransform.h"
#include "formatcheck.h"
#include "heiffile.h"
#include "imagerows.h"
#include "jpegcodec.h"
#include "jpegsegments.h"
#include "jpegstream.h"
#include "jpegtrailer.h"
#include "nativepath.h"
#include "pngcolourkey.h"
#include "systemerror.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
#include <QTextStream>
#include <QtEndian>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString shown(const QString &path)
{
    return NativePath::displayName(path);
}

QString systemReason(int error)
{
    return SystemError::reason(error);
}

// Who a file is on disk: enough to tell that another program replaced or rewrote it.
struct DiskIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified {};

    static DiskIdentity of(const struct stat &status)
    {
        return { status.st_dev, status.st_ino, status.st_size, status.st_mtim };
    }
    bool operator==(const DiskIdentity &other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec;
    }
};

// A JPEG with nothing but what decoding it needs: the JFIF header, Adobe's colour
// transform and the colour profile; no other APPn segment (a lossless turn copies them
// all), no comment, nothing after the picture.
QByteArray strippedToDecoding(const QByteArray &jpeg)
{
    JpegSegments segments(jpeg);
    segments.removeIf([](uchar marker, const QByteArray &payload) {
        if (marker == 0xe0)
            return !payload.startsWith(QByteArray("JFIF\0", 5));
        if (marker == 0xe2)
            return !payload.startsWith(QByteArray("ICC_PROFILE\0", 12));
        if (marker == 0xee)
            return !payload.startsWith("Adobe");
        return (marker >= 0xe1 && marker <= 0xef) || marker == 0xfe;
    });
    segments.cutTrailer();
    return segments.bytes();
}

// A JPEG without the JFIF extension's thumbnail, which shows the pixels as they were
// before the edit (a lossless turn copies it). The EXIF thumbnail is made anew instead.
QByteArray withoutOldThumbnail(const QByteArray &jpeg)
{
    JpegSegments segments(jpeg);
    const int before = segments.count();
    segments.removeIf([](uchar marker, const QByteArray &payload) {
        return marker == 0xe0 && payload.startsWith(QByteArray("JFXX\0", 5));
    });
    return segments.count() == before ? jpeg : segments.bytes();
}

// Bytes a decoded picture of this format takes per pixel while being edited. An int, not
// a QImage::Format: for a JPEG header it cannot read, Qt's reader reports a field it never
// set, which is no value of the enum; it takes the default here.
int workingBytesPerPixel(int format)
{
    switch (format) {
    case QImage::Format_Grayscale8:
        return 1;
    case QImage::Format_Grayscale16:
        return 2;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
        return 8;
    default:
        return 4;
    }
}

// Memory this machine can give an edit: what the kernel says is available (free and
// reclaimable), or the physical memory where it says nothing.
qint64 availableMemory()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = meminfo.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : Q_INT64_C(1) << 32;
}

QString gibibytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1 << 30), 'f', 1) + QStringLiteral(" GiB");
}

// Warnings Qt's decoders give while they read; any means the file is damaged. The
// message handler is process-wide, so reads that collect them take turns.
QMutex decodeMutex;
QStringList *decodeWarnings = nullptr;

void collectDecodeWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (decodeWarnings && type == QtWarningMsg)
        decodeWarnings->append(message);
}

// Frames an animated PNG announces in its acTL chunk, which comes before the picture data;
// Qt's reader shows the first frame and says nothing of the others. 0 for a still PNG.
int pngFrameCount(const QByteArray &png)
{
    for (qsizetype at = 8; at + 16 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "IDAT")
            return 0;
        if (type == "acTL")
            return int(qMin<quint32>(qFromBigEndian<quint32>(png.constData() + at + 8), INT_MAX));
        at += qsizetype(length) + 12;
    }
    return 0;
}

using Model = ColourProfile::Model;
using ColourProfile::modelName;

Model profileModel(const QByteArray &profile)
{
    return ColourProfile::model(profile);
}

// Formats read as photos: rasters whose readers take nothing but the file's own bytes.
// Left out: SVG and SVGZ (drawings, which may pull other files in), ICO, CUR and ICNS
// (containers whose entries Qt decodes by their content, so that one may hold a
// drawing), MNG (animations) and TGA (no signature: Qt's detection takes one for ICO).
const QList<QByteArray> &readFormats()
{
    static const QList<QByteArray> formats { "jpeg", "png", "tiff", "webp", "bmp", "gif",
                                             "ppm",  "pgm", "pbm",  "wbmp", "xbm", "xpm" };
    return formats;
}

// Formats written, each by the suffixes that ask for it, the first the usual one. Only
// formats whose Qt writers were found to give back every pixel (as far as the format
// holds depth and alpha) to other readers at any size: ICO, CUR and ICNS shrink a
// picture, WBMP's header breaks at widths of multiples of 128, PGM, PBM and XBM lose
// colour without a word, XPM keeps no partial transparency.
struct WriteFormat
{
    const char *format;
    const char *suffixes[4]; // null after the last
};
const WriteFormat writeFormats[] = {
    { "jpeg", { "jpg", "jpeg", "jpe", "jfif" } },
    { "png", { "png" } },
    { "tiff", { "tif", "tiff" } },
    { "webp", { "webp" } },
    { "bmp", { "bmp" } },
    { "ppm", { "ppm" } },
    { "heic", { "heic", "heif", "hif" } },
    { "avif", { "avif" } },
};

bool isGrey(QImage::Format format)
{
    return format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16;
}

bool isGrey(const QImage &image)
{
    return isGrey(image.format());
}

bool isDeep(const QImage &image)
{
    return workingBytesPerPixel(image.format()) > 4 || image.format() == QImage::Format_Grayscale16;
}

// PNG text keys that hold metadata Exiv2 writes itself; Qt reads them as plain text.
bool isMetadataKey(const QString &key)
{
    return key == QLatin1String("XML:com.adobe.xmp")
        || key.startsWith(QLatin1String("Raw profile type"));
}

// Why a source of bands stopped before its last row: its own error, or the count.
QString sourceFailure(const RowSource &rows, const QString &path, int done)
{
    const QString reason = rows.error();
    if (!reason.isEmpty())
        return reason;
    return QCoreApplication::translate("PictureFile",
                                       "cannot write %1: the picture ends after %2 of its %3 rows")
        .arg(shown(path))
        .arg(done)
        .arg(rows.size().height());
}

// The bands gathered into one picture, with the first band's colour space, colour
// table, dots per metre and text. A first band of every row is the picture itself.
QImage gathered(RowSource &rows, const QString &path, QString *error)
{
    const QSize size = rows.size();
    const QImage first = rows.next(size.height());
    if (first.isNull() || first.height() == size.height()) {
        if (first.isNull())
            *error = sourceFailure(rows, path, 0);
        return first;
    }
    QImage whole(size, rows.format());
    if (whole.isNull()) {
        *error = QCoreApplication::translate(
                     "PictureFile",
                     "cannot write %1: the picture of %2 x %3 pixels does not fit in "
                     "memory")
                     .arg(shown(path))
                     .arg(size.width())
                     .arg(size.height());
        return QImage();
    }
    whole.setColorTable(first.colorTable());
    whole.setColorSpace(first.colorSpace());
    whole.setDotsPerMeterX(first.dotsPerMeterX());
    whole.setDotsPerMeterY(first.dotsPerMeterY());
    for (const QString &key : first.textKeys())
        whole.setText(key, first.text(key));
    int y = 0;
    for (QImage band = first; !band.isNull();
         band = y < size.height() ? rows.next(size.height() - y) : QImage()) {
        if (band.width() != size.width() || band.format() != whole.format()
            || band.height() > size.height() - y) {
            *error = QCoreApplication::translate("PictureFile",
                                                 "cannot write %1: a band does not fit the picture")
                         .arg(shown(path));
            return QImage();
        }
        for (int line = 0; line < band.height(); ++line, ++y)
            std::memcpy(whole.scanLine(y), band.constScanLine(line),
                        size_t(qMin(whole.bytesPerLine(), band.bytesPerLine())));
    }
    if (y < size.height()) {
        *error = sourceFailure(rows, path, y);
        return QImage();
    }
    return whole;
}

} // namespace

// The smallest longest side of a TurnPreview stand-in: twice the EXIF thumbnail's, which is
// made from it.
constexpr int ReducedLongestSide = 320;

class PictureFile::Private
{
public:
    QString path;
    QByteArray format;
    QImage image;
    PhotoMetadata metadata;
    QByteArray iccProfile;
    // A CMYK or YCCK JPEG's inks are decoded into sRGB through the file's CMYK profile:
    // what turns them, and the profile of the pixels it makes.
    JpegCodec::InkConversion inks;
    QByteArray inkProfile;
    QString inkNote; // the standard CMYK profile was taken, or none could be
    QStringList warnings;
    // The whole file, read once: nothing reads it again, so that another program
    // shortening or rewriting it cannot change or break what is saved.
    QByteArray bytes;
    DiskIdentity identity; // the file as it was read
    JpegCodec::Info jpeg; // for a JPEG
    JpegTrailer trailer; // what follows a JPEG's primary picture, and the XMP pointing to it
    HeifFile::Reading heif; // for a HEIF, all but the picture
    int orientation = 1;
    std::optional<PictureTurn> onlyTurn; // as open() was given it
    bool metadataRead = false;
    bool reduced = false; // image is a DCT-scaled stand-in for turns
    bool deferred = false; // openDeferred(): a JPEG's image not decoded, another's not shown
    QSize fullSize; // upright
    // With a stand-in the blocks are turned from open() on, beside the decoding of the
    // stand-in and the plug-ins' work; save() takes the result. It holds its own
    // reference to the bytes.
    PictureTurn earlyTurn;
    std::shared_future<QByteArray> earlyTransform;

    bool open(const QString &path, QString *error);
    bool readBytes(QString *error);
    bool decode(QString *error);
    bool decodeHeif(QString *error);
    bool fitsInMemory(QSize size, int bytesPerPixel, QString *error) const;
    void prepareInks();
    // The profile of the decoded pixels: the file's, or sRGB for inks turned into it.
    QByteArray pixelProfile() const { return inkProfile.isEmpty() ? iccProfile : inkProfile; }
    void setColourSpace(QImage *picture) const;
    QColorSpace colourSpace() const;
    PictureTurn upright() const { return PictureTurn::fromExifOrientation(orientation); }
    // The format of the JPEG's picture decoded and turned.
    QImage::Format decodedFormat(PictureTurn turn) const;

    // What a save writes: the edited picture in bands, and what its metadata is made of.
    struct Edited
    {
        RowSource *rows;
        QImage whole; // the same picture whole, where the caller holds it so
        QImage thumbnailFrom; // the picture or a smaller copy of it
        QSize size; // written in the metadata; invalid: thumbnailFrom's
    };
    bool save(Edited &edited, const QString &path, const PictureSaveOptions &options,
              QString *error, QStringList *notes) const;
    QByteArray checkedFormat(const Edited &edited, const QString &path,
                             const PictureSaveOptions &options, QString *error) const;
    QByteArray turnedLosslessly(const QByteArray &format, const PictureSaveOptions &options,
                                Model *pixels) const;
    ColourTransform srgbConversion(const Edited &edited, const PictureSaveOptions &options,
                                   QStringList *notes) const;
    QByteArray encodedJpeg(RowSource &rows, const QString &path, const PictureSaveOptions &options,
                           QString *error, QStringList *notes) const;
    QByteArray encodedWithQt(const QImage &picture, const QByteArray &format, const QString &path,
                             QString *error, QStringList *notes) const;
    QByteArray encodedHeif(const QImage &picture, const QByteArray &format, const Edited &edited,
                           const QString &path, const PictureSaveOptions &options, QString *error,
                           QStringList *notes) const;
    QByteArray writtenProfile(Model pixels, const PictureSaveOptions &options,
                              QStringList *notes) const;
    PhotoMetadata updatedMetadata(const Edited &edited, const PictureSaveOptions &options,
                                  Model pixels, const QByteArray &profile) const;
    void writeMetadata(QByteArray *encoded, const QByteArray &format, Model pixels,
                       const Edited &edited, const PictureSaveOptions &options,
                       QStringList *notes) const;
};

bool PictureFile::Private::readBytes(QString *error)
{
    const QByteArray native = NativePath::toNative(path);
    // Non-blocking, so that a FIFO given as input cannot hang the program before it is
    // recognised below.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int reason = errno;
        struct stat status;
        // A socket cannot be opened at all (ENXIO): named here, as the kinds below are.
        const bool socket = reason == ENXIO && ::stat(native.constData(), &status) == 0
            && S_ISSOCK(status.st_mode);
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(path),
                          socket ? QCoreApplication::translate("PictureFile",
                                                               "it is a socket, not a picture file")
                              : reason == ENOENT
                              ? QCoreApplication::translate("PictureFile", "no such file")
                              : systemReason(reason));
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(path), systemReason(errno));
        ::close(fd);
        return false;
    }
    QString kind;
    if (S_ISDIR(status.st_mode))
        kind = QCoreApplication::translate("PictureFile", "a folder");
    else if (S_ISFIFO(status.st_mode))
        kind = QCoreApplication::translate("PictureFile", "a FIFO");
    else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        kind = QCoreApplication::translate("PictureFile", "a device");
    else if (S_ISSOCK(status.st_mode))
        kind = QCoreApplication::translate("PictureFile", "a socket");
    if (!kind.isEmpty()) {
        *error = QCoreApplication::translate("PictureFile",
                                             "cannot read %1: it is %2, not a picture file")
                     .arg(shown(path), kind);
        ::close(fd);
        return false;
    }
    if (status.st_size == 0) {
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: the file is empty")
                     .arg(shown(path));
        ::close(fd);
        return false;
    }
    // Read whole, at once: a copy costs far less than the decoding that follows, and a
    // mapping kept open would fault (SIGBUS) once the file is cut short under it.
    bytes.resize(qsizetype(status.st_size));
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    const int readError = errno;
    struct stat after;
    const bool same
        = ::fstat(fd, &after) == 0 && DiskIdentity::of(after) == DiskIdentity::of(status);
    ::close(fd);
    if (!same || done < bytes.size()) {
        bytes.clear();
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(path),
                          same ? systemReason(readError)
                               : QCoreApplication::translate(
                                   "PictureFile", "another program changed it while it was read"));
        return false;
    }
    identity = DiskIdentity::of(status);
    return true;
}

bool PictureFile::Private::fitsInMemory(QSize size, int bytesPerPixel, QString *error) const
{
    if (!size.isValid())
        return true;
    const qint64 pixels = qint64(size.width()) * size.height();
    const qint64 needed = pixels * bytesPerPixel * 2;
    const qint64 available = availableMemory();
    if (needed <= available)
        return true;
    *error = QCoreApplication::translate("PictureFile",
                                         "cannot read %1: %2x%3 pixels (%4 megapixels) need %5 to "
                                         "edit, more than the %6 of memory available")
                 .arg(shown(path))
                 .arg(size.width())
                 .arg(size.height())
                 .arg(pixels / 1000000)
                 .arg(gibibytes(needed), gibibytes(available));
    return false;
}

// A HEIF is read by libheif alone, whole, at its depth, as its transform properties
// show it; Qt has no reader for it.
bool PictureFile::Private::decodeHeif(QString *error)
{
    QString reason;
    QSize size;
    if (!HeifFile::readHeader(bytes, &size, &reason)) {
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(path), reason);
        return false;
    }
    // At 16 bits per channel, as a picture deeper than 8 bits is decoded.
    if (!fitsInMemory(size, 8, error))
        return false;
    if (!HeifFile::read(bytes, &heif, &reason)) {
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(path), reason);
        return false;
    }
    image = std::exchange(heif.picture, QImage());
    metadata = heif.metadata;
    metadataRead = true;
    return true;
}

bool PictureFile::Private::decode(QString *error)
{
    format = HeifFile::formatOf(bytes);
    if (!format.isEmpty())
        return decodeHeif(error);

    // Qt decodes a 16-bit PNG's colour key wrongly: it reads the picture without it and
    // the key is applied below.
    const PngColourKey colourKey(bytes);
    QByteArray decoded = colourKey.withoutKey(bytes);
    QBuffer buffer(&decoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false); // the orientation is applied below, keeping the profile
    // Only the content is looked at until the format is known to be one read as a photo.
    format = reader.format();
    const QString drawing = FormatCheck::vectorKind(format, bytes);
    if (!drawing.isEmpty()) {
        *error = QCoreApplication::translate(
                     "PictureFile", "cannot read %1: it is a vector drawing (%2), not a photo")
                     .arg(shown(path), drawing);
        return false;
    }
    if (format.isEmpty()) {
        *error = QCoreApplication::translate(
                     "PictureFile",
                     "cannot read %1: it is no picture in a format this program "
                     "reads")
                     .arg(shown(path));
        return false;
    }
    if (format == "jpg")
        format = "jpeg";
    if (format == "tif")
        format = "tiff";
    if (!readFormats().contains(format)) {
        *error = QCoreApplication::translate(
                     "PictureFile", "cannot read %1: %2 files are not read as photos (%3 are)")
                     .arg(shown(path), QString::fromLatin1(format.toUpper()),
                          QString::fromLatin1(readFormats().join(", ").toUpper()));
        return false;
    }

    QString reason;
    if (!FormatCheck::isComplete(format, bytes, &reason)) {
        *error = QCoreApplication::translate("PictureFile",
                                             "cannot read %1: the picture is damaged (%2)")
                     .arg(shown(path), reason);
        return false;
    }
    int frames = format == "gif" ? FormatCheck::gifFrameCount(bytes) : reader.imageCount();
    if (format == "png")
        frames = qMax(frames, pngFrameCount(bytes));
    if (frames > 1) {
        *error = QCoreApplication::translate(
                     "PictureFile",
                     "cannot read %1: it is an animation of %2 frames, and only a "
                     "single picture can be edited")
                     .arg(shown(path))
                     .arg(frames);
        return false;
    }

    // The limit is the machine's memory, not Qt's default allocation limit: the decoded
    // picture and the one a filter makes of it must both fit.
    // A JPEG is read by TurboJPEG alone, into grey or RGB32: Qt's reader is not asked, so
    // that a damaged header is said once, in our words.
    QSize size;
    int bytesPerPixel = 4;
    if (format == "jpeg") {
        if (!JpegCodec::readInfo(bytes, &jpeg, &reason)) {
            *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                         .arg(shown(path), reason);
            return false;
        }
        size = jpeg.size;
        bytesPerPixel = jpeg.colorModel == JpegCodec::ColorModel::Gray ? 1 : 4;
        if (jpeg.colorModel == JpegCodec::ColorModel::Cmyk
            || jpeg.colorModel == JpegCodec::ColorModel::Ycck)
            prepareInks();
    } else {
        size = reader.size();
        bytesPerPixel = workingBytesPerPixel(reader.imageFormat());
    }
    if (!fitsInMemory(size, bytesPerPixel, error))
        return false;

    if (format == "jpeg" && onlyTurn) {
        // The orientation is needed to know whether the blocks will take the turn.
        metadata = PhotoMetadata::read(bytes);
        metadataRead = true;
        const PictureTurn whole
            = PictureTurn::fromExifOrientation(metadata.orientation()).then(*onlyTurn);
        reduced = JpegCodec::canTransformPerfectly(jpeg, whole);
        if (reduced) {
            earlyTurn = whole;
            earlyTransform = std::async(std::launch::async, [jpegBytes = bytes, whole] {
                                 QString ignored; // save() says why when it needs to encode
                                 return JpegCodec::transform(jpegBytes, whole, &ignored);
                             }).share();
        }
    }
    if (format == "jpeg" && deferred) {
        // Decoded when its bands or a reduced copy are asked for.
    } else if (format == "jpeg") {
        // A stand-in is decoded at a fraction of the cost: the entropy decoding stays, the
        // inverse DCT and colour conversion shrink with the scale.
        image = reduced ? JpegCodec::decodeReduced(bytes, ReducedLongestSide, &reason, inks)
                        : JpegCodec::decode(bytes, &reason, inks);
        if (image.isNull()) {
            *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                         .arg(shown(path), reason);
            return false;
        }
    } else {
        // A decoder that meets a damaged file warns and fills in the rest; an edit of such
        // a picture would silently lose the missing part.
        QStringList collected;
        {
            QMutexLocker lock(&decodeMutex);
            decodeWarnings = &collected;
            const QtMessageHandler previous = qInstallMessageHandler(collectDecodeWarning);
            QImageReader::setAllocationLimit(0);
            image = colourKey.apply(reader.read());
            qInstallMessageHandler(previous);
            decodeWarnings = nullptr;
        }
        if (image.isNull() && collected.isEmpty()) {
            // The header was read (the format and size are known): what follows is broken.
            *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2%3")
                         .arg(shown(path),
                              size.isValid() ? QCoreApplication::translate(
                                  "PictureFile", "the picture is damaged: ")
                                             : QString(),
                              reader.errorString());
            return false;
        }
        if (!collected.isEmpty()) {
            image = QImage();
            *error = QCoreApplication::translate("PictureFile",
                                                 "cannot read %1: the picture is damaged (%2)")
                         .arg(shown(path), collected.first().trimmed());
            return false;
        }
    }
    return true;
}

PictureFile::PictureFile()
    : d(new Private)
{ }

PictureFile::~PictureFile() = default;

bool PictureFile::open(const QString &path, QString *error, std::optional<PictureTurn> onlyTurn)
{
    d.reset(new Private);
    d->onlyTurn = onlyTurn;
    if (d->open(path, error))
        return true;
    d.reset(new Private);
    return false;
}

bool PictureFile::openDeferred(const QString &path, QString *error)
{
    d.reset(new Private);
    d->deferred = true;
    if (d->open(path, error))
        return true;
    d.reset(new Private);
    return false;
}

bool PictureFile::Private::open(const QString &file, QString *error)
{
    path = file;
    if (!readBytes(error) || !decode(error))
        return false;

    if (!metadataRead)
        metadata = PhotoMetadata::read(bytes);
    warnings = metadata.warnings() + heif.warnings;
    if (!inkNote.isEmpty())
        warnings.append(inkNote);
    trailer = JpegTrailer::read(bytes, metadata);
    iccProfile = metadata.iccProfile();
    if (iccProfile.isEmpty() && inkProfile.isEmpty() && image.colorSpace().isValid())
        iccProfile = image.colorSpace().iccProfile();
    // Qt holds only RGB profiles; a grey or CMYK one stays in iccProfile alone.
    setColourSpace(&image);

    // A HEIF's picture comes out of libheif as its transform properties show it; its
    // EXIF orientation is not applied, as HEIF readers do not apply it.
    orientation = HeifFile::isHeif(format) ? 1 : metadata.orientation();
    reduced = reduced && image.size() != jpeg.size;
    const QSize stored = format == "jpeg" ? jpeg.size : image.size();
    fullSize = upright().swapsSides() ? stored.transposed() : stored;
    image = upright().apply(image);
    return true;
}

// The inks through the file's own CMYK profile, or the standard one where it has none;
// plain inversion (as before colour management) only where neither can be read.
void PictureFile::Private::prepareInks()
{
    if (!metadataRead) {
        metadata = PhotoMetadata::read(bytes);
        metadataRead = true;
    }
    QByteArray cmyk = metadata.iccProfile();
    if (profileModel(cmyk) != Model::Cmyk) {
        cmyk = ColourTransform::standardCmykProfile();
        inkNote = QCoreApplication::translate(
                      "PictureFile",
                      "the CMYK picture names no CMYK colour profile: its inks are "
                      "converted to sRGB through the standard one (%1)")
                      .arg(ColourProfile::description(cmyk));
    }
    const ColourTransform transform(cmyk, ColourTransform::srgbProfile());
    if (!transform.isValid()) {
        inkNote = QCoreApplication::translate(
            "PictureFile",
            "no CMYK colour profile could be read: the inks are turned into "
            "RGB by plain inversion");
        return;
    }
    inks = [transform](QImage *picture) { transform.inksToRgb(picture); };
    inkProfile = transform.to();
}

void PictureFile::Private::setColourSpace(QImage *picture) const
{
    if (!pixelProfile().isEmpty() && !picture->colorSpace().isValid()) {
        const QColorSpace space = colourSpace();
        if (space.isValid())
            picture->setColorSpace(space);
    }
}

QImage::Format PictureFile::Private::decodedFormat(PictureTurn turn) const
{
    const bool grey = jpeg.colorModel == JpegCodec::ColorModel::Gray;
    return turn.apply(QImage(1, 1, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32))
        .format();
}

// The profile as Qt holds it; invalid where there is none or Qt cannot hold it.
QColorSpace PictureFile::Private::colourSpace() const
{
    const QByteArray profile = pixelProfile();
    return profile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(profile);
}

void PictureFile::expectTurn(PictureTurn turn)
{
    if (d->format != "jpeg" || !d->deferred || d->earlyTransform.valid())
        return;
    const PictureTurn whole = d->upright().then(turn);
    if (!JpegCodec::canTransformPerfectly(d->jpeg, whole))
        return;
    d->earlyTurn = whole;
    d->earlyTransform = std::async(std::launch::async, [jpegBytes = d->bytes, whole] {
                            QString ignored; // save() says why when it needs to encode
                            return JpegCodec::transform(jpegBytes, whole, &ignored);
                        }).share();
}

QString PictureFile::path() const
{
    return d->path;
}

QByteArray PictureFile::format() const
{
    return d->format;
}

QImage PictureFile::image() const
{
    return d->deferred ? QImage() : d->image;
}

QSize PictureFile::fullSize() const
{
    return d->fullSize;
}

QImage PictureFile::takeImage()
{
    return d->deferred ? QImage() : std::exchange(d->image, QImage());
}

const PhotoMetadata &PictureFile::metadata() const
{
    return d->metadata;
}

QByteArray PictureFile::iccProfile() const
{
    return d->iccProfile;
}

QStringList PictureFile::warnings() const
{
    return d->warnings;
}

QStringList PictureFile::describe() const
{
    QStringList lines;
    // A deferred JPEG's picture in the format it decodes to.
    const bool undecoded = d->image.isNull() && d->format == "jpeg";
    const QImage image = undecoded
        ? QImage(1, 1,
                 d->jpeg.colorModel == JpegCodec::ColorModel::Gray ? QImage::Format_Grayscale8
                                                                   : QImage::Format_RGB32)
        : d->image;
    lines << QStringLiteral("Format: %1").arg(QString::fromLatin1(d->format.toUpper()));
    lines << QStringLiteral("Pixels: %1x%2, %3, %4 bits per channel")
                 .arg(d->fullSize.width())
                 .arg(d->fullSize.height())
                 .arg(isGrey(image)                 ? QStringLiteral("grey")
                          : image.hasAlphaChannel() ? QStringLiteral("colour and alpha")
                                                    : QStringLiteral("colour"))
                 .arg(isDeep(image) ? 16 : 8);
    if (HeifFile::isHeif(d->format)) {
        QString held = QStringLiteral("HEIF: %1 bits per channel stored").arg(d->heif.bitDepth);
        if (d->heif.nclx)
            held += QStringLiteral(", nclx colour (primaries %1, transfer %2)")
                        .arg(d->heif.primaries)
                        .arg(d->heif.transfer);
        if (d->heif.thumbnail)
            held += QStringLiteral(", a thumbnail");
        for (const QString &other : d->heif.uncarried)
            held += QStringLiteral(", ") + other;
        lines << held;
    }
    if (d->format == "jpeg") {
        static const char *const samplings[]
            = { "4:4:4", "4:2:2", "4:2:0", "grey", "4:4:0", "4:1:1", "unknown" };
        lines << QStringLiteral("JPEG: quality %1, %2")
                     .arg(d->jpeg.quality)
                     .arg(QLatin1String(samplings[int(d->jpeg.sampling)]));
    }
    return lines + d->metadata.summary();
}

QByteArray PictureFile::formatForFileName(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QByteArray();
    const QByteArray suffix = path.mid(dot + 1).toLower().toLatin1();
    for (const WriteFormat &written : writeFormats) {
        for (const char *name : written.suffixes) {
            if (name && suffix == name)
                return written.format;
        }
    }
    return QByteArray();
}

QString PictureFile::writableSuffixes()
{
    QStringList suffixes;
    for (const WriteFormat &written : writeFormats)
        suffixes << QString::fromLatin1(written.suffixes[0]);
    return suffixes.join(QLatin1String(", "));
}

QImage PictureFile::reduced(int minimumLongestSide, QString *error) const
{
    QString reason;
    QImage picture;
    if (d->format == "jpeg") {
        picture = JpegCodec::decodeReduced(d->bytes, minimumLongestSide, &reason, d->inks);
        d->setColourSpace(&picture);
        picture = d->upright().apply(picture);
    } else if (!d->image.isNull()) {
        const QSize size = d->image.size();
        if (qMax(size.width(), size.height()) <= minimumLongestSide)
            return d->image;
        // At least a pixel across, for a picture far longer than wide.
        const QSize scaled
            = size.scaled(minimumLongestSide, minimumLongestSide, Qt::KeepAspectRatio)
                  .expandedTo(QSize(1, 1));
        return d->image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        reason = d->path.isEmpty()
            ? QCoreApplication::translate("PictureFile", "no picture is open")
            : QCoreApplication::translate("PictureFile", "the picture was handed over");
    }
    if (picture.isNull())
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(d->path), reason);
    return picture;
}

namespace {

// A source of a file's bands that says its errors in the words open() and save() use
// ("cannot read NAME: ...") and gives every band the file's colour space.
class FileRows : public RowSource
{
public:
    FileRows(std::unique_ptr<RowSource> rows, const QColorSpace &space, const QString &failure)
        : m_rows(std::move(rows))
        , m_space(space)
        , m_failure(failure)
    { }

    QSize size() const override { return m_rows->size(); }
    QImage::Format format() const override { return m_rows->format(); }
    QImage next(int rows) override
    {
        QImage band = m_rows->next(rows);
        if (!band.isNull() && m_space.isValid())
            band.setColorSpace(m_space);
        return band;
    }
    QString error() const override
    {
        const QString reason = m_rows->error();
        return reason.isEmpty() ? reason : m_failure.arg(reason);
    }

private:
    std::unique_ptr<RowSource> m_rows;
    QColorSpace m_space;
    QString m_failure; // %1: the reason
};

} // namespace

std::unique_ptr<RowSource> PictureFile::rows(QString *error) const
{
    if (!d->image.isNull() && !d->reduced)
        return std::make_unique<ImageRows>(d->image);
    if (d->format != "jpeg") {
        *error = QCoreApplication::translate("PictureFile", "cannot read %1: %2")
                     .arg(shown(d->path),
                          d->path.isEmpty()
                              ? QCoreApplication::translate("PictureFile", "no picture is open")
                              : QCoreApplication::translate("PictureFile",
                                                            "the picture was handed over"));
        return nullptr;
    }
    const QString failure
        = QCoreApplication::translate("PictureFile", "cannot read %1: %2").arg(shown(d->path));
    const QColorSpace space = d->colourSpace();
    if (d->upright().isIdentity())
        return std::make_unique<FileRows>(std::make_unique<JpegReader>(d->bytes, 0, d->inks), space,
                                          failure);
    // Turned as open() turns it; the bands are views on the turned picture.
    auto turned = std::make_unique<ImageRows>(
        d->fullSize, d->decodedFormat(d->upright()),
        [bytes = d->bytes, space, turn = d->upright(), inks = d->inks](QString *reason) {
            QImage picture = JpegCodec::decode(bytes, reason, inks);
            if (space.isValid())
                picture.setColorSpace(space);
            return turn.apply(picture);
        });
    return std::make_unique<FileRows>(std::move(turned), space, failure);
}

bool PictureFile::save(const QImage &edited, const QString &path, const PictureSaveOptions &options,
                       QString *error, QStringList *warnings) const
{
    ImageRows rows(edited);
    Private::Edited picture { &rows, edited, edited, QSize() };
    std::unique_ptr<RowSource> decoded;
    if (d->reduced && options.turn) {
        // edited is a stand-in. Where the blocks do not take the turn after all, the
        // whole picture is decoded and turned as the stand-in was, and the thumbnail
        // made from it.
        const PictureTurn turn = d->upright().then(*options.turn);
        picture.size = options.turn->swapsSides() ? d->fullSize.transposed() : d->fullSize;
        picture.whole = QImage();
        decoded = std::make_unique<FileRows>(
            std::make_unique<ImageRows>(picture.size, d->decodedFormat(turn),
                                        [this, turn, &picture](QString *reason) {
                                            QImage whole
                                                = JpegCodec::decode(d->bytes, reason, d->inks);
                                            d->setColourSpace(&whole);
                                            picture.thumbnailFrom = turn.apply(whole);
                                            return picture.thumbnailFrom;
                                        }),
            QColorSpace(),
            QCoreApplication::translate("PictureFile", "cannot write %1: %2").arg(shown(path)));
        picture.rows = decoded.get();
    }
    QStringList notes;
    const bool saved = d->save(picture, path, options, error, &notes);
    if (warnings)
        *warnings = notes;
    return saved;
}

bool PictureFile::save(RowSource &picture, const QImage &reducedCopy, const QString &path,
                       const PictureSaveOptions &options, QString *error,
                       QStringList *warnings) const
{
    Private::Edited edited { &picture, QImage(), reducedCopy, picture.size() };
    QStringList notes;
    const bool saved = d->save(edited, path, options, error, &notes);
    if (warnings)
        *warnings = notes;
    return saved;
}

// Every save in named steps: the refusals, a lossless turn or an encoding, the
// metadata, the safe write.
bool PictureFile::Private::save(Edited &edited, const QString &path,
                                const PictureSaveOptions &options, QString *error,
                                QStringList *notes) const
{
    const QByteArray format = checkedFormat(edited, path, options, error);
    if (format.isEmpty())
        return false;
    // The model of the pixels written: the edited picture's, or the stored one's
    // where the stored blocks are turned as they are.
    Model pixels = isGrey(edited.rows->format()) ? Model::Gray : Model::Rgb;
    const ColourTransform toSrgb = srgbConversion(edited, options, notes);
    TransformedRows converted(*edited.rows, toSrgb);
    if (toSrgb.isValid()) {
        edited.rows = &converted;
        edited.whole = toSrgb.applied(edited.whole);
    }
    QByteArray encoded = toSrgb.isValid() || (options.toSrgb && !inkProfile.isEmpty())
        ? QByteArray()
        : turnedLosslessly(format, options, &pixels);
    if (encoded.isEmpty() && format == "jpeg") {
        encoded = encodedJpeg(*edited.rows, path, options, error, notes);
    } else if (encoded.isEmpty()) {
        const QImage picture
            = edited.whole.isNull() ? gathered(*edited.rows, path, error) : edited.whole;
        if (picture.isNull())
            return false;
        encoded = HeifFile::isHeif(format)
            ? encodedHeif(picture, format, edited, path, options, error, notes)
            : encodedWithQt(picture, format, path, error, notes);
    }
    if (encoded.isEmpty())
        return false;
    writeMetadata(&encoded, format, pixels, edited, options, notes);
    return SafeFile::write(path, encoded, options.links, error, notes);
}

// With options.toSrgb: what takes RGB pixels from their profile to sRGB. Invalid where
// nothing is to be done: no profile (the pixels are taken as sRGB), or pixels in sRGB
// already; and for grey pixels, which keep their grey profile, as said in *notes.
ColourTransform PictureFile::Private::srgbConversion(const Edited &edited,
                                                     const PictureSaveOptions &options,
                                                     QStringList *notes) const
{
    const QByteArray profile = pixelProfile();
    if (!options.toSrgb || profile.isEmpty() || profile == ColourTransform::srgbProfile())
        return ColourTransform();
    if (isGrey(edited.rows->format())) {
        if (profileModel(profile) == Model::Gray)
            notes->append(QCoreApplication::translate(
                "PictureFile", "the grey picture keeps its grey colour profile"));
        return ColourTransform();
    }
    const ColourTransform transform(profile, ColourTransform::srgbProfile());
    if (!transform.isValid() && profileModel(profile) == Model::Rgb)
        notes->append(
            QCoreApplication::translate("PictureFile",
                                        "the colour profile cannot be read: the pixels are left as "
                                        "they are"));
    return transform;
}

// The format the path asks for; empty, with *error set, for a save that is refused.
QByteArray PictureFile::Private::checkedFormat(const Edited &edited, const QString &path,
                                               const PictureSaveOptions &options,
                                               QString *error) const
{
    const QByteArray format = formatForFileName(path);
    if (format.isEmpty()) {
        *error = QCoreApplication::translate("PictureFile",
                                             "cannot write %1: unsupported picture format")
                     .arg(shown(path));
        return QByteArray();
    }
    if (edited.rows->size().isEmpty() || edited.thumbnailFrom.isNull()) {
        *error = QCoreApplication::translate("PictureFile", "cannot write %1: there is no picture")
                     .arg(shown(path));
        return QByteArray();
    }
    if (reduced && !options.turn) {
        *error = QCoreApplication::translate(
                     "PictureFile",
                     "cannot write %1: the picture was read reduced for turns, and "
                     "an edit other than a turn was made")
                     .arg(shown(path));
        return QByteArray();
    }
    if (!SafeFile::checkTarget(path, options.links, error))
        return QByteArray();
    return format;
}

// Where every edit was a turn: the stored blocks turned instead of coded again, the
// file's own orientation first, so that the result is upright. Empty where they are not.
QByteArray PictureFile::Private::turnedLosslessly(const QByteArray &format,
                                                  const PictureSaveOptions &options,
                                                  Model *pixels) const
{
    if (format != "jpeg" || this->format != "jpeg" || !options.turn || options.quality != 0)
        return QByteArray();
    const PictureTurn whole = upright().then(*options.turn);
    QByteArray encoded;
    QString reason; // the blocks are encoded anew where they do not turn
    if (earlyTransform.valid() && whole == earlyTurn)
        encoded = earlyTransform.get();
    else if (JpegCodec::canTransformPerfectly(jpeg, whole))
        encoded = JpegCodec::transform(bytes, whole, &reason);
    if (!encoded.isEmpty()) {
        const JpegCodec::ColorModel stored = jpeg.colorModel;
        if (stored == JpegCodec::ColorModel::Gray)
            *pixels = Model::Gray;
        else if (stored == JpegCodec::ColorModel::Cmyk || stored == JpegCodec::ColorModel::Ycck)
            *pixels = Model::Cmyk;
    }
    return encoded;
}

// The bands encoded as they are pulled, at the file's own quality and sampling where
// it was a JPEG.
QByteArray PictureFile::Private::encodedJpeg(RowSource &rows, const QString &path,
                                             const PictureSaveOptions &options, QString *error,
                                             QStringList *notes) const
{
    // Bands of a few hundred kilobytes: small beside the picture, large beside libjpeg's
    // 8 or 16 rows a pass.
    constexpr int bandRows = 128;
    const QSize size = rows.size();
    QImage band = rows.next(bandRows);
    if (band.isNull()) {
        *error = sourceFailure(rows, path, 0);
        return QByteArray();
    }
    if (isDeep(band))
        notes->append(QStringLiteral("JPEG holds 8 bits per channel: the 16-bit picture is "
                                     "written at 8 bits"));
    if (band.hasAlphaChannel())
        notes->append(QStringLiteral("JPEG holds no transparency: the alpha channel is dropped"));
    const bool jpegIn = format == "jpeg";
    int quality = options.quality;
    if (quality <= 0)
        quality = jpegIn && jpeg.quality > 0 ? jpeg.quality : 92;
    JpegCodec::Sampling sampling = JpegCodec::Sampling::S420;
    if (isGrey(band))
        sampling = JpegCodec::Sampling::Gray;
    else if (jpegIn && jpeg.sampling != JpegCodec::Sampling::Gray
             && jpeg.sampling != JpegCodec::Sampling::Unknown)
        sampling = jpeg.sampling;
    else if (quality >= 90)
        sampling = JpegCodec::Sampling::S444; // fine detail is what a high quality asks for

    JpegWriter writer(size, rows.format(), quality, sampling);
    int done = 0;
    while (!band.isNull()) {
        if (!writer.write(band)) {
            *error = QCoreApplication::translate("PictureFile", "cannot write %1: %2")
                         .arg(shown(path), writer.error());
            return QByteArray();
        }
        done += band.height();
        band = done < size.height() ? rows.next(bandRows) : QImage();
    }
    if (done < size.height()) {
        *error = sourceFailure(rows, path, done);
        return QByteArray();
    }
    const QByteArray encoded = writer.finish();
    if (encoded.isEmpty())
        *error = QCoreApplication::translate("PictureFile", "cannot write %1: %2")
                     .arg(shown(path), writer.error());
    return encoded;
}

// The picture encoded whole by Qt's writer for the format.
QByteArray PictureFile::Private::encodedWithQt(const QImage &picture, const QByteArray &format,
                                               const QString &path, QString *error,
                                               QStringList *notes) const
{
    // The pixels as they are, without copying them, but without the colour space and
    // the text that holds metadata: the metadata is written below, once.
    QImage out(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(),
               picture.format());
    out.setColorTable(picture.colorTable());
    out.setDotsPerMeterX(picture.dotsPerMeterX());
    out.setDotsPerMeterY(picture.dotsPerMeterY());
    for (const QString &key : picture.textKeys()) {
        if (!isMetadataKey(key))
            out.setText(key, picture.text(key));
    }
    if (picture.hasAlphaChannel() && format != "png" && format != "tiff" && format != "webp")
        notes->append(QCoreApplication::translate(
                          "PictureFile", "%1 holds no transparency: the alpha channel is dropped")
                          .arg(QString::fromLatin1(format.toUpper())));
    if (isDeep(picture) && format != "png" && format != "tiff")
        notes->append(
            QCoreApplication::translate("PictureFile",
                                        "%1 holds 8 bits per channel: the 16-bit picture is "
                                        "written at 8 bits")
                .arg(QString::fromLatin1(format.toUpper())));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (format == "webp")
        writer.setQuality(100); // Qt's WebP writer is lossless only at 100
    if (format == "tiff")
        writer.setCompression(1); // LZW: lossless and a third of the size
    if (!writer.write(out)) {
        *error = QCoreApplication::translate("PictureFile", "cannot write %1: %2")
                     .arg(shown(path), writer.errorString());
        return QByteArray();
    }
    return encoded;
}

// The profile goes out only with pixels in its own colour model.
QByteArray PictureFile::Private::writtenProfile(Model pixels, const PictureSaveOptions &options,
                                                QStringList *notes) const
{
    // The profile goes out only with pixels in its own colour model: the file's for its
    // own inks turned losslessly, sRGB for pixels made sRGB.
    QByteArray profile = pixels == Model::Cmyk ? iccProfile : pixelProfile();
    if (options.toSrgb && pixels == Model::Rgb && profileModel(profile) == Model::Rgb)
        profile = ColourTransform::srgbProfile();
    if (!profile.isEmpty() && profileModel(profile) != pixels) {
        notes->append(
            QCoreApplication::translate(
                "PictureFile", "dropped the %1 colour profile: the picture is written in %2")
                .arg(modelName(profileModel(profile)), modelName(pixels)));
        return QByteArray();
    }
    return profile;
}

// The metadata written with pixels of the given model and profile; the thumbnail in the
// colours of those pixels.
PhotoMetadata PictureFile::Private::updatedMetadata(const Edited &edited,
                                                    const PictureSaveOptions &options, Model pixels,
                                                    const QByteArray &profile) const
{
    PhotoMetadata written = metadata;
    PhotoMetadata::Update update;
    update.picture
        = options.toSrgb && pixels == Model::Rgb && !profile.isEmpty() && profile != pixelProfile()
        ? ColourTransform(pixelProfile(), profile).applied(edited.thumbnailFrom)
        : edited.thumbnailFrom;
    update.size = edited.size;
    update.software = options.software;
    update.modified = QDateTime::currentDateTime();
    update.strip = options.strip;
    update.stripLocation = options.stripLocation;
    written.update(update);
    return written;
}

// A HEIF is encoded whole by libheif, its metadata items and colour description given
// to the encoder: libheif writes no item into a file already encoded. Always in colour
// (a grey picture too), at 10 bits where the picture is deeper than 8.
QByteArray PictureFile::Private::encodedHeif(const QImage &picture, const QByteArray &format,
                                             const Edited &edited, const QString &path,
                                             const PictureSaveOptions &options, QString *error,
                                             QStringList *notes) const
{
    const QString name = QString::fromLatin1(format.toUpper());
    HeifFile::Writing writing;
    writing.format = format;
    // A JPEG's quality is the nearest telling of the source's own; a HEIF records none.
    writing.quality = options.quality > 0            ? options.quality
        : this->format == "jpeg" && jpeg.quality > 0 ? jpeg.quality
                                                     : 0;
    if (writing.quality == 0)
        notes->append(
            QCoreApplication::translate("PictureFile",
                                        "%1 written at quality %2: the source's own quality cannot "
                                        "be told")
                .arg(name)
                .arg(HeifFile::DefaultQuality));
    if (format == this->format && options.turn && !options.turn->isIdentity())
        notes->append(
            QCoreApplication::translate("PictureFile",
                                        "the turn is encoded anew: libheif 1.15 cannot write a "
                                        "HEIF's rotation or mirroring without encoding its picture "
                                        "again"));
    if (isDeep(picture))
        notes->append(QCoreApplication::translate(
                          "PictureFile", "%1 holds the 16-bit picture at %2 bits per channel")
                          .arg(name)
                          .arg(HeifFile::writtenDepth(format, true)));
    if (isGrey(picture))
        notes->append(QCoreApplication::translate(
                          "PictureFile", "%1 written in colour: the grey picture is stored as RGB")
                          .arg(name));
    for (const QString &left : heif.uncarried)
        notes->append(QCoreApplication::translate(
                          "PictureFile", "%1 of %2 is left out: libheif 1.15 cannot write it")
                          .arg(left, shown(this->path)));
    writing.iccProfile = writtenProfile(Model::Rgb, options, notes);
    if (heif.nclx) {
        // The file's own description, rather than the profile made of it.
        writing.iccProfile.clear();
        writing.nclx = true;
        writing.primaries = heif.primaries;
        writing.transfer = heif.transfer;
    }
    writing.thumbnail = heif.thumbnail;
    HeifFile::metadataItems(updatedMetadata(edited, options, Model::Rgb, writing.iccProfile),
                            &writing.exif, &writing.xmp, notes);
    if (!trailer.lostIn({}).isEmpty())
        notes->append(trailer.lostIn(name));
    QString reason;
    const QByteArray encoded = HeifFile::write(picture, writing, &reason);
    if (encoded.isEmpty())
        *error = QCoreApplication::translate("PictureFile", "cannot write %1: %2")
                     .arg(shown(path), reason);
    return encoded;
}

// This file's metadata and profile, brought up to date for the edited picture, put into
// the encoded one where its format holds them.
void PictureFile::Private::writeMetadata(QByteArray *encoded, const QByteArray &format,
                                         Model pixels, const Edited &edited,
                                         const PictureSaveOptions &options,
                                         QStringList *notes) const
{
    if (HeifFile::isHeif(format))
        return; // went in with the encoding
    const QByteArray profile = writtenProfile(pixels, options, notes);

    const bool carriesMetadata
        = format == "jpeg" || format == "png" || format == "tiff" || format == "webp";
    if (carriesMetadata) {
        PhotoMetadata written = updatedMetadata(edited, options, pixels, profile);
        written.setIccProfile(profile);
        // What it could not store; what it could not read was said when it was opened.
        const QStringList known = written.warnings();
        QString metadataError;
        if (!trailer.writeInto(&written, encoded, options.strip, options.stripLocation,
                               &metadataError, notes))
            notes->append(
                QCoreApplication::translate("PictureFile", "the metadata could not be written: %1")
                    .arg(metadataError));
        for (const QString &line : written.warnings()) {
            if (!known.contains(line))
                notes->append(line);
        }
        if (format == "jpeg")
            *encoded = options.strip ? strippedToDecoding(*encoded) : withoutOldThumbnail(*encoded);
    } else if (!metadata.isEmpty() && !options.strip) {
        notes->append(
            QCoreApplication::translate("PictureFile",
                                        "%1 files hold no metadata: EXIF, XMP, IPTC and the colour "
                                        "profile are left out")
                .arg(QString::fromLatin1(format.toUpper())));
    }
    if (!carriesMetadata && !trailer.lostIn({}).isEmpty())
        notes->append(trailer.lostIn(QString::fromLatin1(format.toUpper())));
}

bool PictureFile::changedOnDisk() const
{
    if (d->path.isEmpty())
        return false;
    struct stat status;
    // Gone, replaced by another file, or rewritten in place: all changes.
    if (::stat(NativePath::toNative(d->path).constData(), &status) != 0)
        return true;
    return !(DiskIdentity::of(status) == d->identity);
}

void PictureFile::savedOver()
{
    struct stat status;
    if (!d->path.isEmpty() && ::stat(NativePath::toNative(d->path).constData(), &status) == 0)
        d->identity = DiskIdentity::of(status);
}
