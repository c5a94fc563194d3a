#!/usr/bin/env bash
# `make dist`: the release files, all from one build of Plovik.exe.
# Usage: tools/dist.sh <Plovik.exe> <version> <output folder>
# Makes Plovik-<version>-setup.exe, Plovik-<version>-portable.zip and SHA256SUMS.
set -euo pipefail
exe=$(realpath "$1")
version=$2
out=$(realpath -m "$3")
root=$(cd "$(dirname "$0")/.." && pwd)
setup=Plovik-$version-setup.exe
portable=Plovik-$version-portable.zip

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Windows users open these in Notepad: CRLF line ends.
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/installer/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
cp "$exe" "$stage/Plovik.exe"
# The same dates in every build of one commit, so that the zip's checksum
# depends on the contents alone.
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)
touch -d "@$stamp" "$stage"/*

mkdir -p "$out"
rm -f "$out/$setup" "$out/$portable" "$out/SHA256SUMS"
makensis -V2 -INPUTCHARSET UTF8 \
  "-DVERSION=$version" "-DEXE=$stage/Plovik.exe" "-DLICENSE=$stage/LICENSE.txt" \
  "-DREADME=$stage/README.txt" "-DICON=$root/src/app/plovik.ico" "-DOUTFILE=$out/$setup" \
  "$root/installer/plovik.nsi"
(cd "$stage" && TZ=UTC zip -q -X "$out/$portable" Plovik.exe README.txt LICENSE.txt)
(cd "$out" && sha256sum "$setup" "$portable" >SHA256SUMS)
echo "dist: $out/$setup, $out/$portable, $out/SHA256SUMS"
