#!/usr/bin/env bash
# tremax-cli against hostile input: output that must not destroy anything, names as bytes,
# header edges, and the option ranges every command shares.
set -u
cli=$(realpath "$1")
source "$(dirname "$0")/common.bash"
w=$dir

# A 6 x 3 sequence of 4 frames at 100.2 frames/s; frame f, row y, column x holds 10*f + 3*y + x.
python3 - "$w" <<'PY'
import sys
d = sys.argv[1]
frames = bytes(10 * f + 3 * y + x for f in range(4) for y in range(3) for x in range(6))
for name in ("s", "-dash", "s\udce9q"):
    path = (d + "/" + name).encode("utf-8", "surrogateescape")
    open(path + b".bld", "wb").write(frames)
    open(path + b".par", "w").write("RESOLUTION: 6x3\nFRAMES/S: 100.2\nFRAMES: 4\n")
PY
checksum() { sha256sum "$1" | cut -d' ' -f1; }
bld_sum=$(checksum "$w/s.bld")
par_sum=$(checksum "$w/s.par")
expect_message() {  # a fixed text the last command's standard error must hold
    grep -qF -- "$1" "$w/err" || fail "message '$1' missing: $(head -c 300 "$w/err")"
}

## Writing: never onto the sequence's own files, a FIFO or a device; a failed write keeps the old file.
mkdir "$w/sub"
ln -s s.bld "$w/link.bmp"
ln -s s.par "$w/link.csv"
# A device node of the test's own, where it may make one (root, as in CI): never a real device.
mknod "$w/dev.node" c 1 3 2>/dev/null && ln -s dev.node "$w/null.bmp"
mkfifo "$w/pipe.bmp"
for target in s.bld sub/../s.bld link.bmp; do
    expect_status 1 "$cli" render -o "$w/$target" "$w/s.bld"
    expect_message "which the open sequence is read from"
done
expect_status 1 "$cli" rowspectra --length 2 --cache 4 -o "$w/link.csv" "$w/s.bld"
expect_message "which the open sequence is read from"
expect_status 1 "$cli" export-smp --x 1 --y 1 -o "$w/s.bld" "$w/s.bld"
expect_message "which the open sequence is read from"
[ "$(checksum "$w/s.bld")" = "$bld_sum" ] && [ "$(checksum "$w/s.par")" = "$par_sum" ] ||
    fail "the sequence's own files changed"
expect_status 1 timeout 20 "$cli" render -o "$w/pipe.bmp" "$w/s.bld"
expect_message "it is a FIFO (named pipe), not a file"
expect_status 1 timeout 20 "$cli" export-smp --x 1 --y 1 -o "$w/pipe.bmp" "$w/s.bld"
expect_message "it is a FIFO (named pipe), not a file"
[ -p "$w/pipe.bmp" ] || fail "the FIFO was replaced"
if [ -L "$w/null.bmp" ]; then
    expect_status 1 "$cli" legend gray -o "$w/null.bmp"
    expect_message "it is a device, not a file"
    [ -c "$w/dev.node" ] && [ -L "$w/null.bmp" ] || fail "the device node or its link was replaced"
fi

printf 'old table\n' >"$w/table.csv"
(ulimit -f 1 && "$cli" rowspectra --length 256 -o "$w/table.csv" "$w/s.bld") >"$w/out" 2>"$w/err"
[ $? = 1 ] || fail "a write beyond the file size limit did not fail"
expect_message "table.csv\": File too large"
[ "$(cat "$w/table.csv")" = "old table" ] || fail "the failed write changed the old file"
[ -z "$(find "$w" -name '.table.csv.*')" ] || fail "a temporary file was left behind"

"$cli" info "$w/s.bld" >/dev/full 2>"$w/err"
[ $? = 1 ] || fail "a full disk on standard output gave status 0"
expect_message "cannot write to standard output: No space left on device"
"$cli" info "$w/s.bld" >&- 2>"$w/err"
[ $? = 1 ] || fail "a closed standard output gave status 0"
expect_message "cannot write to standard output: Bad file descriptor"

