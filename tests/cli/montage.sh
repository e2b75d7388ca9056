# tremax-cli montage, end to end on the demo sequence (256 x 128, 2048 frames at 4000 frames/s),
# the pixels checked against the frame file by an independent reader.
# Usage: bash montage.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"
check="$(dirname "$0")/check_montage.py"

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld
size() { echo "$(s32 "$1" 18)x$(s32 "$1" 22)"; }

# Defaults: 4 x 3 tiles four frames apart, frame numbers, rows doubled (256 x 128 -> 256 x 256).
expect_status 0 "$cli" montage -o "$dir/m.bmp" "$demo"
[ "$(s32 "$dir/m.bmp" 18)" = 1024 ] || fail "default width $(s32 "$dir/m.bmp" 18), not 1024"
height=$(s32 "$dir/m.bmp" 22)
band=$((height / 3 - 256))
[ $((height % 3)) = 0 ] && [ "$band" -gt 10 ] && [ "$band" -lt 80 ] ||
    fail "default height $height is not 3 x (text band + 256)"
# No text: no bands; another start and levels whose mapping has halves (v = 30: 25.5 -> 26).
expect_status 0 "$cli" montage --text none --frame 1000 --nx 2 --ny 1 --black 20 --white 120 -o "$dir/n.bmp" "$demo"
[ "$(size "$dir/n.bmp")" = 512x256 ] || fail "no text: $(size "$dir/n.bmp"), not 512x256"
expect_status 0 "$cli" montage --text none --no-aspect -o "$dir/a.bmp" "$demo"
[ "$(size "$dir/a.bmp")" = 1024x384 ] || fail "no aspect: $(size "$dir/a.bmp"), not 1024x384"
# Times take the same band as frame numbers; tiles past the last frame show the missing fill.
expect_status 0 "$cli" montage --text time --frame 2046 --skip 1 --nx 1 --ny 4 -o "$dir/t.bmp" "$demo"
[ "$(size "$dir/t.bmp")" = "256x$((4 * (band + 256)))" ] || fail "times: $(size "$dir/t.bmp"), not 4 tiles down"

if command -v python3 >/dev/null; then
    python3 "$check" "$dir/m.bmp" "$demo" 256 128 0 4 4 3 0 255 1 2 1 || fail "default montage pixels"
    python3 "$check" "$dir/n.bmp" "$demo" 256 128 1000 4 2 1 20 120 1 2 0 || fail "no-text montage pixels"
    python3 "$check" "$dir/t.bmp" "$demo" 256 128 2046 1 1 4 0 255 1 2 1 || fail "montage past the end"
else
    echo "python3 missing: the independent pixel check is skipped"
fi

# Refusals: no tiles, a negative skip, a first frame outside the sequence, a picture too large,
# an unknown text; no output file; no sequence.
for bad in "--ny -1" "--skip -1" "--frame 2048" "--nx 200" "--text date"; do
    # shellcheck disable=SC2086
    expect_status 1 "$cli" montage $bad -o "$dir/x.bmp" "$demo"
done
[ -e "$dir/x.bmp" ] && fail "a refused montage wrote its file"
grep -q "must be at least 1, not 0" <(
    "$cli" montage --nx 0 -o "$dir/x.bmp" "$demo" 2>&1
) || fail "no clear message for --nx 0"
expect_status 2 "$cli" montage "$demo"
expect_status 1 "$cli" montage -o "$dir/x.bmp" "$dir/missing.bld"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "montage.sh: all passed"
