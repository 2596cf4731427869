#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# What the Debian package gives a desktop: a package that lintian finds clean, and the icon at
# every size a desktop asks for.
# Each command is shown as it runs, so that the one that fails is the last one shown.
#   tests/packaging.sh BUILD_DIR
set -euxo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" > cpack.log)
deb=$(ls "$work"/package/fendrax_*.deb)
lintian --fail-on error,warning "$deb"
dpkg-deb -x "$deb" "$work/root"
for size in 32 48 64 128 256; do
  file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/fendrax.png" | grep -q "$size x $size"
done
# The terminal command, its manual page and its completion, and it runs without a display.
test -f "$work/root/usr/share/man/man1/fendrax-cli.1.gz"
test -f "$work/root/usr/share/bash-completion/completions/fendrax-cli"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/fendrax-cli" --version | grep -q "fendrax-cli 2.1.0"
