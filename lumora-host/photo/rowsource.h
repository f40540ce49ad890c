// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef ROWSOURCE_H
#define ROWSOURCE_H

#include <QImage>
#include <QSize>
#include <QString>

// A picture handed out top to bottom in bands of rows, so that a whole picture need
// never be held: a file's decoder, or edits rendered on the way from one to an encoder.
//
// Every band is a QImage of the source's width and format(), the last one possibly
// shorter; together they are the picture, row for row. A band belongs to the caller.
// Sources are not thread-safe: one thread pulls at a time.
class RowSource
{
public:
    virtual ~RowSource() = default;

    // The whole picture's size and the format of every band, known before the first.
    virtual QSize size() const = 0;
    virtual QImage::Format format() const = 0;

    // The next at most `rows` rows (rows >= 1); a null picture once all were handed out
    // or on failure, which error() then names.
    virtual QImage next(int rows) = 0;

    // Why next() failed, one English sentence; empty while nothing has.
    virtual QString error() const = 0;
};

#endif // ROWSOURCE_H
