#!/usr/bin/env bash
# Runs a command on a private Xvfb display, then stops the display and the
# prefix's Wine server so that the next run starts clean.
# Usage: tools/with-xvfb.sh <command> [args...]
set -uo pipefail

display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
export DISPLAY=":$display"

cleanup() {
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k; wineserver -w; } >/dev/null 2>&1
  kill "$xvfb_pid" >/dev/null 2>&1
  wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
"$@"
