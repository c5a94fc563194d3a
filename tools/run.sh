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

# The stand-in player goes where Winamp usually is; Plovik starts it itself
# ("Запуск Winamp с программой" is on in the demonstration settings).
start_both() {
  rm -f "$log"
  install_player "$bin" --log "$(win_path "$log")" "${player_args[@]}"
  start_plovik "$bin"
  if wait_until 60 grep -sq '^READY' "$log"; then
    echo "Plovik started the stand-in player from C:\Progra~1\Winamp\Winamp.exe."
  else
    echo "Plovik did not start the player (is \"Запуск Winamp с программой\" off?)"
  fi
}
demo_settings() { seed_settings '"AutoLoadPr&Wa"=dword:00000001'; }

if [ -n "${DISPLAY:-}" ] && [ -z "${PLOVIK_DEMO:-}" ]; then
  trap stop_wine EXIT
  trap 'echo; echo "Stopping."; exit 0' INT TERM
  # The tests share this prefix, so every run starts from the demonstration settings.
  demo_settings
  start_both
  echo "Plovik and the stand-in player are running on $DISPLAY."
  echo "Double-click Plovik's tray icon for its settings window."
  echo "Focus any Wine window and press Ctrl+Alt+X (play), Ctrl+Alt+N (next), Ctrl+Alt+V (stop)..."
  echo "What the player receives is logged to $log (shown here without the"
  echo "requests by which Plovik follows the player). Ctrl+C stops both."
  tail -f "$log" | grep --line-buffered -v '^USER 0 ' &
  wait "$PLOVIK_PID"
  exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
  export PLOVIK_DEMO=1
  exec "$here/with-xvfb.sh" "$0" "$build"
fi

# The demonstration on a private display.
trap stop_wine EXIT
demo_settings
start_both
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
# A double click on the tray icon opens the settings window.
if wait_until 20 has_tray && open_settings "$(tray_window)"; then
  echo "  double-clicked the tray icon -> the settings window opened"
fi
sleep 0.5
import -window root "$shot" 2>/dev/null && echo "Screenshot: $shot"
echo "The player's log ($log):"
grep -v '^USER 0 ' "$log" | sed 's/^/  /'
echo "  (the requests Plovik makes to follow the player, \"USER 0 <code>\", are left out)"