## Paths: names as bytes, "--", what is not a frame file.
(cd "$w" && "$cli" info -- -dash.bld) >"$w/out" 2>"$w/err" || fail "-- did not end the options"
grep -qx 'width: 6' "$w/out" || fail "the file after -- was not read"
(cd "$w" && "$cli" info -dash.bld) >/dev/null 2>&1
[ $? = 2 ] || fail "-dash.bld without -- was not taken for an option"
expect_status 0 "$cli" info "$w/$(printf 's\351q.bld')"
grep -qx 'frames_per_second: 100.2' "$w/out" || fail "a name that is not UTF-8: $(cat "$w/out")"
printf 'file: %s/s\351q.bld\n' "$w" | cmp -s - <(head -1 "$w/out") ||
    fail "info does not print the name's own bytes: $(head -1 "$w/out" | od -c | head -3)"
expect_status 1 "$cli" info "$w/sub"
expect_message "it is a folder, not a frame file"
mkfifo "$w/fifo.bld"
expect_status 1 timeout 20 "$cli" info "$w/fifo.bld"
expect_message "it is a FIFO (named pipe), not a frame file"
if [ -c "$w/dev.node" ]; then
    expect_status 1 "$cli" info "$w/dev.node"
    expect_message "it is a device, not a frame file"
fi
cp "$w/s.bld" "$w/up.bld"
printf 'RESOLUTION: 6x3\nFRAMES: 9\n' >"$w/UP.PAR"
expect_status 0 "$cli" info "$w/up.bld"
grep -qx 'frames: 9' "$w/out" || fail "the case variant UP.PAR was not found"
cp "$w/s.bld" "$w/dot."
printf 'FRAMES: 11\n' >"$w/dot.par"
expect_status 0 "$cli" info "$w/dot."
grep -qx 'frames: 11' "$w/out" || fail "\"dot.\" did not find dot.par"

## Open: the failing line named; info makes no frame block.
printf 'RESOLUTION: 6x3\nFRAMES: 3e12\n' >"$w/bad.par"
cp "$w/s.bld" "$w/bad.bld"
expect_status 1 "$cli" info "$w/bad.bld"
expect_message "bad.par, line 2: Range check error (FRAMES:)"
printf 'RESOLUTION: 100000x100000\n' >"$w/huge.par"
cp "$w/s.bld" "$w/huge.bld"
expect_status 1 "$cli" render -o "$w/huge.bmp" "$w/huge.bld"
expect_message "huge.par, line 1: A sequence of 100000 x 100000 pixels with a frame block of 512 frames needs 5.1 TB"
printf 'RESOLUTION: 2048x2048\n' >"$w/wide.par"
head -c 10 "$w/s.bld" >"$w/wide.bld"
# A block of 512 frames of 2048 x 2048 would be 2.1 GB; the whole run stays far below that.
python3 - "$cli" "$w/wide.bld" <<'PY' || fail "info on a 2048 x 2048 header made a frame block"
import resource, subprocess, sys
out = subprocess.run([sys.argv[1], "info", sys.argv[2]], capture_output=True, text=True)
peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
assert out.returncode == 0 and "width: 2048" in out.stdout, out
assert peak_kb < 400 * 1024, peak_kb
PY

## Ranges: the same checks and messages in every command.
expect_status 0 "$cli" colorize --frequency 50.1 --length 4 --cache 4 -o "$w/c.bmp" "$w/s.bld"  # rate / 2 exactly
expect_status 1 "$cli" colorize --frequency 50.100001 --length 4 --cache 4 -o "$w/c.bmp" "$w/s.bld"
expect_message "--frequency 50.100001 is outside 0 to 50.1 Hz (half the frame rate)"
expect_status 1 "$cli" colorize --frequency -0.5 --length 4 --cache 4 -o "$w/c.bmp" "$w/s.bld"
expect_message "--frequency -0.5 is outside 0 to 50.1 Hz"
expect_status 0 "$cli" render --black 0 --gray 255 --white 255 -o "$w/r.bmp" "$w/s.bld"
for command in "render" "kymogram --to 3" "colorize --frequency 10 --length 4 --cache 4"; do
    # shellcheck disable=SC2086
    expect_status 1 "$cli" $command --black 256 -o "$w/r.bmp" "$w/s.bld"
    expect_message "--black 256 is outside the grey levels 0 to 255"
    # shellcheck disable=SC2086
    expect_status 1 "$cli" $command --gray -1 -o "$w/r.bmp" "$w/s.bld"
    expect_message "--gray -1 is outside the grey levels 0 to 255"
