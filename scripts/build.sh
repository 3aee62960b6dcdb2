#!/usr/bin/env bash
# Configures and builds Tevarro into build/ (two jobs: this is a 2-core box).
# With target names, builds only those (and what they need).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build build -j2 "${targets[@]}"
