#!/usr/bin/env bash
# Retakes the README's pictures from the real program under Xvfb, with a small window manager
# (openbox) on a plain desktop, at the start-up layout on the demo sequence: a click on a fold
# edge (row 60, column 118), 250 Hz picked in the point spectrum, and spectral colorizing on.
#   tools/screenshot.sh [OUT]          the start-up picture (docs/screenshot.png)
#   tools/screenshot.sh --usage [OUT]  the same with View -> "Color legend" (docs/usage.png)
# Needs Xvfb, openbox, xdotool and ImageMagick (tools/dev.sh installs them) and a build in build/
# (tools/dev.sh screenshot does both). The program starts with settings of its own, in a
# scratch folder, so that no saved layout moves the windows. QT_SCALE_FACTOR=1.5 takes the
# pictures at 1.5x.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=tools/screenshot_crop.sh
. tools/screenshot_crop.sh
usage=0
if [ "${1:-}" = --usage ]; then
    usage=1
    shift
fi
out=${1:-docs/screenshot.png}
[ "$usage" = 1 ] && out=${1:-docs/usage.png}
display=:${TREMAX_SCREENSHOT_DISPLAY:-97}
scratch=$(mktemp -d)
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export TREMAX_REGISTRY_USER_DIR=$scratch/registry TREMAX_REGISTRY_MACHINE_DIR=$scratch/registry
export TREMAX_REGISTRY_CLASSES_DIR=$scratch/registry

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
wm=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; [ -n "$wm" ] && kill "$wm" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A window manager and a plain desktop: title bars and frames as on a user's screen.
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1
xsetroot -solid '#5a7490'

# X, Y, WIDTH and HEIGHT of a window's client area on the screen (inside the window manager's frame).
client_geometry() {
    local info
    info=$(xwininfo -id "$1")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/.*Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/.*Height: *//p' <<<"$info")
}

build/app/tremax build/demo/demo.bld >/dev/null 2>&1 &
app=$!
main=$(xdotool search --sync --onlyvisible --name ' - Tremax$' | head -n1)
sleep 2  # the start-up layout is applied once the file is open

# A first start asks whether to look for a new version now: not for the picture.
for question in $(xdotool search --onlyvisible --name '^Version check$' 2>/dev/null); do
    xdotool windowfocus --sync "$question" key Escape
    sleep 1
done

# The image box: the main window's client area less its chrome (42 across: the row axis and a
# margin; 60 above the box: menu, tool bar, gap; 54 below it), the image at a whole zoom.
client_geometry "$main"
zoom=$(((WIDTH - 42) / 256))
left=$((X + WIDTH - 2 - 256 * zoom))
top=$((Y + HEIGHT - 54 - 128 * zoom))
xdotool mousemove $((left + 118 * zoom + zoom / 2)) $((top + 60 * zoom + zoom / 2)) click 1
sleep 1

# 250 Hz in the point spectrum: its picture starts 40 pixels in and spans 0 … 2000 Hz.
spectrum=$(xdotool search --onlyvisible --name '^Spectrum at ' | head -n1)
client_geometry "$spectrum"
xdotool mousemove $((X + 40 + (WIDTH - 40) * 250 / 2000)) $((Y + HEIGHT / 3)) click 1
sleep 1

# "Spectral colorizing": the third tool button.
client_geometry "$main"
xdotool mousemove $((X + 85)) $((Y + 37)) click 1
sleep 3

# The colour legend: the last item of the View menu.
if [ "$usage" = 1 ]; then
    xdotool windowactivate --sync "$main" key alt+v Up Return
    sleep 2
fi

# The screen as far as the windows reach.
shoot_windows "$out"
