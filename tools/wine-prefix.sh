#!/usr/bin/env bash
# Makes the throwaway Wine prefix of a build folder, once.
# Usage: tools/wine-prefix.sh <prefix folder>
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$prefix/system.reg" ]; then
  echo "Making the Wine prefix $prefix (about 15 s)"
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
  # No crash dialog: a crashing test must fail, not wait for a person.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # The test display has no window manager: unmanaged windows spare Wine
  # waiting for one every time a window is hidden.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w || true
fi
[ -f "$prefix/system.reg" ] || { echo "Wine prefix $prefix could not be made" >&2; exit 1; }
# Wine's short names are hashes: the player's usual place, written the short
# way "C:\Progra~1\Winamp", exists only through this link.
[ -e "$prefix/drive_c/Progra~1" ] || ln -s "Program Files" "$prefix/drive_c/Progra~1"
