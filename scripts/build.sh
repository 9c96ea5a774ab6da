#!/usr/bin/env bash
# Configures and builds ornaplex in build/ (Release), or in the folder and type given:
#   scripts/build.sh [BUILD_DIR] [BUILD_TYPE] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
type=${2:-Release}
shift $(( $# > 2 ? 2 : $# )) || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
