# tremax-cli glottis and pvg, end to end on the glottis test sequence (tremax-gen-demo --glottis):
# folds meeting on the middle line x = 127.5, rows 16 … 111, vibrating at 230 Hz, 4000 frames/s.
# Usage: bash glottis.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

"$gen" --glottis "$dir/g.bld" || { echo "FAIL: cannot make the glottis sequence"; exit 1; }
seq=$dir/g.bld

# The parameters over the whole file: 230 Hz within 1 %; the open quotient within 0.05 of 0.6207,
# the share of a cycle in which 0.35 + sin φ + 0.3 sin 2φ exceeds 5 % of its peak (by hand, in
# steps of 0.0001 cycle).
expect_status 0 "$cli" glottis --seed 127,63 --from 0 --to 1023 -o "$dir/wave.csv" "$seq"
[ "$(head -1 "$dir/out")" = "name,value,unit" ] || fail "parameter header: $(head -1 "$dir/out")"
value() { awk -F, -v n="$1" '$1 == n { print $2 }' "$dir/out"; }
unit() { awk -F, -v n="$1" '$1 == n { print $3 }' "$dir/out"; }
awk -v v="$(value f0_mean)" 'BEGIN { exit !(v > 227.7 && v < 232.3) }' || fail "f0_mean $(value f0_mean), not 230 ± 1 %"
[ "$(unit f0_mean)" = Hz ] || fail "f0 unit $(unit f0_mean)"
awk -v v="$(value open_quotient_mean)" 'BEGIN { exit !(v > 0.5707 && v < 0.6707) }' ||
    fail "open_quotient_mean $(value open_quotient_mean), not 0.6207 ± 0.05"
for name in cycles f0_sd period_mean speed_quotient_mean closing_quotient_mean glottal_gap_index_mean \
            jitter_local shimmer_local amplitude_periodicity time_periodicity; do
    [ -n "$(value $name)" ] || fail "no value for $name"
done
[ "$(unit jitter_local)" = "%" ] || fail "jitter unit $(unit jitter_local)"

# The waveform: one row per frame; frame 0 (motion 0.35 in every row) has 20 · 0.35 / 1.35 ·
# Σ sin(πk/95), k = 0 … 95 = 313.5 pixels, within 5 % of the 1332-pixel peak.
[ "$(head -1 "$dir/wave.csv")" = "frame,area" ] || fail "waveform header: $(head -1 "$dir/wave.csv")"
[ "$(wc -l <"$dir/wave.csv")" = 1025 ] || fail "waveform has $(wc -l <"$dir/wave.csv") lines, not 1025"
awk -F, 'NR > 1 && $1 != NR - 2 { bad = 1 } END { exit bad }' "$dir/wave.csv" || fail "frames not 0 … 1023 in order"
awk -F, 'NR == 2 { d = $2 - 313.5; exit !(d < 67 && d > -67) }' "$dir/wave.csv" ||
    fail "frame 0 area $(sed -n 2p "$dir/wave.csv"), not 313.5 ± 67"

# Default span: frames 0 … 100, as the kymogram's.
expect_status 0 "$cli" glottis --seed 127,63 -o "$dir/default.csv" "$seq"
[ "$(wc -l <"$dir/default.csv")" = 102 ] || fail "default span has $(wc -l <"$dir/default.csv") lines, not 102"

# A region of interest that holds only the upper half of the folds measures less.
expect_status 0 "$cli" glottis --seed 127,40 --roi 100,10,150,63 -o "$dir/half.csv" "$seq"
awk -F, 'NR == FNR { a[$1] = $2; next } FNR > 1 && $2 > a[$1] { bad = 1 } END { exit bad }' \
    "$dir/default.csv" "$dir/half.csv" || fail "half the folds measure more than all of them"

# The phonovibrogram as PNG and BMP.
expect_status 0 "$cli" pvg --seed 127,63 --from 0 --to 200 -o "$dir/pvg.png" "$seq"
[ "$(head -c 8 "$dir/pvg.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "pvg.png is not a PNG"
expect_status 0 "$cli" pvg --seed 127,63 --from 0 --to 200 -o "$dir/pvg.bmp" "$seq"
[ "$(head -c 2 "$dir/pvg.bmp")" = BM ] || fail "pvg.bmp is not a BMP"
# 201 frames and a 64-pixel legend wide.
[ "$(s32 "$dir/pvg.bmp" 18)" = 265 ] || fail "pvg.bmp is $(s32 "$dir/pvg.bmp" 18) wide, not 265"

# Refusals, and nothing written for them.
expect_status 2 "$cli" glottis "$seq"
grep -q -- "--seed" "$dir/err" || fail "no word of --seed: $(cat "$dir/err")"
expect_status 1 "$cli" glottis --seed 256,0 "$seq"
expect_status 1 "$cli" glottis --seed 127,63 --from 50 --to 10 "$seq"
expect_status 1 "$cli" glottis --seed 127,63 --to 1024 "$seq"
expect_status 2 "$cli" glottis --seed 127,63 --roi 1,2,3 "$seq"
expect_status 1 "$cli" glottis --seed 127,63 --roi 0,0,20,20 "$seq"
grep -q "outside the region of interest" "$dir/err" || fail "roi message: $(cat "$dir/err")"
expect_status 1 "$cli" glottis --seed 127,63 -o "$dir/wave.png" "$seq"
[ ! -e "$dir/wave.png" ] || fail "glottis wrote a picture"
expect_status 2 "$cli" pvg --seed 127,63 "$seq"
expect_status 1 "$cli" pvg --seed 5,5 -o "$dir/none.png" "$seq"
grep -q "No glottis found at 5,5" "$dir/err" || fail "no-glottis message: $(cat "$dir/err")"
[ ! -e "$dir/none.png" ] || fail "pvg wrote a picture of nothing"

[ "$failures" = 0 ] || { echo "$failures failures"; exit 1; }
echo "glottis: all checks passed"
