#!/usr/bin/env bash
# The game as a desktop application: installs the game component into a fresh
# prefix, validates the installed menu entry and metainfo with the desktop's own
# tools, and checks that every file is in its place, the icons at their sizes
# and as tools/make_icon.py draws them.
#
# Usage: desktop_test.sh <cmake> <source folder> <build folder>
set -euo pipefail

cmake="$1"
source_dir="$2"
build_dir="$3"
app_id="io.github.frostfeld.Frostfeld"

work="$(mktemp -d "${TMPDIR:-/tmp}/frostfeld-desktop-XXXXXX")"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

prefix="$work/prefix"
"$cmake" --install "$build_dir" --component game --prefix "$prefix" >/dev/null

share="$prefix/share"
entry="$share/applications/$app_id.desktop"
for file in "$entry" "$share/metainfo/$app_id.metainfo.xml" "$share/man/man6/frostfeld.6" \
            "$share/icons/hicolor/scalable/apps/$app_id.svg" \
            "$share/frostfeld/snow.bmp" "$share/frostfeld/texturen/female.iv"; do
  [[ -f "$file" ]] || fail "not installed: ${file#"$prefix"/}"
done

# The entry starts the launcher on the PATH and names the icon that is installed.
[[ -x "$prefix/bin/frostfeld" ]] || fail "no launcher bin/frostfeld"
grep -qx 'Exec=frostfeld' "$entry" || fail "the entry does not start bin/frostfeld"
grep -qx "Icon=$app_id" "$entry" || fail "the entry's icon is not $app_id"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
# Also checks that the metainfo's id and launchable match the installed entry.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli rejects the installed metainfo"

for size in 16 22 24 32 48 64 128 256; do
  icon="$share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  if [[ ! -f "$icon" ]]; then
    fail "no ${size}x${size} icon"
  elif [[ "$(identify -format '%wx%h' "$icon")" != "${size}x${size}" ]]; then
    fail "the ${size}x${size} icon is $(identify -format '%wx%h' "$icon")"
  fi
done

# The committed icons are what the generator draws today.
python3 "$source_dir/tools/make_icon.py" "$work/icons"
diff -r "$work/icons" "$source_dir/desktop/icons" >/dev/null ||
  fail "desktop/icons differ from what tools/make_icon.py draws: run it and commit the result"

if ((failures)); then
  exit 1
fi
echo "PASSED: desktop entry, metainfo, manual page and icons installed and valid"
