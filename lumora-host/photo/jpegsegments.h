// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef JPEGSEGMENTS_H
#define JPEGSEGMENTS_H

#include <QByteArray>

#include <functional>
#include <memory>

// The marker segments of a JPEG file before its first scan (APPn, COM, tables, frame
// header), to be listed, dropped and added to, and the file made again from them. The
// scans are carried as they are; what follows the picture's EOI (a trailer) can be cut.
//
// A file whose header cannot be walked to its first scan (no SOI, a damaged length, cut
// short) is not valid(): it then holds no segments and bytes() gives it back unchanged.
class JpegSegments
{
public:
    explicit JpegSegments(const QByteArray &jpeg);
    ~JpegSegments();
    JpegSegments(const JpegSegments &) = delete;
    JpegSegments &operator=(const JpegSegments &) = delete;

    bool isValid() const;

    // The header's segments in file order, SOI and the first SOS not counted.
    int count() const;
    uchar marker(int index) const; // 0xe0 for APP0 ... 0xfe for COM
    QByteArray payload(int index) const; // the bytes after the two length bytes

    // Drops every segment for which `drop` is true.
    void removeIf(const std::function<bool(uchar marker, const QByteArray &payload)> &drop);
    // Adds a segment before the one at `index` (count(): after the last). False, and
    // nothing added, when the payload is longer than one segment holds (65533 bytes).
    bool insert(int index, uchar marker, const QByteArray &payload);
    // Leaves out what follows the picture's EOI. False when no EOI is found: nothing is
    // cut then.
    bool cutTrailer();

    // The file: SOI, the segments, the scans as read (and the trailer unless cut).
    QByteArray bytes() const;

    static constexpr qsizetype MaxPayload = 65533;

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // JPEGSEGMENTS_H
