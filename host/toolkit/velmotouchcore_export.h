// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef VELMOTOUCHCORE_EXPORT_H
#define VELMOTOUCHCORE_EXPORT_H

#include <QtCore/qglobal.h>

#if defined(VELMOTOUCHCORE_LIBRARY)
#define M_CORE_EXPORT Q_DECL_EXPORT
#else
#define M_CORE_EXPORT Q_DECL_IMPORT
#endif

#endif // VELMOTOUCHCORE_EXPORT_H
