# tremax-cli sound-info and f0, end to end, on sounds the ffmpeg program makes (a 220 Hz sine).
# Usage: bash sound.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
source "$(dirname "$0")/common.bash"

command -v ffmpeg >/dev/null || { echo "FAIL: the ffmpeg program is missing (tools/dev.sh installs it)"; exit 1; }
sine() {  # frequency, channels, file
    ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=frequency=$1:sample_rate=16000:duration=1" -ac "$2" "$3" ||
        fail "ffmpeg cannot write $3"
}
sine 220 1 "$dir/a.wav"
sine 220 2 "$dir/b.flac"
sine 220 1 "$dir/c.mkv"

expect_status 0 "$cli" --help
grep -q '^  sound-info ' "$dir/out" || fail "--help does not list sound-info"
grep -q '^  f0 ' "$dir/out" || fail "--help does not list f0"

expect_status 0 "$cli" sound-info "$dir/a.wav"
printf 'file: %s\nrate_hz: 16000\nchannels: 1\nsamples: 16000\nseconds: 1\n' "$dir/a.wav" | cmp -s - "$dir/out" ||
    fail "sound-info of the WAV: $(cat "$dir/out")"
expect_status 0 "$cli" sound-info "$dir/b.flac"
grep -qx 'channels: 2' "$dir/out" || fail "sound-info of the FLAC: $(cat "$dir/out")"
expect_status 0 "$cli" sound-info "$dir/c.mkv"
grep -qx 'rate_hz: 16000' "$dir/out" || fail "sound-info of the MKV: $(cat "$dir/out")"

# 0.2 ... 0.4 s every 5 ms: 41 rows, each within 0.5 % of 220 Hz.
check_f0() {  # file, options...
    local file=$1
    shift
    expect_status 0 "$cli" f0 "$@" "$file"
    [ "$(head -1 "$dir/out")" = "time_s,f0_hz" ] || fail "f0 header: $(head -1 "$dir/out")"
    [ "$(tail -n +2 "$dir/out" | wc -l)" = 41 ] || fail "f0 rows of $file: $(tail -n +2 "$dir/out" | wc -l)"
    awk -F, 'NR > 1 && ($2 < 218.9 || $2 > 221.1) { bad = 1; print "off: " $0 } END { exit bad }' "$dir/out" ||
        fail "f0 of $file is not 220 Hz"
    [ "$(sed -n 2p "$dir/out" | cut -d, -f1)" = 0.2 ] || fail "first f0 time: $(sed -n 2p "$dir/out")"
}
check_f0 "$dir/a.wav" --from 0.2 --to 0.4
check_f0 "$dir/b.flac" --from 0.2 --to 0.4 --channel 1
check_f0 "$dir/c.mkv" --from 0.2 --to 0.4

# Failures: one line naming the problem, status 1; wrong usage, status 2.
expect_status 1 "$cli" f0 --channel 2 "$dir/b.flac"
grep -q 'has no channel 2 (channels 0 to 1)' "$dir/err" || fail "channel message: $(cat "$dir/err")"
expect_status 1 "$cli" f0 --from 0.4 --to 0.2 "$dir/a.wav"
expect_status 1 "$cli" f0 --from 5 "$dir/a.wav"
expect_status 1 "$cli" sound-info "$dir/missing.wav"
grep -q 'missing.wav" does not exist' "$dir/err" || fail "missing file message: $(cat "$dir/err")"
printf 'not a sound\n' >"$dir/text.wav"
expect_status 1 "$cli" sound-info "$dir/text.wav"
[ "$(wc -l <"$dir/err")" = 1 ] || fail "not one line for a text file: $(cat "$dir/err")"
expect_status 2 "$cli" f0 --pitch 3 "$dir/a.wav"
expect_status 2 "$cli" sound-info

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "sound: all checks passed"
