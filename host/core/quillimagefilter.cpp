// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "quillimagefilter.h"

const QLatin1String QuillImageFilter::Horizontal("horizontal");
const QLatin1String QuillImageFilter::Angle("angle");
const QLatin1String QuillImageFilter::CropRectangle("cropRectangle");
const QLatin1String QuillImageFilter::SizeAfter("sizeAfter");
