// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef METADATARULES_H
#define METADATARULES_H

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <string>

// What each EXIF and XMP key means for an edit: which ones an edit keeps, resets or
// drops, and which ones a write leaves to the encoder. Internal to lumoraphoto; the
// rules PhotoMetadata applies, kept in one place. Each is a pure test of one datum.
namespace MetadataRules {

// Whether an Exiv2::ImageType keeps all its metadata in one TIFF directory tree (TIFF and
// the raw formats built on it): the profile, XMP and IPTC are IFD0 tags there.
bool isTiffStructured(int imageType);

constexpr uint16_t interColorProfileTag = 0x8773;

// IFD0's InterColorProfile: the profile itself in a TIFF, a stale copy elsewhere.
bool isProfileTag(const Exiv2::Exifdatum &datum);
// IFD0 tags that hold other parts (XMP, IPTC, Photoshop resources) inside a TIFF.
bool isContainerTag(const Exiv2::Exifdatum &datum);
// ImageWidth or ImageLength.
bool isSize(uint16_t tag);
// IFD0 tags that describe how the pixels are laid out in the file (an encoder writes
// them; a new encoding makes them wrong), ImageWidth and ImageLength among them.
bool isLayoutTag(const Exiv2::Exifdatum &datum);
// Directories other than IFD0, its sub-directories and the thumbnail's IFD1: the
// sub-images of raw files and DNGs, further pages, multi-picture indexes.
bool isSubImageGroup(const std::string &group);
// RelatedImageWidth/Length, of the interoperability directory or IFD0.
bool isRelatedImageSize(const Exiv2::Exifdatum &datum);

// What an edit drops from EXIF as belonging to the file read, not to the edited picture:
// sub-images, related image sizes, the profile copy, layout tags but for the size.
bool isOfSourceFile(const Exiv2::Exifdatum &datum);
// What an edit drops from XMP as stale: Adobe's digests of the EXIF values and the
// source file's encoding.
bool isStaleXmp(const Exiv2::Xmpdatum &datum);
// The location a strip of it drops: Exif.GPSInfo and its pointer; XMP's exif:GPS* and
// exifEX:GPS*.
bool isLocation(const Exiv2::Exifdatum &datum);
bool isLocation(const Exiv2::Xmpdatum &datum);

// What a write leaves out of the EXIF it stores, as the encoder's or the container's:
// the container tags; in a TIFF the layout tags and the profile tag (the profile is set
// apart); elsewhere the layout tags but for the size.
bool isLeftToEncoder(const Exiv2::Exifdatum &datum, bool intoTiff);

} // namespace MetadataRules

#endif // METADATARULES_H
