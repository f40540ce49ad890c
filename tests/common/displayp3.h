// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef DISPLAYP3_H
#define DISPLAYP3_H

#include <QByteArray>

#include <lcms2.h>

// A Display P3 profile made by Little CMS from the published primaries, white point and
// sRGB's tone curve, as the phones' profiles describe it: the tests' wide-gamut photo
// profile, which no Debian package carries. An ICC v2 profile; empty on failure.
inline QByteArray displayP3Profile()
{
    const cmsCIExyY white { 0.3127, 0.3290, 1.0 };
    const cmsCIExyYTRIPLE primaries { { 0.680, 0.320, 1.0 },
                                      { 0.265, 0.690, 1.0 },
                                      { 0.150, 0.060, 1.0 } };
    const cmsFloat64Number srgbCurve[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
    cmsToneCurve *curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve *curves[3] = { curve, curve, curve };
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (!profile)
        return QByteArray();
    cmsMLU *description = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(description, "en", "US", "Display P3");
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsSetProfileVersion(profile, 2.1);
    QByteArray bytes;
    cmsUInt32Number size = 0;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(qsizetype(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}

#endif // DISPLAYP3_H
