#!/usr/bin/env bash
# `cmake --install` with the default prefix puts the Python module where Debian's python3 looks
# without a PYTHONPATH, and the installed module imports.
# Usage: python.sh BUILD_DIR PYTHON
set -u
build=$1 python=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr/local >"$stage/install.log" 2>&1 || { cat "$stage/install.log"; exit 1; }
module=$(cd "$stage" && find usr/local -name 'tremax*.so' -print -quit)
[ -n "$module" ] || { echo "FAIL: the module is not installed"; exit 1; }
folder=/$(dirname "$module")
"$python" -c 'import sys; sys.exit(sys.argv[1] not in sys.path)' "$folder" ||
    { echo "FAIL: $folder is not on $python's module path"; exit 1; }
(cd "$stage" && PYTHONPATH="$stage$folder" "$python" -c 'import tremax; tremax.open') ||
    { echo "FAIL: the installed module does not import"; exit 1; }
