# Shell helpers shared by `make run` and the desktop scenarios: start the
# stand-in player and Plovik under Wine, wait for conditions, press keys.
# Source it; needs WINEPREFIX and DISPLAY set.

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# wait_until <seconds> <command...>: polls the command until it succeeds.
wait_until() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    (( SECONDS >= deadline )) && return 1
    sleep 0.2
  done
}

# win_path <unix path>: the same path as Wine programs see it.
win_path() { echo "Z:$(realpath -m "$1" | tr '/' '\\')"; }

# start_player <bin dir> <log file> [player args...]: starts the 64-bit
# stand-in player in the background and waits until it is ready.
start_player() {
  local bin=$1 log=$2; shift 2
  rm -f "$log"
  wine "$bin/winamp_peer64.exe" --log "$(win_path "$log")" "$@" >/dev/null 2>&1 &
  PLAYER_PID=$!
  wait_until 60 grep -q '^READY' "$log" 2>/dev/null
}

# start_plovik <bin dir>: starts Plovik.exe in the background.
start_plovik() {
  wine "$1/Plovik.exe" >/dev/null 2>&1 &
  PLOVIK_PID=$!
}

# Global hot keys reach Wine only while a Wine window has the focus.
focus_player() {
  local wid
  wid=$(xdotool search --name ' - Winamp' 2>/dev/null | head -n 1)
  [ -n "$wid" ] && xdotool windowfocus "$wid" 2>/dev/null
}

# press_until <log> <expected line> <keys>: presses the keys until the player
# logs the line (Plovik may still be registering its keys at the first press).
press_until() {
  local log=$1 line=$2 keys=$3
  local deadline=$((SECONDS + 60))
  while (( SECONDS < deadline )); do
    focus_player
    xdotool key "$keys"
    if wait_until 1 grep -qxF "$line" "$log"; then return 0; fi
  done
  return 1
}

# seed_settings [extra .reg lines...]: replaces Plovik's settings with the
# demonstration bindings that the README lists (Ctrl+Alt+X play, C pause,
# V stop, Z previous, N next, Up/Down volume, S shuffle, I track balloon).
seed_settings() {
  local reg
  reg=$(mktemp --suffix=.reg)
  {
    printf 'REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\r\n'
    printf '"Play"=dword:0000c058\r\n"Pause"=dword:0000c043\r\n"Stop"=dword:0000c056\r\n'
    printf '"PlayPrev"=dword:0000c05a\r\n"PlayNext"=dword:0000c04e\r\n"VolUp"=dword:0000c026\r\n'
    printf '"VolDown"=dword:0000c028\r\n"ShuffleOnOff"=dword:0000c053\r\n"FileInfo"=dword:0000c049\r\n'
    for line in "$@"; do printf '%s\r\n' "$line"; done
  } >"$reg"
  wine regedit /S "$(win_path "$reg")" >/dev/null 2>&1
  rm -f "$reg"
}

stop_wine() { wineserver -k >/dev/null 2>&1 || true; wait 2>/dev/null || true; }

# The desktop's DPI for the programs started next (96 is the prefix's own).
desktop='HKCU\Control Panel\Desktop'
restore_dpi() { wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1; }
set_dpi() {
  stop_wine
  if [ "$1" = 96 ]; then restore_dpi; else
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
  stop_wine
}

# install_player <bin dir> [player args...]: puts the 32-bit stand-in player
# where Plovik looks first, "C:\Progra~1\Winamp\Winamp.exe" (the prefix links
# "Progra~1" to "Program Files", see tools/wine-prefix.sh).
# Started by Plovik without arguments, the stand-in reads them from peer.args.
install_player() {
  local bin=$1; shift
  local drive=$WINEPREFIX/drive_c
  mkdir -p "$drive/Program Files/Winamp"
  cp "$bin/winamp_peer32.exe" "$drive/Program Files/Winamp/Winamp.exe"
  printf '%s\n' "$@" >"$drive/Program Files/Winamp/peer.args"
}

# Geometry of a window as "x y": its top-left corner on the screen.
corner() { xdotool getwindowgeometry "$1" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }'; }
# click_at <window> <dx> <dy> [button] [repeat]: clicks at a point of a window.
click_at() {
  local x y
  read -r x y < <(corner "$1")
  xdotool mousemove $((x + $2)) $((y + $3)) click --repeat "${5:-1}" --delay 120 "${4:-1}"
}
main_window() { xdotool search --onlyvisible --name '^Plovik v[0-9][0-9.]*$' 2>/dev/null | head -n 1; }
# Without a desktop, Wine shows tray icons in a window of its own; Plovik's
# icon is its first, 12 pixels right and 32 down from the window's corner.
tray_window() { xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -n 1; }
has_tray() { [ -n "$(tray_window)" ]; }
# open_settings <tray window>: double-clicks Plovik's tray icon until its
# settings window shows.
open_settings() {
  local deadline=$((SECONDS + 20))
  until [ -n "$(main_window)" ]; do
    (( SECONDS < deadline )) || return 1
    click_at "$1" 12 32 1 2
    sleep 1
  done
}

# A desktop scenario's scratch folder $work (removed at the end, with Wine
# stopped), the player's log $log in it, and $shots, the screenshot folder
# beside the build's binaries. Usage: begin_scenario <bin folder>
begin_scenario() {
  work=$(mktemp -d)
  shots=$(realpath -m "$1/../screenshots")
  log=$work/player.log
  trap 'stop_wine; rm -rf "$work"' EXIT
}
