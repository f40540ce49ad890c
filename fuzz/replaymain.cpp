// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Runs a fuzz target's LLVMFuzzerTestOneInput over files and folders given on the command
// line, without libFuzzer: how the gcc builds (plain and sanitized) check that no seed
// and no saved crash input fails again. Prints one line per input, so that a crash names
// the input it died on.
#include "fuzzinput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path given = argv[i];
        std::error_code error;
        if (fs::is_directory(given, error)) {
            for (const auto &entry : fs::recursive_directory_iterator(given)) {
                // Dot files (.gitkeep) are no inputs.
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    inputs.push_back(entry.path());
            }
        } else if (fs::is_regular_file(given, error)) {
            inputs.push_back(given);
        } else {
            std::fprintf(stderr, "replay: %s is no file or folder\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());

    for (const fs::path &path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes { std::istreambuf_iterator<char>(file),
                                        std::istreambuf_iterator<char>() };
        if (!file.good() && !file.eof()) {
            std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
            return 2;
        }
        std::printf("replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stdout);
        // A copy of exactly its size, as libFuzzer gives it, so that a read one byte past
        // the end is caught by AddressSanitizer.
        std::vector<uint8_t> input(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replay: %zu inputs passed\n", inputs.size());
    return 0;
}
