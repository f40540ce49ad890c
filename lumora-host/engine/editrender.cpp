// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editrender.h"

#include "operation.h"

#include <QColorSpace>

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

QString cancelled()
{
    return QStringLiteral("the render was cancelled");
}

// What a picture carries besides its pixels, which a band made on its own lacks.
void carryOver(const QImage &from, QImage *to)
{
    to->setColorSpace(from.colorSpace());
    to->setDotsPerMeterX(from.dotsPerMeterX());
    to->setDotsPerMeterY(from.dotsPerMeterY());
    for (const QString &key : from.textKeys())
        to->setText(key, from.text(key));
}

// The first `rows` rows of `band` as a band of their own, and the rest left in it.
QImage takeRows(QImage *band, int rows)
{
    if (rows >= band->height())
        return std::exchange(*band, QImage());
    QImage head = band->copy(0, 0, band->width(), rows);
    *band = band->copy(0, rows, band->width(), band->height() - rows);
    return head;
}

// Hands out a band read ahead, then its source's.
class PeekedSource : public RowSource
{
public:
    PeekedSource(std::unique_ptr<RowSource> source, QImage first)
        : m_source(std::move(source))
        , m_first(std::move(first))
    { }
    QSize size() const override { return m_source->size(); }
    QImage::Format format() const override { return m_source->format(); }
    QImage next(int rows) override
    {
        if (m_first.isNull())
            return m_source->next(rows);
        return takeRows(&m_first, rows);
    }
    QString error() const override { return m_source->error(); }

private:
    std::unique_ptr<RowSource> m_source;
    QImage m_first;
};

// Counts the rows read from the first source, from whichever thread reads them.
class CountingSource : public RowSource
{
public:
    CountingSource(std::unique_ptr<RowSource> source, std::atomic<qint64> *counter)
        : m_source(std::move(source))
        , m_counter(counter)
    { }
    QSize size() const override { return m_source->size(); }
    QImage::Format format() const override { return m_source->format(); }
    QImage next(int rows) override
    {
        QImage band = m_source->next(rows);
        *m_counter += band.height();
        return band;
    }
    QString error() const override { return m_source->error(); }

private:
    std::unique_ptr<RowSource> m_source;
    std::atomic<qint64> *m_counter;
};

// Pulls bands from its source on a thread of its own, a few ahead of the puller, so that
// the stages before it and the one after it work at the same time.
class PrefetchSource : public RowSource
{
public:
    PrefetchSource(std::unique_ptr<RowSource> source, int rows, const std::atomic_bool *cancel)
        : m_source(std::move(source))
        , m_size(m_source->size())
        , m_format(m_source->format())
        , m_cancel(cancel)
        , m_rows(rows)
    { }
    ~PrefetchSource() override
    {
        if (!m_worker.joinable())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
    QSize size() const override { return m_size; }
    QImage::Format format() const override { return m_format; }
    QImage next(int rows) override
    {
        // Started by the first pull, not before: a writer that asks only the format (a
        // lossless turn) has nothing rendered for it.
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(m_rows); });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_finished; });
        if (m_queue.empty())
            return QImage();
        QImage band = takeRows(&m_queue.front(), rows);
        if (m_queue.front().isNull())
            m_queue.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return band;
    }
    QString error() const override
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    static constexpr size_t Depth = 2; // bands ready: enough to even out the stages' pace

    void run(int rows)
    {
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_queue.size() < Depth || m_stop; });
                if (m_stop)
                    return;
            }
            const bool stopped = m_cancel && m_cancel->load();
            QImage band = stopped ? QImage() : m_source->next(rows);
            std::lock_guard lock(m_mutex);
            if (band.isNull()) {
                m_finished = true;
                m_error = stopped ? cancelled() : m_source->error();
                m_changed.notify_all();
                return;
            }
            m_queue.push_back(std::move(band));
            m_changed.notify_all();
        }
    }

    std::unique_ptr<RowSource> m_source;
    const QSize m_size;
    const QImage::Format m_format;
    const std::atomic_bool *m_cancel;
    const int m_rows;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QImage> m_queue;
    bool m_finished = false;
    bool m_stop = false;
    QString m_error;
    std::thread m_worker;
};

