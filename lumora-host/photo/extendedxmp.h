// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EXTENDEDXMP_H
#define EXTENDEDXMP_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <string>

namespace Exiv2 {
class XmpData;
}

class JpegSegments;

// XMP in a JPEG beyond what one APP1 segment holds: the main packet names, in
// xmpNote:HasExtendedXMP, a GUID (the MD5 of the extended serialization, 32 upper-case
// hex digits), and APP1 segments "http://ns.adobe.com/xmp/extension/\0" + GUID + full
// length + offset (32 bits each, big-endian) + a chunk carry that serialization, a whole
// x:xmpmeta element without packet wrapper. Exiv2 reads and writes only the main packet.
//
// The caller sets Exiv2 up (its XMP toolkit initialised) before calling in.
namespace ExtendedXmp {

// The largest main packet an APP1 segment holds after its namespace name.
constexpr qsizetype MaxMainPacket = 65504;

// Puts into `xmp`, read by Exiv2 from the main packet of `jpeg`, the properties of the
// extended XMP its HasExtendedXMP names, and removes HasExtendedXMP, which then points at
// nothing. Returns a warning when the extension was named but is missing, incomplete or
// cannot be parsed (its properties are then left out), else an empty string. A property
// in both keeps the main packet's value. Does nothing to an `xmp` without HasExtendedXMP.
QString mergeInto(const JpegSegments &jpeg, Exiv2::XmpData *xmp);

// `xmp` split for a JPEG: `main` the packet for the APP1 XMP segment, and `extension`
// the payloads of the segments that follow it, in order (empty when the whole packet
// fits one segment). Whole top-level properties move, the largest first, until the main
// packet with HasExtendedXMP fits. Throws what Exiv2 throws.
struct Split
{
    std::string main;
    QVector<QByteArray> extension;
};
Split split(const Exiv2::XmpData &xmp);

// The APP1 namespace names, NUL included.
QByteArray mainSignature();
QByteArray extensionSignature();

} // namespace ExtendedXmp

#endif // EXTENDEDXMP_H
