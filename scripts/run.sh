#!/usr/bin/env bash
# Installs what is missing, builds Korvex (preset "release") and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
