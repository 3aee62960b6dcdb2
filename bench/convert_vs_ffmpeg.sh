#!/usr/bin/env bash
# Times tevarro-convert against the ffmpeg program doing the same work, in the
# same run, on a generated 60 s 1280x720 H.264 + AAC source: presets 4
# (MPEG-4 512K) and 9 (H.264 512K). For each: median wall time of RUNS runs,
# the wall-time ratio, median peak memory of both, and the PSNR of both
# outputs against the source scaled the same way (bicubic, letterboxed,
# 29.97 fps).
#
#   bench/convert_vs_ffmpeg.sh [path/to/tevarro-convert]
#
# Targets on a 2-core machine: ratio <= 0.80, PSNR no more than 0.2 dB below
# ffmpeg's, peak memory no more than ffmpeg's. The machine should be idle.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
convert=${1:-${TEVARRO_CONVERT:-}}
if [[ -z "$convert" ]]; then
    convert=$(ls -t "$here"/../build*/bin/tevarro-convert 2>/dev/null | head -n1 || true)
fi
[[ -x "$convert" ]] || { echo "tevarro-convert not found; pass its path" >&2; exit 2; }
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "tevarro-convert: $convert"
echo "generating the 60 s 1280x720 source..."
ffmpeg -v error -y -f lavfi -i testsrc2=size=1280x720:rate=30 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 60 \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 128k -ac 2 -shortest "$work/src.mp4"

picture="scale=320:240:force_original_aspect_ratio=decrease:force_divisible_by=2:flags=bicubic"
picture+=",pad=320:240:(ow-iw)/2:(oh-ih)/2:black,setsar=1,fps=30000/1001"
sound=(-c:a aac -profile:a aac_low -b:a 128k -ar 48000 -ac 2)
mux=(-f ipod -movflags +faststart)
# What each preset asks of the encoder (see src/engines/video/encode_job.cpp).
video4=(-c:v mpeg4 -profile:v 0 -level 3 -b:v 512k -g 250 -bf 0 -flags +mv4+aic -mbd rd)
video9=(-c:v libx264 -profile:v baseline -level 1.3 -refs 1 -bf 0 -g 250
        -b:v 512k -maxrate 768k -bufsize 2000k)

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# psnr OUTPUT -> average PSNR against the source treated like the output
psnr() {
    ffmpeg -v info -i "$1" -i "$work/src.mp4" -lavfi \
        "[1:v]$picture[ref];[0:v]setsar=1[out];[out][ref]psnr" -f null - 2>&1 |
        sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p' | tail -n1
}

printf '\n%-7s %9s %9s %6s %8s %8s %8s %8s %6s\n' preset tevarro_s ffmpeg_s ratio tev_MB ffm_MB tev_dB ffm_dB dB
for preset in 4 9; do
    : > "$work/t.txt"
    : > "$work/f.txt"
    for run in $(seq "$runs"); do
        rm -rf "$work/out"
        /usr/bin/time -f '%e %M' -o "$work/time" \
            "$convert" --preset "$preset" -o "$work/out" "$work/src.mp4" > /dev/null 2>&1
        cat "$work/time" >> "$work/t.txt"
        video="video$preset[@]"
        /usr/bin/time -f '%e %M' -o "$work/time" \
            ffmpeg -v error -y -i "$work/src.mp4" -vf "$picture" "${!video}" "${sound[@]}" "${mux[@]}" \
            "$work/ffmpeg.mp4"
        cat "$work/time" >> "$work/f.txt"
    done
    tw=$(cut -d' ' -f1 "$work/t.txt" | median)
    fw=$(cut -d' ' -f1 "$work/f.txt" | median)
    tm=$(cut -d' ' -f2 "$work/t.txt" | median)
    fm=$(cut -d' ' -f2 "$work/f.txt" | median)
    tp=$(psnr "$work/out/src.mp4")
    fp=$(psnr "$work/ffmpeg.mp4")
    awk -v p="$preset" -v tw="$tw" -v fw="$fw" -v tm="$tm" -v fm="$fm" -v tp="$tp" -v fp="$fp" 'BEGIN {
        printf "%-7s %9.2f %9.2f %6.2f %8.1f %8.1f %8.2f %8.2f %+6.2f\n",
               p, tw, fw, tw / fw, tm / 1024, fm / 1024, tp, fp, tp - fp }'
done
echo
echo "ratio = tevarro wall / ffmpeg wall (median of $runs); MB = peak resident memory; dB = PSNR"
