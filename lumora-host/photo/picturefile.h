// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PICTUREFILE_H
#define PICTUREFILE_H

#include "photometadata.h"
#include "pictureturn.h"
#include "rowsource.h"
#include "safefile.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct PictureSaveOptions
{
    // JPEG quality 1..100; 0 keeps a JPEG source's own quality (92 for a JPEG made from
    // another format). Also forces re-encoding where a lossless turn was possible.
    int quality = 0;
    // Write no metadata but the colour profile; a JPEG keeps no segment but what decoding
    // needs (JFIF, Adobe's colour transform, the profile) and nothing after the picture.
    bool strip = false;
    bool stripLocation = false; // drop GPS only
    // Pixels and profile taken to sRGB from the profile the pixels are in; a picture with
    // no profile is taken as sRGB and left alone, a grey one keeps its grey profile.
    bool toSrgb = false;
    QString software; // names the program in the written metadata
    // Every edit since open() was a flip or a rotation, composing to this turn: a JPEG
    // written as JPEG is then turned in the DCT domain, without re-encoding, where its
    // sides allow it.
    std::optional<PictureTurn> turn;
    SafeFile::LinkPolicy links = SafeFile::FollowLinks;
};

// One photo file opened for editing: its pixels, upright, in their own depth and
// colour model, and all the file held besides (metadata, colour profile, JPEG
// quality and sampling). Saving writes edited pixels back out with all of that
// carried and brought up to date, all or nothing. Shared by every front end.
class PictureFile
{
public:
    PictureFile();
    ~PictureFile();
    PictureFile(const PictureFile &) = delete;
    PictureFile &operator=(const PictureFile &) = delete;

    // Reads `path` (as NativePath gives it). Refuses, with one line in *error, what is
    // not a single readable picture: no such file, a folder, a FIFO or a device, an
    // empty, damaged or cut-short file, an animation, a HEIF sequence or one of several
    // pictures, a picture larger than this machine's memory can edit. The EXIF
    // orientation is applied; a HEIF's transform properties are applied instead (its EXIF
    // orientation is not, as HEIF readers do not apply it).
    //
    // onlyTurn: every edit to come is a flip or a rotation, composing to this turn, and the
    // result is written as JPEG at its own quality. Where the file is a JPEG whose blocks
    // take that turn losslessly, only a reduced stand-in is decoded, at a DCT scale (a
    // fraction of the work; longest side 320 or more): image() is that picture and
    // fullSize() the size it stands for. save() must then be given the stand-in turned as
    // options.turn says; it turns the file's blocks and makes the EXIF thumbnail from the
    // stand-in, and where it has to encode after all (another turn, format or quality) it
    // decodes and turns the whole picture first. A save without options.turn fails.
    bool open(const QString &path, QString *error,
              std::optional<PictureTurn> onlyTurn = std::nullopt);
    // Everything open() does (the same refusals of the file, its header and its size
    // against memory, the same metadata, profile, fullSize() and warnings) but decoding
    // the pixels: image() stays null, and the pixels come from reduced() and rows(). A
    // JPEG's are decoded only there; another format's are decoded whole here, as Qt
    // reads them whole (and a damaged one refused as open() refuses it), and held.
    bool openDeferred(const QString &path, QString *error);
    // After openDeferred() of a JPEG: the edits to come are expected to compose to `turn`,
    // to be written as JPEG at the file's own quality. Where the blocks take it, the
    // lossless turn starts at once on a thread of its own, and a save() with that turn
    // takes its result instead of turning again; any other save() ignores it.
    void expectTurn(PictureTurn turn);

    QString path() const;
    // Qt's name for the format read: "jpeg", "png", "gif", ...; "heic" or "avif" for a HEIF
    // (by its primary picture's codec), which libheif reads.
    QByteArray format() const;
    // Upright; its colour space set where Qt can hold the profile. Null after
    // openDeferred().
    QImage image() const;
    // The upright size of the picture in the file: image()'s, but for a reduced one.
    QSize fullSize() const;
    // Hands the pixels over, so that only the caller holds them; image() is null after.
    QImage takeImage();
    const PhotoMetadata &metadata() const;
    QByteArray iccProfile() const; // the profile as read; empty when none
    QStringList warnings() const; // what open() could not carry, one line each

