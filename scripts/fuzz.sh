#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for KORVEX_FUZZ_SECONDS
# (default 60), two at a time. Seeds: fuzz/corpus/NAME (kept in the repository) and
# build/fuzz/fuzz/seeds/NAME (written at build time by the project's own writer).
# Fails when any target finds a crash, a leak or undefined behaviour.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${KORVEX_FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets=()
for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] && [ -f "$target" ] && targets+=("$target")
done
if ((${#targets[@]} == 0)); then
    echo "fuzz: no targets built"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_one() {
    local target=$1 name corpus
    name=$(basename "$target")
    corpus="$work/$name"
    mkdir -p "$corpus"
    for seeds in "fuzz/corpus/$name" "build/fuzz/fuzz/seeds/$name"; do
        [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    done
    if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
        echo "fuzz: $name: $(grep -Eo '#[0-9]+' "$work/$name.log" | tail -1 | tr -d '#') runs, nothing found"
    else
        echo "fuzz: $name FAILED"
        tail -60 "$work/$name.log"
        return 1
    fi
}
export -f run_one
export seconds work
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {}
