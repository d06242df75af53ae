#!/usr/bin/env bash
# HEIC, AVIF and WebP loads of a 4032 x 3024 photograph through our load
# path under Wine (bench/formats_winbench.cpp) against Debian's heif-convert
# and dwebp on the same files in the same run, and the 12 MP colour
# conversion.  Run from the repository root after building the bench-windows
# preset (scripts/bench does), with webp, libheif-examples, libavif-bin,
# imagemagick and colord-data or icc-profiles-free installed (scripts/bootstrap installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work="$root/build/bench-formats"
mkdir -p "$work"
exe=${1:-build/bench-windows/bench/formats_winbench.exe}
if [ ! -f "$work/photo.webp" ]; then
    convert -size 4032x3024 -seed 7 plasma:fractal -blur 0x1 "$work/photo.png"
    heif-enc -q 80 "$work/photo.png" -o "$work/photo.heic" >/dev/null
    avifenc -s 8 "$work/photo.png" "$work/photo.avif" >/dev/null
    cwebp -quiet -q 80 "$work/photo.png" -o "$work/photo.webp"
fi
# Adobe RGB from colord-data or icc-profiles-free, whichever is there.
for icc in /usr/share/color/icc/colord/AdobeRGB1998.icc /usr/share/color/icc/compatibleWithAdobeRGB1998.icc; do
    [ -f "$icc" ] && { cp "$icc" "$work/adobe.icc"; break; }
done
# The DLLs beside the benchmark, as beside roundcut.exe.
cp .deps/mingw/bin/libheif.dll .deps/mingw/bin/libde265.dll "$(dirname "$exe")/"
wwork="Z:${work//\//\\}"
out=$(scripts/with-wine wine "$exe" "$wwork")
echo "$out"
echo
median() {   # median RUNS COMMAND...: the median wall time in ms
    local runs=$1 times=() start end
    shift
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p" | awk '{printf "%.3f", $1 / 1000}'
}
for f in photo.heic photo.avif photo.webp; do
    case $f in
        *.webp) peer="dwebp"; ms=$(median 5 dwebp "$work/$f" -ppm -o "$work/peer.ppm") ;;
        *) peer="heif-convert"; ms=$(median 5 heif-convert "$work/$f" "$work/peer.y4m") ;;
    esac
    ours=$(echo "$out" | awk -v n="$f decode_picture_file" 'index($0, n) == 1 {print $(NF-1)}')
    awk -v peer="$peer" -v ms="$ms" -v ours="$ours" -v f="$f" 'BEGIN {
        printf "%-12s ours %9.3f ms   %s %9.3f ms   ours / %s %.2f\n", f, ours, peer, ms, peer, ours / ms }'
done
