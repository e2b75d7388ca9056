#!/usr/bin/env bash
# `cmake --install` puts the user's guide where the Help menu looks for it: the "help" folder
# beside the program's folder, with the pictures it shows.
set -u
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /opt/tremax >"$stage.log" 2>&1 || { cat "$stage.log"; exit 1; }
rm -f "$stage.log"
failures=0
for file in bin/tremax bin/tremax-cli help/tremax.html help/screenshot.png help/usage.png; do
    [ -f "$stage/opt/tremax/$file" ] || { echo "FAIL: $file not installed"; failures=$((failures + 1)); }
done
# Every picture the guide shows is installed beside it.
for picture in $(grep -o '<img src="[^"]*"' "$stage/opt/tremax/help/tremax.html" | sed 's/<img src="//; s/"$//'); do
    [ -f "$stage/opt/tremax/help/$picture" ] || { echo "FAIL: $picture missing"; failures=$((failures + 1)); }
done
[ "$failures" = 0 ]
