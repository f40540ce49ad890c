// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "metadatarules.h"

#include <algorithm>
#include <iterator>

namespace MetadataRules {

bool isTiffStructured(int imageType)
{
    return imageType == Exiv2::ImageType::tiff || imageType == Exiv2::ImageType::cr2
        || imageType == Exiv2::ImageType::orf || imageType == Exiv2::ImageType::rw2;
}

bool isProfileTag(const Exiv2::Exifdatum &datum)
{
    return datum.groupName() == "Image" && datum.tag() == interColorProfileTag;
}

bool isContainerTag(const Exiv2::Exifdatum &datum)
{
    const uint16_t tag = datum.tag();
    return datum.groupName() == "Image" && (tag == 0x02bc || tag == 0x83bb || tag == 0x8649);
}

bool isSize(uint16_t tag)
{
    return tag == 0x0100 || tag == 0x0101;
}

bool isLayoutTag(const Exiv2::Exifdatum &datum)
{
    static const uint16_t tags[] = {
        0x00ff, // SubfileType
        0x0100, 0x0101, // ImageWidth, ImageLength
        0x0102, 0x0103, 0x0106, 0x0107, 0x010a, // BitsPerSample ... FillOrder
        0x0111, 0x0115, 0x0116, 0x0117, // StripOffsets ... StripByteCounts
        0x0118, 0x0119, 0x011c, 0x0124, 0x0125, 0x013d, 0x0140, // ... ColorMap
        0x0142, 0x0143, 0x0144, 0x0145, 0x014a, // tiles, SubIFDs
        0x014c, 0x0152, 0x0153, 0x0154, 0x0155, 0x015b, // InkSet ... JPEGTables
        0x0200, 0x0201, 0x0202, 0x0211, 0x0212, 0x0214, // old JPEG, YCbCr layout
    };
    return datum.groupName() == "Image"
        && std::find(std::begin(tags), std::end(tags), datum.tag()) != std::end(tags);
}

bool isSubImageGroup(const std::string &group)
{
    return group.compare(0, 8, "SubImage") == 0 || group.compare(0, 8, "SubThumb") == 0
        || group == "Image2" || group == "Image3" || group == "MpfInfo";
}

bool isRelatedImageSize(const Exiv2::Exifdatum &datum)
{
    return (datum.groupName() == "Iop" || datum.groupName() == "Image")
        && (datum.tag() == 0x1001 || datum.tag() == 0x1002);
}

bool isOfSourceFile(const Exiv2::Exifdatum &datum)
{
    return isSubImageGroup(datum.groupName()) || isRelatedImageSize(datum) || isProfileTag(datum)
        || (isLayoutTag(datum) && !isSize(datum.tag()));
}

bool isStaleXmp(const Exiv2::Xmpdatum &datum)
{
    // Adobe's digests of the EXIF values: stale now, they would hide the changes.
    static const char *const stale[] = { "Xmp.tiff.NativeDigest",
                                         "Xmp.exif.NativeDigest",
                                         "Xmp.tiff.BitsPerSample",
                                         "Xmp.tiff.Compression",
                                         "Xmp.tiff.PhotometricInterpretation",
                                         "Xmp.tiff.SamplesPerPixel",
                                         "Xmp.tiff.PlanarConfiguration" };
    return std::find(std::begin(stale), std::end(stale), datum.key()) != std::end(stale);
}

bool isLocation(const Exiv2::Exifdatum &datum)
{
    return datum.groupName() == "GPSInfo" || datum.key() == "Exif.Image.GPSTag";
}

bool isLocation(const Exiv2::Xmpdatum &datum)
{
    const std::string key = datum.key();
    return key.compare(0, 12, "Xmp.exif.GPS") == 0 || key.compare(0, 14, "Xmp.exifEX.GPS") == 0;
}

bool isLeftToEncoder(const Exiv2::Exifdatum &datum, bool intoTiff)
{
    if (isProfileTag(datum))
        return intoTiff; // there it is the profile, set apart
    // A TIFF's layout is its encoder's; anywhere else it means nothing.
    return isContainerTag(datum) || (isLayoutTag(datum) && (intoTiff || !isSize(datum.tag())));
}

} // namespace MetadataRules
