#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Fails when a tracked C++ file differs from what clang-format (the root .clang-format)
# makes of it; clang-format names the files and lines.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
