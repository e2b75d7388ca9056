# tremax-cli spectrum, rowspectra, colorize and legend, end to end on the demo sequence.
# Usage: bash spectra.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

# "B G R" of pixel ($2, $3) (row 0 at the top) of a bottom-up 24-bit BMP.
bmp_pixel() {
    local file=$1 x=$2 y=$3
    local offset width height rowbytes
    offset=$(u32 "$file" 10)
    width=$(s32 "$file" 18)
    height=$(s32 "$file" 22)
    rowbytes=$(((3 * width + 3) / 4 * 4))
    od -An -tu1 -j $((offset + (height - 1 - y) * rowbytes + 3 * x)) -N3 "$file" | tr -s ' ' | sed 's/^ //'
}

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld

# The demo's folds vibrate at 250 Hz at 4000 frames/s: bin 16 of 256. Column 134, row 64 lies on
# the right fold edge.
expect_status 0 "$cli" spectrum --x 134 --y 64 "$demo"
[ "$(head -1 "$dir/out")" = "bin,frequency_hz,power_db,phase_rad" ] || fail "spectrum header: $(head -1 "$dir/out")"
[ "$(wc -l <"$dir/out")" = 129 ] || fail "spectrum: $(wc -l <"$dir/out") lines, not 1 + 128"
peak=$(tail -n +3 "$dir/out" | sort -t, -k3 -g -r | head -1 | cut -d, -f1,2)
[ "$peak" = "16,250" ] || fail "spectrum peak at $peak, not bin 16 (250 Hz)"
grep -q '^16,250,-1[0-9]\.[0-9]*,' "$dir/out" || fail "fundamental's power: $(grep '^16,' "$dir/out")"

# A longer analysis: 300 frames give N = 512 and 256 bins.
expect_status 0 "$cli" spectrum --x 134 --y 64 --length 300 "$demo"
[ "$(wc -l <"$dir/out")" = 257 ] || fail "spectrum --length 300: $(wc -l <"$dir/out") lines, not 1 + 256"

# Colorizing selects the clicked frequency's bin and snaps to it.
expect_status 0 "$cli" colorize --frequency 251 --lo -40 --hi -20 -o "$dir/c.bmp" "$demo"
[ "$(cat "$dir/out")" = "$(printf 'bin: 16\nfrequency_hz: 250')" ] || fail "colorize said: $(cat "$dir/out")"
[ "$(s32 "$dir/c.bmp" 18)x$(s32 "$dir/c.bmp" 22)" = "256x128" ] || fail "colorized image size"
read -r b g r <<<"$(bmp_pixel "$dir/c.bmp" 134 64)"
[ $((r - g)) -gt 40 ] || fail "fold edge not coloured: $b $g $r"
read -r b g r <<<"$(bmp_pixel "$dir/c.bmp" 20 5)"
[ "$r" = "$g" ] && [ "$g" = "$b" ] || fail "still background not grey: $b $g $r"
# A frequency within bin 0 stays as given.
expect_status 0 "$cli" colorize --frequency 3 -o "$dir/c0.png" "$demo"
[ "$(cat "$dir/out")" = "$(printf 'bin: 0\nfrequency_hz: 3')" ] || fail "colorize at 3 Hz said: $(cat "$dir/out")"
# Phase as hue from a reference pixel; the same spectra whatever frame is shown.
expect_status 0 "$cli" colorize --frequency 250 --phase-ref 134,30 --frame 40 -o "$dir/p.png" "$demo"
[ -s "$dir/p.png" ] || fail "no phase picture"

# The row-spectrum image is N/2 × Height; its CSV has a line per row and bin.
expect_status 0 "$cli" rowspectra -o "$dir/r.bmp" "$demo"
[ "$(s32 "$dir/r.bmp" 18)x$(s32 "$dir/r.bmp" 22)" = "128x128" ] || fail "row-spectrum image size"
read -r b g r <<<"$(bmp_pixel "$dir/r.bmp" 16 64)"
[ "$b" -lt 64 ] || fail "fold rows not dark at the fundamental: $b"
expect_status 0 "$cli" rowspectra -o "$dir/r.csv" "$demo"
[ "$(head -1 "$dir/r.csv")" = "row,bin,frequency_hz,power_db" ] || fail "row-spectra header"
[ "$(wc -l <"$dir/r.csv")" = $((1 + 128 * 128)) ] || fail "row-spectra lines: $(wc -l <"$dir/r.csv")"

# Legends.
expect_status 0 "$cli" legend color --phase -o "$dir/lc.bmp"
expect_status 0 "$cli" legend color -o "$dir/lb.bmp"
[ $(($(s32 "$dir/lc.bmp" 18) - $(s32 "$dir/lb.bmp" 18))) = 236 ] || fail "phase legend not 236 wider than the bar"
expect_status 0 "$cli" legend gray --black -40 --white -100 -o "$dir/lg.png"
[ -s "$dir/lg.png" ] || fail "no grey-scale legend"

# Refusals.
expect_status 1 "$cli" spectrum --x 134 --y 64 --length 600 "$demo"
grep -q "must not exceed the cache size" "$dir/err" || fail "length over cache: $(cat "$dir/err")"
expect_status 1 "$cli" spectrum --x 256 --y 0 "$demo"
expect_status 2 "$cli" spectrum --y 0 "$demo"
expect_status 2 "$cli" colorize -o "$dir/x.png" "$demo"
expect_status 1 "$cli" colorize --frequency 250 --frame 600 -o "$dir/x.png" "$demo"
expect_status 1 "$cli" colorize --frequency 250 --phase-ref 300,0 -o "$dir/x.png" "$demo"
expect_status 2 "$cli" legend purple -o "$dir/x.png"
[ ! -e "$dir/x.png" ] || fail "a refused command wrote its output"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all spectra checks passed"
