#!/usr/bin/env bash
# Retakes docs/screenshot.png from the real program under Xvfb, at the start-up layout on the demo
# sequence: a click on a fold edge (row 60, column 118), 250 Hz picked in the point spectrum, and
# spectral colorizing on. Needs Xvfb, xdotool and ImageMagick (tools/dev.sh installs them) and a
# build in build/ (tools/dev.sh screenshot does both).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
display=:${TREMAX_SCREENSHOT_DISPLAY:-97}

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

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
eval "$(xdotool getwindowgeometry --shell "$main")"
zoom=$(((WIDTH - 42) / 256))
left=$((X + WIDTH - 2 - 256 * zoom))
top=$((Y + HEIGHT - 54 - 128 * zoom))
xdotool mousemove $((left + 118 * zoom + zoom / 2)) $((top + 60 * zoom + zoom / 2)) click 1
sleep 1

# 250 Hz in the point spectrum: its picture starts 40 pixels in and spans 0 … 2000 Hz.
spectrum=$(xdotool search --onlyvisible --name '^Spectrum at ' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$spectrum")"
xdotool mousemove $((X + 40 + (WIDTH - 40) * 250 / 2000)) $((Y + HEIGHT / 3)) click 1
sleep 1

# "Spectral colorizing": the third tool button.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 85)) $((Y + 37)) click 1
sleep 3

# The screen as far as the windows reach.
shot=$(mktemp --suffix=.png)
import -window root "$shot"
right=0
bottom=0
for w in $(xdotool search --onlyvisible --name '.'); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 10 ] || continue
    [ $((X + WIDTH)) -gt "$right" ] && right=$((X + WIDTH))
    [ $((Y + HEIGHT)) -gt "$bottom" ] && bottom=$((Y + HEIGHT))
done
convert "$shot" -crop "$((right + 6))x$((bottom + 6))+0+0" +repage "$out"
rm -f "$shot"
echo "wrote $out"
