#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer, UBSan) and runs
# each for SECONDS (default 60), seeded with the sets it writes (its own and par2cmdline's) and
# the inputs that once broke it, with the PAR2 packets' dictionary. A finding (a crash, a hang of
# more than 10 s, an allocation past 96 MiB, a breach of what the target checks) stops the run
# with its input under build/fuzz/findings/TARGET/: it then goes to tests/fuzz/regressions/TARGET/.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]    (targets: header checksums par2)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(header checksums par2)
scripts/install-deps.sh
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz
work=$PWD/build/fuzz
# The sets are written and read again at every input: in memory where the machine has it.
tmp=/dev/shm
[ -w "$tmp" ] || tmp=${TMPDIR:-/tmp}
status=0
for target in "${targets[@]}"; do
  corpus=$work/corpus/$target findings=$work/findings/$target
  mkdir -p "$corpus" "$findings"
  FENDRAX_FUZZ_SEEDS=$corpus "$work/tests/fuzz/fuzz_$target" -runs=0 "$corpus" > /dev/null 2>&1
  cp tests/fuzz/regressions/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "fuzz_$target: $seconds s"
  TMPDIR=$tmp ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$work/tests/fuzz/fuzz_$target" "$corpus" -dict=tests/fuzz/par2.dict -max_total_time="$seconds" \
    -timeout=10 -malloc_limit_mb=96 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" > "$work/fuzz_$target.log" 2>&1 || status=1
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/fuzz_$target.log" || true
  ls "$findings" | head
  [ "$status" -eq 0 ] || { tail -40 "$work/fuzz_$target.log"; exit 1; }
done
