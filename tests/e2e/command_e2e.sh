#!/usr/bin/env bash
# The command line: a start with a command when no copy runs, every player
# action by name handed to the running copy, the exit codes, a second
# command while a question of the first waits, and /Exit.
set -uo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/session-lib.sh"
begin_scenario "$bin"

fail() { echo "FAIL: $*"; echo "--- player log (requests left out)"; grep -v '^USER ' "$log" 2>/dev/null; exit 1; }
plovik() { wine "$bin/Plovik.exe" "$@" 2>"$work/err" >"$work/out"; }
copies() { xdotool search --name '^\(Merrowind\) Plovik v4\.0$' 2>/dev/null | wc -l; }
# command <name> <player line>: the command's exit code is 0 and the line comes.
command_reaches() {
  local before
  before=$(grep -c "^$2\$" "$log")
  plovik "/$1" || fail "/$1 ended with $? ($(cat "$work/err"))"
  wait_until 10 sh -c "[ \$(grep -c '^$2\$' '$log') -gt $before ]" || fail "/$1 did not reach the player"
}

start_player "$bin" "$log" --file 'C:\Music\a.mp3' --file 'C:\Music\b.mp3' || fail "the stand-in player did not start"
install_player "$bin"
seed_settings '"AskOnExit"=dword:00000000' '"Language"="en"'

# 1. No copy runs: the start becomes the resident copy and carries the command out.
wine "$bin/Plovik.exe" /PlayNext >/dev/null 2>&1 &
wait_until 60 grep -q '^COMMAND 40048 0$' "$log" || fail "a start by command did not carry it out"
wait_until 20 sh -c '[ "$(xdotool search --name "^\(Merrowind\) Plovik v4\.0$" 2>/dev/null | wc -l)" = 1 ]' \
  || fail "the start by command did not stay resident"
echo "PASS: a start by command with no copy running carries it out and stays"

# 2. Every player action by name, in any case, reaches the running copy.
for pair in Play:40045 PAUSE:40046 stop:40047 PlayPrev:40044 PlayNext:40048 VolUp:40058 VolDown:40059 FF:40148 \
            Rew:40144 WaAbout:40041 RepeatOnOff:40022 ShowPL:40040 WaSet:40012 ShowBR:40298 ShowMW:40258 \
            ShowEQ:40036 StartVis:40192 TagSet:40188 VisSet:40190 OpenFile:40029 GoToFile:40194; do
  command_reaches "${pair%%:*}" "COMMAND ${pair##*:} 0"
done
[ "$(copies)" = 1 ] || fail "a command left $(copies) copies running"
echo "PASS: every player action by name reached the running copy, exit code 0"

# 3. Exit codes of what is not a command; nothing reaches the player.
before=$(grep -c '^COMMAND' "$log")
plovik /NoSuchAction; code=$?
[ $code = 2 ] || fail "an unknown action ended with $code"
grep -q 'NoSuchAction' "$work/err" || fail "an unknown action was not named: $(cat "$work/err")"
plovik /Play /Stop; [ $? = 2 ] || fail "two commands were not refused"
plovik Play; [ $? = 2 ] || fail "an argument without a slash was not refused"
plovik '/?'; [ $? = 0 ] || fail "/? did not end with 0"
grep -q 'PlayNext' "$work/out" || fail "/? did not list the actions: $(cat "$work/out")"
sleep 1
[ "$(grep -c '^COMMAND' "$log")" = "$before" ] || fail "a refused command reached the player"
echo "PASS: unknown, doubled and slashless commands end with 2 and change nothing; /? lists the actions"

# 4. A second command while the first one's question waits is refused with
# 4; once the question is answered, commands run again.
plovik /FDel || fail "/FDel ended with $?"
wait_until 20 sh -c 'xdotool search --onlyvisible --name "^Warning$" >/dev/null 2>&1' || fail "the delete question did not show"
before=$(grep -c '^COMMAND 40048 0$' "$log")
plovik /PlayNext; code=$?
[ $code = 4 ] || fail "a command during the question ended with $code"
grep -c '^COMMAND 40048 0$' "$log" | grep -qx "$before" || fail "the refused command ran inside the question"
box=$(xdotool search --onlyvisible --name '^Warning$' | head -n 1)
xdotool windowfocus "$box" 2>/dev/null; xdotool key --window "$box" Escape
wait_until 20 sh -c '! xdotool search --onlyvisible --name "^Warning$" >/dev/null 2>&1' || fail "the question did not close"
command_reaches PlayNext "COMMAND 40048 0"
echo "PASS: a command during a question of another is refused with 4 and runs once the question is answered"

# 5. /Exit ends the running copy through its close, which saves every value.
plovik /Exit || fail "/Exit ended with $?"
wait_until 20 sh -c '[ "$(xdotool search --name "^\(Merrowind\) Plovik v4\.0$" 2>/dev/null | wc -l)" = 0 ]' \
  || fail "/Exit did not end the running copy"
wine reg query 'HKCU\Software\Merrowind\MRWPLOVIK' /v DelToRecycle 2>/dev/null | grep -q 0x1 \
  || fail "/Exit did not save as the close does"
echo "PASS: /Exit ended the running copy and saved the settings"
