#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Measures the test suite by the faults it catches. Each row of tests/mutants/mutants.tsv puts one
# small fault into the code: ID, file, the function it changes, what it breaks, then the text it
# replaces and the text it puts instead (\n, \t and \\ escaped); rows that share an ID go in
# together. The text replaced must occur exactly once in its file, so that a fault follows its
# code when lines move. For each mutant, this applies it to a copy of the working tree
# (uncommitted changes included: the checkout itself is never touched), builds, runs ctest, and
# says whether a test failed (caught) or the whole suite passed (missed).
#   scripts/mutants.sh [ID ...]        (default: every mutant of the table)
# Exits non-zero when a mutant is missed, or no longer applies or builds: a mutant that the code
# has moved away from is rewritten, not skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/fendrax-mutants.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
table=$PWD/tests/mutants/mutants.tsv

git ls-files -co --exclude-standard -z | tar --null -T - -cf - | (mkdir "$work/src" && tar -xf - -C "$work/src")
git -C "$work/src" init -q && git -C "$work/src" add -A \
  && git -C "$work/src" -c user.name=mutants -c user.email=mutants@localhost commit -qm base
build() { cmake --build "$work/build" -j2 > "$work/build.log" 2>&1; }
suite() { ctest --test-dir "$work/build" -j2 --timeout 300 > "$work/ctest.log" 2>&1; }
# Puts mutant $1 into the copy; false when one of its texts is not found exactly once.
apply() {
  python3 - "$table" "$work/src" "$1" <<'PY'
import sys
table, src, wanted = sys.argv[1:]
unescape = lambda t: t.encode().decode('unicode_escape').encode('latin-1').decode()
rows = [l.rstrip('\n').split('\t') for l in open(table, encoding='utf-8') if l.strip()]
for mid, path, _, _, old, new in (r for r in rows if r[0] == wanted):
    old, new = unescape(old), unescape(new)
    text = open(f'{src}/{path}', encoding='utf-8').read()
    if text.count(old) != 1:
        sys.exit(1)
    open(f'{src}/{path}', 'w', encoding='utf-8').write(text.replace(old, new))
PY
}
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$work/configure.log" 2>&1 \
  || { echo "configure failed" >&2; tail -20 "$work/configure.log" >&2; exit 2; }
build || { echo "the code does not build without a mutant" >&2; tail -20 "$work/build.log" >&2; exit 2; }
suite || { echo "the suite fails without a mutant: fix that first" >&2; grep -E 'Failed|FAIL' "$work/ctest.log" >&2; exit 2; }

ids=("$@")
[ ${#ids[@]} -eq 0 ] && mapfile -t ids < <(cut -f1 "$table" | uniq)
caught=0 missed=0 stale=0
for id in "${ids[@]}"; do
  what=$(awk -F'\t' -v id="$id" '$1 == id { print $4; exit }' "$table")
  if ! apply "$id"; then
    echo "$id no longer applies: $what"; stale=$((stale + 1))
  elif ! build; then
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
