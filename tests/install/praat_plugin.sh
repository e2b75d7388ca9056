#!/usr/bin/env bash
# `cmake --install` puts the Praat plugin into share/tremax/plugin_Tremax, its command running the
# installed program (the prefix given at install time, not at configure time).
set -u
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix "/opt/it's tremax" >"$stage.log" 2>&1 || { cat "$stage.log"; exit 1; }
rm -f "$stage.log"
plugin="$stage/opt/it's tremax/share/tremax/plugin_Tremax"
failures=0
grep -qx 'Add menu command: "SoundEditor", "Time", "Show in Tremax", "", 0, "show_in_tremax.praat"' "$plugin/setup.praat" \
    || { echo "FAIL: setup.praat does not add \"Show in Tremax\""; failures=$((failures + 1)); }
# The shell word for /opt/it's tremax/bin/tremax, inside a Praat string.
want="runSystem_nocheck: \"'/opt/it'\\''s tremax/bin/tremax' --show-time \", fixed\$ (tremax_cursor, 6), \" >/dev/null 2>&1 &\""
grep -qxF "$want" "$plugin/show_in_tremax.praat" \
    || { echo "FAIL: show_in_tremax.praat does not run the installed program:"; cat "$plugin/show_in_tremax.praat"; failures=$((failures + 1)); }
[ "$failures" = 0 ]
