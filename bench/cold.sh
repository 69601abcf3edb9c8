#!/usr/bin/env bash
# Times korvex-scan on a tree whose metadata is not in memory (the page, dentry and inode
# caches dropped before every single run), in interleaved rounds, against korvex-scan
# --threads 1, the bare walk (`find -printf ''`), `find -xtype l`, `fdfind` and, when its
# source is at hand, the floor probe with 64 threads (the least any alias scanner must do:
# walk, statx, one FinderInfo read, the content check). Prints every run with its system
# calls and context switches (with perf), the median of each ratio korvex / other, then
# korvex's peak RSS. The machine's load is printed before and after: on a shared machine,
# compare ratios of one round, never times of different rounds. bench/warm.sh is the warm
# counterpart.
#
# usage: bench/cold.sh [-r ROUNDS] [-t THREADS] [TREE]
#   -r  cold rounds (default 3)
#   -t  korvex-scan --threads (default: its own)
#   TREE defaults to build/bench-trees/tree-1000000. It is either a tree made by
#   bench/make-tree.py or a path that does not exist yet (the tree is made there once); any
#   other path is refused.
# Needs root (to drop the caches). FLOOR_PROBE names the probe's source file (default
# ../shared/tools/floor-probe/floor-probe.cpp beside the project); it is built into build/,
# never copied into the project.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/own-trees.sh

rounds=3
threads=()
while getopts "r:t:" option; do
    case $option in
    r) rounds=$OPTARG ;;
    t) threads=(--threads "$OPTARG") ;;
    *) sed -n '2,20p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
tree=${1:-build/bench-trees/tree-1000000}
own_or_new "$tree" "$tree_marker"
end_of_dry_run

if [ "$(id -u)" != 0 ] || [ ! -w /proc/sys/vm/drop_caches ]; then
    echo "bench/cold.sh needs root: it drops the kernel's caches before every run" >&2
    exit 2
fi
if [ ! -f "$tree/.korvex-tree-done" ]; then
    echo "building a tree of 1000000 entries in $tree (once; reused afterwards)"
    mkdir -p "$(dirname "$tree")"
    python3 bench/make-tree.py "$tree" 1000000
fi
# The bench's own tools (nothing the project needs).
for tool in fdfind:fd-find bc:bc; do
    command -v "${tool%%:*}" >/dev/null ||
        apt-get install -y "${tool#*:}" >/dev/null || { apt-get update >/dev/null &&
            apt-get install -y "${tool#*:}" >/dev/null; }
done

scan=build/release/cli/korvex-scan
if [ ! -x "$scan" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target korvex-scan >/dev/null
fi
probe_source=${FLOOR_PROBE:-../shared/tools/floor-probe/floor-probe.cpp}
probe=build/bench-tools/floor-probe
if [ -f "$probe_source" ]; then
    mkdir -p build/bench-tools
    [ "$probe" -nt "$probe_source" ] || g++ -O2 -std=c++17 -pthread -o "$probe" "$probe_source"
else
    echo "no floor probe at $probe_source: its ratio is left out"
    probe=
fi

names=(korvex korvex-t1 bare-walk find-xtype fdfind)
commands=("$scan ${threads[*]} $tree" "$scan --threads 1 $tree" "find $tree -printf ''"
    "find $tree -xtype l" "fdfind -u -L -t l . $tree")
if [ -n "$probe" ]; then
    names+=(floor-probe)
    commands+=("$probe floor -j 64 $tree")
fi

perf_ok=
if command -v perf >/dev/null && perf stat -e raw_syscalls:sys_enter true >/dev/null 2>&1; then
    perf_ok=1
fi
counted=
seconds() { # runs the command line $1 with its output thrown away: wall seconds
    local start end status=0
    start=$(date +%s.%N)
    if [ -n "$perf_ok" ]; then
        counted=$(eval "perf stat -x, -e raw_syscalls:sys_enter,context-switches $1" 2>&1 \
            >/dev/null | awk -F, '/raw_syscalls/ {c=$1} /context-switches/ {s=$1}
                END {printf "%d system calls, %d context switches", c, s}') || status=$?
    else
        eval "$1" >/dev/null 2>&1 || status=$?
    fi
    end=$(date +%s.%N)
    # korvex-scan answers 1 when it found broken aliases; only 2 and above are failures
    if ((status > 1)); then
        echo "$1 failed ($status)" >&2
        exit 2
    fi
    echo "$end - $start" | bc -l
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

mkdir -p build/bench-tools
echo "tree: $tree; korvex: $scan ${threads[*]}"
echo "load before: $(uptime)"
declare -A ratios
for ((round = 1; round <= rounds; round++)); do
    declare -A took=()
    # Each round starts with another command, so no command always follows the same one.
    for ((k = 0; k < ${#names[@]}; k++)); do
        i=$(((k + round - 1) % ${#names[@]}))
        sync
        echo 3 >/proc/sys/vm/drop_caches
        seconds "${commands[$i]}" >"build/bench-tools/took"
        took[${names[$i]}]=$(cat build/bench-tools/took)
        printf 'round %d: %-11s %7.2f s cold  %s\n' "$round" "${names[$i]}" \
            "${took[${names[$i]}]}" "$counted"
    done
    for name in "${names[@]:1}"; do
        ratios[$name]+="$(echo "${took[korvex]} / ${took[$name]}" | bc -l) "
    done
done
for name in "${names[@]:1}"; do
    printf 'cold: korvex / %-11s median %.3f\n' "$name" \
        "$(printf '%s\n' ${ratios[$name]} | median)"
done
echo "goals: korvex / floor-probe <= 1.0; korvex / korvex-t1 <= 1.0 (warm: bench/warm.sh)"
rss=$({ eval "/usr/bin/time -v ${commands[0]}" 2>&1 >/dev/null || true; } |
    awk -F': ' '/Maximum resident set size/ {print $2}')
printf 'peak RSS of korvex-scan: %d KiB (%.1f MiB; goal <= 32 MiB)\n' "$rss" "$(echo "$rss / 1024" | bc -l)"
echo "load after: $(uptime)"
