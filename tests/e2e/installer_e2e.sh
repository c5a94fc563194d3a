#!/usr/bin/env bash
# The setup program as a user meets it, in the test prefix: made by the same
# script as `make dist`, refused an unwritable folder, installed silently both
# ways of the auto-start choice, Plovik started from the installed place and
# working with a key, an upgrade over a running copy that keeps a changed
# setting and a changed log-on box, folders refused with a copy running (one
# holding a user's files, one unwritable), an install inside the user's folder
# and its uninstall that leave the user's files as they were, a hung copy that
# stops the upgrade, silent uninstalls with and without the settings, and every
# page of setup and uninstaller shown once (screenshots in
# <bin>/../screenshots/installer-*.png).
# Usage: installer_e2e.sh <bin folder> <version>
set -uo pipefail
bin=$(realpath "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
# No menu entries in the Linux desktop of whoever runs the tests.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
begin_scenario "$bin"
mkdir -p "$shots"

fail() { echo "FAIL: $*"; exit 1; }
pass() { echo "PASS: $*"; }

bash "$here/../../tools/dist.sh" "$bin/Plovik.exe" "$version" "$work/dist" >/dev/null || fail "make dist's script failed"
setup=$(win_path "$work/dist/Plovik-$version-setup.exe")

# Wine names the profile after the Unix user.
user=$(id -un)
profile=$WINEPREFIX/drive_c/users/$user
appdir=$profile/AppData/Local/Programs/Plovik
appwin="C:\\users\\$user\\AppData\\Local\\Programs\\Plovik"
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Plovik.lnk"
settings='HKCU\Software\Merrowind\MRWPLOVIK'
run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Plovik'

# reg_get <key> <value>: the value's data as `reg query` prints it.
reg_get() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
reg_has() { [ -n "$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep "^    $2    ")" ]; }
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
expect() { # expect <what> <got> <wanted>
  [ "$2" = "$3" ] || fail "$1: got '$2', wanted '$3'"
}
# The log-on entry after an upgrade: the given command when the option is
# on (1), no entry when it is off.
expect_run_entry() { # expect_run_entry <wanted 0|1> <entry> <when>
  if [ "$1" = 1 ]; then
    expect "auto-start entry $3" "$(reg_get "$run" Plovik)" "$2"
  else
    reg_has "$run" Plovik && fail "auto-start entry left $3"
  fi
  return 0
}

plovik_running() { [ -n "$(xdotool search --name '^\(Merrowind\) Plovik v' 2>/dev/null)" ]; }
plovik_gone() { ! plovik_running; }
start_installed() {
  wine "$appwin\\Plovik.exe" >/dev/null 2>&1 &
  PLOVIK_PID=$!
  wait_until 60 has_tray || fail "Plovik started from the installed place shows no tray icon"
}
# Without a desktop Wine starts an uninstaller's copy in the background:
# its end is seen in what it removes.
uninstalled() { [ ! -e "$appdir" ] && ! key_exists "$uninstall"; }

clean_slate() {
  wineserver -k >/dev/null 2>&1
  wine reg delete "$settings" /f >/dev/null 2>&1
  wine reg delete "$uninstall" /f >/dev/null 2>&1
  wine reg delete "$run" /v Plovik /f >/dev/null 2>&1
  rm -rf "$appdir" "$shortcut"
}
clean_slate

# ---- a folder that cannot be written: a message and nothing installed
wine "$setup" /S /AUTOSTART=1 '/D=Z:\proc\Plovik' >/dev/null 2>&1 && fail "setup into an unwritable folder reported success"
key_exists "$uninstall" && fail "a failed setup left an uninstall entry"
key_exists "$settings" && fail "a failed setup wrote settings"
reg_has "$run" Plovik && fail "a failed setup wrote an auto-start entry"
[ -e "$shortcut" ] && fail "a failed setup left a shortcut"
pass "setup into an unwritable folder failed and left nothing"

# ---- silent install, auto-start off
wine "$setup" /S /LANGUAGE=ru /AUTOSTART=0 >/dev/null 2>&1 || fail "silent setup failed"
cmp -s "$appdir/Plovik.exe" "$bin/Plovik.exe" || fail "the installed Plovik.exe is not this build's"
for f in Uninstall.exe README.txt LICENSE.txt; do [ -s "$appdir/$f" ] || fail "$f is not installed"; done
[ -s "$shortcut" ] || fail "no Start-menu shortcut"
expect DisplayName "$(reg_get "$uninstall" DisplayName)" Plovik
expect DisplayVersion "$(reg_get "$uninstall" DisplayVersion)" "$version"
expect Publisher "$(reg_get "$uninstall" Publisher)" Merrowind
expect DisplayIcon "$(reg_get "$uninstall" DisplayIcon)" "$appwin\\Plovik.exe,0"
expect UninstallString "$(reg_get "$uninstall" UninstallString)" "\"$appwin\\Uninstall.exe\""
expect QuietUninstallString "$(reg_get "$uninstall" QuietUninstallString)" "\"$appwin\\Uninstall.exe\" /S"
size=$(reg_get "$uninstall" EstimatedSize)
(( size > 1000 )) || fail "EstimatedSize $size KB is not the size of the files"
expect "AutoLoadPr after setup without auto-start" "$(reg_get "$settings" AutoLoadPr)" 0x0
expect Language "$(reg_get "$settings" Language)" ru
reg_has "$run" Plovik && fail "auto-start entry written although not chosen"
pass "silent setup installed files, shortcut and uninstall entry; auto-start off"

# ---- again, auto-start on and English
wine "$setup" /S /LANGUAGE=en /AUTOSTART=1 >/dev/null 2>&1 || fail "silent setup over the installed copy failed"
expect "AutoLoadPr after setup with auto-start" "$(reg_get "$settings" AutoLoadPr)" 0x1
expect Language "$(reg_get "$settings" Language)" en
entry_by_setup=$(reg_get "$run" Plovik)
[ -n "$entry_by_setup" ] || fail "no auto-start entry although chosen"
usual_entry=$entry_by_setup
pass "silent setup with auto-start wrote the option and the entry \"$entry_by_setup\""

# ---- Plovik from the installed place works with a key
wine reg add "$settings" /v Play /t REG_DWORD /d 0xc058 /f >/dev/null 2>&1          # Ctrl+Alt+X
wine reg add "$settings" /v AskOnExit /t REG_DWORD /d 1 /f >/dev/null 2>&1
# The clicks below find the tabs where the Russian texts put them.
wine reg add "$settings" /v Language /t REG_SZ /d ru /f >/dev/null 2>&1
# The player at its usual place, or Plovik's first start asks where it is.
install_player "$bin"
start_player "$bin" "$log" --file 'C:\Music\a.mp3' --file 'C:\Music\b.mp3' || fail "the stand-in player did not start"
start_installed
press_until "$log" "COMMAND 40045 0" ctrl+alt+x || fail "Ctrl+Alt+X from the installed Plovik did not reach the player"
pass "Plovik started from the installed place plays with Ctrl+Alt+X"

# ---- upgrade over the running copy: it saves a setting changed in its window
tray=$(tray_window)
open_settings "$tray" || fail "the settings window did not open"
form=$(main_window)
click_at "$form" 397 41         # the last tab
click_at "$form" 52 156         # "Плавный стоп"
sleep 0.5
[ "$(reg_get "$settings" FadeOut)" != 0x1 ] || fail "the click on \"Плавный стоп\" was saved at once"
wine "$setup" /S >/dev/null 2>&1 || fail "setup over a running copy failed"
plovik_gone || fail "setup left the old copy running"
expect "FadeOut changed in the window, after the upgrade" "$(reg_get "$settings" FadeOut)" 0x1
expect "Play binding after the upgrade" "$(reg_get "$settings" Play)" 0xc058
expect "Language after an upgrade without a choice" "$(reg_get "$settings" Language)" ru
expect "AutoLoadPr after an upgrade without a choice" "$(reg_get "$settings" AutoLoadPr)" 0x1
cmp -s "$appdir/Plovik.exe" "$bin/Plovik.exe" || fail "the upgrade did not leave this build's Plovik.exe"
pass "setup over a running copy ended it without a question and kept the setting changed in its window"

# ---- the log-on box changed in the running copy's window and not saved: what
# the copy saves at its end is in force after the upgrade, option and entry,
# unless the setup program's switch chooses.
# Rows: the stored option, the setup program's switch (- none), the option wanted.
for row in "1 - 0" "0 - 1" "0 /AUTOSTART=0 0" "1 /AUTOSTART=1 1"; do
  read -r stored switch wanted <<<"$row"
  [ "$switch" = - ] && switch=
  wine reg add "$settings" /v AutoLoadPr /t REG_DWORD /d "$stored" /f >/dev/null 2>&1
  if [ "$stored" = 1 ]; then
    wine reg add "$run" /v Plovik /t REG_SZ /d "$entry_by_setup" /f >/dev/null 2>&1
  else
    wine reg delete "$run" /v Plovik /f >/dev/null 2>&1
  fi
  start_installed
  open_settings "$(tray_window)" || fail "the settings window did not open"
  form=$(main_window)
  click_at "$form" 397 41       # the last tab
  click_at "$form" 52 92        # "Автозагрузка программы"
  sleep 0.5
  expect "AutoLoadPr right after the click on its box" "$(reg_get "$settings" AutoLoadPr)" "0x$stored"
  wine "$setup" /S $switch >/dev/null 2>&1 || fail "setup $switch over a copy with its log-on box changed failed"
  plovik_gone || fail "setup left the old copy running"
  expect "AutoLoadPr after the upgrade (stored $stored, box changed, switch '$switch')" \
         "$(reg_get "$settings" AutoLoadPr)" "0x$wanted"
  expect_run_entry "$wanted" "$entry_by_setup" "after the upgrade (stored $stored, switch '$switch')"
done
pass "the log-on box changed in the running copy's window is in force after the upgrade, a switch over it"

# ---- the program writes the same auto-start entry as the setup program
wine reg add "$settings" /v AskOnExit /t REG_DWORD /d 0 /f >/dev/null 2>&1
start_installed
wine reg delete "$run" /v Plovik /f >/dev/null 2>&1
open_settings "$(tray_window)" || fail "the settings window did not open"
click_at "$(main_window)" 95 350    # "Выход из программы"
wait_until 20 plovik_gone || fail "Plovik did not end through its exit button"
expect "the program's own auto-start entry" "$(reg_get "$run" Plovik)" "$entry_by_setup"
pass "the program's auto-start box and the setup program write the same entry"

# ---- the same in a folder whose name has spaces (the entry's quoting rule)
spaced_win='C:\Plovik Test\Plovik'
spaced=$WINEPREFIX/drive_c/Plovik\ Test/Plovik
# /D takes the rest of the command line as it stands, spaces and all: through
# cmd, which passes it on unquoted (wine would quote the argument).
wine cmd /c "$setup /S /AUTOSTART=1 /D=$spaced_win" >/dev/null 2>&1 || fail "silent setup into a folder with spaces failed"
[ -s "$spaced/Plovik.exe" ] || fail "nothing installed into the folder with spaces"
entry_by_setup=$(reg_get "$run" Plovik)
wine "$spaced_win\\Plovik.exe" >/dev/null 2>&1 &
wait_until 60 has_tray || fail "Plovik from the folder with spaces shows no tray icon"
wine reg delete "$run" /v Plovik /f >/dev/null 2>&1
open_settings "$(tray_window)" || fail "the settings window did not open"
click_at "$(main_window)" 95 350    # "Выход из программы"
wait_until 20 plovik_gone || fail "Plovik did not end through its exit button"
expect "the program's own entry for a folder with spaces" "$(reg_get "$run" Plovik)" "$entry_by_setup"
wine "$spaced_win\\Uninstall.exe" /S >/dev/null 2>&1
wait_until 60 test ! -e "$spaced" || fail "the uninstaller left the folder with spaces"
wine "$setup" /S >/dev/null 2>&1 || fail "silent setup back into the usual folder failed"
pass "in a folder with spaces both write \"$entry_by_setup\""

# ---- folders refused with Plovik running: one holding a user's files, one
# that cannot be written. The copy keeps running and nothing changes.
papers=$WINEPREFIX/drive_c/Papers
papers_win='C:\Papers'
mkdir -p "$papers"
printf 'My own notes\r\n' >"$papers/README.txt"
printf 'My own licence\r\n' >"$papers/LICENSE.txt"
cp -a "$papers" "$work/papers-before"
start_installed
# Rows: the folder, the exit code wanted.
for row in "$papers_win 5" 'Z:\proc\Plovik 4'; do
  read -r folder code <<<"$row"
  wine "$setup" /S "/D=$folder" >/dev/null 2>&1
  expect "exit code of setup into $folder" "$?" "$code"
  plovik_running || fail "setup refused $folder but ended the running Plovik"
  diff -r "$work/papers-before" "$papers" >/dev/null || fail "setup refused $folder but changed the user's folder"
  expect "InstallLocation after setup refused $folder" "$(reg_get "$uninstall" InstallLocation)" "$appwin"
done
pass "setup refused a folder with a user's files (5) and an unwritable one (4), and left Plovik running"

# ---- into a folder of its own inside the user's, and uninstalled again: the
# uninstaller takes its own files and leaves the user's, byte for byte.
wine "$setup" /S "/D=$papers_win\\Plovik" >/dev/null 2>&1 || fail "setup into a new folder inside the user's failed"
wait_until 20 plovik_gone || fail "setup into another folder left Plovik running"
[ -s "$papers/Plovik/Plovik.exe" ] || fail "nothing installed into the new folder inside the user's"
printf 'Kept beside Plovik\r\n' >"$papers/Plovik/notes.txt"
cp -a "$papers/Plovik/notes.txt" "$work/notes-before.txt"
wine "$papers_win\\Plovik\\Uninstall.exe" /S >/dev/null 2>&1
wait_until 60 bash -c "[ ! -e '$papers/Plovik/Uninstall.exe' ] && ! wine reg query '$uninstall' >/dev/null 2>&1" ||
  fail "the uninstall from inside the user's folder did not finish"
cmp -s "$papers/Plovik/notes.txt" "$work/notes-before.txt" || fail "the uninstaller took a file it had not installed"
[ "$(ls "$papers/Plovik")" = notes.txt ] || fail "the uninstaller left its own files: $(ls "$papers/Plovik")"
rm "$papers/Plovik/notes.txt" && rmdir "$papers/Plovik"
diff -r "$work/papers-before" "$papers" >/dev/null || fail "the install and uninstall changed the user's folder"
rm -rf "$papers"
wine "$setup" /S >/dev/null 2>&1 || fail "silent setup back into the usual folder failed"
pass "an install inside a user's folder and its uninstall left the user's files as they were"

# ---- a copy that does not answer: the upgrade stops, changes nothing
wine "$bin/hung_copy.exe" "$(win_path "$work/hung.ready")" >/dev/null 2>&1 &
wait_until 30 test -e "$work/hung.ready" || fail "the hung copy did not start"
wine reg add "$uninstall" /v DisplayVersion /t REG_SZ /d 0.9 /f >/dev/null 2>&1
wine reg add "$settings" /v Language /t REG_SZ /d en /f >/dev/null 2>&1
started=$SECONDS
wine "$setup" /S /LANGUAGE=ru >/dev/null 2>&1 && fail "setup reported success with a copy that does not close"
(( SECONDS - started >= 5 )) || fail "setup gave up on the running copy too soon"
expect "DisplayVersion after the stopped upgrade" "$(reg_get "$uninstall" DisplayVersion)" 0.9
expect "Language after the stopped upgrade" "$(reg_get "$settings" Language)" en
wineserver -k >/dev/null 2>&1
wine reg add "$uninstall" /v DisplayVersion /t REG_SZ /d "$version" /f >/dev/null 2>&1
pass "a copy that does not close stopped the setup program, which changed nothing"

# ---- silent uninstall over a running copy keeps the settings
start_installed
wine "$appwin\\Uninstall.exe" /S >/dev/null 2>&1
wait_until 60 uninstalled || fail "the silent uninstall did not remove the files and the entry"
wait_until 20 plovik_gone || fail "the uninstaller left Plovik running"
[ -e "$shortcut" ] && fail "the uninstaller left the shortcut"
reg_has "$run" Plovik && fail "the uninstaller left the auto-start entry"
expect "FadeOut kept by the uninstaller" "$(reg_get "$settings" FadeOut)" 0x1
expect "AutoLoadPr after uninstall" "$(reg_get "$settings" AutoLoadPr)" 0x0
pass "silent uninstall ended Plovik, removed files, shortcut, entries, and kept the settings"

# ---- and with /REMOVESETTINGS the settings go too
wine "$setup" /S >/dev/null 2>&1 || fail "silent setup after the uninstall failed"
expect "FadeOut kept for the next install" "$(reg_get "$settings" FadeOut)" 0x1
wine "$appwin\\Uninstall.exe" /S /REMOVESETTINGS >/dev/null 2>&1
wait_until 60 uninstalled || fail "the second silent uninstall did not finish"
wait_until 20 bash -c "! wine reg query '$settings' >/dev/null 2>&1" || fail "/REMOVESETTINGS kept the settings"
pass "silent uninstall with /REMOVESETTINGS removed the settings"

# ---- every page, interactively: Return through the setup program, which
# starts Plovik at the end, then through the uninstaller with its box ticked.
clean_slate
wizard() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1; }
has_wizard() { [ -n "$(wizard "$1")" ]; }
shoot_page() { # shoot_page <title pattern> <name>
  local w x y wd ht
  wait_until 30 has_wizard "$1"
  w=$(wizard "$1")
  [ -n "$w" ] || fail "no window '$1' for the page $2"
  xdotool windowfocus "$w" 2>/dev/null
  sleep 0.8
  read -r x y < <(corner "$w")
  read -r wd ht < <(xdotool getwindowgeometry "$w" | awk '/Geometry/ { split($2, g, "x"); print g[1], g[2] }')
  import -window root -crop "${wd}x${ht}+$x+$y" "$shots/installer-$2.png" || fail "no screenshot of $2"
}
next_page() { xdotool key Return; }
wine "$setup" >/dev/null 2>&1 &
n=0
for page in language welcome licence components folder; do
  n=$((n + 1))
  shoot_page 'Plovik' "$n-$page"
  next_page
