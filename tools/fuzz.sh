#!/usr/bin/env bash
# Builds the fuzz harnesses of tests/fuzz natively (clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer), makes their seed corpora
# and runs each for a while. Not part of `make test`.
# Usage: tools/fuzz.sh [seconds per harness, default 180] [work folder, default build-fuzz]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-180}
out=$(realpath -m "${2:-build-fuzz}")

fuzzer_lib() { ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; }
if ! command -v clang++ >/dev/null 2>&1 || ! fuzzer_lib; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: clang libclang-rt-14-dev"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi

CXX=(clang++ -std=c++20 -g -O1 -Isrc -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
mkdir -p "$out"
"${CXX[@]}" -o "$out/id3_fuzz" tests/fuzz/id3_fuzz.cpp src/player/id3_reader.cpp
"${CXX[@]}" -o "$out/playlist_fuzz" tests/fuzz/playlist_fuzz.cpp src/player/playlist_reader.cpp
"${CXX[@]}" -o "$out/settings_fuzz" tests/fuzz/settings_fuzz.cpp src/app/settings_text.cpp

# ---- seed corpora --------------------------------------------------------------
seeds="$out/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/id3" "$seeds/playlist" "$seeds/settings"
tag() {  # tag <title> <artist> <genre byte, octal>: 128 bytes
  { printf 'TAG'; printf '%-30s' "$1" | tr ' ' '\0'; printf '%-30s' "$2" | tr ' ' '\0'
    head -c 64 /dev/zero; printf "\\$3"; } | head -c 128
}
: > "$seeds/id3/empty"
printf 'T' > "$seeds/id3/one"
tag Title Artist 021 | head -c 127 > "$seeds/id3/127"
tag Title Artist 021 > "$seeds/id3/exact128"
{ head -c 500 /dev/urandom; tag Song Band 377; } > "$seeds/id3/genre255"
{ head -c 300 /dev/urandom; tag Song Band 175 | sed 's/^TAG/tag/'; } > "$seeds/id3/lowercase"
{ tag Inner Tag 001; head -c 200 /dev/zero; } > "$seeds/id3/notattheend"

p() { printf "$1" > "$seeds/playlist/$2"; }   # first two bytes: piece size, entry wanted
p '\377\001#EXTM3U\r\n#EXTINF:200,Artist - Title\r\nC:\\music\\one.mp3\r\n' crlf
p '\002\002#EXTM3U\n\n  C:\\a.mp3\n\t\n#EXTINF:1,x\nC:\\b c.mp3  \n' lf
p '\007\001\357\273\277#EXTM3U\r\nC:\\\320\266.mp3\r\n' bom
p '\001\003\000\000C:\\a.mp3\nC:\\b\000c.mp3\rC:\\d.mp3' nul
p '\020\002\357\273\277C:\\bad\377\300\342\202.mp3\r\nC:\\ok.mp3\r\n' badutf8
p '\000\000' empty
{ printf '\100\002#EXTM3U\n'; printf 'C:\\'; head -c 100000 /dev/zero | tr '\0' 'n'; printf '.mp3\nC:\\after.mp3\n'; } \
  > "$seeds/playlist/longline"

s() { printf "$1" > "$seeds/settings/$2"; }   # first byte: 0 the portable file, 1 an export of the registry
s '\000\357\273\277[MRWPLOVIK]\r\n"Play"=dword:0000c058\r\n"Dir"="D:\\\\M \\"x\\""\r\n' ini
s '\000; note\nFadeOut = DWORD:1\n"A"=hex:01\n"B"="open\ngarbage\n[Other]\n"C"=dword:1\n' badini
s '\001\377\376W\000i\000n\000d\000o\000w\000s\000 \000R\000e\000g\000\n\000' utf16
s '\001Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\r\n"Play"=dword:1\r\n' reg

# ---- runs ------------------------------------------------------------------------
run() {  # run <name> <max_len>
  local name=$1 max_len=$2 corpus="$out/corpus/$1"
  mkdir -p "$corpus"
  echo "== $name: ${secs}s"
  local start=$SECONDS
  (cd "$out" && "./${name}_fuzz" -max_total_time="$secs" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 "$corpus" "$seeds/${name%_fuzz}" 2>&1 | tail -n 12)
  echo "== $name ran $((SECONDS - start)) s, corpus $(ls "$corpus" | wc -l) files"
}
run id3 4096
run playlist 131072
run settings 65536
