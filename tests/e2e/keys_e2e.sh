#!/usr/bin/env bash
# Keys a user can rely on, on the test display: which virtual keys Wine
# delivers for the keyboard's media keys; a key held by another program is
# marked in the settings window and taken back when that program lets go;
# the media keys drive the stand-in player in each play state; a second
# start of Plovik.exe brings the first copy's window forward and ends.
# Screenshots go to <bin>/../screenshots.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
begin_scenario "$bin"
holder_log=$work/holder.log
mkdir -p "$shots"

fail() { echo "FAIL: $*"; echo "--- player log (requests left out)"; grep -v '^USER 0 ' "$log" 2>/dev/null
         echo "--- holder log"; cat "$holder_log" 2>/dev/null; exit 1; }
window_shown() { [ -n "$(main_window)" ]; }
# Every copy has one hidden application window with the program's title.
plovik_copies() { xdotool search --name '^\(Merrowind\) Plovik v4\.0$' 2>/dev/null | wc -l; }

# key_holder <words...>: another program holding these keys.
start_holder() {
  rm -f "$holder_log"
  wine "$bin/key_holder.exe" --log "$(win_path "$holder_log")" "$@" >/dev/null 2>&1 &
  HOLDER_PID=$!
  wait_until 30 grep -sq '^READY' "$holder_log"
}
# Ending the holder lets go of its keys, as any program's end does.
stop_holder() { kill "$HOLDER_PID" 2>/dev/null; wait "$HOLDER_PID" 2>/dev/null; }

start_player "$bin" "$log" --file 'C:\Music\a.mp3' --file 'C:\Music\b.mp3' || fail "the stand-in player did not start"

# 1. Which virtual keys Wine makes of the media keysyms: the holder registers
# each media key on its own and logs the identifier of every press.
declare -A vk=([XF86AudioPlay]=179 [XF86AudioStop]=178 [XF86AudioNext]=176 [XF86AudioPrev]=177
               [XF86AudioRaiseVolume]=175 [XF86AudioLowerVolume]=174 [XF86AudioMute]=173)
start_holder "${vk[@]}" || fail "the key holder did not start"
for sym in XF86AudioPlay XF86AudioStop XF86AudioNext XF86AudioPrev XF86AudioRaiseVolume XF86AudioLowerVolume XF86AudioMute; do
  deadline=$((SECONDS + 10))
  until grep -qx "PRESSED ${vk[$sym]}" "$holder_log"; do
    (( SECONDS < deadline )) || fail "Wine delivered no virtual key ${vk[$sym]} for $sym"
    focus_player; xdotool key "$sym"; sleep 0.3
  done
  printf 'Wine delivers %s as virtual key 0x%X\n' "$sym" "${vk[$sym]}"
done
stop_holder
echo "PASS: Wine delivers the seven media keysyms as the media virtual keys"

# 2. Another program holds Ctrl+Alt+V, the stop key of the demonstration settings.
start_holder 0xC056 || fail "the key holder did not start"
grep -qx 'HELD 49238' "$holder_log" || fail "the holder could not take Ctrl+Alt+V"
install_player "$bin"   # where Plovik looks, so that start-up asks nothing
seed_settings '"PlayPause"=dword:000000b3' '"PlayNext"=dword:000000b0' '"PlayPrev"=dword:000000b1' \
  '"VolUp"=dword:000000af' '"VolDown"=dword:000000ae' '"AskOnExit"=dword:00000000'
start_plovik "$bin"
wait_until 60 has_tray || fail "no tray icon appeared"

# 3. A second start while the first runs: the first copy's window comes
# forward, the second ends, and there is still one copy and one tray icon.
[ -z "$(main_window)" ] || fail "the settings window showed at start"
wine "$bin/Plovik.exe" >/dev/null 2>&1 &
second=$!
wait_until 40 sh -c "! kill -0 $second 2>/dev/null" || fail "the second start did not end"
wait_until 20 window_shown || fail "the second start did not bring the settings window forward"
[ "$(plovik_copies)" = 1 ] || fail "more than one Plovik runs: $(plovik_copies)"
echo "PASS: a second start brought the running copy's settings window forward and ended"

