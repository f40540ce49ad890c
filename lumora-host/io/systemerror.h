// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SYSTEMERROR_H
#define SYSTEMERROR_H

#include <QString>

// The system's reason for a failed call, for messages.
namespace SystemError {

// strerror()'s text for `error`, in the language of the installed catalogue where it
// has the text (the C library's English is the key); as the C library gives it
// otherwise, so English output is strerror()'s own.
QString reason(int error);

} // namespace SystemError

#endif // SYSTEMERROR_H
