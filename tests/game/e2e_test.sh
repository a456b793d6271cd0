#!/usr/bin/env bash
# The real game from a copy of data/ on a private X server, played with xdotool. Arguments: <game binary> <data folder>
set -euo pipefail

work="$(mktemp -d "${TMPDIR:-/tmp}/frostfeld-e2e-XXXXXX")"
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; tail -n 20 "$work/stdout" "$work/stderr" 2>/dev/null; exit 1; }
poll() { for ((i = 0; i < 150; i++)); do "$@" && return 0; sleep 0.2; done; return 1; }

# The server picks a free display and reports it on fd 3: no race with other servers, no desktop taking the focus.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
read -r -t 30 number <"$work/display" || fail "the X server did not start"
export DISPLAY=":$number"

cp -r "$2" "$work/data"
(cd "$work/data" && exec "$1") >"$work/stdout" 2>"$work/stderr" &
game_pid=$!
alive() { kill -0 "$game_pid" 2>/dev/null; }
find_window() { alive && window="$(xdotool search --onlyvisible --name '^Frostfeld$' | head -n 1)" && [[ -n "$window" ]]; }
poll find_window || fail "no visible window titled Frostfeld"
[[ "$(xdotool getwindowgeometry "$window")" == *"Geometry: 800x600"* ]] || fail "the window is not 800x600"

# Pointer into the window (focus follows it), keys, a throw, mouse motion; then Esc.
xdotool mousemove --window "$window" 400 300 key w a s d Up Left click 1 mousemove --window "$window" 460 280
poll grep -qx 'Mouse motion' "$work/stdout" || fail "no \"Mouse motion\" line after moving the mouse"
xdotool key Escape
poll eval '! alive' || fail "the game did not end on Esc"
wait "$game_pid" || fail "exit status $?"
# Nothing else was printed: both data files were read.
! grep -vx 'Mouse motion' "$work/stdout" || fail "unexpected output"
