#!/usr/bin/env bash
# `make run`: starts the stand-in player and Plovik under Wine.
# With a display: both stay until Ctrl+C. Without one: a private Xvfb,
# a few key presses, what the player received, a screenshot, and stop.
set -uo pipefail
build=$(realpath "${1:-build}")
bin=$build/bin
here=$(cd "$(dirname "$0")" && pwd)
source "$here/session-lib.sh"
log=$build/run-player.log
shot=$build/run-screenshot.png

music=('C:\Music\Artist One - First Song.mp3' 'C:\Music\Artist Two - Second Song.mp3' 'C:\Music\Artist Three - Third Song.mp3')
player_args=()
for f in "${music[@]}"; do player_args+=(--file "$f"); done

if [ -n "${DISPLAY:-}" ] && [ -z "${PLOVIK_DEMO:-}" ]; then
  trap 'echo; echo "Stopping."; stop_wine' INT TERM EXIT
  start_player "$bin" "$log" "${player_args[@]}" || { echo "The stand-in player did not start"; exit 1; }
  # The demonstration bindings, unless settings were made here before.
  wine reg query 'HKCU\Software\Merrowind\MRWPLOVIK' >/dev/null 2>&1 || seed_settings
  start_plovik "$bin"
  echo "Plovik and the stand-in player are running on $DISPLAY."
  echo "Focus any Wine window and press Ctrl+Alt+X (play), Ctrl+Alt+N (next), Ctrl+Alt+V (stop)..."
  echo "What the player receives is logged to $log. Ctrl+C stops both."
  tail -f "$log" &
  wait "$PLOVIK_PID"
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  export PLOVIK_DEMO=1
  exec "$here/with-xvfb.sh" "$0" "$build"
fi

# The demonstration on a private display.
trap stop_wine EXIT
start_player "$bin" "$log" "${player_args[@]}" || { echo "The stand-in player did not start"; exit 1; }
seed_settings
start_plovik "$bin"
echo "Plovik and the stand-in player are running on the private display $DISPLAY."
for step in "ctrl+alt+x:COMMAND 40045 0:Play" "ctrl+alt+n:COMMAND 40048 0:Next track" \
            "ctrl+alt+Up:COMMAND 40058 0:Volume up" "ctrl+alt+c:COMMAND 40046 0:Pause"; do
  IFS=: read -r keys line what <<<"$step"
  if press_until "$log" "$line" "$keys"; then
    echo "  pressed $keys -> the player received \"$line\" ($what)"
  else
    echo "  pressed $keys -> nothing reached the player"
  fi
done
sleep 0.5
import -window root "$shot" 2>/dev/null && echo "Screenshot: $shot"
echo "The player's log ($log):"
sed 's/^/  /' "$log"
