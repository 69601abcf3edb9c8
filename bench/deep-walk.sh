#!/usr/bin/env bash
# Times korvex-scan on chains of nested folders, each beside an empty sibling folder: a tree
# far deeper than the walk keeps folders open, so it closes and opens them again on its way
# back up. The time should grow with the number of folders, not with its square.
#
# usage: bench/deep-walk.sh [-s KORVEX_SCAN] [LEVELS...]
#   -s  the program to time (default build/release/cli/korvex-scan)
#   LEVELS defaults to 2500 5000 10000
# The trees are made in a new temporary folder, which is removed at the end; nothing else is
# touched.
set -euo pipefail
cd "$(dirname "$0")/.."

scan=build/release/cli/korvex-scan
while getopts "s:" option; do
    case $option in
    s) scan=$OPTARG ;;
    *) sed -n '2,10p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || set -- 2500 5000 10000
[ -x "$scan" ] || { echo "no $scan: build it first (cmake --preset release ...)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-deep-XXXXXX")
trap 'rm -rf -- "$work"' EXIT

for levels in "$@"; do
    tree=$work/deep-$levels
    # Paths of such depth exceed PATH_MAX: each folder is made from its parent's descriptor.
    python3 - "$tree" "$levels" <<'EOF'
import os, sys
tree, levels = sys.argv[1], int(sys.argv[2])
os.mkdir(tree)
fd = os.open(tree, os.O_RDONLY | os.O_DIRECTORY)
for _ in range(levels):
    os.mkdir("e", dir_fd=fd)
    os.mkdir("d", dir_fd=fd)
    child = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = child
os.close(fd)
EOF
    start=$(date +%s.%N)
    status=0
    "$scan" "$tree" > /dev/null 2>&1 || status=$?
    end=$(date +%s.%N)
    printf '%6d levels: %8.2f s (exit %d)\n' "$levels" "$(echo "$end - $start" | bc)" "$status"
done
