#!/usr/bin/env bash
# Takes docs/glottis.png: the "Glottis" window of the real program under Xvfb on the glottis demo
# sequence (tremax-gen-demo --glottis), seeded by a click into the glottis, with the main window
# showing the outline. SCALE=1.5 takes it at Qt's scale factor 1.5. Needs Xvfb, xdotool and
# ImageMagick and a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tools/screenshot_crop.sh
. tools/screenshot_crop.sh
out=${1:-docs/glottis.png}
display=:${TREMAX_SCREENSHOT_DISPLAY:-96}
scale=${SCALE:-1}

home=$(mktemp -d)
mkdir -p build/demo
build/tools/tremax-gen-demo --glottis build/demo/glottis.bld
Xvfb "$display" -screen 0 1800x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$home"' EXIT
export DISPLAY=$display HOME=$home XDG_CONFIG_HOME=$home/.config QT_SCALE_FACTOR=$scale
export TREMAX_REGISTRY_USER_DIR=$home/registry TREMAX_REGISTRY_MACHINE_DIR=$home/registry
export TREMAX_REGISTRY_CLASSES_DIR=$home/registry
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/app/tremax build/demo/glottis.bld >/dev/null 2>&1 &
app=$!
main=$(xdotool search --sync --onlyvisible --name ' - Tremax$' | head -n1)
sleep 2
for question in $(xdotool search --onlyvisible --name '^Version check$' 2>/dev/null); do
    xdotool windowfocus --sync "$question" key Escape
    sleep 1
done
for question in $(xdotool search --onlyvisible --name 'Tremax' 2>/dev/null); do
    [ "$question" = "$main" ] || xdotool windowfocus --sync "$question" key Escape 2>/dev/null || true
done

# Window → Glottis (the menu's last entry), then "Pick seed" (the window's first control).
xdotool windowfocus --sync "$main" key alt+w
sleep 0.5
xdotool key Up Return
glottis=$(xdotool search --sync --onlyvisible --name '^Glottis$' | head -n1)
sleep 1
xdotool windowmove "$glottis" 980 0
eval "$(xdotool getwindowgeometry --shell "$main")"
mainX=$X
mainY=$Y
xdotool windowfocus --sync "$glottis" key space
sleep 0.5

# The seed: the middle of the glottis (column 127, row 63) in the main image box (as in
# screenshot.sh: 42 pixels of axis across, 54 below the box, the image at a whole zoom).
eval "$(xdotool getwindowgeometry --shell "$main")"
zoom=$(((WIDTH - 42) / 256))
left=$((X + WIDTH - 2 - 256 * zoom))
top=$((Y + HEIGHT - 54 - 128 * zoom))
xdotool mousemove $((left + 127 * zoom + zoom / 2)) $((top + 63 * zoom + zoom / 2)) click 1
sleep 3
# Frame 6, the glottis closing.
xdotool windowfocus --sync "$main" key Home Right Right Right Right Right Right
sleep 1
# The window against the screen's right edge, whatever its scale.
eval "$(xdotool getwindowgeometry --shell "$glottis")"
xdotool windowmove "$glottis" $((1800 - WIDTH)) 0
sleep 2

shoot_windows "$out"
