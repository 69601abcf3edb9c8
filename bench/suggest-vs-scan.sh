#!/usr/bin/env bash
# Times `korvex-scan --suggest` against a plain `korvex-scan` and a bare walk (`find -printf ''`)
# on a copy of a large tree with 5,000 broken aliases added, half of them to targets that moved
# (bench/add-moved-aliases.py), warm cache, in rounds; prints every round with its own extra
# cost of --suggest in bare walks, the medians, and the peak RSS of both scans.
#
# usage: bench/suggest-vs-scan.sh [-r ROUNDS] [-a ALIASES] [-k] SOURCE-TREE VARIANT
#   SOURCE-TREE  a tree made by bench/make-tree.py; only read (the variant is a copy)
#   VARIANT      where the copy goes: a path that does not exist yet, or a variant an earlier
#                run kept (-k); any other path is refused. Removed at the end unless -k
#   -r  rounds (default 3)   -a  broken aliases to add (default 5000)   -k  keep the variant
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/own-trees.sh

rounds=3
aliases=5000
keep=
while getopts "r:a:k" option; do
    case $option in
    r) rounds=$OPTARG ;;
    a) aliases=$OPTARG ;;
    k) keep=1 ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -eq 2 ] || { sed -n '2,13p' "$0"; exit 2; }
source=$1
variant=$2
scan=${KORVEX_SCAN:-build/release/cli/korvex-scan}
[ -x "$scan" ] || { echo "no $scan: build the release preset first (or set KORVEX_SCAN)" >&2; exit 2; }
own_tree "$source"
own_or_new "$variant" .korvex-moved-done
end_of_dry_run

# The variant is new or an earlier run's own: without -k it goes at the end, unfinished or not.
[ -n "$keep" ] || trap 'rm -rf "$variant"' EXIT
if [ ! -e "$variant" ]; then
    echo "copying $source to $variant (once)"
    cp -a "$source" "$variant"
    python3 bench/add-moved-aliases.py "$variant" "$aliases"
    touch "$variant/.korvex-moved-done"
fi

# The wall time of "$@" in seconds (output thrown away; 0, 1 and 3 are fine exit statuses).
seconds() {
    local start end status=0
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || status=$?
    end=$(date +%s.%N)
    if ((status == 2 || status > 3)); then
        echo "$* failed ($status)" >&2
        exit 2
    fi
    echo "$end - $start" | bc -l
}
peak() { # peak RSS of "$@" in MiB
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.1f", $1 / 1024}'
}
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

find "$variant" -printf '' # warm the cache
"$scan" "$variant" >/dev/null 2>&1 || true
walks=() scans=() suggests=() extras=()
printf '%-6s %10s %10s %10s %12s\n' round "walk s" "scan s" "suggest s" "extra walks"
for ((i = 1; i <= rounds; i++)); do
    w=$(seconds find "$variant" -printf '')
    s=$(seconds "$scan" "$variant")
    g=$(seconds "$scan" --suggest "$variant")
    x=$(echo "($g - $s) / $w" | bc -l)
    walks+=("$w") scans+=("$s") suggests+=("$g") extras+=("$x")
    printf '%-6s %10.2f %10.2f %10.2f %12.2f\n' "$i" "$w" "$s" "$g" "$x"
done
w=$(printf '%s\n' "${walks[@]}" | median)
s=$(printf '%s\n' "${scans[@]}" | median)
g=$(printf '%s\n' "${suggests[@]}" | median)
printf 'median: bare walk %.2f s, scan %.2f s, --suggest %.2f s\n' "$w" "$s" "$g"
printf -- '--suggest costs %.2f bare walks more than a plain scan (median of the rounds; %.2f from the medians)\n' \
    "$(printf '%s\n' "${extras[@]}" | median)" "$(echo "($g - $s) / $w" | bc -l)"
echo "peak RSS: scan $(peak "$scan" "$variant") MiB, --suggest $(peak "$scan" --suggest "$variant") MiB"
"$scan" --suggest "$variant" 2>/dev/null | awk '/^Possible new targets:/ {on = 1; next}
    on && /^  -> / {c++} on && /^Suggested/ {print} END {print c + 0, "candidate lines"}'
