// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef IMAGEROWS_H
#define IMAGEROWS_H

#include "rowsource.h"

#include <QImage>
#include <QString>

#include <functional>

// A whole picture handed out in bands that are views on its rows, without copying them.
// Each band carries the picture's colour space, colour table, dots per metre and text.
// The source holds a reference to the picture, so that a band stays valid while the
// source lives or the caller keeps the picture; a band's pixels are read-only views:
// writing to them (QImage::bits()) makes the band a copy of its own.
class ImageRows : public RowSource
{
public:
    explicit ImageRows(const QImage &picture);
    // A picture made only when the first band is pulled (a decoding put off until it is
    // needed, and not done at all when none is): `make` must give a picture of `size`
    // and `format`, or a null one with its error set, which next() then fails with.
    ImageRows(QSize size, QImage::Format format, std::function<QImage(QString *error)> make);

    QSize size() const override;
    QImage::Format format() const override;
    QImage next(int rows) override;
    QString error() const override;

private:
    QImage m_picture;
    QSize m_size;
    QImage::Format m_format;
    std::function<QImage(QString *error)> m_make; // empty once made
    int m_row = 0;
    QString m_error;
};

#endif // IMAGEROWS_H
