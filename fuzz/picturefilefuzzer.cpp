// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// PictureFile::open on arbitrary bytes, as a file on disk: the format found from the
// content, the damage checks, the JPEG header, the size against memory, the decode and
// the metadata, then describe() over what it opened.
//
// The file is a memfd, rewritten for each input: open() maps it as it maps a real file,
// and nothing touches a disk. A file declaring a huge picture is refused by open() itself
// when it exceeds the memory this machine has; below that its pixels are allocated for
// real, which is what the runner's -malloc_limit_mb and -rss_limit_mb bound.
#include "fuzzinput.h"
#include "picturefile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int memoryFile()
{
    static const int fd = [] {
        const int made = ::memfd_create("lumora-fuzz-picture", MFD_CLOEXEC);
        if (made < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return made;
    }();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureFuzzApplication();
    const int fd = memoryFile();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);

    PictureFile picture;
    QString error;
    if (!picture.open(path, &error)) {
        if (error.isEmpty())
            __builtin_trap(); // a refusal always says why
        return 0;
    }
    picture.describe();
    // A JPEG that opens is opened again as for a lossless turn: the reduced decode, and the
    // DCT-domain turn started at once.
    if (picture.format() == "jpeg") {
        PictureFile turned;
        if (turned.open(path, &error, PictureTurn::rotation(90)))
            turned.describe();
    }
    return 0;
}