# 4. The stop field on "Основное" is marked; the tooltip names the reason.
reason='Занято другой программой'
probe() { wine "$bin/window_probe.exe" 'Plovik v4.0' 2>/dev/null | tr -d '\r'; }
# "left top bottom" of the shown mark carrying the reason that stands right of the
# stop field (which holds Ctrl+Alt+V, 0x0656 in the field's own word), on its row.
stop_mark() {
  probe | awk -F'\t' -v r="$reason" '
    $1 == "child" && $7 == "0x0656" { fr = $5; ft = $4; field = 1 }
    $1 == "child" && $7 == r { ml[++n] = $3; mt[n] = $4; mb[n] = $6 }
    END { if (!field) exit 1
          for (i = 1; i <= n; i++)
            if (ml[i] >= fr && ml[i] <= fr + 12 && mt[i] - ft <= 3 && ft - mt[i] <= 3) {
              print ml[i], mt[i], mb[i]; exit 0 }
          exit 1 }'
}
tip_names_reason() { probe | grep -qxF "tip	$reason"; }
form=$(main_window)
click_at "$form" 128 41
wait_until 10 stop_mark >/dev/null || { probe; fail "the stop field is not marked with the reason"; }
read -r mx my mb < <(stop_mark)
# Hovering over the mark shows the tooltip.
deadline=$((SECONDS + 15))
until tip_names_reason; do
  (( SECONDS < deadline )) || { probe; fail "the mark's tooltip does not name the reason"; }
  xdotool mousemove $((mx + 4)) $(((my + mb) / 2)); sleep 0.2
  xdotool mousemove $((mx + 6)) $(((my + mb) / 2 + 1)); sleep 1
done
read -r fx fy < <(corner "$form")
import -window root -crop "600x426+$fx+$fy" "$shots/hotkey-taken.png" || fail "no screenshot"
echo "PASS: the stop field is marked and its tooltip reads \"$reason\" (screenshot $shots/hotkey-taken.png)"

# 4b. Taken from the other program with a click on the mark and the menu's
# one item; the key then reaches the player through the real keyboard.
reason='Перехвачено у другой программы'
deadline=$((SECONDS + 20))
until stop_mark >/dev/null; do
  (( SECONDS < deadline )) || { probe; fail "the mark's menu did not take the key"; }
  xdotool mousemove $((mx + 4)) $(((my + mb) / 2)) click 1; sleep 1
  xdotool key Down Return; sleep 1
done
xdotool mousemove $((mx + 6)) $(((my + mb) / 2 + 1)); sleep 1.5
import -window root -crop "600x426+$fx+$fy" "$shots/hotkey-taken-over.png" || fail "no screenshot"
press_until "$log" "COMMAND 40047 0" ctrl+alt+v || fail "the taken Ctrl+Alt+V did not reach the player"
grep -q '^PRESSED' "$holder_log" && fail "the holder saw a press of the taken key"
echo "PASS: the key was taken from its mark and reached the player, not the holder (screenshot $shots/hotkey-taken-over.png)"

# 5. The other program lets go: within a few seconds Plovik holds the key.
stop_holder
press_until "$log" "COMMAND 40047 0" ctrl+alt+v || fail "Ctrl+Alt+V was not taken back from the other program"
echo "PASS: a key let go by the other program was taken back"

# 6. The media keys against the player: stopped -> play, playing -> pause,
# paused -> pause (which resumes; play would start the track over).
commands() { grep -c '^COMMAND' "$log"; }
# next_command_is <keys> <command>: presses until the player logs a command;
# the first one logged must be the expected one, and no other may follow.
next_command_is() {
  local n deadline got
  n=$(commands)
  deadline=$((SECONDS + 20))
  until [ "$(commands)" -gt "$n" ]; do
    (( SECONDS < deadline )) || { echo "no command for $1"; return 1; }
    focus_player; xdotool key "$1"
    wait_until 1 sh -c "[ \$(grep -c '^COMMAND' '$log') -gt $n ]"
  done
  sleep 0.5
  got=$(grep '^COMMAND' "$log" | sed -n "$((n + 1)),\$p" | tr '\n' ' ')
  [ "$got" = "COMMAND $2 0 " ] || { echo "$1 sent: $got, not COMMAND $2 0"; return 1; }
}
focus_player
next_command_is XF86AudioPlay 40045 || fail "play/pause did not start the stopped player"
next_command_is XF86AudioPlay 40046 || fail "play/pause did not pause the playing player"
next_command_is XF86AudioPlay 40046 || fail "play/pause did not send pause to the paused player"
press_until "$log" "COMMAND 40048 0" XF86AudioNext || fail "the next-track key did not reach the player"
press_until "$log" "COMMAND 40044 0" XF86AudioPrev || fail "the previous-track key did not reach the player"
press_until "$log" "COMMAND 40058 0" XF86AudioRaiseVolume || fail "the volume-up key did not reach the player"
press_until "$log" "COMMAND 40059 0" XF86AudioLowerVolume || fail "the volume-down key did not reach the player"
echo "PASS: the media keys drive the player in each play state"
