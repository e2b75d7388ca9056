#!/usr/bin/env bash
# tremax-cli info reads every recording format through the same frame sources as the other
# commands: the format's own header, not the no-header defaults, and an error naming the file
# for a recording that cannot be read.
set -u
cli=$(realpath "$1")
source "$(dirname "$0")/common.bash"
w=$dir

expect_info() {  # file, then the expected width, height, frames, frames/s
    expect_status 0 "$cli" info "$w/$1"
    local want
    want=$(printf 'file: %s\nwidth: %s\nheight: %s\nframes: %s\n' "$w/$1" "$2" "$3" "$4")
    [ "$(head -n 4 "$w/out")" = "$want" ] || fail "info $1: $(tr '\n' ' ' <"$w/out")"
    grep -qx "frames_per_second: $5" "$w/out" || fail "info $1 rate: $(tr '\n' ' ' <"$w/out")"
}
expect_unreadable() {  # file: status 1 and a message naming it, as render gives
    expect_status 1 "$cli" info "$w/$1"
    grep -qF "$w/$1" "$w/err" || grep -qF "$1" "$w/err" || fail "info $1: the message names no file: $(head -c 300 "$w/err")"
    expect_status 1 "$cli" render -o "$w/r.bmp" "$w/$1"
}

## Photron: a text header beside the frames; asking for either file gives the same.
printf '#Camera Information Header\r\nRecord Rate(fps) : 500\r\nTotal Frame : 6\r\nStart Frame : 0\r\nImage Width : 12\r\nImage Height : 5\r\nColor Type : Mono\r\nColor Bit : 8\r\nFile Format : MRaw\r\n' >"$w/cam.cih"
head -c $((12 * 5 * 6)) /dev/zero | tr '\0' '\100' >"$w/cam.mraw"
expect_info cam.cih 12 5 6 500
expect_info cam.mraw 12 5 6 500
expect_status 0 "$cli" render -o "$w/cam.bmp" "$w/cam.cih"
[ "$(u32 "$w/cam.bmp" 18)" = 12 ] || fail "render of cam.cih is not 12 pixels wide"
# The header without its frames, and frames whose header says nothing usable.
printf '#Camera Information Header\r\nImage Width : 12\r\nImage Height : 5\r\nColor Bit : 8\r\n' >"$w/alone.cih"
expect_unreadable alone.cih
printf 'not a camera header at all\n' >"$w/junk.cihx"
expect_unreadable junk.cihx

## TIFF: three 7 x 4 grey pages, written by hand.
python3 - "$w/stack.tif" <<'PY'
import struct, sys
w, h, pages = 7, 4, 3
out = bytearray(b"II*\x00" + struct.pack("<I", 0))
offsets = []
for p in range(pages):
    data_at = len(out)
    out += bytes((p * 40 + x) % 256 for x in range(w * h))
    if len(out) % 2:
        out += b"\x00"
    ifd_at = len(out)
    offsets.append(ifd_at)
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, data_at), (277, 3, 1, 1), (278, 3, 1, h), (279, 4, 1, w * h)]
    out += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        out += struct.pack("<HHI", tag, kind, count) + (struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value))
    out += struct.pack("<I", 0)
struct.pack_into("<I", out, 4, offsets[0])
for a, b in zip(offsets, offsets[1:]):
    struct.pack_into("<I", out, a + 2 + 9 * 12, b)
open(sys.argv[1], "wb").write(out)
PY
if "$cli" render -o "$w/t.bmp" "$w/stack.tif" >/dev/null 2>&1; then
    expect_status 0 "$cli" info "$w/stack.tif"
    grep -qx 'width: 7' "$w/out" && grep -qx 'height: 4' "$w/out" && grep -qx 'frames: 3' "$w/out" ||
        fail "info stack.tif: $(tr '\n' ' ' <"$w/out")"
    printf 'II*\000garbage that is no TIFF' >"$w/bad.tif"
    expect_unreadable bad.tif
else
    echo "note: this build reads no TIFF; its checks are left out"
fi

## Video: 9 frames of 32 x 16 at 25 frames/s, when ffmpeg is there to make them.
if command -v ffmpeg >/dev/null &&
    ffmpeg -loglevel error -f lavfi -i testsrc=size=32x16:rate=25 -frames:v 9 -pix_fmt gray -c:v ffv1 "$w/clip.mkv" &&
    "$cli" render -o "$w/v.bmp" "$w/clip.mkv" >/dev/null 2>&1; then
    expect_status 0 "$cli" info "$w/clip.mkv"
    grep -qx 'width: 32' "$w/out" && grep -qx 'height: 16' "$w/out" && grep -qx 'frames: 9' "$w/out" &&
        grep -qx 'frames_per_second: 25' "$w/out" || fail "info clip.mkv: $(tr '\n' ' ' <"$w/out")"
    head -c 3000 /dev/urandom >"$w/noise.mkv"
    expect_unreadable noise.mkv
else
    echo "note: no video checks (no ffmpeg, or this build reads no video)"
fi

[ "$failures" = 0 ] || exit 1
echo "info_formats: all passed"
