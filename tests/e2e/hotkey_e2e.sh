#!/usr/bin/env bash
# A key press on the desktop becomes a player command: Plovik and the
# stand-in player run under Wine on the test display, xdotool presses keys.
# Then a combination with the Windows key is typed into a field, saved, and
# pressed; the registry holds it where an older copy reads no key.
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

# Win+Alt+N typed into the next-song field (Ctrl+Alt+N, 0x064E in the
# field's own word) with real key presses.
probe() { wine "$bin/window_probe.exe" 'Plovik v4.0' 2>/dev/null | tr -d '\r'; }
# centre <class> <text>: the middle of the shown control, on the screen.
centre() {
  probe | awk -F'\t' -v c="$1" -v t="$2" '$1 == "child" && $2 == c && $7 == t { print int(($3 + $5) / 2), int(($4 + $6) / 2); exit }'
}
field_holds() { [ -n "$(centre msctls_hotkey32 "$1")" ]; }
reg_value() { wine reg query 'HKCU\Software\Merrowind\MRWPLOVIK' /v "$1" 2>/dev/null | awk -v n="$1" '$1 == n { print $3 }' | tr -d '\r'; }
win_keys_are() { [ "$(reg_value WinKeys)" = "$1" ]; }
next_count() { grep -c '^COMMAND 40048 0$' "$log"; }
more_next_than() { [ "$(next_count)" -gt "$1" ]; }

wait_until 60 has_tray || fail "no tray icon appeared"
open_settings "$(tray_window)" || fail "the settings window did not open"
form=$(main_window)
click_at "$form" 128 41    # "Основное"
wait_until 10 field_holds 0x064E || { probe; fail "the next-song field was not found"; }
read -r hx hy < <(centre msctls_hotkey32 0x064E)
xdotool mousemove "$hx" "$hy" click 1
sleep 0.5
xdotool key super+alt+n
# The control's own word holds Alt+N (0x044E); the field keeps the Windows key beside it.
wait_until 10 field_holds 0x044E || { probe; fail "Win+Alt+N typed into the field did not stay there"; }
mkdir -p "$shots"
read -r fx fy < <(corner "$form")
import -window root -crop "464x426+$fx+$fy" "$shots/hotkey-win.png" || fail "no screenshot"
read -r sx sy < <(centre Button 'Сохранить настройки')
xdotool mousemove "$sx" "$sy" click 1
wait_until 10 win_keys_are PlayNext=36942 || fail "the saved settings do not list Win+Alt+N: WinKeys is '$(reg_value WinKeys)'"
[ "$(reg_value PlayNext)" = 0x0 ] || fail "the next-song value holds $(reg_value PlayNext), not 0, for an older copy"
echo "PASS: Win+Alt+N typed into a field was saved as PlayNext=0 and WinKeys=PlayNext=36942 (screenshot $shots/hotkey-win.png)"

# Pressed on the desktop it reaches the player; Ctrl+Alt+N no longer does.
before=$(next_count)
deadline=$((SECONDS + 60))
until more_next_than "$before"; do
  (( SECONDS < deadline )) || fail "Win+Alt+N did not reach the player"
  focus_player; xdotool key super+alt+n
  wait_until 1 more_next_than "$before"
done
echo "PASS: Win+Alt+N reached the player"
before=$(next_count)
focus_player; xdotool key ctrl+alt+n; sleep 1
[ "$(next_count)" = "$before" ] || fail "the replaced Ctrl+Alt+N still sent a command"
echo "PASS: the replaced Ctrl+Alt+N sends nothing"
