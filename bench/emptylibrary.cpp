// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Deliberately empty: the shared object built from this file has no code of its own,
// so opening and closing it costs only what the dynamic loader charges for any library.
