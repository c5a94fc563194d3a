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

# Windows' version numbers are four: "4.0" and "4.0.1" become 4.0.0.0 and 4.0.1.0.
if ! [[ $version =~ ^[0-9]+(\.[0-9]+){1,3}$ ]]; then
  echo "dist: '$version' is not a version of two to four numbers" >&2
  exit 1
fi
IFS=. read -r -a numbers <<<"$version"
while (( ${#numbers[@]} < 4 )); do numbers+=(0); done
file_version=$(IFS=.; echo "${numbers[*]}")

# The FILEVERSION of an executable's version resource: the fixed part
# (signature 0xFEEF04BD) starts on the double word after the key's text
# "VS_VERSION_INFO", 34 bytes after its first letter.
resource_version() {
  local at
  at=$(LC_ALL=C grep -obUaP 'V\x00S\x00_\x00V\x00E\x00R\x00S\x00I\x00O\x00N\x00_\x00I\x00N\x00F\x00O\x00\x00\x00' "$1" |
       head -n 1 | cut -d: -f1)
  [ -n "$at" ] || return 0
  at=$((at + 34))
  [ "$(od -An -tx4 -j "$at" -N 4 "$1" | tr -d ' ')" = feef04bd ] || return 0
  od -An -tu2 -j $((at + 8)) -N 8 "$1" | awk '{ print $2 "." $1 "." $4 "." $3 }'
}
# The files are named after the version given here: the program's own
# resource must say the same, or the release would disagree with itself.
built=$(resource_version "$exe")
if [ "$built" != "$file_version" ]; then
  echo "dist: $exe carries the version '$built', not $file_version" >&2
  exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# Windows users open these in Notepad: CRLF line ends.
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/installer/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
cp "$exe" "$stage/Plovik.exe"
# The portable zip's empty settings file: beside the program, it keeps the
# settings there instead of the registry. The setup program never ships it.
: >"$stage/Plovik.ini"
# The same dates in every build of one commit, so that the zip's checksum
# depends on the contents alone.
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)
touch -d "@$stamp" "$stage"/*

mkdir -p "$out"
rm -f "$out/$setup" "$out/$portable" "$out/SHA256SUMS"
makensis -V2 -INPUTCHARSET UTF8 \
  "-DVERSION=$version" "-DFILE_VERSION=$file_version" "-DEXE=$stage/Plovik.exe" "-DLICENSE=$stage/LICENSE.txt" \
  "-DREADME=$stage/README.txt" "-DICON=$root/src/app/plovik.ico" "-DOUTFILE=$out/$setup" \
  "$root/installer/plovik.nsi"
(cd "$stage" && TZ=UTC zip -q -X "$out/$portable" Plovik.exe Plovik.ini README.txt LICENSE.txt)
(cd "$out" && sha256sum "$setup" "$portable" >SHA256SUMS)
echo "dist: $out/$setup, $out/$portable, $out/SHA256SUMS"
