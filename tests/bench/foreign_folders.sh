#!/usr/bin/env bash
# The benchmarks never remove or write into a folder they did not make: each script and
# generator is pointed at an ordinary folder (one file, one sidecar-looking file in it), in a
# dry run, and must refuse it with a non-zero exit and leave it exactly as it was. A dry run on
# a path that does not exist yet, or on one of their own trees, is accepted and makes nothing.
#
#     foreign_folders.sh SOURCE_DIR
set -u
bench="$1/bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KORVEX_BENCH_DRY=1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The folder somebody cares about, and what it holds.
mine="$work/my folder"
mkdir "$mine"
echo "my notes" >"$mine/notes.txt"
echo "my own" >"$mine/Plan alias-korvex-broken.text"
snapshot() { (cd "$mine" && find . -printf '%p %y %s\n' | sort && cat notes.txt); }
before=$(snapshot)

# A small tree of the generator's own, for the scripts that read one.
own="$work/own tree"
python3 "$bench/make-tree.py" "$own" 200 >/dev/null || fail "make-tree.py could not make a new tree"

refused() { # what, then the command
    local what=$1 status=0
    shift
    timeout 20 "$@" >"$work/out" 2>&1 || status=$?
    if ((status == 0)); then
        fail "$what accepted a folder it did not make"
    fi
    if [ "$(snapshot)" != "$before" ]; then
        fail "$what changed a folder it did not make (exit $status): $(cat "$work/out")"
        rm -rf "$mine" && mkdir "$mine" && echo "my notes" >"$mine/notes.txt" &&
            echo "my own" >"$mine/Plan alias-korvex-broken.text"
    fi
}
accepted() { # what, a path that must not appear, then the command
    local what=$1 path=$2 status=0
    shift 2
    timeout 20 "$@" >"$work/out" 2>&1 || status=$?
    ((status == 0)) || fail "$what refused a dry run it should accept (exit $status): $(cat "$work/out")"
    [ ! -e "$path" ] || fail "$what made $path in a dry run"
}

refused "cold.sh" bash "$bench/cold.sh" "$mine"
refused "warm.sh" bash "$bench/warm.sh" "$mine"
refused "warm.sh (new path)" bash "$bench/warm.sh" "$work/new"
refused "walk-vs-find.sh" bash "$bench/walk-vs-find.sh" -n 100 "$mine"
refused "suggest-vs-scan.sh (variant)" env KORVEX_SCAN=/bin/true \
    bash "$bench/suggest-vs-scan.sh" "$own" "$mine"
refused "suggest-vs-scan.sh (source)" env KORVEX_SCAN=/bin/true \
    bash "$bench/suggest-vs-scan.sh" "$mine" "$work/variant"
refused "stop-latency.sh" bash "$bench/stop-latency.sh" "$work/no-build" "$mine"
refused "make-tree.py" python3 "$bench/make-tree.py" "$mine" 100
refused "add-moved-aliases.py" python3 "$bench/add-moved-aliases.py" "$mine" 10

accepted "walk-vs-find.sh (own tree)" "$work/none" bash "$bench/walk-vs-find.sh" "$own"
accepted "walk-vs-find.sh (new path)" "$work/new" bash "$bench/walk-vs-find.sh" "$work/new"
accepted "warm.sh (own tree)" "$work/none" bash "$bench/warm.sh" "$own"
accepted "cold.sh (new path)" "$work/new" bash "$bench/cold.sh" "$work/new"
accepted "suggest-vs-scan.sh (new variant)" "$work/variant" env KORVEX_SCAN=/bin/true \
    bash "$bench/suggest-vs-scan.sh" "$own" "$work/variant"
accepted "stop-latency.sh (new folder)" "$work/new" bash "$bench/stop-latency.sh" "$work/b" "$work/new"

if ((failures > 0)); then
    echo "$failures failures"
    exit 1
fi
echo "the benchmarks leave folders they did not make alone"
