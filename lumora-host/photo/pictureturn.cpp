// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pictureturn.h"

#include "imagefilters.h"

namespace {

// Each turn as a signed permutation of the axes: where the picture's right (x) and down
// (y) unit vectors go. Composition is then a product of 2x2 matrices with entries in
// {-1, 0, 1}, which keeps the table below the only place that knows the eight turns.
struct Matrix
{
    int a, b, c, d; // x' = a x + b y, y' = c x + d y
};

constexpr Matrix matrices[8] = {
    { 1, 0, 0, 1 }, // Identity
    { -1, 0, 0, 1 }, // FlipHorizontal
    { -1, 0, 0, -1 }, // Rotate180
    { 1, 0, 0, -1 }, // FlipVertical
    { 0, 1, 1, 0 }, // Transpose
    { 0, -1, 1, 0 }, // Rotate90: right goes down, down goes left
    { 0, -1, -1, 0 }, // Transverse
    { 0, 1, -1, 0 }, // Rotate270
};

Matrix matrixOf(PictureTurn::Kind kind)
{
    return matrices[int(kind) - 1];
}

PictureTurn::Kind kindOf(const Matrix &m)
{
    for (int i = 0; i < 8; ++i) {
        const Matrix &n = matrices[i];
        if (n.a == m.a && n.b == m.b && n.c == m.c && n.d == m.d)
            return PictureTurn::Kind(i + 1);
    }
    return PictureTurn::Identity; // unreachable: the eight are closed under products
}

} // namespace

PictureTurn PictureTurn::fromExifOrientation(int orientation)
{
    if (orientation < 1 || orientation > 8)
        return PictureTurn();
    // The kinds are numbered so that the turn of the same number undoes orientation N.
    return PictureTurn(Kind(orientation));
}

PictureTurn PictureTurn::flip(bool horizontal)
{
    return PictureTurn(horizontal ? FlipHorizontal : FlipVertical);
}

PictureTurn PictureTurn::rotation(int degreesClockwise)
{
    if (degreesClockwise % 90 != 0)
        return PictureTurn();
    switch (((degreesClockwise / 90) % 4 + 4) % 4) {
    case 1:
        return PictureTurn(Rotate90);
    case 2:
        return PictureTurn(Rotate180);
    case 3:
        return PictureTurn(Rotate270);
    default:
        return PictureTurn();
    }
}

bool PictureTurn::swapsSides() const
{
    return matrixOf(m_kind).a == 0;
}

PictureTurn PictureTurn::then(PictureTurn next) const
{
    const Matrix f = matrixOf(m_kind);
    const Matrix g = matrixOf(next.m_kind);
    // g after f: G * F.
    return PictureTurn(kindOf({ g.a * f.a + g.b * f.c, g.a * f.b + g.b * f.d, g.c * f.a + g.d * f.c,
                                g.c * f.b + g.d * f.d }));
}

PictureTurn PictureTurn::inverted() const
{
    // The matrices are orthogonal: the inverse is the transpose.
    const Matrix f = matrixOf(m_kind);
    return PictureTurn(kindOf({ f.a, f.c, f.b, f.d }));
}

QImage PictureTurn::apply(const QImage &image) const
{
    if (image.isNull() || m_kind == Identity)
        return image;
    // The host's own flips and quarter turns: they keep the colour space and depth and
    // use every core. A diagonal mirror is a quarter turn and a flip.
    switch (m_kind) {
    case FlipHorizontal:
        return ImageFilters::flip(image, true);
    case FlipVertical:
        return ImageFilters::flip(image, false);
    case Rotate180:
        return ImageFilters::rotate(image, 180);
    case Rotate90:
        return ImageFilters::rotate(image, 90);
    case Rotate270:
        return ImageFilters::rotate(image, 270);
    case Transpose:
        return ImageFilters::flip(ImageFilters::rotate(image, 90), true);
    case Transverse:
        return ImageFilters::flip(ImageFilters::rotate(image, 270), true);
    case Identity:
        break;
    }
    return image;
}
