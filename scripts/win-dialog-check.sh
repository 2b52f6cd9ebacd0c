#!/usr/bin/env bash
# Drives the Windows dialog (veltrane.exe) under Wine in a virtual X display:
# the caption appears; Space on the focused "Generate Sine Wave" writes
# Test.wav byte for byte as the Linux command line writes the same request
# with the same seed time; the About box opens from the window menu and
# closes; an out-of-range frequency is reported twice (the field's check and
# the refused job) and writes nothing; Escape while a job runs ends the
# dialog with status 0 once the file is complete, and the session's end
# during a job leaves the complete file too.
#
#   scripts/win-dialog-check.sh WINDOWS_BUILD_DIR LINUX_VELTRANE_CLI [SCREENSHOT.png]
set -euo pipefail

build=$(realpath "$1")
cli=$(realpath "$2")
shot=${3:+$(realpath -m "$3")}
exe=$build/app_win32/veltrane.exe
version=$(sed -n 's/^project(Veltrane VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
caption="Test signal wave file generator - vers. $version"
seed=1700000000

export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
wine=$(command -v wine64 || command -v /usr/lib/wine/wine64 || command -v wine)
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "win-dialog-check: $*" >&2; exit 1; }
trap 'echo "win-dialog-check: failed at line $LINENO" >&2' ERR

# A display of our own, on the first free number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
# A new prefix is made first (about 15 s; it reports the 32-bit part that a
# 64-bit Wine lacks, which is no failure).
[ -d "$WINEPREFIX" ] || timeout 300 "$wine" wineboot -i >/dev/null 2>&1 || true
# One server for every run below, once the one still ending has gone.
timeout 60 wineserver -w || true
wineserver -p || true  # (a server that stayed up serves as well)
# Wine draws the window frames itself (there is no window manager here), and
# shows Arial, which Windows has, in the font with Arial's metrics.
# A Wine run that hangs at its start (rare, just after a server start) is
# ended and run again.
wine_run() {
  local _
  for _ in 1 2 3; do
    timeout -k 5 60 "$wine" "$@" >/dev/null 2>&1 && return 0
  done
  return 1
}
wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f

# Waits (up to $2 s) for a window whose whole name is $1; prints its id.
window() {
  local id
  for _ in $(seq $(($2 * 10))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
gone() {  # name, seconds
  for _ in $(seq $(($2 * 10))); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }

# Starts the dialog (again, if its window has not come within a minute);
# sets app_pid and main.
launch() {
  local _
  for _ in 1 2; do
    timeout -k 5 300 "$wine" "$exe" --seed-time "$seed" &
    app_pid=$!
    main=$(window "$caption" 60) && return 0
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  done
  fail "no window captioned '$caption'"
}

cd "$work"
launch
xdotool windowfocus "$main" 2>/dev/null || true
sleep 1

if [ -n "$shot" ]; then
  eval "$(xdotool getwindowgeometry --shell "$main")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
fi

# The default request, from the focused first button.
"$cli" sine --seed-time "$seed" -q -o "$work/reference.wav" >/dev/null 2>&1
keys space
for _ in $(seq 300); do cmp -s Test.wav reference.wav && break; sleep 0.1; done
cmp Test.wav reference.wav || fail "Test.wav differs from the command line's file"
echo "win-dialog-check: Test.wav identical to the command line's ($(stat -c %s Test.wav) bytes)"

# The window menu's last item (Up from the first) opens the About box;
# Escape closes it.
keys alt+space
keys Up Return
window "About Veltrane" 20 >/dev/null || fail "the About box did not open"
keys Escape
gone "About Veltrane" 20 || fail "the About box did not close"
echo "win-dialog-check: About box opened from the window menu and closed"

# An out-of-range frequency: Tab from the sine button reaches the frequency
# field (its text selected) after five stops; back, and Space.
rm -f Test.wav
keys Tab Tab Tab Tab Tab 5 shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
for message in "field check" "refused job"; do
  box=$(window Veltrane 20) || fail "no message for the $message"
  keys Return
  for _ in $(seq 50); do [ "$(xdotool search --onlyvisible --name '^Veltrane$' 2>/dev/null | head -n1)" != "$box" ] && break; sleep 0.1; done
done
sleep 1
[ ! -e Test.wav ] || fail "the refused job wrote Test.wav"
echo "win-dialog-check: the out-of-range frequency was reported twice and nothing was written"

# The frequency field holds the focus, its text selected: 440 again; then
# 120 s of white noise, and Escape while it is written. The dialog ends when
# the file is complete: the command line's file, byte for byte.
keys 4 4 0 shift+Tab shift+Tab shift+Tab 1 2 0
keys Tab Tab Tab Tab Tab Tab Tab Tab Tab space Escape
"$cli" white -d 120 --seed-time "$seed" -q -o "$work/white.wav" >/dev/null 2>&1
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the dialog ended with status $status"
cmp Test.wav white.wav || fail "the white noise closed during its job differs from the command line's file"
echo "win-dialog-check: Escape during a job ended the dialog with status 0 once the file was complete ($(stat -c %s Test.wav) bytes, identical)"

# The session ends (log off, shut down) during the same job: the file is
# finished before the program goes.
rm -f Test.wav
launch
xdotool windowfocus "$main" 2>/dev/null || true
sleep 1
keys Tab Tab 1 2 0 Tab Tab Tab Tab Tab Tab Tab Tab Tab space
during=$(stat -c %s Test.wav 2>/dev/null || echo 0)
timeout 120 wineboot --end-session >/dev/null 2>&1 || fail "the session did not end"
wait "$app_pid" || true
app_pid=
cmp Test.wav white.wav || fail "the white noise of the ended session differs from the command line's file"
echo "win-dialog-check: the session ended with $during bytes written; the file was then completed ($(stat -c %s Test.wav) bytes, identical)"
