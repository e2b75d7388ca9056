# The clipboard as another program sees it: under a virtual X display the program copies, and
# xclip pastes the picture as PNG; ImageMagick decodes it and the pixels are compared with the
# same picture written by tremax-cli. Skipped (status 77) without Xvfb, xclip or ImageMagick.
# Usage: bash clipboard.sh PATH_TO_tremax-clipboard-probe PATH_TO_tremax-cli PATH_TO_tremax-gen-demo
set -u
for tool in xvfb-run xclip convert identify; do
    command -v "$tool" >/dev/null || { echo "$tool missing: clipboard test skipped"; exit 77; }
done
if [ -z "${TREMAX_UNDER_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env TREMAX_UNDER_XVFB=1 bash "$0" "$@"
fi
probe=$1
cli=$2
gen=$3
source "$(dirname "$0")/../cli/common.bash"
# The program's settings, log and desktop association stay in the scratch folder.
export TREMAX_REGISTRY_USER_DIR=$dir/reg/user TREMAX_REGISTRY_MACHINE_DIR=$dir/reg/machine
export TREMAX_REGISTRY_CLASSES_DIR=$dir/reg/classes XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data

"$gen" "$dir/demo.bld" || { echo "FAIL: cannot make the demo sequence"; exit 1; }
demo=$dir/demo.bld

paste_after() {  # menu caption, PNG file to write
    coproc PROBE { QT_QPA_PLATFORM=xcb "$probe" "$demo" "$1" 2>"$dir/probe.err"; }
    local line=""
    read -r -t 60 line <&"${PROBE[0]}"
    if [ "$line" = copied ]; then
        xclip -selection clipboard -t TARGETS -o >"$dir/targets" 2>&1
        grep -qx image/png "$dir/targets" || fail "$1: no image/png offered ($(tr '\n' ' ' <"$dir/targets"))"
        xclip -selection clipboard -t image/png -o >"$2" || fail "$1: xclip could not paste"
    else
        fail "$1: the program did not copy ($(head -c 300 "$dir/probe.err"))"
    fi
    exec {PROBE[1]}>&-
    wait "$PROBE_PID"
}

same_pixels() {  # what, pasted PNG, reference BMP
    local got want
    got=$(identify -format '%wx%h' "$2" 2>&1)
    want=$(identify -format '%wx%h' "$3" 2>&1)
    [ "$got" = "$want" ] || { fail "$1: pasted $got, not $want"; return; }
    convert "$2" -depth 8 rgb:"$dir/got.rgb" && convert "$3" -depth 8 rgb:"$dir/want.rgb" &&
        cmp -s "$dir/got.rgb" "$dir/want.rgb" || fail "$1: the pasted pixels differ from tremax-cli's"
}

# The main image: frame 0 with the default levels and the kymogram's row (the middle) marked.
paste_after "Copy image" "$dir/image.png"
"$cli" render --frame 0 --mark-row 64 -o "$dir/image.bmp" "$demo" || fail "tremax-cli render"
same_pixels "Copy image" "$dir/image.png" "$dir/image.bmp"

# The montage from the "Sequence" window, without text bands.
paste_after "Copy Image sequence" "$dir/montage.png"
"$cli" montage --text none -o "$dir/montage.bmp" "$demo" || fail "tremax-cli montage"
same_pixels "Copy Image sequence" "$dir/montage.png" "$dir/montage.bmp"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "clipboard.sh: all passed"
