# tremax-cli track, end to end on the demo sequence.
# Usage: bash track.sh PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
cli=$1
gen=$2
source "$(dirname "$0")/common.bash"

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld

# The demo's textured band (rows 114 … 127) moves 0.25 pixel a frame to the right. Against the
# first image, with the whole travel inside the scouting area, step n lies at 100 + 0.25·n.
expect_status 0 "$cli" track --x 100 --y 121 --frame 5 --corr 24,6 --scout 30,2 --to-first "$demo"
[ "$(head -1 "$dir/out")" = "step,frame,x,y" ] || fail "track header: $(head -1 "$dir/out")"
[ "$(wc -l <"$dir/out")" = 101 ] || fail "track prints $(wc -l <"$dir/out") lines, not 101"
[ "$(sed -n 2p "$dir/out")" = "0,5,100,121" ] || fail "point 0 is $(sed -n 2p "$dir/out"), not the start"
awk -F, 'NR > 1 && ($1 != NR - 2 || $2 != 5 + NR - 2) { bad = 1 } END { exit bad }' "$dir/out" ||
    fail "track rows are not step, start frame + step"
awk -F, 'NR > 1 { dx = $3 - (100 + 0.25 * $1); dy = $4 - 121
                  if (dx > 0.15 || dx < -0.15 || dy > 0.15 || dy < -0.15) { print; bad = 1 } }
         END { exit bad }' "$dir/out" >"$dir/off" || fail "points off the band's motion: $(head -3 "$dir/off")"

# No sideways scouting: the trace keeps its column, and whole rows.
expect_status 0 "$cli" track --x 100 --y 121 --scout 0,2 "$demo"
awk -F, 'NR > 1 && ($3 != 100 || $4 != int($4)) { bad = 1 } END { exit bad }' "$dir/out" ||
    fail "with --scout 0,2 the trace leaves column 100 or whole rows"

# From the last frame there is nothing to follow: the trace stays at the start.
expect_status 0 "$cli" track --x 100 --y 121 --frame 2047 --xdiff "$demo"
[ "$(tail -1 "$dir/out")" = "99,2146,100,121" ] || fail "trace past the end: $(tail -1 "$dir/out")"

# Refusals: a pixel or frame outside the sequence, sizes out of range, malformed pairs.
expect_status 1 "$cli" track --x 256 --y 0 "$demo"
expect_status 1 "$cli" track --x 0 --y 128 "$demo"
expect_status 1 "$cli" track --x 0 --y 0 --frame 2048 "$demo"
expect_status 1 "$cli" track --x 0 --y 0 --corr 101,5 "$demo"
expect_status 1 "$cli" track --x 0 --y 0 --scout 2,-1 "$demo"
expect_status 1 "$cli" track --x 0 --y 0 --scout a,2 "$demo"
grep -q "'a' is not a valid integer value" "$dir/err" || fail "conversion message: $(cat "$dir/err")"
expect_status 2 "$cli" track --x 0 --y 0 --corr 5 "$demo"
expect_status 2 "$cli" track --x 0 "$demo"
expect_status 1 "$cli" track --x 0 --y 0 "$dir/missing.bld"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "track.sh: all passed"