// A run of operations that make each band from a band: the pixel and row operations.
class BandStage : public RowSource
{
public:
    BandStage(std::unique_ptr<RowSource> source, const QList<EditStep> &steps, QImage *probe)
        : m_source(std::move(source))
    {
        QSize size = m_source->size();
        for (const EditStep &step : steps) {
            const Operation *operation = Operations::find(step.filter);
            m_stages.append({ operation, step.options, size, 0 });
            size = operation->outputSize(size, step.options);
            *probe = operation->probe(*probe, step.options);
        }
        m_size = size;
        m_format = probe->format();
    }
    QSize size() const override { return m_size; }
    QImage::Format format() const override { return m_format; }
    QImage next(int rows) override
    {
        for (;;) {
            QImage band = m_source->next(rows);
            if (band.isNull())
                return band;
            for (Stage &stage : m_stages) {
                const int height = band.height();
                band = stage.operation->renderBand(std::move(band), stage.top, stage.input,
                                                   stage.options);
                stage.top += height;
                if (band.isNull() || band.height() == 0)
                    break;
            }
            if (!band.isNull() && band.height() > 0)
                return band;
        }
    }
    QString error() const override { return m_source->error(); }

private:
    struct Stage
    {
        const Operation *operation;
        Operation::Options options;
        QSize input;
        int top; // the input rows seen so far
    };
    std::unique_ptr<RowSource> m_source;
    QList<Stage> m_stages;
    QSize m_size;
    QImage::Format m_format = QImage::Format_Invalid;
};

// A run of operations that need the whole picture: it is gathered on the first pull,
// filtered whole, and handed out in bands of its rows.
class WholeStage : public RowSource
{
public:
    WholeStage(std::unique_ptr<RowSource> source, const QList<EditStep> &steps, QImage *probe)
        : m_source(std::move(source))
        , m_steps(steps)
    {
        m_size = m_source->size();
        for (const EditStep &step : steps) {
            const Operation *operation = Operations::find(step.filter);
            m_size = operation->outputSize(m_size, step.options);
            *probe = operation->probe(*probe, step.options);
        }
        m_format = probe->format();
    }
    QSize size() const override { return m_size; }
    QImage::Format format() const override { return m_format; }
    QImage next(int rows) override
    {
        if (!m_gathered && !gather())
            return QImage();
        if (m_row >= m_picture.height()) {
            m_picture = QImage(); // handed out: no longer held
            return QImage();
        }
        const int height = std::min(rows, m_picture.height() - m_row);
        // QImage::copy() carries the colour space, resolution and text along.
        const QImage band = m_picture.copy(0, m_row, m_picture.width(), height);
        m_row += height;
        return band;
    }
    QString error() const override { return m_error; }

private:
    bool gather()
    {
        m_gathered = true;
        const QSize size = m_source->size();
        QImage picture(size, m_source->format());
        if (picture.isNull() && !size.isEmpty()) {
            m_error = QStringLiteral("there is not enough memory for the %1 x %2 picture")
                          .arg(size.width())
                          .arg(size.height());
            return false;
        }
        int row = 0;
        while (row < size.height()) {
            const QImage band = m_source->next(size.height() - row);
            if (band.isNull()) {
                m_error = m_source->error();
                return false;
            }
            if (row == 0) {
                carryOver(band, &picture);
                picture.setColorTable(band.colorTable());
            }
            const qsizetype bytes = std::min(band.bytesPerLine(), picture.bytesPerLine());
            for (int y = 0; y < band.height() && row < size.height(); ++y, ++row)
                std::memcpy(picture.scanLine(row), band.constScanLine(y), size_t(bytes));
        }
        for (const EditStep &step : std::as_const(m_steps)) {
            picture = Operations::find(step.filter)
                          ->render(std::exchange(picture, QImage()), step.options, &m_error);
            if (picture.isNull())
                return false;
        }
        m_picture = std::move(picture);
        return true;
    }

    std::unique_ptr<RowSource> m_source;
    QList<EditStep> m_steps;
    QSize m_size;
    QImage::Format m_format = QImage::Format_Invalid;
    bool m_gathered = false;
    QImage m_picture;
    int m_row = 0;
    QString m_error;
};

} // namespace

