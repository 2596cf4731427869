#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Measures the test suite by the faults it catches. Each tests/mutants/ID.patch puts one small fault
# into the code; for each, this applies it to a copy of the working tree (uncommitted changes
# included: the checkout itself is never touched), builds, runs ctest, and says whether a test
# failed (caught) or the whole suite passed (missed).
#   scripts/mutants.sh [ID ...]        (default: every patch listed in tests/mutants/mutants.tsv)
# Exits non-zero when a mutant is missed, or no longer applies or builds: a patch that the code
# has moved away from is rewritten, not skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/fendrax-mutants.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
patches=$PWD/tests/mutants

git ls-files -co --exclude-standard -z | tar --null -T - -cf - | (mkdir "$work/src" && tar -xf - -C "$work/src")
git -C "$work/src" init -q && git -C "$work/src" add -A \
  && git -C "$work/src" -c user.name=mutants -c user.email=mutants@localhost commit -qm base
build() { cmake --build "$work/build" -j2 > "$work/build.log" 2>&1; }
suite() { ctest --test-dir "$work/build" -j2 --timeout 300 > "$work/ctest.log" 2>&1; }
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$work/configure.log" 2>&1 \
  || { echo "configure failed" >&2; tail -20 "$work/configure.log" >&2; exit 2; }
build || { echo "the code does not build without a mutant" >&2; tail -20 "$work/build.log" >&2; exit 2; }
suite || { echo "the suite fails without a mutant: fix that first" >&2; grep -E 'Failed|FAIL' "$work/ctest.log" >&2; exit 2; }

ids=("$@")
[ ${#ids[@]} -eq 0 ] && mapfile -t ids < <(cut -f1 "$patches/mutants.tsv")
caught=0 missed=0 stale=0
for id in "${ids[@]}"; do
  what=$(awk -F'\t' -v id="$id" '$1 == id { print $3 }' "$patches/mutants.tsv")
  if ! git -C "$work/src" apply "$patches/$id.patch" 2>/dev/null; then
    echo "$id no longer applies: $what"; stale=$((stale + 1)); continue
  fi
  if ! build; then
    echo "$id does not build: $what"; stale=$((stale + 1))
  elif suite; then
    echo "$id MISSED: $what"; missed=$((missed + 1))
  else
    by=$(grep -E 'Test +#[0-9]+: ' "$work/ctest.log" | grep -v ' Passed' | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' | tr '\n' ' ')
    echo "$id caught by $by"; caught=$((caught + 1))
  fi
  git -C "$work/src" checkout -q -- .
done
echo "mutants: $caught caught, $missed missed, $stale no longer apply or build"
[ "$missed" -eq 0 ] && [ "$stale" -eq 0 ]
