#!/usr/bin/env bash
# The game as a desktop application: installs the game component into a fresh
# prefix and checks the installed files, with the desktop's own validators.
# Usage: desktop_test.sh <cmake> <build folder>
set -euo pipefail

app_id="io.github.frostfeld.Frostfeld"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/frostfeld-desktop-XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

"$1" --install "$2" --component game --prefix "$prefix" >/dev/null
share="$prefix/share"
entry="$share/applications/$app_id.desktop"
for file in "$entry" "$share/metainfo/$app_id.metainfo.xml" "$share/man/man6/frostfeld.6" \
            "$share/icons/hicolor/scalable/apps/$app_id.svg" "$share/frostfeld/snow.bmp" "$share/frostfeld/texturen/female.iv"; do
  [[ -f "$file" ]] || fail "not installed: ${file#"$prefix"/}"
done
for size in 16 22 24 32 48 64 128 256; do
  [[ "$(identify -format '%wx%h' "$share/icons/hicolor/${size}x${size}/apps/$app_id.png" 2>/dev/null)" == "${size}x${size}" ]] ||
    fail "no ${size}x${size} icon"
done
# The entry starts the launcher on the PATH and names the installed icon.
[[ -x "$prefix/bin/frostfeld" ]] && grep -qx 'Exec=frostfeld' "$entry" || fail "the entry does not start bin/frostfeld"
grep -qx "Icon=$app_id" "$entry" || fail "the entry's icon is not $app_id"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
# Also pairs the metainfo's id and launchable with the installed entry.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli rejects the installed metainfo"
((failures == 0)) || exit 1
echo "PASSED: desktop entry, metainfo, manual page and icons installed and valid"
