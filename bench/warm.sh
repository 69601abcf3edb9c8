#!/usr/bin/env bash
# Times korvex-scan on a tree whose metadata is in memory, in interleaved rounds, against
# korvex-scan --threads 1, the floor probe with two threads (`floor -j 2`: the least any
# alias scanner must ask, one plain system call per question), `find -xtype l` and `fdfind`.
# Prints every run, then the median of each ratio korvex / other for the default thread
# count and for --threads 1. With perf, it also prints what a busy machine doesn't change:
# the median number of system calls, the CPU time (task-clock) and the context switches of
# each command. The machine's load is printed before and after: wall-clock ratios mean
# little when it is above the number of cores; the counts still do.
#
# usage: bench/warm.sh [-r ROUNDS] [-t THREADS] TREE
#   -r  rounds (default 5)    -t  korvex-scan --threads for the default run (default: its own)
#   TREE is a finished tree of bench/make-tree.py (nothing else is read).
# FLOOR_PROBE names the probe's source file (default ../shared/tools/floor-probe/floor-probe.cpp
# beside the project); it is built into build/, never copied into the project.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/own-trees.sh

rounds=5
threads=()
while getopts "r:t:" option; do
    case $option in
    r) rounds=$OPTARG ;;
    t) threads=(--threads "$OPTARG") ;;
    *) sed -n '2,15p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ $# != 1 ]; then
    sed -n '2,15p' "$0"
    exit 2
fi
tree=$1
own_tree "$tree"
end_of_dry_run

for tool in fdfind bc; do
    command -v "$tool" >/dev/null || { echo "bench/warm.sh needs $tool" >&2; exit 2; }
done
scan=${KORVEX_SCAN:-build/release/cli/korvex-scan}
if [ ! -x "$scan" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target korvex-scan >/dev/null
fi
probe_source=${FLOOR_PROBE:-../shared/tools/floor-probe/floor-probe.cpp}
probe=build/bench-tools/floor-probe
names=(korvex korvex-t1 find-xtype fdfind)
commands=("$scan ${threads[*]} $tree" "$scan --threads 1 $tree" "find $tree -xtype l"
    "fdfind -u -L -t l . $tree")
if [ -f "$probe_source" ]; then
    mkdir -p build/bench-tools
    [ "$probe" -nt "$probe_source" ] || g++ -O2 -std=c++17 -pthread -o "$probe" "$probe_source"
    names+=(floor-j2)
    commands+=("$probe floor -j 2 $tree")
else
    echo "no floor probe at $probe_source: its ratio is left out"
fi
perf_ok=
if command -v perf >/dev/null && perf stat -e raw_syscalls:sys_enter true >/dev/null 2>&1; then
    perf_ok=1
fi

# Runs the command line $1 with its output thrown away; prints wall seconds, and with perf
# the system calls, task-clock milliseconds and context switches.
run() {
    local start end status=0 counts=
    start=$(date +%s.%N)
    if [ -n "$perf_ok" ]; then
        counts=$(eval "perf stat -x, -e raw_syscalls:sys_enter,task-clock,context-switches $1" \
            2>&1 >/dev/null | awk -F, '/raw_syscalls|task-clock|context-switches/ {printf " %s", $1}') ||
            status=$?
    else
        eval "$1" >/dev/null 2>&1 || status=$?
    fi
    end=$(date +%s.%N)
    # korvex-scan answers 1 when it found broken aliases; only 2 and above are failures
    if ((status > 1)); then
        echo "$1 failed ($status)" >&2
        exit 2
    fi
    echo "$(echo "$end - $start" | bc -l)$counts"
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

echo "tree: $tree; korvex: $scan ${threads[*]}"
echo "load before: $(uptime)"
for command in "${commands[@]}"; do eval "$command" >/dev/null 2>&1 || true; done # warms up
declare -A ratios ratios1 wall calls cpu switches
for ((round = 1; round <= rounds; round++)); do
    declare -A took=()
    for ((k = 0; k < ${#names[@]}; k++)); do
        i=$(((k + round - 1) % ${#names[@]}))
        name=${names[$i]}
        read -r seconds syscalls ms cs <<<"$(run "${commands[$i]}")"
        took[$name]=$seconds
        wall[$name]+="$seconds "
        calls[$name]+="${syscalls:-0} "
        cpu[$name]+="${ms:-0} "
        switches[$name]+="${cs:-0} "
        printf 'round %d: %-10s %7.3f s warm\n' "$round" "$name" "$seconds"
    done
    for name in "${names[@]:1}"; do
        ratios[$name]+="$(echo "${took[korvex]} / ${took[$name]}" | bc -l) "
        ratios1[$name]+="$(echo "${took[korvex-t1]} / ${took[$name]}" | bc -l) "
    done
done
for name in "${names[@]:1}"; do
    printf 'warm: korvex / %-10s median %.3f\n' "$name" "$(printf '%s\n' ${ratios[$name]} | median)"
done
for name in "${names[@]:2}"; do
    printf 'warm: korvex --threads 1 / %-10s median %.3f\n' "$name" \
        "$(printf '%s\n' ${ratios1[$name]} | median)"
done
echo "goals: korvex / floor-j2 <= 1.0; korvex / korvex-t1 <= 1.0"
if [ -n "$perf_ok" ]; then
    for name in "${names[@]}"; do
        printf 'counts: %-10s wall %7.3f s, %9.0f system calls, %8.1f ms CPU, %7.0f context switches\n' \
            "$name" "$(printf '%s\n' ${wall[$name]} | median)" \
            "$(printf '%s\n' ${calls[$name]} | median)" "$(printf '%s\n' ${cpu[$name]} | median)" \
            "$(printf '%s\n' ${switches[$name]} | median)"
    done
fi
rss=$({ eval "/usr/bin/time -v ${commands[0]}" 2>&1 >/dev/null || true; } |
    awk -F': ' '/Maximum resident set size/ {print $2}')
printf 'peak RSS of korvex-scan: %d KiB (%.1f MiB; goal <= 32 MiB)\n' "$rss" "$(echo "$rss / 1024" | bc -l)"
echo "load after: $(uptime)"
