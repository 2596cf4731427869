#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Builds the engine's libFuzzer targets with clang and runs each for SECONDS (default 60),
# starting from the seed corpus. An input that finds a fault is written to build/fuzz/artifacts;
# copy it into tests/fuzz/regressions/TARGET so that the ordinary test suite replays it.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh fuzz
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/artifacts
status=0
for target in restore cut; do
  corpus=build/fuzz/corpus-$target
  mkdir -p "$corpus"
  ./build/fuzz/tests/fuzz/fuzz_$target "$corpus" "tests/fuzz/corpus/$target" \
    "tests/fuzz/regressions/$target" -max_total_time="$seconds" -timeout=20 \
    -artifact_prefix=build/fuzz/artifacts/$target- -print_final_stats=1 \
    > "build/fuzz/$target.log" 2>&1 || status=1
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build/fuzz/$target.log" | grep -o '[0-9]*$' || echo 0)
  echo "fuzz_$target: $runs executions in ${seconds} s"
  [ $status -eq 0 ] || { tail -40 "build/fuzz/$target.log"; break; }
done
exit $status
