#!/usr/bin/env bash
# Times korvex-scan against `find TREE -xtype l` on a large realistic tree, warm cache, in
# paired runs, and prints every pair, the median ratio (korvex / find) and korvex's peak RSS.
#
# usage: bench/walk-vs-find.sh [-n ENTRIES] [-p PAIRS] [-d bench_walk|korvex-scan] [TREE]
#   -n  entries in the tree (default 1000000); the tree is built once and reused
#   -p  number of pairs (default 5)
#   -d  what to time: korvex-scan (default when build/release/cli/korvex-scan exists) or
#       bench_walk (the walk and alias recognition alone; built here with preset release)
#   TREE defaults to build/bench-trees/tree-ENTRIES. It is either a tree made by
#   bench/make-tree.py or a path that does not exist yet (the tree is made there once); any
#   other path is refused.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/own-trees.sh

entries=1000000
pairs=5
driver=
while getopts "n:p:d:" option; do
    case $option in
    n) entries=$OPTARG ;;
    p) pairs=$OPTARG ;;
    d) driver=$OPTARG ;;
    *) sed -n '2,12p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
tree=${1:-build/bench-trees/tree-$entries}
own_or_new "$tree" "$tree_marker"
end_of_dry_run

if [ ! -f "$tree/.korvex-tree-done" ]; then
    echo "building a tree of $entries entries in $tree (once; reused afterwards)"
    mkdir -p "$(dirname "$tree")"
    python3 bench/make-tree.py "$tree" "$entries"
fi

scan=build/release/cli/korvex-scan
if [ -z "$driver" ]; then
    [ -x "$scan" ] && driver=korvex-scan || driver=bench_walk
fi
case $driver in
korvex-scan)
    [ -x "$scan" ] || { echo "no $scan: build the release preset first" >&2; exit 2; }
    command=("$scan" "$tree") ;;
bench_walk)
    cmake --preset release >/dev/null
    cmake --build --preset release --target bench_walk >/dev/null
    command=(build/release/bench/bench_walk "$tree") ;;
*) echo "unknown driver $driver" >&2; exit 2 ;;
esac

seconds() { # runs "$@" with its output thrown away, prints the wall time in seconds
    local start end status=0
    start=$(date +%s.%N)
    "$@" >/dev/null || status=$?
    end=$(date +%s.%N)
    # korvex-scan answers 1 when it found broken aliases; only 2 and above are failures
    if ((status > 1)); then
        echo "$* failed ($status)" >&2
        exit 2
    fi
    echo "$end - $start" | bc -l
}

echo "tree: $tree ($(find "$tree" | wc -l) entries); timing: ${command[*]##*/}"
echo "warming the cache"
find "$tree" -xtype l >/dev/null
"${command[@]}" >/dev/null || true

ratios=()
for ((i = 1; i <= pairs; i++)); do
    f=$(seconds find "$tree" -xtype l)
    k=$(seconds "${command[@]}")
    r=$(echo "$k / $f" | bc -l)
    ratios+=("$r")
    printf 'pair %d: find -xtype l %.3f s, %s %.3f s, ratio %.3f\n' "$i" "$f" "${command[0]##*/}" "$k" "$r"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}')
printf 'median ratio %.3f (<= 1.0 is the goal)\n' "$median"

# korvex-scan exits 1 when it found broken aliases: that is no failure of the measurement
rss=$({ /usr/bin/time -v "${command[@]}" 2>&1 >/dev/null || true; } |
    awk -F': ' '/Maximum resident set size/ {print $2}')
printf 'peak RSS of %s: %d KiB (%.1f MiB)\n' "${command[0]##*/}" "$rss" "$(echo "$rss / 1024" | bc -l)"
"${command[@]}" | tail -1 || true
