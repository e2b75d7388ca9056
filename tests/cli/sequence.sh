#!/usr/bin/env bash
# tremax-cli info and render, end to end: output, images, errors and exit statuses.
set -u
cli=$1
source "$(dirname "$0")/common.bash"
work=$dir

# A 6 x 3 sequence of 4 frames; frame f, row y, column x holds 10*f + 3*y + x.
python3 - "$work" <<'PY'
import sys
d = sys.argv[1]
with open(d + "/s.bld", "wb") as f:
    f.write(bytes(10 * fr + 3 * y + x for fr in range(4) for y in range(3) for x in range(6)))
with open(d + "/s.par", "w") as f:
    f.write("RESOLUTION: 6x3\nFRAMES/S: 250.5\nFRAMES: 4\nFIRSTFRAME: 100\nTRIGGER: 7\n")
PY

expect_status 0 "$cli" info "$work/s.bld"
printf 'file: %s\nwidth: 6\nheight: 3\nframes: 4\nfirst_frame: 100\ntrigger: 7\nframes_per_second: 250.5\n' \
    "$work/s.bld" | diff - "$work/out" >/dev/null || fail "info output: $(cat "$work/out")"

# A header given in place of its sequence opens the frame file beside it.
cp "$work/s.par" "$work/s.dsc"
for header in s.par s.dsc; do
    expect_status 0 "$cli" info "$work/$header"
    printf 'file: %s\nwidth: 6\nheight: 3\nframes: 4\nfirst_frame: 100\ntrigger: 7\nframes_per_second: 250.5\n' \
        "$work/s.bld" | diff - "$work/out" >/dev/null || fail "info of $header: $(cat "$work/out" "$work/err")"
done
rm "$work/s.dsc"
cp "$work/s.par" "$work/lone.par"
expect_status 1 "$cli" info "$work/lone.par"
grep -qF 'its frame file "lone.bld" is missing' "$work/err" || fail "lone header message: $(cat "$work/err")"

expect_status 0 "$cli" render --frame 2 --black 0 --gray 128 --white 255 -o "$work/f.bmp" "$work/s.bld"
python3 - "$work/f.bmp" <<'PY' || fail "render bmp contents"
import struct, sys, math
b = open(sys.argv[1], "rb").read()
assert b[:2] == b"BM" and struct.unpack_from("<I", b, 2)[0] == len(b)
off, w, h, bpp = struct.unpack_from("<I", b, 10)[0], *struct.unpack_from("<iiHH", b, 18)[0:2], struct.unpack_from("<H", b, 28)[0]
assert (w, h, bpp) == (6, 3, 24), (w, h, bpp)
stride = (6 * 3 + 3) // 4 * 4
assert len(b) == off + stride * 3
# bottom-up rows: file row 0 is image row 2; frame 2, row 2, column 0 holds 26, drawn near 26
px = b[off:off + 3]
assert px[0] == px[1] == px[2] and abs(px[0] - 26) <= 1, px
PY

expect_status 0 "$cli" render --mark-row 1 --edge -o "$work/f.png" "$work/s.bld"
head -c 8 "$work/f.png" | od -An -tx1 | grep -q '89 50 4e 47' || fail "png signature"

expect_status 1 "$cli" info "$work/none.bld"
grep -q 'none.bld' "$work/err" || fail "missing sequence message"
expect_status 2 "$cli" render --colour -o "$work/x.bmp" "$work/s.bld"
expect_status 2 "$cli" render "$work/s.bld"
expect_status 2 "$cli"
expect_status 0 "$cli" --help
expect_status 0 "$cli" render --help
expect_status 1 "$cli" render --frame 4 -o "$work/y.bmp" "$work/s.bld"
expect_status 1 "$cli" render --frame two -o "$work/y.bmp" "$work/s.bld"
grep -qF "'two' is not a valid integer value" "$work/err" || fail "bad number message"
expect_status 1 "$cli" render -o "$work/y.jpg" "$work/s.bld"
[ ! -e "$work/y.jpg" ] && [ ! -e "$work/y.bmp" ] || fail "a file was written on failure"

printf 'RESOLUTION:6 x 3\n' >"$work/s.par"
expect_status 1 "$cli" info "$work/s.bld"
grep -qF "'6 ' is not a valid integer value" "$work/err" || fail "header message: $(cat "$work/err")"
rm "$work/s.par"
expect_status 0 "$cli" info "$work/s.bld"
grep -qx 'width: 256' "$work/out" && grep -qx 'frames_per_second: 1904' "$work/out" || fail "defaults"

echo "cli sequence checks: $failures failed"
[ "$failures" = 0 ]
