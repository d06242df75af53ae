#!/usr/bin/env bash
# Loads a 3840 x 2400 JPEG photograph through GDI+ under Wine and decodes the
# same file with djpeg (libjpeg-turbo-progs) in the same run, for the ratio.
# Run from the repository root after building the windows preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v djpeg >/dev/null || { echo "djpeg missing: apt-get install libjpeg-turbo-progs"; exit 1; }
work="$root/build/bench-load"
mkdir -p "$work"
jpeg="$work/photo_3840x2400.jpg"
wjpeg="Z:${jpeg//\//\\}"
out=$(scripts/with-wine wine build/windows/bench/app_load_winbench.exe "$wjpeg")
echo "$out"
ours=$(echo "$out" | awk '/load_with_gdiplus alone/ {print $(NF-1)}')
runs=10
best=
times=()
for i in $(seq $runs); do
    start=$(date +%s%N)
    djpeg -outfile /dev/null "$jpeg"
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p")
awk -v us="$median" -v ours="$ours" 'BEGIN {
    printf "djpeg decode of the same file                     median %9.3f ms\n", us / 1000
    printf "ratio load_with_gdiplus / djpeg: %.2f\n", ours / (us / 1000) }'
