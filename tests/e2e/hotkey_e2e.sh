#!/usr/bin/env bash
# A key press on the desktop becomes a player command: Plovik and the
# stand-in player run under Wine on the test display, xdotool presses keys.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
begin_scenario "$bin"

fail() { echo "FAIL: $*"; echo "--- player log"; cat "$log" 2>/dev/null; exit 1; }

start_player "$bin" "$log" --file 'C:\Music\a.mp3' --file 'C:\Music\b.mp3' --file 'C:\Music\c.mp3' \
  || fail "the stand-in player did not start"
install_player "$bin"
seed_settings
start_plovik "$bin"

press_until "$log" "COMMAND 40048 0" ctrl+alt+n || fail "Ctrl+Alt+N did not reach the player"
press_until "$log" "COMMAND 40045 0" ctrl+alt+x || fail "Ctrl+Alt+X did not reach the player"
press_until "$log" "COMMAND 40047 0" ctrl+alt+v || fail "Ctrl+Alt+V did not reach the player"

# A key nobody bound sends nothing.
before=$(grep -c '^COMMAND' "$log")
focus_player; xdotool key ctrl+alt+q; sleep 1
after=$(grep -c '^COMMAND' "$log")
[ "$before" = "$after" ] || fail "an unbound key sent a command"
echo "PASS: key presses reached the player"
grep '^COMMAND' "$log"