done
wait_until 60 test -e "$appdir/Uninstall.exe" || fail "the interactive setup did not install"
shoot_page 'Plovik' 6-finish
next_page
wait_until 60 plovik_running || fail "\"Start Plovik now\" on the last page did not start Plovik"
[ "$(reg_get "$settings" Language)" = en ] || fail "the language chosen on the first page was not stored"
pass "the interactive setup went through its pages and started Plovik"

# ---- page by page over that copy: the log-on box changed in its window and
# not saved holds when the box on the components page is left as shown, and
# the box changed on the page wins.
# Rows: the box clicked in the window (- not), on the page (- not), the option wanted.
# The setup program's pages are found by a title the settings window lacks.
setup_page() { xdotool windowfocus "$(wizard '^Plovik [0-9]')" 2>/dev/null; }
# The last page comes when the setup program is done; its Return starts Plovik.
finish_page() {
  setup_page
  xdotool key Return
  wait_until 2 plovik_running
}
for row in "box - 1" "- box 0"; do
  read -r in_window on_page wanted <<<"$row"
  wait_until 60 has_tray || fail "Plovik started by the setup program shows no tray icon"
  if [ "$in_window" = box ]; then
    stored=$(reg_get "$settings" AutoLoadPr)
    open_settings "$(tray_window)" || fail "the settings window did not open"
    form=$(main_window)
    click_at "$form" 273 41     # the last tab, "Options" in English
    click_at "$form" 52 92      # "Start Plovik when I log on"
    sleep 0.5
    expect "AutoLoadPr right after the click on its box" "$(reg_get "$settings" AutoLoadPr)" "$stored"
  fi
  wine "$setup" >/dev/null 2>&1 &
  for page in language welcome licence components folder; do
    wait_until 30 has_wizard '^Plovik [0-9]' || fail "no page $page of the setup program over a running copy"
    setup_page
    sleep 0.8
    [ "$page" = components ] && [ "$on_page" = box ] && { xdotool key Down space; sleep 0.3; }
    next_page
  done
  wait_until 60 plovik_gone || fail "the setup program page by page left the running copy running"
  wait_until 60 finish_page || fail "\"Start Plovik now\" after the upgrade did not start Plovik"
  expect "AutoLoadPr after the upgrade page by page (box in the window $in_window, on the page $on_page)" \
         "$(reg_get "$settings" AutoLoadPr)" "0x$wanted"
  expect_run_entry "$wanted" "$usual_entry" "after the upgrade page by page"
done
pass "page by page, the log-on box changed in the running copy's window held, and the page's box won"

wine "$appwin\\Uninstall.exe" >/dev/null 2>&1 &
shoot_page 'Plovik' 7-uninstall-confirm
next_page
shoot_page 'Plovik' 8-uninstall-choice
xdotool key Down space           # "Also remove my settings"
shoot_page 'Plovik' 9-uninstall-choice-ticked
next_page
wait_until 60 uninstalled || fail "the interactive uninstall did not finish"
shoot_page 'Plovik' 10-uninstall-done
next_page
wait_until 20 bash -c "! wine reg query '$settings' >/dev/null 2>&1" || fail "the ticked box kept the settings"
plovik_gone || fail "the interactive uninstall left Plovik running"
pass "the interactive uninstall ended Plovik and removed the settings as ticked; pages in $shots"