done
for command in "waveform --x 0 --y 0" "spectrum --x 0 --y 0" "rowspectra -o $w/r.csv" \
    "colorize --frequency 10 -o $w/c.bmp"; do
    # shellcheck disable=SC2086
    expect_status 1 "$cli" $command --length 2 --cache 4 --start 4 "$w/s.bld"
    expect_message "--start 4 is outside the sequence (frames 0 to 3)"
    # shellcheck disable=SC2086
    expect_status 0 "$cli" $command --length 2 --cache 4 --start 3 "$w/s.bld"
done
expect_status 1 "$cli" kymogram --from 0 --to 4 -o "$w/k.bmp" "$w/s.bld"
expect_message "--to 4 is outside the sequence (frames 0 to 3)"
expect_status 0 "$cli" kymogram --from 0 --to 3 -o "$w/k.bmp" "$w/s.bld"
expect_status 1 "$cli" render --frame 4 -o "$w/r.bmp" "$w/s.bld"
expect_message "--frame 4 is outside the sequence (frames 0 to 3)"
expect_status 1 "$cli" track --x 0 --y 0 --frame -1 "$w/s.bld"
expect_message "--frame -1 is outside the sequence (frames 0 to 3)"

# waveform prints the N samples the Waveform window draws: S = 3 gives N = 4; S = 5 gives N = 8,
# cut at the block's end (6 slots; frames 4 and 5 lie beyond the file and read 127).
expect_status 0 "$cli" waveform --x 5 --y 2 --length 3 --cache 8 "$w/s.bld"
printf 'index,frame,value\n0,0,11\n1,1,21\n2,2,31\n3,3,41\n' | diff - "$w/out" >/dev/null ||
    fail "waveform of S = 3: $(cat "$w/out")"
expect_status 0 "$cli" waveform --x 5 --y 2 --length 5 --cache 6 "$w/s.bld"
printf 'index,frame,value\n0,0,11\n1,1,21\n2,2,31\n3,3,41\n4,4,127\n5,5,127\n' | diff - "$w/out" >/dev/null ||
    fail "waveform of S = 5: $(cat "$w/out")"

# Every option is written in its help line as the usage line writes it.
for command in info render kymogram waveform spectrum rowspectra colorize track export-smp legend smp-info; do
    "$cli" "$command" --help >"$w/help" 2>&1 || fail "$command --help"
    python3 - "$w/help" <<'PY' || fail "$command: usage and help lines differ: $(head -3 "$w/help")"
import re, sys
text = open(sys.argv[1]).read()
usage = text.splitlines()[0]
helps = {m.group(1): m.group(2) for m in re.finditer(r"^  (--?[a-z-]+)(?: (\S+))?\s", text, re.M)}
for name, value in re.findall(r"(?<!\S)(--?[a-z][a-z-]*) ([A-Z][A-Z,]*)", usage):
    assert helps.get(name) == value, (name, value, helps.get(name))
PY
done

# The video library's own messages stay off standard error unless --verbose asks for them: a
# motion-JPEG video whose third picture lost its start decodes with warnings, and succeeds.
if command -v ffmpeg >/dev/null && command -v python3 >/dev/null; then
    head -c $((16 * 16 * 6)) /dev/urandom >"$w/grey.raw"
    ffmpeg -v error -y -f rawvideo -pix_fmt gray -s 16x16 -r 25 -i "$w/grey.raw" -c:v mjpeg -pix_fmt yuvj420p \
        "$w/good.avi" >/dev/null 2>&1 &&
    python3 - "$w/good.avi" "$w/bad.avi" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
starts = [i for i in range(len(data) - 1) if data[i] == 0xFF and data[i + 1] == 0xD8]
data[starts[2]:starts[2] + 200] = bytes(200)
open(sys.argv[2], "wb").write(data)
PY
    if [ -f "$w/bad.avi" ]; then
        expect_status 0 "$cli" render --frame 2 -o "$w/v.bmp" "$w/bad.avi"
        [ -s "$w/err" ] && fail "the video library wrote to standard error: $(head -c 300 "$w/err")"
        expect_status 0 "$cli" render --verbose --frame 2 -o "$w/v.bmp" "$w/bad.avi"
        grep -q '@ 0x' "$w/err" || fail "--verbose did not let the video library's messages through"
    else
        echo "no motion-JPEG video could be made: the video library's messages are not checked"
    fi
fi

echo "cli hardening checks: $failures failed"
[ "$failures" = 0 ]
