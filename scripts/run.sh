#!/usr/bin/env bash
# Installs what is missing, builds Korvex (preset "release") and runs its main job:
#   bash scripts/run.sh [--mark] [--rewrite] [--map MAC=LOCAL]... FOLDER   scan FOLDER
#   bash scripts/run.sh                        make a demo folder of aliases and scan it
# Arguments go to korvex-scan unchanged, from the folder the script was called in.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"

(
    cd "$repo"
    bash scripts/install-deps.sh
    cmake --preset release >/dev/null
    cmake --build --preset release >&2
)

scan="$repo/build/release/cli/korvex-scan"

# The desktop window goes here: with a display ($DISPLAY or $WAYLAND_DISPLAY) and the
# window built, start it (with FOLDER when given) instead of the command line.

if (($# > 0)); then
    exec "$scan" "$@"
fi
exec "$scan" --demo
