#!/usr/bin/env bash
# Installs what is missing, builds Tevarro and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --run
bash scripts/build.sh tevarro tevarro-convert
exec ./build/bin/tevarro
