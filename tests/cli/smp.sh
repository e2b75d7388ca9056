# tremax-cli export-smp and smp-info, end to end; the export is read back by an independent
# reader (check_smp_export.py), and smp-info reads a file written here by hand.
# Usage: bash smp.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld

# The demo: 256 x 128 pixels, 2048 frames at 4000 frames/s.
expect_status 0 "$cli" export-smp --x 127 --y 64 -o "$dir/w.smp" "$demo"
if command -v python3 >/dev/null; then
    python3 "$(dirname "$0")/check_smp_export.py" "$dir/w.smp" "$demo" 256 128 127 64 4000 ||
        fail "the export does not read back as written"
else
    echo "python3 missing: the independent reader is skipped"
fi
[ "$(stat -c %s "$dir/w.smp")" = $((1024 + 2 * 2048)) ] || fail "export size $(stat -c %s "$dir/w.smp")"

expect_status 0 "$cli" smp-info "$dir/w.smp"
[ "$(head -1 "$dir/out")" = "head=1024" ] || fail "smp-info first line: $(head -1 "$dir/out")"
[ "$(tail -1 "$dir/out")" = "samples: 2048" ] || fail "smp-info last line: $(tail -1 "$dir/out")"
grep -qx "From $demo x:127 y:64" "$dir/out" || fail "smp-info shows no comment line"

# A two-channel file by hand: "scan" 0,1,0 is uneven, 0,1 gives channel 0 every other word.
# CR and 0x04 inside lines are dropped; a line without "=" is skipped before the separator and
# kept after it; reading stops at 0x1A. 10 data words: 5 samples of channel 0.
make_smp() {
    { printf 'head=128\r\nnchans=2\r\nscan=%s\r\nno separator\r\nname=Ab\004c\r\n=\r\nnote 1\r\nx=y\r\n\032hidden=1\r\n' "$1"
      head -c 200 /dev/zero; } | head -c 128 >"$dir/hand.smp"
    head -c 20 /dev/zero >>"$dir/hand.smp"
}
make_smp 0,1
expect_status 0 "$cli" smp-info "$dir/hand.smp"
printf 'head=128\nnchans=2\nscan=0,1\nname=Abc\n=\nnote 1\nx=y\nsamples: 5\n' | cmp -s - "$dir/out" ||
    fail "smp-info of the hand-made file: $(cat "$dir/out")"
make_smp 0,1,0
expect_status 1 "$cli" smp-info "$dir/hand.smp"
grep -qF "Has an invalid \"scan\" item: scan=0,1,0" "$dir/err" || fail "invalid scan message: $(cat "$dir/err")"

# Refusals: usage, a pixel outside the image, a missing or empty sample file; nothing written.
expect_status 2 "$cli" export-smp --x 1 --y 1 "$demo"
expect_status 2 "$cli" export-smp --x 1 -o "$dir/x.smp" "$demo"
expect_status 1 "$cli" export-smp --x 256 --y 0 -o "$dir/x.smp" "$demo"
expect_status 1 "$cli" export-smp --x 0 --y 0 -o "$dir/nofolder/x.smp" "$demo"
[ -e "$dir/x.smp" ] && fail "a refused export left a file"
expect_status 1 "$cli" smp-info "$dir/missing.smp"
: >"$dir/empty.smp"
expect_status 1 "$cli" smp-info "$dir/empty.smp"
expect_status 2 "$cli" smp-info

# Onto an existing file: a header that declares 2^31 - 1 frames of a 16-byte frame file makes a
# 4.3 GB export of filler; SIGINT while it runs leaves the old file byte for byte and no
# temporary file.
head -c 16 /dev/zero >"$dir/huge.bld"
printf 'RESOLUTION: 4x4\nFRAMES: 2147483647\n' >"$dir/huge.par"
printf 'head=1024\r\n=\r\nthe old file\r\n' >"$dir/old.smp"
old_sum=$(cksum <"$dir/old.smp")
set -m  # job control: without it a background command ignores SIGINT
"$cli" export-smp --x 0 --y 0 -o "$dir/old.smp" "$dir/huge.bld" >"$dir/out" 2>"$dir/err" &
pid=$!
set +m
for _ in $(seq 200); do
    [ -n "$(find "$dir" -name '.old.smp.*' -size +1k)" ] && break
    sleep 0.05
done
[ -n "$(find "$dir" -name '.old.smp.*')" ] || fail "the export did not write beside the old file"
kill -INT "$pid"
wait "$pid"
[ $? = $((128 + 2)) ] || fail "SIGINT did not end the export"
[ "$(cksum <"$dir/old.smp")" = "$old_sum" ] || fail "the interrupted export changed the old file"
[ -z "$(find "$dir" -name '.old.smp.*')" ] || fail "the interrupted export left its temporary file"

# The size is checked against the free space before anything is written (a small file system
# of its own, in a private mount namespace; skipped where one cannot be made).
mkdir "$dir/small"
if unshare -m --propagation private true 2>/dev/null; then
    unshare -m --propagation private sh -c 'mount -t tmpfs -o size=16m tremax "$1" && shift && exec "$@"' sh \
        "$dir/small" "$cli" export-smp --x 0 --y 0 -o "$dir/small/x.smp" "$dir/huge.bld" >"$dir/out" 2>"$dir/err"
    [ $? = 1 ] || fail "an export larger than the file system was not refused"
    grep -qF "x.smp\": it needs 4.3 GB, but only 16.8 MB are free on its file system" "$dir/err" ||
        fail "free space message: $(cat "$dir/err")"
else
    echo "no private mount namespace: the free-space check is skipped"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "smp.sh: all passed"
