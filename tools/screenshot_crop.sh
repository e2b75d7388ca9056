# Sourced by the picture scripts: shoot_windows OUT takes the screen of $DISPLAY and keeps it as
# far as the visible windows reach (with a small margin), written to OUT.
shoot_windows() {
    local out=$1 shot right=0 bottom=0 w
    shot=$(mktemp --suffix=.png)
    import -window root "$shot"
    for w in $(xdotool search --onlyvisible --name '.'); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 10 ] || continue
        [ $((X + WIDTH)) -gt "$right" ] && right=$((X + WIDTH))
        [ $((Y + HEIGHT)) -gt "$bottom" ] && bottom=$((Y + HEIGHT))
    done
    convert "$shot" -crop "$((right + 6))x$((bottom + 6))+0+0" +repage "$out"
    rm -f "$shot"
    echo "wrote $out"
}
