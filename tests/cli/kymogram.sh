# tremax-cli kymogram and waveform, end to end on the demo sequence.
# Usage: bash kymogram.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

# The blue bytes of bitmap line $2 (0 at the top) of a bottom-up 24-bit BMP, one per line.
bmp_line() {
    local file=$1 line=$2
    local offset width height rowbytes
    offset=$(u32 "$file" 10)
    width=$(s32 "$file" 18)
    height=$(s32 "$file" 22)
    rowbytes=$(((3 * width + 3) / 4 * 4))
    od -An -tu1 -v -j $((offset + (height - 1 - line) * rowbytes)) -N $((3 * width)) "$file" |
        tr -s ' ' '\n' | grep -v '^$' | awk 'NR % 3 == 1'
}

# Periods of a series that is a whole number of periods long: dark-to-bright steps counted
# around the circle, with hysteresis against the noise. Prints the count and the step positions.
periods() {
    awk -v lo="$1" -v hi="$2" '
        { v[n++] = $1 }
        END {
            state = -1
            for (i = 0; i < n && state < 0; i++) { if (v[i] < lo) state = 0; else if (v[i] > hi) state = 1 }
            count = 0; steps = ""
            for (j = 0; j < 2 * n; j++) {
                i = j % n
                if (state == 0 && v[i] > hi) { state = 1; if (j >= n) { count++; steps = steps " " i } }
                else if (state == 1 && v[i] < lo) state = 0
            }
            print count steps
        }'
}

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld

# The demo's folds vibrate at 250 Hz, 4000 frames/s: 16 frames per period. 128 frames of the
# fold row through the glottis (the centre column) hold exactly 8 periods.
expect_status 0 "$cli" kymogram --row 64 --from 0 --to 127 --gray 128 -o "$dir/fold.bmp" "$demo"
[ "$(s32 "$dir/fold.bmp" 18)" = 128 ] || fail "width $(s32 "$dir/fold.bmp" 18), not 128 = to - from + 1"
[ "$(s32 "$dir/fold.bmp" 22)" = 256 ] || fail "height $(s32 "$dir/fold.bmp" 22), not the image width 256"
read -r count steps <<<"$(bmp_line "$dir/fold.bmp" 127 | periods 30 60)"
[ "$count" = 8 ] || fail "the fold row shows $count periods in 128 frames, not 8"
prev=""
for s in $steps; do
    if [ -n "$prev" ]; then
        d=$((s - prev))
        [ "$d" -ge 15 ] && [ "$d" -le 17 ] || fail "period of $d frames (steps at$steps), not 16"
    fi
    prev=$s
done
# A row above the folds does not vibrate.
expect_status 0 "$cli" kymogram --row 5 --from 0 --to 127 --gray 128 -o "$dir/still.bmp" "$demo"
read -r count _ <<<"$(bmp_line "$dir/still.bmp" 127 | periods 30 60)"
[ "$count" = 0 ] || fail "a still row shows $count periods"

# A span elsewhere in the sequence: pixel 0 is the span's first frame, the same picture as the
# span that starts there.
expect_status 0 "$cli" kymogram --row 64 --from 1000 --to 1099 -o "$dir/late.bmp" "$demo"
[ "$(s32 "$dir/late.bmp" 18)" = 100 ] || fail "width of 1000 … 1099 is $(s32 "$dir/late.bmp" 18), not 100"
expect_status 0 "$cli" kymogram --row 64 --from 1000 --to 1000 -o "$dir/one.bmp" "$demo"
[ "$(bmp_line "$dir/late.bmp" 127 | head -1)" = "$(bmp_line "$dir/one.bmp" 127)" ] ||
    fail "pixel 0 of 1000 … 1099 is not frame 1000"

# Defaults: frames 0 … 100, the middle row; PNG as well.
expect_status 0 "$cli" kymogram -o "$dir/default.bmp" "$demo"
[ "$(s32 "$dir/default.bmp" 18)" = 101 ] || fail "default width $(s32 "$dir/default.bmp" 18), not 101"
expect_status 0 "$cli" kymogram --edge -o "$dir/edge.png" "$demo"
[ -s "$dir/edge.png" ] || fail "no PNG written"

# Refusals: a span the cache cannot hold, a reversed span, a row outside the image, no output.
expect_status 1 "$cli" kymogram --from 0 --to 512 -o "$dir/x.bmp" "$demo"
expect_status 0 "$cli" kymogram --from 0 --to 511 -o "$dir/x.bmp" "$demo"
expect_status 1 "$cli" kymogram --from 50 --to 49 -o "$dir/x.bmp" "$demo"
expect_status 1 "$cli" kymogram --from -1 --to 49 -o "$dir/x.bmp" "$demo"
expect_status 1 "$cli" kymogram --row 128 -o "$dir/x.bmp" "$demo"
expect_status 2 "$cli" kymogram "$demo"
expect_status 1 "$cli" kymogram -o "$dir/x.bmp" "$dir/missing.bld"

# Waveform: the block's frames, sample i being frame start + i, with the same 16-frame period.
expect_status 0 "$cli" waveform --x 127 --y 64 --start 300 --length 64 "$demo"
[ "$(head -1 "$dir/out")" = "index,frame,value" ] || fail "waveform header: $(head -1 "$dir/out")"
[ "$(wc -l <"$dir/out")" = 65 ] || fail "waveform of 64 samples has $(wc -l <"$dir/out") lines"
awk -F, 'NR > 1 && ($1 != NR - 2 || $2 != 300 + NR - 2 || $3 < 0 || $3 > 255) { bad = 1 } END { exit bad }' \
    "$dir/out" || fail "waveform rows are not index, start + index, byte"
read -r count _ <<<"$(tail -n +2 "$dir/out" | cut -d, -f3 | periods 30 60)"
[ "$count" = 4 ] || fail "the waveform shows $count periods in 64 frames, not 4"
expect_status 2 "$cli" waveform --x 127 "$demo"
expect_status 1 "$cli" waveform --x 256 --y 0 "$demo"
expect_status 1 "$cli" waveform --x 0 --y 0 --length 600 "$demo"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "kymogram.sh: all passed"
