#!/usr/bin/env bash
# Plovik as a user meets it: it starts in the tray, the tray icon's double
# click opens the settings window, the alarm starts the player, the copy key
# copies the playing file, and "Выход" in the tray menu ends it with the
# settings saved. Screenshots of the five tabs go to <bin>/../screenshots.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
begin_scenario "$bin"
mkdir -p "$shots" "$work/music" "$work/target"

fail() { echo "FAIL: $*"; echo "--- player log (requests left out)"; grep -v '^USER 0 ' "$log" 2>/dev/null; exit 1; }

plovik_gone() { [ -z "$(xdotool search --name '^\(Merrowind\) Plovik v4\.0$' 2>/dev/null)" ]; }
# A balloon is a new visible window without a title (Wine's own helpers are 1 x 1).
untitled() {
  local w
  for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" | grep -q 'Geometry: 1x1' || echo "$w"
  done | sort
}
balloon_shown() { [ -n "$(comm -13 <(echo "$before") <(untitled))" ]; }
reg_value() { wine reg query 'HKCU\Software\Merrowind\MRWPLOVIK' /v "$1" 2>/dev/null | awk -v n="$1" '$1 == n { print $3 }' | tr -d '\r'; }

first='Artist One - First Song.mp3'
printf 'first song' >"$work/music/$first"
printf 'second song' >"$work/music/Artist Two - Second Song.mp3"
install_player "$bin" --log "$(win_path "$log")" \
  --file "$(win_path "$work/music/$first")" --file "$(win_path "$work/music/Artist Two - Second Song.mp3")"
target=$(win_path "$work/target")
seed_settings '"FCopy"=dword:0000c04b' "\"Dir\"=\"${target//\\/\\\\}\"" '"HintOnComplete"=dword:00000001' \
  '"AskOnExit"=dword:00000000' '"FadeOut"=dword:00000000'
start_plovik "$bin"

# Only the tray icon shows; its double click opens the settings window.
wait_until 60 has_tray || fail "no tray icon appeared"
[ -z "$(main_window)" ] || fail "the settings window showed at start"
tray=$(tray_window)
open_settings "$tray" || fail "double-clicking the tray icon did not open the settings window"
form=$(main_window)

# The five tabs, one screenshot each (tab headers 41 pixels below the corner).
read -r fx fy < <(corner "$form")
n=0
for tab in 59:application 128:main 208:extra 309:files 397:options; do
  n=$((n + 1))
  click_at "$form" "${tab%%:*}" 41
  sleep 0.7
  import -window root -crop "464x426+$fx+$fy" "$shots/tab$n-${tab##*:}.png" || fail "no screenshot"
done
[ "$(md5sum "$shots"/tab*.png | cut -d' ' -f1 | sort -u | wc -l)" = 5 ] || fail "the tabs did not change"
echo "PASS: the tray icon opened the settings window; screenshots in $shots"

# The alarm, 15 seconds ahead, starts the player and plays.
click_at "$form" 59 41
click_at "$form" 46 271         # "Таймер"
click_at "$form" 129 272        # the hours of the alarm time
read -r h m s p <<<"$(date -d '+15 sec' '+%I %M %S %p')"
xdotool type --delay 60 "$h"; xdotool key Right
xdotool type --delay 60 "$m"; xdotool key Right
xdotool type --delay 60 "$s"; xdotool key Right
xdotool type "${p:0:1}"
wait_until 40 grep -sqx 'COMMAND 40045 0' "$log" || fail "the alarm did not start the player playing"
wait_until 10 xdotool search --name '^1\. Artist One - First Song - Winamp$' >/dev/null \
  || fail "the player is not playing the first song"
echo "PASS: the alarm started the player at the usual place and it plays"

# The copy key puts the playing file into the target folder, with a balloon.
before=$(untitled)
deadline=$((SECONDS + 30))
until cmp -s "$work/target/$first" "$work/music/$first"; do
  (( SECONDS < deadline )) || fail "Ctrl+Alt+K did not copy the playing file"
  focus_player; xdotool key ctrl+alt+k; sleep 1
done
# Wine's tray draws a balloon two seconds after it is asked for.
wait_until 10 balloon_shown || fail "no success balloon appeared at the tray icon"
import -window root -crop 640x120+0+0 "$shots/copy-balloon.png"
echo "PASS: the copy key copied the playing file and the tray showed the success balloon"

# A setting changed in the window survives "Выход" from the tray menu.
click_at "$form" 397 41
click_at "$form" 52 156         # "Плавный стоп"
click_at "$tray" 12 32 3        # right click: the tray menu
sleep 1
xdotool key Up Return           # the last item, "Выход"
wait_until 20 plovik_gone || fail "Plovik did not end through the tray menu"
[ "$(reg_value FadeOut)" = 0x1 ] || fail "the changed setting was not saved on exit"
[ "$(reg_value FCopy)" = 0xc04b ] || fail "the stored key binding was lost"
echo "PASS: Выход ended Plovik and the settings were saved"
