#!/usr/bin/env bash
# End-to-end test: starts the real game from a copy of data/, drives it with
# xdotool (a click, keys, mouse motion, Esc), checks screenshots, the exit
# status and the lines on standard output.
#
# Usage: e2e_test.sh <frostfeld binary> <data folder>
#
# It runs on a private virtual X server when Xvfb is installed, so that
# neither a desktop session nor other tests drawing at the same time can take
# the pointer or the keyboard focus. Without Xvfb it uses $DISPLAY; with
# neither it exits 77, which CTest reports as skipped.
set -euo pipefail

game="$1"
data="$2"
skip_code=77

# With FROSTFELD_E2E_ARTIFACTS set to a folder, a failed run leaves its screenshots there.
fail() {
  echo "FAILED: $*"
  if [[ -n "${FROSTFELD_E2E_ARTIFACTS:-}" ]]; then
    cp "$work"/*.png "$FROSTFELD_E2E_ARTIFACTS"/ 2>/dev/null || true
  fi
  if [[ -f "${work:-}/stdout" ]]; then
    echo "--- game stdout (last lines) ---"
    tail -n 20 "$work/stdout"
    echo "--- game stderr ---"
    cat "$work/stderr"
  fi
  exit 1
}

server_pid=""
work="$(mktemp -d "${TMPDIR:-/tmp}/frostfeld-e2e-XXXXXX")"
game_pid=""
cleanup() {
  if [[ -n "$game_pid" ]] && kill -0 "$game_pid" 2>/dev/null; then
    kill "$game_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if command -v Xvfb >/dev/null; then
  # The server picks a free display number itself and reports it on fd 3, which
  # avoids the race of guessing one while other servers start.
  number_pipe="$(mktemp -u "${TMPDIR:-/tmp}/frostfeld-e2e-display-XXXXXX")"
  mkfifo "$number_pipe"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_pipe" >/dev/null 2>&1 &
  server_pid=$!
  read -r -t 30 display_number <"$number_pipe" || display_number=""
  rm -f "$number_pipe"
  if [[ -z "$display_number" ]]; then
    echo "FAILED: the private X server did not start"
    kill "$server_pid" 2>/dev/null || true
    exit 1
  fi
  export DISPLAY=":$display_number"
elif [[ -z "${DISPLAY:-}" ]]; then
  echo "SKIPPED: no X display and no Xvfb"
  exit "$skip_code"
fi

cp -r "$data" "$work/data"
(cd "$work/data" && exec "$game") >"$work/stdout" 2>"$work/stderr" &
game_pid=$!

# Polls "$@" every 0.2 s for up to $1 seconds; the game must stay alive meanwhile.
poll() {
  local seconds="$1"
  shift
  local tries=$((seconds * 5))
  for ((i = 0; i < tries; i++)); do
    if "$@"; then return 0; fi
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended early"
    sleep 0.2
  done
  return 1
}

window=""
find_window() { window="$(xdotool search --onlyvisible --name '^Frostfeld$' 2>/dev/null | head -n 1)"; [[ -n "$window" ]]; }
poll 60 find_window || fail "no visible window titled Frostfeld"

geometry="$(xdotool getwindowgeometry "$window")"
[[ "$geometry" == *"Geometry: 800x600"* ]] || fail "window is not 800x600: $geometry"

shot() { import -silent -window "$window" "$work/$1.png"; }

# Fraction (0..1) of the pixels in a region that lie near a colour.
# Usage: fraction_near <image> <crop WxH+X+Y> <colour> <fuzz %>
fraction_near() {
  local size="${2%%+*}"
  local differing
  convert "$1" -crop "$2" +repage -alpha off "$work/region.png"
  convert -size "$size" "xc:$3" "$work/solid.png"
  differing="$(compare -metric AE -fuzz "$4%" "$work/region.png" "$work/solid.png" null: 2>&1 || true)"
  [[ "$differing" =~ ^[0-9]+$ ]] || fail "compare answered: $differing"
  awk -v d="$differing" -v s="$size" 'BEGIN { split(s, wh, "x"); printf "%.6f\n", 1 - d / (wh[1] * wh[2]) }'
}
# Succeeds when the floating-point comparison "$1" holds, e.g. "0.3 > 0.1".
holds() { awk "BEGIN { exit !($1) }"; }

fog="rgb(204,230,242)"      # the clear and fog colour (0.8, 0.9, 0.95)
red="rgb(255,0,0)"

# The first frames differ (the first clears to black and looks from the origin, the
# second from the height found there); without input the view then stays the same.
differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
settled() {
  [[ -f "$work/start.png" ]] && mv "$work/start.png" "$work/previous.png"
  shot start
  [[ -f "$work/previous.png" && "$(differing_pixels "$work/previous.png" "$work/start.png")" == "0" ]]
}
poll 30 settled || fail "the picture never settled"

# From the second frame on the background, here the sky in the top left corner, is fog.
sky_share="$(fraction_near "$work/start.png" 200x100+0+0 "$fog" 1)"
holds "$sky_share > 0.9" || fail "no fog-coloured sky ($sky_share)"

# Health text: red glyphs in the top right corner (from x 660, baseline 580 up).
red_share="$(fraction_near "$work/start.png" 140x30+660+0 "$red" 10)"
holds "$red_share > 0.03" || fail "no red health text in the top right corner ($red_share)"
holds "$(fraction_near "$work/start.png" 660x600+0+0 "$red" 10) < 0.001" || fail "red pixels outside the text corner"

# Terrain: the lower half of the view is ground, textured, not background.
ground_share="$(fraction_near "$work/start.png" 800x300+0+300 "$fog" 2)"
holds "$ground_share < 0.5" || fail "lower half is mostly fog ($ground_share), no terrain drawn"
ground_colours="$(convert "$work/start.png" -crop 800x300+0+300 +repage -format '%k' info:)"
((ground_colours > 50)) || fail "terrain looks untextured: $ground_colours colours"

# Drive it: pointer into the window (focus follows it), a throw, mouse motion, keys.
xdotool mousemove --window "$window" 400 300
xdotool click 1
for offset in 30 60 90; do
  xdotool mousemove --window "$window" $((400 + offset)) $((300 - offset / 3))
  sleep 0.05
done
xdotool key w w d Up Right
has_motion_line() { grep -q '^Mouse motion$' "$work/stdout"; }
poll 30 has_motion_line || fail "no \"Mouse motion\" line after moving the mouse"

# Turning and walking change the view for good, so the picture must change.
view_changed() {
  shot moved
  local differing
  differing="$(differing_pixels "$work/start.png" "$work/moved.png")"
  [[ "$differing" =~ ^[0-9.e+]+$ ]] && holds "$differing > 1000"
}
poll 30 view_changed || fail "the view did not change after mouse motion and keys"

# Esc ends the game with status 0.
xdotool key Escape
ended() { ! kill -0 "$game_pid" 2>/dev/null; }
for ((i = 0; i < 150; i++)); do ended && break; sleep 0.2; done
ended || fail "the game did not end on Esc"
status=0
wait "$game_pid" || status=$?
game_pid=""
((status == 0)) || fail "exit status $status"

! grep -q 'Could not open bitmap' "$work/stdout" || fail "the snow texture was not loaded"
! grep -q 'File not found' "$work/stdout" || fail "the model file was not found"
! grep -q 'Problem reading file' "$work/stdout" || fail "the model file was not read"
echo "PASSED: window, fog, health text, terrain, input, Esc, exit status 0"
