#!/usr/bin/env bash
# Both languages on the screen: Plovik starts in the English the settings
# name, its tray menu switches it to Russian at once, and Russian is what
# the next start shows. Every tab is photographed in both languages at 96
# and at 144 dpi (<bin>/../screenshots/lang-<language>-<dpi>-tab<N>.png).
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
shots=$(realpath -m "$bin/../screenshots")
trap 'stop_wine; restore_dpi; stop_wine' EXIT
mkdir -p "$shots"

fail() { echo "FAIL: $*"; exit 1; }
reg_text() {
  wine reg query 'HKCU\Software\Merrowind\MRWPLOVIK' /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^    $1    REG_SZ    //p"
}
plovik_gone() { [ -z "$(xdotool search --name '^\(Merrowind\) Plovik v' 2>/dev/null)" ]; }

# shoot <file>: the settings window as it is now.
shoot() {
  local x y w h
  read -r x y < <(corner "$form")
  read -r w h < <(xdotool getwindowgeometry "$form" | awk '/Geometry/ { split($2, g, "x"); print g[1], g[2] }')
  import -window root -crop "${w}x${h}+$x+$y" "$1" || fail "no screenshot $1"
}
# The clock ticks: pictures are compared without their lower part.
top_md5() { convert "$1" +repage -crop 100%x35%+0+0 +repage rgb:- | md5sum | cut -d' ' -f1; }
# The tabs' widths follow their texts: walk along the tab row and keep
# every picture that differs from the one before, one per tab.
shoot_tabs() { # shoot_tabs <prefix> <tab row y> <window width> <dpi>
  local n=0 x seen=" " sum
  # From inside the first tab (a click beside it leaves the tab without its
  # focus mark, which would count as one more picture).
  for ((x = 17 * $4 / 96 + 14; x < $3 - 8; x += 10)); do
    click_at "$form" "$x" "$2"
    sleep 0.6
    shoot "$work_shot"
    sum=$(top_md5 "$work_shot")
    [[ "$seen" == *" $sum "* ]] && continue
    seen+="$sum "
    n=$((n + 1))
    cp "$work_shot" "$1-tab$n.png"
  done
  [ "$n" = 5 ] || fail "found $n tabs instead of 5 for $1"
}
# The tray menu opens with nothing selected: Up reaches the last item
# ("Выход"), Up Up the one before the separator (the other language).
# The menu does not always have the keyboard at once: when the condition
# does not follow, the menu is closed and opened afresh for another try.
tray_menu_until() { # tray_menu_until <condition> <keys...>
  local cond=$1 try; shift
  for try in 1 2 3 4 5; do
    (( try == 1 )) || { xdotool key Escape; sleep 0.5; }
    click_at "$(tray_window)" 12 32 3
    sleep 1
    xdotool key "$@"
    wait_until 4 "$cond" && return 0
  done
  return 1
}
language_is_ru() { [ "$(reg_text Language)" = ru ]; }

start() {
  start_plovik "$bin"
  wait_until 60 has_tray || fail "no tray icon"
  open_settings "$(tray_window)" || fail "the settings window did not open"
  form=$(main_window)
}
work_shot=$(mktemp --suffix=.png)
install_player "$bin"

for dpi in 96 144; do
  set_dpi "$dpi"
  seed_settings '"Language"="en"' '"AskOnExit"=dword:00000000'
  start
  read -r width _ < <(xdotool getwindowgeometry "$form" | awk '/Geometry/ { split($2, g, "x"); print g[1], g[2] }')
  (( width * 96 / dpi > 440 && width * 96 / dpi < 490 )) || fail "the window is $width pixels wide at $dpi dpi"
  # The tab row: the caption, then the tabs 9 pixels (at 96 dpi) below the client's top.
  row=$((41 + (dpi - 96) * 20 / 96))
  shoot_tabs "$shots/lang-en-$dpi" "$row" "$width" "$dpi"
  click_at "$form" 40 "$row"
  sleep 0.4
  shoot "$work_shot"
  english=$(top_md5 "$work_shot")

  tray_menu_until language_is_ru Up Up Return || fail "the tray menu did not switch to Russian at $dpi dpi"
  sleep 0.5
  shoot "$work_shot"
  russian=$(top_md5 "$work_shot")
  [ "$russian" != "$english" ] || fail "the window did not change when the language was switched"
  shoot_tabs "$shots/lang-ru-$dpi" "$row" "$width" "$dpi"

  tray_menu_until plovik_gone Up Return || fail "Plovik did not end through the tray menu"
  start
  click_at "$form" 40 "$row"
  sleep 0.4
  shoot "$work_shot"
  restarted=$(top_md5 "$work_shot")
  [ "$restarted" = "$(top_md5 "$shots/lang-ru-$dpi-tab1.png")" ] || fail "the next start is not in the Russian chosen in the tray menu"
  echo "PASS: at $dpi dpi English from the settings, Russian from the tray menu at once and after a restart"
  tray_menu_until plovik_gone Up Return || fail "Plovik did not end"
done
rm -f "$work_shot"
echo "PASS: screenshots of both languages at 96 and 144 dpi in $shots"
