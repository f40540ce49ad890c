// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MNAMESPACE_H
#define MNAMESPACE_H

// The touch toolkit's shared enumerations, header only: the host contract and the
// toolkit both speak of the screen orientation.
namespace M {

enum Orientation { Landscape = 0, Portrait = 1 };

} // namespace M

#endif // MNAMESPACE_H
