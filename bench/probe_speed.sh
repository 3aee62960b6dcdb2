#!/usr/bin/env bash
# Times Tevarro's probe (GetMediaDuration's core, in process) over 200 local
# files against ffprobe started as a process per file, as a file list view
# would otherwise have to. The files: 20 generated sources of ten kinds
# (H.264/MP4 at 1080p and 720p, MPEG-4/AVI, MKV, MOV, MPEG-2/TS, WMV, FLV,
# VP8/WebM, 3GP), each present ten times.
#
#   bench/probe_speed.sh
#
# Target: median <= 10 ms per file.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "building the probe timer..."
# The probe's sources are free of Qt, so the timer builds from them alone.
g++ -O2 -std=c++20 -I"$repo/src" "$here/engine/probe_bench.cpp" \
    "$repo/src/engines/video/probe.cpp" "$repo/src/engines/video/media_input.cpp" \
    $(pkg-config --cflags --libs libavformat libavcodec libavutil) -o "$work/probe_bench"

echo "generating sources..."
generate() {  # generate NAME SECONDS SIZE ARGS...
    local name=$1 seconds=$2 size=$3
    shift 3
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=$size:rate=30:duration=$seconds" \
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$seconds" "$@" "$work/src/$name"
}
mkdir -p "$work/src" "$work/files"
for seconds in 8 30; do
    generate "a$seconds.mp4" "$seconds" 1920x1080 -c:v libx264 -preset ultrafast -c:a aac
    generate "b$seconds.mp4" "$seconds" 1280x720 -c:v libx264 -preset ultrafast -c:a aac
    generate "c$seconds.avi" "$seconds" 640x480 -c:v mpeg4 -c:a libmp3lame
    generate "d$seconds.mkv" "$seconds" 1280x720 -c:v libx264 -preset ultrafast -c:a aac
    generate "e$seconds.mov" "$seconds" 1280x720 -c:v libx264 -preset ultrafast -c:a aac
    generate "f$seconds.ts" "$seconds" 720x576 -c:v mpeg2video -c:a mp2
    generate "g$seconds.wmv" "$seconds" 640x480 -c:v wmv2 -c:a wmav2
    generate "h$seconds.flv" "$seconds" 640x360 -c:v flv1 -c:a libmp3lame -ar 44100
    generate "i$seconds.webm" "$seconds" 640x360 -c:v libvpx -deadline realtime -b:v 1M -c:a libvorbis
    generate "j$seconds.3gp" "$seconds" 352x288 -c:v mpeg4 -c:a aac -ar 8000 -ac 1
done
for copy in $(seq 10); do
    for f in "$work"/src/*; do
        b=$(basename "$f")
        cp "$f" "$work/files/${copy}_$b"
    done
done
ls "$work"/files/* > "$work/list"
echo "$(wc -l < "$work/list") files"

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

"$work/probe_bench" - < "$work/list" > "$work/tevarro.txt"
zeros=$(grep -v '^median' "$work/tevarro.txt" | awk '$2 == 0' | wc -l)
tevarro=$(grep -v '^median' "$work/tevarro.txt" | cut -d' ' -f1 | median)

: > "$work/ffprobe.txt"
while read -r f; do
    start=$(date +%s%N)
    ffprobe -v error -show_entries format=duration -of csv=p=0 "$f" > /dev/null
    end=$(date +%s%N)
    echo "$(( (end - start) / 1000 ))" | awk '{print $1 / 1000}' >> "$work/ffprobe.txt"
done < "$work/list"
ffprobe_ms=$(median < "$work/ffprobe.txt")

echo
printf 'tevarro probe, in process:   median %7.2f ms per file (%d of them unreadable)\n' "$tevarro" "$zeros"
printf 'ffprobe, one process a file: median %7.2f ms per file\n' "$ffprobe_ms"
awk -v t="$tevarro" -v f="$ffprobe_ms" 'BEGIN { printf "ratio %.3f\n", t / f }'
