#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Checks what a desktop and a package manager see of Fendrax: the desktop entry and AppStream
# metadata, the files an install puts in place, the Debian package, the Windows resources,
# and that all of them carry the project's one version.
#   tests/packaging.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
id=example.fendrax.Fendrax
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
checks=0
pass() { checks=$((checks + 1)); }

desktop-file-validate "$build/resources/$id.desktop" || fail "desktop entry"
grep -qx 'Categories=Utility;Qt;' "$build/resources/$id.desktop" || fail "category"
pass
appstreamcli validate --no-net "$build/resources/$id.metainfo.xml" || fail "metainfo"
grep -q "<release version=\"$version\"" "$build/resources/$id.metainfo.xml" || fail "metainfo version"
pass

expected_files() {
  echo bin/fendrax
  echo "share/applications/$id.desktop"
  echo "share/metainfo/$id.metainfo.xml"
  for size in 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/fendrax.png"; done
}
check_tree() { # ROOT: every expected file, and nothing else
  local root=$1
  diff <(expected_files | sort) <(cd "$root" && find . -type f | sed 's|^\./||' | sort) \
    || fail "files under $root"
  for size in 32 48 64 128 256; do
    file "$root/share/icons/hicolor/${size}x${size}/apps/fendrax.png" | grep -q "$size x $size" \
      || fail "icon size $size"
  done
  [ -x "$root/bin/fendrax" ] || fail "program not executable"
}
cmake --install "$build" --prefix "$work/prefix" > /dev/null
check_tree "$work/prefix"
pass

(cd "$work" && cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" > "$work/cpack.log") \
  || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/fendrax_*.deb)
[ "$(basename "$deb")" = "fendrax_${version}_$(dpkg --print-architecture).deb" ] || fail "package name $deb"
info=$(dpkg-deb -I "$deb")
grep -qx " Package: fendrax" <<< "$info" || fail "package field"
grep -qx " Version: $version" <<< "$info" || fail "version field"
depends=$(grep '^ Depends:' <<< "$info") || fail "no Depends"
for lib in libc6 libqt6core6 libqt6widgets6 libstdc++6; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked/usr"
pass

x86_64-w64-mingw32-windres --preprocessor=cpp -i "$build/resources/fendrax.rc" -o "$work/fendrax.res" -O res \
  || fail "Windows resource script"
# Decompiled, the compiled block shows what Windows will read.
x86_64-w64-mingw32-windres -i "$work/fendrax.res" -O rc -o "$work/back.rc" 2> /dev/null
major=${version%%.*}; rest=${version#*.}; minor=${rest%%.*}; patch=${rest#*.}
for needle in "FILEVERSION $major, $minor, $patch, 0" "PRODUCTVERSION $major, $minor, $patch, 0" \
  'BLOCK "040c04b0"' '"Comments", L"D\351couper/Restituer un fichier"' \
  "\"FileDescription\", \"Fendrax v$version\"" "\"ProductName\", \"Fendrax v$version\"" \
  "\"FileVersion\", \"$(printf '%d.%02d' "$major" "$minor")\"" '"InternalName", "Fendrax"' \
  '"OriginalFilename", "Fendrax.exe"' 'VALUE "Translation", 0x40c, 1200' 'RT_GROUP_ICON'; do
  grep -qiF -- "$needle" "$work/back.rc" || { cat "$work/back.rc"; fail "version block lacks $needle"; }
done
pass

echo "$checks passed, 0 failed"
