#!/usr/bin/env bash
# Configures and builds Tevarro into build/ (two jobs: this is a 2-core box).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