namespace EditRender {

QImage whole(QImage picture, const QList<EditStep> &steps, QString *error)
{
    for (const EditStep &step : steps) {
        const Operation *operation = Operations::find(step.filter);
        if (!operation) {
            *error = Operations::check(step.filter, picture.size(), step.options);
            return QImage();
        }
        picture = operation->render(std::exchange(picture, QImage()), step.options, error);
        if (picture.isNull())
            return picture;
    }
    return picture;
}

QImage reduced(QImage picture, const QSize &fullSize, const QList<EditStep> &steps, QString *error)
{
    QSize full = fullSize;
    for (const EditStep &step : steps) {
        const QString refusal = Operations::check(step.filter, full, step.options);
        if (!refusal.isEmpty()) {
            *error = refusal;
            return QImage();
        }
        const Operation *operation = Operations::find(step.filter);
        const Operation::Options options = full == picture.size()
            ? step.options
            : operation->reduced(step.options, full, picture.size());
        full = operation->outputSize(full, step.options);
        picture = operation->render(std::exchange(picture, QImage()), options, error);
        if (picture.isNull())
            return picture;
    }
    return picture;
}

} // namespace EditRender

class StreamedRender::Private
{
public:
    void build();

    std::unique_ptr<RowSource> source; // until build()
    QList<EditStep> steps;
    QSize size;
    std::unique_ptr<RowSource> last; // the chain, once built
    Settings settings;
    std::atomic<qint64> read { 0 };
    qint64 sourceRows = 0;
    qint64 handedOut = 0;
    QString error;
};

void StreamedRender::Private::build()
{
    // The output's format follows from the input's pixels' format and colour table (an
    // indexed picture with transparent entries is worked on with alpha): the first band
    // is read here to know them.
    QImage first = source->next(settings.bandRows);
    QImage probe = first.isNull() ? QImage(1, 1, source->format()) : first.copy(0, 0, 1, 1);
    if (first.isNull())
        probe.fill(0);
    std::unique_ptr<RowSource> chain = std::make_unique<CountingSource>(
        std::make_unique<PeekedSource>(std::move(source), std::move(first)), &read);
    if (settings.threads)
        chain = std::make_unique<PrefetchSource>(std::move(chain), settings.bandRows,
                                                 settings.cancel);
    // Runs of the same reach become one stage each.
    QList<EditStep> run;
    bool runIsWhole = false;
    const auto flush = [&] {
        if (run.isEmpty())
            return;
        if (runIsWhole)
            chain = std::make_unique<WholeStage>(std::move(chain), run, &probe);
        else
            chain = std::make_unique<BandStage>(std::move(chain), run, &probe);
        run.clear();
    };
    for (const EditStep &step : std::as_const(steps)) {
        const Operation *operation = Operations::find(step.filter);
        Q_ASSERT(operation);
        const bool whole = operation->reach(step.options) == Operation::Reach::Picture;
        if (whole != runIsWhole)
            flush();
        runIsWhole = whole;
        run.append(step);
    }
    flush();
    if (settings.threads && !steps.isEmpty())
        chain = std::make_unique<PrefetchSource>(std::move(chain), settings.bandRows,
                                                 settings.cancel);
    last = std::move(chain);
}

StreamedRender::StreamedRender(std::unique_ptr<RowSource> source, const QList<EditStep> &steps,
                               const Settings &settings)
    : d(std::make_unique<Private>())
{
    d->settings = settings;
    d->settings.bandRows = std::max(1, settings.bandRows);
    d->sourceRows = source->size().height();
    d->size = Operations::outputSize(steps, source->size());
    d->source = std::move(source);
    d->steps = steps;
}

StreamedRender::~StreamedRender() = default;

QSize StreamedRender::size() const
{
    return d->size;
}

QImage::Format StreamedRender::format() const
{
    if (!d->last)
        d->build();
    return d->last->format();
}

QImage StreamedRender::next(int rows)
{
    if (d->settings.cancel && d->settings.cancel->load()) {
        d->error = cancelled();
        return QImage();
    }
    if (!d->last)
        d->build();
    QImage band = d->last->next(rows);
    if (band.isNull()) {
        d->error = d->last->error();
        if (d->settings.cancel && d->settings.cancel->load())
            d->error = cancelled();
        return band;
    }
    d->handedOut += band.height();
    if (d->settings.progress) {
        const double read = d->sourceRows > 0 ? double(d->read) / d->sourceRows : 1.0;
        const double written = d->size.height() > 0 ? double(d->handedOut) / d->size.height() : 1.0;
        d->settings.progress((read + written) / 2);
    }
    return band;
}

QString StreamedRender::error() const
{
    return d->error;
}
