# Shared by the tremax-cli end-to-end scripts: sourced after `cli` and `gen` are set from the
# arguments. Gives a scratch folder $dir, a failure count and the checks below.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

expect_status() {  # expected status, then the command
    local want=$1
    shift
    "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    [ "$got" = "$want" ] || fail "status $got, not $want: $* ($(head -c 300 "$dir/err"))"
}

u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
s32() { od -An -td4 -j "$2" -N4 "$1" | tr -d ' '; }
