#!/usr/bin/env bash
# `make bench`: runs every benchmark program under Wine and prints its figures.
set -uo pipefail
bin=$(realpath "${1:-build}")/bin
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
status=0
for exe in "$bin"/*_bench.exe; do
  [ -e "$exe" ] || continue
  echo "== $(basename "$exe" .exe)"
  wine "$exe" || status=1
done
exit $status
