#!/usr/bin/env bash
# The window's responsiveness with the real engine: adding a folder of 200
# clips, a batch of three 720p clips (UI-thread CPU, gap between rows, stop),
# and preview latencies on a 720p clip. Prints medians against the targets.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j2 --target tevarro_app_bench tevarro_skin_file > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips" "$work/batch"
ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=2.5 \
    -f lavfi -i sine=duration=2.5 -c:v libx264 -preset ultrafast -c:a aac "$work/seed.mp4"
for i in $(seq 1 200); do cp "$work/seed.mp4" "$work/clips/clip$i.mp4"; done
for name in one two three; do
    ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=30:duration=10 \
        -f lavfi -i sine=duration=10 -c:v libx264 -preset veryfast -c:a aac "$work/batch/$name.mp4"
done
ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=30:duration=30 \
    -f lavfi -i sine=duration=30 -c:v libx264 -preset veryfast -c:a aac "$work/preview.mp4"

QT_QPA_PLATFORM=offscreen ./build/bin/tevarro_app_bench build/bin "$work/clips" "$work/batch" "$work/preview.mp4"
