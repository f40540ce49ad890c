// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITRENDER_H
#define EDITRENDER_H

#include "editstep.h"
#include "rowsource.h"

#include <QImage>
#include <QList>

#include <atomic>
#include <functional>
#include <memory>

// The pixels of a list of filter requests, made three ways that agree: on the whole
// picture at once, on a reduced copy (for the screen), and streamed in bands from a
// source to whoever pulls them (for a file). Requests are in full-picture pixels and
// must pass Operations::check() in turn, as the edit UI provider makes sure.
namespace EditRender {

// The requests applied to the whole picture; the picture is given up, so that a filter
// may work in its pixels. Null, with *error, when a request fails.
QImage whole(QImage picture, const QList<EditStep> &steps, QString *error);

// The same on `picture`, a copy reduced from a picture of `fullSize`: every request's
// geometry scaled to it (Operation::reduced()). Equal to whole() where the copy is the
// full picture.
QImage reduced(QImage picture, const QSize &fullSize, const QList<EditStep> &steps, QString *error);

} // namespace EditRender

// The requests applied to the bands of `source` as they are pulled: decoding, filtering
// and the puller's encoding overlap, each on a thread of its own, and a whole picture is
// held only for an operation whose reach is the picture (a quarter turn, a vertical
// flip, auto levels, scaling), from that operation to the end of its run. The bands
// equal the rows of EditRender::whole() of the source's picture, whatever their height.
// Nothing is read from the source before the first call of format() or next(): a
// writer that turns a file's blocks without pixels reads none.
class StreamedRender : public RowSource
{
public:
    struct Settings
    {
        int bandRows = 64; // rows a band, as decoded and as filtered
        bool threads = true; // false: everything on the pulling thread
        // Called on the pulling thread with the work done so far, 0..1.
        std::function<void(double done)> progress;
        // Set from any thread to stop: next() then fails, saying the render was cancelled.
        const std::atomic_bool *cancel = nullptr;
    };

    StreamedRender(std::unique_ptr<RowSource> source, const QList<EditStep> &steps,
                   const Settings &settings);
    ~StreamedRender() override;

    QSize size() const override;
    QImage::Format format() const override;
    QImage next(int rows) override;
    QString error() const override;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITRENDER_H
