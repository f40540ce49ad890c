// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef FUZZINPUT_H
#define FUZZINPUT_H

#include <QByteArray>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

// The one entry point every fuzz target defines. libFuzzer calls it with inputs it makes;
// replaymain.cpp calls it with the files of a target's seed and regression folders, so
// that builds without libFuzzer run the same inputs. An input that makes it crash, read
// or write out of bounds or hit undefined behaviour is a bug; returning is a pass.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// The input as a QByteArray sharing libFuzzer's buffer: no copy, and a read past its end
// is caught by AddressSanitizer at libFuzzer's own allocation. Valid for this call only;
// code that may write to it detaches a copy first, as QByteArray does.
inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The application object Qt's image plug-ins are found through, made on the first call
// and kept for the life of the process.
inline void ensureFuzzApplication()
{
    static int argc = 1;
    static char name[] = "lumora-fuzz";
    static char *argv[] = { name, nullptr };
    static QCoreApplication *application
        = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    Q_UNUSED(application);
}

#endif // FUZZINPUT_H
