# tremax-cli's CSV tables of the kymogram and of colorizing, end to end on a small sequence
# whose bytes python3 writes (the expected values are read from those bytes, not from the tool).
# Usage: bash tables.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

# 4 x 3 pixels, 64 frames at 64 frames/s: column c of every row swings c + 1 times over the
# 64 frames; column 3 holds 7 throughout (it has no spectrum).
python3 - "$dir" <<'PY'
import math, sys
d = sys.argv[1]
with open(d + "/t.par", "w") as f:
    f.write("RESOLUTION: 4x3\nFRAMES/S: 64\nFRAMES: 64\n")
with open(d + "/t.bld", "wb") as f:
    for fr in range(64):
        for y in range(3):
            f.write(bytes([7 if c == 3 else 100 + y + round(50 * math.sin(2 * math.pi * fr * (c + 1) / 64))
                           for c in range(4)]))
PY
seq=$dir/t.bld
byte() { python3 -c "import sys; b=open('$seq','rb').read(); print(b[$1*12 + $2*4 + $3])"; }

# Kymogram of row 1 over frames 2 … 5: one line per column and frame, the file's byte and the
# grey of the bitmap the same command writes as an image.
expect_status 0 "$cli" kymogram --row 1 --from 2 --to 5 -o "$dir/k.csv" "$seq"
expect_status 0 "$cli" kymogram --row 1 --from 2 --to 5 -o "$dir/k.bmp" "$seq"
[ "$(head -1 "$dir/k.csv")" = "column,frame,value,grey" ] || fail "kymogram header: $(head -1 "$dir/k.csv")"
[ "$(wc -l <"$dir/k.csv")" = 17 ] || fail "kymogram table of $(wc -l <"$dir/k.csv") lines, not 1 + 4 columns x 4 frames"
offset=$(u32 "$dir/k.bmp" 10)
for c in 0 1 3; do
    for k in 0 3; do
        frame=$((2 + k))
        # bottom-up rows of 4 pixels (12 bytes, already a multiple of 4); line c is bitmap row c
        grey=$(od -An -tu1 -j $((offset + (3 - c) * 12 + 3 * k)) -N1 "$dir/k.bmp" | tr -d ' ')
        want="$c,$frame,$(byte "$frame" 1 "$c"),$grey"
        grep -qx "$want" "$dir/k.csv" || fail "kymogram line $want missing"
    done
done

# Colorizing at 1 Hz (bin 1 of 64): every pixel's power and phase at that bin, the same numbers
# the spectrum command prints for that pixel; the constant column has empty fields.
expect_status 0 "$cli" colorize --frequency 1 --length 64 -o "$dir/c.csv" "$seq"
grep -qx "bin: 1" "$dir/out" || fail "colorize did not select bin 1: $(cat "$dir/out")"
[ "$(head -1 "$dir/c.csv")" = "row,column,frequency_hz,power_db,phase_rad" ] || fail "colorize header: $(head -1 "$dir/c.csv")"
[ "$(wc -l <"$dir/c.csv")" = 13 ] || fail "colorize table of $(wc -l <"$dir/c.csv") lines, not 1 + 12 pixels"
expect_status 0 "$cli" spectrum --x 0 --y 2 --length 64 "$seq"
at_bin1=$(awk -F, '$1 == 1 { print $2 "," $3 "," $4 }' "$dir/out")
grep -qx "2,0,$at_bin1" "$dir/c.csv" || fail "pixel 0,2 is not 2,0,$at_bin1 in the colorize table"
grep -qx "1,3,1,," "$dir/c.csv" || fail "the constant pixel 3,1 has values: $(grep '^1,3,' "$dir/c.csv")"
# Column 0 swings once over the block: its strongest bin is 1 (power highest of all columns).
best=$(awk -F, 'NR > 1 && $4 != "" { if (!n++ || $4 > m) { m = $4; c = $2 } } END { print c }' "$dir/c.csv")
[ "$best" = 0 ] || fail "the strongest power at 1 Hz is in column $best, not 0"

# Row spectra of 64 frames: 3 rows of 32 bins (rows and bins differ, so a swap shows). Every
# row's mean swings once, twice and three times over the block (columns 0 to 2): in every row
# the bins 1 to 4 (the three and the window's spread) stand 20 dB above all bins from 6 on.
expect_status 0 "$cli" rowspectra --length 64 --cache 64 -o "$dir/r.csv" "$seq"
python3 - "$dir/r.csv" <<'PY' || fail "row spectra table: $(head -3 "$dir/r.csv")"
import sys
lines = open(sys.argv[1]).read().splitlines()
assert lines[0] == "row,bin,frequency_hz,power_db", lines[0]
rows = [line.split(",") for line in lines[1:]]
assert len(rows) == 3 * 32, len(rows)
assert [(int(r[0]), int(r[1])) for r in rows] == [(y, k) for y in range(3) for k in range(32)]
for r in rows:
    assert float(r[2]) == int(r[1]), r
for y in range(3):
    power = {int(r[1]): float(r[3]) for r in rows if int(r[0]) == y}
    assert min(power[k] for k in range(1, 5)) > max(power[k] for k in range(6, 32)) + 20, (y, power)
PY

[ "$failures" = 0 ] || exit 1
echo "tables: all checks passed"