    // The upright picture reduced so that its longest side is at least
    // minimumLongestSide (the full picture when that is not smaller), its colour space
    // as image()'s: a JPEG decoded at a DCT scale (JpegCodec::decodeReduced(), a fraction
    // of the work), another format scaled smoothly from the whole picture, keeping the
    // aspect ratio. Null with *error set ("cannot read NAME: ...") for damaged JPEG data,
    // or where the whole picture of another format was handed over by takeImage().
    QImage reduced(int minimumLongestSide, QString *error) const;

    // The upright full picture in bands, pixel for pixel image() as open() gives it,
    // every band with image()'s colour space. A JPEG stored upright is decoded as the
    // bands are pulled (JpegReader), so that it is never whole; damaged data fails
    // next(), with error() the sentence open() would give ("cannot read NAME: ..."). A
    // JPEG stored turned is decoded whole and turned at the first band, and another
    // format handed out from the whole picture; those bands are views on it. A picture
    // held whole by open() is handed out from image(). Null with *error set when nothing
    // is open or a whole picture of another format was handed over by takeImage().
    // This PictureFile must outlive the source and be neither opened again meanwhile.
    std::unique_ptr<RowSource> rows(QString *error) const;

    // What the file holds, as "Key: value" lines a person reads: format, size, depth,
    // JPEG quality and sampling, then the metadata's own summary.
    QStringList describe() const;

    // Writes `picture` (the edited pixels) to `path` in the format its suffix names,
    // with this file's metadata and profile updated for it. A profile that does not
    // match the written pixels' colour model is dropped, and said in *warnings.
    //
    // A HEIC or AVIF is encoded anew at options.quality, else a JPEG source's quality,
    // else HeifFile::DefaultQuality (said in *warnings): HEIF records no quality, and
    // libheif 1.15 cannot rewrite a HEIF's rotation without encoding it again (a turn
    // says so in *warnings). What it cannot write again of a HEIF read (a depth map,
    // other auxiliary pictures) is left out and said in *warnings; an nclx colour
    // description is written back as nclx.
    bool save(const QImage &picture, const QString &path, const PictureSaveOptions &options,
              QString *error, QStringList *warnings = nullptr) const;
    // The same for the picture that `picture`'s bands make, with the same rules, warnings
    // and metadata, never holding the whole of it where the output need not: a lossless
    // turn (as save() above makes it) pulls no band; a JPEG is encoded as the bands are
    // pulled; other formats gather the bands into one picture first. reducedCopy is the
    // same picture made smaller (reduced() edited as the bands are), which the EXIF
    // thumbnail is made from; the size written in the metadata is picture.size(). A
    // source that fails before its last row fails the save with the source's error(),
    // and nothing is written.
    bool save(RowSource &picture, const QImage &reducedCopy, const QString &path,
              const PictureSaveOptions &options, QString *error,
              QStringList *warnings = nullptr) const;

    // Whether the file at path() is no longer the one open() read: gone, replaced, or
    // rewritten (its device, inode, size or modification time differ). What open() read
    // stays held in memory whatever happens to the file, and save() writes from that alone,
    // so a changed file is no danger to a save; this tells the user their picture is no
    // longer what the file holds. False before a successful open().
    bool changedOnDisk() const;
    // This program has just written the picture over path() itself: that file is the one
    // changedOnDisk() compares with from now on. The bytes held stay those open() read.
    void savedOver();

    // The format a file name's suffix asks for, in any case: "jpeg" (.jpg, .jpeg, .jpe,
    // .jfif), "png", "tiff" (.tif, .tiff), "webp", "bmp", "ppm", "heic" (.heic, .heif,
    // .hif) or "avif"; empty for any other suffix, also one Qt could write, as it cannot
    // write it whole.
    static QByteArray formatForFileName(const QString &path);
    // The usual suffix of each format written, for messages: "jpg, png, tif, ...".
    static QString writableSuffixes();

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // PICTUREFILE_H
