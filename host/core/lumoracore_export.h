// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef LUMORACORE_EXPORT_H
#define LUMORACORE_EXPORT_H

#include <QtCore/qglobal.h>

#if defined(LUMORACORE_LIBRARY)
#define LUMORACORE_EXPORT Q_DECL_EXPORT
#else
#define LUMORACORE_EXPORT Q_DECL_IMPORT
#endif

#endif // LUMORACORE_EXPORT_H
