#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Installs what is missing, configures, builds and runs every test. With "asan" as argument the
# same suite runs built with AddressSanitizer and UndefinedBehaviorSanitizer; with "tsan", the
# window's suite, which starts the engine's worker thread, built with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"
