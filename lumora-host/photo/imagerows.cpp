// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "imagerows.h"

#include <QColorSpace>
#include <QCoreApplication>

ImageRows::ImageRows(const QImage &picture)
    : m_picture(picture)
    , m_size(picture.size())
    , m_format(picture.format())
{ }

ImageRows::ImageRows(QSize size, QImage::Format format, std::function<QImage(QString *)> make)
    : m_size(size)
    , m_format(format)
    , m_make(std::move(make))
{ }

QSize ImageRows::size() const
{
    return m_size;
}

QImage::Format ImageRows::format() const
{
    return m_format;
}

QImage ImageRows::next(int rows)
{
    if (!m_error.isEmpty() || rows < 1 || m_row >= m_size.height())
        return QImage();
    if (m_make) {
        m_picture = std::exchange(m_make, nullptr)(&m_error);
        if (m_picture.size() != m_size || m_picture.format() != m_format) {
            m_picture = QImage();
            if (m_error.isEmpty())
                m_error = QCoreApplication::translate("ImageRows",
                                                      "the picture was not made as announced");
            return QImage();
        }
    }
    const int count = qMin(rows, m_size.height() - m_row);
    QImage band(m_picture.constScanLine(m_row), m_picture.width(), count, m_picture.bytesPerLine(),
                m_picture.format());
    band.setColorTable(m_picture.colorTable());
    band.setColorSpace(m_picture.colorSpace());
    band.setDotsPerMeterX(m_picture.dotsPerMeterX());
    band.setDotsPerMeterY(m_picture.dotsPerMeterY());
    for (const QString &key : m_picture.textKeys())
        band.setText(key, m_picture.text(key));
    m_row += count;
    return band;
}

QString ImageRows::error() const
{
    return m_error;
}
