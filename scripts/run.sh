#!/usr/bin/env bash
# Installs what is missing, builds Korvex (preset "release") and runs its main job.
# With a display ($DISPLAY or $WAYLAND_DISPLAY):
#   bash scripts/run.sh [FOLDER]               the Korvex window (scanning FOLDER when given)
# Without one, or with options:
#   bash scripts/run.sh [--mark] [--rewrite] [--map MAC=LOCAL]... FOLDER   korvex-scan FOLDER
#   bash scripts/run.sh                        make a demo folder of aliases and scan it
# Arguments are taken from the folder the script was called in.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"

(
    cd "$repo"
    bash scripts/install-deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release >&2
)

scan="$repo/build/release/cli/korvex-scan"
window="$repo/build/release/app/korvex"

if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$window" ] &&
    { (($# == 0)) || { (($# == 1)) && [[ $1 != -* ]]; }; }; then
    exec "$window" "$@"
fi

if (($# > 0)); then
    exec "$scan" "$@"
fi
exec "$scan" --demo
