// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "colourprofile.h"

#include <lcms2.h>

#include <memory>
#include <vector>

namespace ColourProfile {

namespace {

struct ProfileCloser
{
    void operator()(void *profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

// Little CMS reads only within the bytes given, and refuses a damaged tag table.
Profile opened(const QByteArray &profile)
{
    if (profile.isEmpty())
        return nullptr;
    return Profile(cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size())));
}

} // namespace

QString description(const QByteArray &profile)
{
    const Profile opened = ColourProfile::opened(profile);
    if (!opened)
        return {};
    // Little CMS picks the record of the language asked for, else the first.
    const cmsUInt32Number size
        = cmsGetProfileInfo(opened.get(), cmsInfoDescription, "en", "US", nullptr, 0);
    if (size == 0)
        return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    cmsGetProfileInfo(opened.get(), cmsInfoDescription, "en", "US", text.data(), size);
    return QString::fromWCharArray(text.data()).section(QLatin1Char('\0'), 0, 0).trimmed();
}

Model model(const QByteArray &profile)
{
    const Profile opened = ColourProfile::opened(profile);
    if (!opened)
        return Model::Other;
    switch (cmsGetColorSpace(opened.get())) {
    case cmsSigRgbData:
        return Model::Rgb;
    case cmsSigGrayData:
        return Model::Gray;
    case cmsSigCmykData:
        return Model::Cmyk;
    default:
        return Model::Other;
    }
}

QString modelName(Model model)
{
    switch (model) {
    case Model::Rgb:
        return QStringLiteral("RGB");
    case Model::Gray:
        return QStringLiteral("grey");
    case Model::Cmyk:
        return QStringLiteral("CMYK");
    case Model::Other:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace ColourProfile
