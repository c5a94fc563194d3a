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

stop_wine() { wineserver -k >/dev/null 2>&1 || true; wait 2>/dev/null || true; }
