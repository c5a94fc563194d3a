#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs without a person: CI has no standard input and runs as root.
#
# Each need is checked by its Debian package, not by a name on the PATH:
# a machine may carry a stand-in of the same name (a `convert` that is not
# ImageMagick), and a script that then calls `import` would find nothing.
set -euo pipefail

# package  -> the program or file the scripts really use from it
packages=(
  cmake                        # cmake, ctest
  make                         # make
  g++-mingw-w64-x86-64-posix   # x86_64-w64-mingw32-g++-posix, windres
  g++-mingw-w64-i686-posix     # i686-w64-mingw32-g++-posix (32-bit stand-in player)
  wine                         # wine, wineserver, wineboot
  wine64                       # /usr/lib/wine/wine64
  wine32:i386                  # the 32-bit part, for the 32-bit stand-in player
  xvfb                         # Xvfb
  xdotool                      # xdotool
  imagemagick                  # import (screenshots)
  googletest                   # /usr/src/googletest
  nsis                         # makensis (make dist)
  zip                          # zip (make dist)
  exfatprogs                   # mkfs.exfat (file tests: a drive without hard links)
  exfat-fuse                   # mount.exfat-fuse (the same)
  e2fsprogs                    # mkfs.ext2 (file tests: a drive that fails when the bytes reach the disk)
)

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = "installed" ]
}

need=()
for p in "${packages[@]}"; do
  installed "$p" || need+=("$p")
done
check_programs() {
  # A package can be installed and its program still missing (a removed
  # file, a broken alternative): say which, rather than fail later.
  local prog bad=0
  for prog in cmake make x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
              wine wineserver wineboot Xvfb xdotool import makensis zip mkfs.exfat mount.exfat-fuse \
              mkfs.ext2; do
    command -v "$prog" >/dev/null 2>&1 || { echo "install-deps: $prog is missing" >&2; bad=1; }
  done
  return $bad
}

if [ ${#need[@]} -eq 0 ]; then
  check_programs
  exit
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${need[*]} " == *":i386"* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${need[@]}"
check_programs
