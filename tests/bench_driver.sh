#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Checks the fixed interface of fendrax-bench, which scripts outside the test suite rely on.
set -euo pipefail
bench=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

head -c 3000 /dev/urandom > "$dir/rapport.doc"
out=$("$bench" cut "$dir/rapport.doc" 1)
expected='{"op":"message","title":"Information","text":"Découpage du fichier terminé.\rFichier découpé en 003 morceaux.","icon":"information","buttons":"ok","answer":"ok"}
{"op":"refresh"}
{"op":"done","yields":3}'
[ "$out" = "$expected" ] || fail "cut printed: $out"

out=$("$bench" cut "$dir/rapport.doc" 1 --answer cancel)
expected='{"op":"message","title":"Fichier rapport.0XX existant","text":"Supprimer les fichiers déjà découpés ?\r           Confirmez","icon":"question","buttons":"okcancel","answer":"cancel"}
{"op":"refresh"}
{"op":"done","yields":0}'
[ "$out" = "$expected" ] || fail "declined cut printed: $out"

mv "$dir/rapport.doc" "$dir/original"
out=$(cd "$dir" && "$bench" restore rapport.001)
expected='{"op":"message","title":"Information","text":"Restitution des fichiers terminée.","icon":"information","buttons":"ok","answer":"ok"}
{"op":"refresh"}
{"op":"done","yields":3}'
[ "$out" = "$expected" ] || fail "restore printed: $out"
cmp "$dir/original" "$dir/rapport.doc" || fail "restored bytes differ"

out=$("$bench" cut "$dir/rapport.doc" 0 --answer ok | tail -2 | head -1)
[ "$out" = '{"op":"message","title":"Erreur","text":"Erreur lors du découpage du fichier !","icon":"exclamation","buttons":"ok","answer":"ok"}' ] \
  || fail "size zero printed: $out"

"$bench" roundtrip --mib 2 --size 300 --dir "$dir" | grep -q '^bytes: identical$' || fail "roundtrip"
echo "1 passed, 0 failed"
