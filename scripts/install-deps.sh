#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Installs the Debian 12 packages that building, testing and running Fendrax need.
set -euo pipefail
packages=(
  cmake g++ make
  qt6-base-dev qt6-translations-l10n   # Qt 6 and its French texts ("Annuler")
  libssl-dev                           # SHA-256 and MD5, by OpenSSL's libcrypto
  zlib1g-dev                           # CRC-32 of the recovery files
  libgf-complete-dev                   # the recovery slices' arithmetic in GF(2^16)
  par2                                 # the tests hold the recovery files against par2cmdline
  dosfstools e2fsprogs                 # the tests meet FAT and ext4 sticks, as users carry them
  dbus-bin dbus-daemon                 # a session bus of the tests' own, for what the desktop hears
  clang libclang-rt-14-dev python3     # the fuzz targets (libFuzzer) and the claims they replay
  fonts-liberation2                    # a sans-serif for the window where MS Sans Serif is missing
  dpkg-dev file lintian                # the Debian package, its library dependencies, its check
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
