// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PICTURETURN_H
#define PICTURETURN_H

#include <QImage>

// One of the eight ways a picture can be turned over without changing a pixel's value:
// the identity, the two flips, the three quarter turns and the two diagonal mirrors.
// Turns compose exactly, so that any run of flips and rotations, and the EXIF
// orientation of a photo, reduce to one of them.
class PictureTurn
{
public:
    // Named as TurboJPEG and jpegtran name them; the values are the EXIF orientation
    // that this turn undoes (a camera's Orientation N is upright after fromExif(N)).
    enum Kind {
        Identity = 1,
        FlipHorizontal = 2,
        Rotate180 = 3,
        FlipVertical = 4,
        Transpose = 5, // mirror across the top-left to bottom-right diagonal
        Rotate90 = 6, // clockwise
        Transverse = 7, // mirror across the top-right to bottom-left diagonal
        Rotate270 = 8,
    };

    constexpr PictureTurn() = default;
    constexpr explicit PictureTurn(Kind kind)
        : m_kind(kind)
    { }

    // The turn that makes a picture stored with EXIF `orientation` upright; values
    // outside 1..8 (a missing or broken tag) give the identity.
    static PictureTurn fromExifOrientation(int orientation);
    static PictureTurn flip(bool horizontal);
    // Clockwise by a multiple of 90 degrees (negative: counter-clockwise); any other
    // angle gives the identity.
    static PictureTurn rotation(int degreesClockwise);

    Kind kind() const { return m_kind; }
    bool isIdentity() const { return m_kind == Identity; }
    bool swapsSides() const; // width and height trade places
    // This turn, then `next`.
    PictureTurn then(PictureTurn next) const;
    PictureTurn inverted() const;

    // The picture turned by the host's filters: in their working format for it (a
    // working format stays as it is), with its colour space and dots per metre kept
    // (width and height of the latter swapped with the sides). Null in, null out.
    QImage apply(const QImage &image) const;

    friend bool operator==(PictureTurn a, PictureTurn b) { return a.m_kind == b.m_kind; }
    friend bool operator!=(PictureTurn a, PictureTurn b) { return a.m_kind != b.m_kind; }

private:
    Kind m_kind = Identity;
};

#endif // PICTURETURN_H
