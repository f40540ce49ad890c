// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef QUILLIMAGEFILTER_H
#define QUILLIMAGEFILTER_H

#include "lumoracore_export.h"

#include <QLatin1String>

// Option keys of the image-filter library. An edit's option table maps these keys,
// made QString, to a QVariant of the type the filter expects:
//   Horizontal    bool   "org.quenta.flip"   (true mirrors left-right, false top-bottom)
//   Angle         int    "org.quenta.rotate" (degrees clockwise, 90 or -90)
//   CropRectangle QRect  "org.quenta.crop"   (picture pixels)
//   SizeAfter     QSize  "org.quenta.scale"  (target size in pixels)
class LUMORACORE_EXPORT QuillImageFilter
{
public:
    static const QLatin1String Horizontal;
    static const QLatin1String Angle;
    static const QLatin1String CropRectangle;
    static const QLatin1String SizeAfter;

    QuillImageFilter() = delete;
};

#endif // QUILLIMAGEFILTER_H
