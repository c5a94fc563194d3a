#!/usr/bin/env bash
# The on-screen display and the now-playing file with the real keys: in both
# languages at 96 and 144 dpi, the song (track key), the volume (volume-up
# key) and a word (shuffle key) are photographed where the display stands
# (<bin>/../screenshots/osd-<language>-<dpi>-<kind>.png), and the file
# follows the song the next-track key moves to and is emptied by the stop key.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
begin_scenario "$bin"
mkdir -p "$shots"
trap 'stop_wine; restore_dpi; stop_wine; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
now_file=$work/now.txt
now_is() { [ "$(cat "$now_file" 2>/dev/null)" = "$1" ]; }
# The display stands in the lower right corner of the 1280 x 800 screen.
shoot_osd() { import -window root -crop 760x300+520+500 +repage "$1" || fail "no screenshot $1"; }
# press_key <keys> <log line>: the key, pressed until the player logs what it
# asks (lines logged before the press do not count).
logged_since() { tail -n +"$(($1 + 1))" "$log" | grep -qxF "$2"; }
press_key() {
  local from deadline=$((SECONDS + 30))
  from=$(wc -l <"$log")
  until logged_since "$from" "$2"; do
    (( SECONDS < deadline )) || fail "$1 did not reach the player"
    focus_player
    xdotool key "$1"
    wait_until 1 logged_since "$from" "$2" && break
  done
}

# Where Plovik looks for the player first, so that it asks nothing at start.
install_player "$bin"
for dpi in 96 144; do
  set_dpi "$dpi"
  for lang in ru en; do
    seed_settings "\"Language\"=\"$lang\"" '"OsdKeys"=dword:00000001' '"OsdSeconds"=dword:0000000a' \
      '"NowPlaying"=dword:00000001' "\"NowPlayingFile\"=\"$(win_path "$now_file" | sed 's/\\/\\\\/g')\"" \
      '"AskOnExit"=dword:00000000'
    rm -f "$now_file"
    start_player "$bin" "$log" --file 'C:\Music\Artist One - First Song.mp3' \
      --file 'C:\Music\Artist Two - Second Song.mp3' --length 225 --play || fail "the stand-in player did not start"
    start_plovik "$bin"
    wait_until 60 has_tray || fail "no tray icon"
    wait_until 20 now_is "Artist One - First Song" || fail "the file does not name the first song: $(cat "$now_file" 2>/dev/null)"

    # The track key asks the player for the length it shows.
    press_key ctrl+alt+i "USER 1 105"
    sleep 0.5
    shoot_osd "$shots/osd-$lang-$dpi-song.png"
    press_key ctrl+alt+Up "COMMAND 40058 0"
    sleep 0.5
    shoot_osd "$shots/osd-$lang-$dpi-volume.png"
    press_key ctrl+alt+s "COMMAND 40023 0"
    sleep 0.5
    shoot_osd "$shots/osd-$lang-$dpi-word.png"

    press_key ctrl+alt+n "COMMAND 40048 0"
    wait_until 10 now_is "Artist Two - Second Song" || fail "the file did not follow the next song"
    press_key ctrl+alt+v "COMMAND 40047 0"
    wait_until 10 now_is "" || fail "the stop key did not empty the file"
    echo "PASS: display and file in $lang at $dpi dpi"
    stop_wine
  done
done
echo "PASS: screenshots of the display in $shots"
