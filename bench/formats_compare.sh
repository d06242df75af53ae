#!/usr/bin/env bash
# HEIC, AVIF and WebP loads of a 4032 x 3024 photograph through our load
# path under Wine (bench/formats_winbench.cpp) against Debian's heif-convert
# and dwebp on the same files in the same run, and the 12 MP colour
# conversion; then the peak memory of each load, against the picture's own
# size.  Run from the repository root after building the bench-windows
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
if [ ! -f "$work/photo_exif6.webp" ]; then
    # With alpha (a diagonal ramp), and with EXIF orientation 6 (a quarter turn).
    /usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image
work = sys.argv[1]
photo = Image.open(work + "/photo.png").convert("RGB")
w, h = photo.size
ramp = Image.linear_gradient("L").resize((w, h))
rgba = photo.copy()
rgba.putalpha(ramp)
rgba.save(work + "/photo_alpha.webp", quality=80)
exif = Image.Exif()
exif[0x0112] = 6
photo.save(work + "/photo_exif6.webp", quality=80, exif=exif.tobytes())
PY
fi
# Adobe RGB from colord-data or icc-profiles-free, whichever is there.
for icc in /usr/share/color/icc/colord/AdobeRGB1998.icc /usr/share/color/icc/compatibleWithAdobeRGB1998.icc; do
    [ -f "$icc" ] && { cp "$icc" "$work/adobe.icc"; break; }
done
# The DLLs beside the benchmark, as beside roundcut.exe (DLLS: another folder of them).
dlls=${DLLS:-.deps/mingw/bin}
cp "$dlls/libheif.dll" "$dlls/libde265.dll" "$(dirname "$exe")/"
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
for f in photo.heic photo.avif photo.webp photo_alpha.webp photo_exif6.webp; do
    case $f in
        *.webp) peer="dwebp"; ms=$(median 5 dwebp "$work/$f" -ppm -o "$work/peer.ppm") ;;
        *) peer="heif-convert"; ms=$(median 5 heif-convert "$work/$f" "$work/peer.y4m") ;;
    esac
    ours=$(echo "$out" | awk -v n="$f decode_picture_file" 'index($0, n) == 1 {print $(NF-1)}')
    awk -v peer="$peer" -v ms="$ms" -v ours="$ours" -v f="$f" 'BEGIN {
        printf "%-12s ours %9.3f ms   %s %9.3f ms   ours / %s %.2f\n", f, ours, peer, ms, peer, ours / ms }'
done

# Peak memory of each load in a process of its own: the bench loads the
# file, holds the picture and waits while its peak resident size (VmHWM) is
# read; less that of a process that loads nothing, against the picture's
# 3 bytes a pixel.
echo
scripts/with-wine bash -c '
    exe=$1 wwork=$2 fifo=$3/hold.in said=$3/hold.out
    shift 3
    for f in - "$@"; do
        rm -f "$fifo" "$said"
        mkfifo "$fifo"
        wine "$exe" "$wwork" --hold "$f" <"$fifo" >"$said" &
        pid=$!
        exec 4>"$fifo"
        until grep -q held "$said" 2>/dev/null || ! kill -0 $pid 2>/dev/null; do sleep 0.1; done
        echo "$f $(awk "/^VmHWM/ {print \$2}" /proc/$pid/status) $(cat "$said")"
        exec 4>&-
        wait $pid
    done
    rm -f "$fifo" "$said"' _ "$exe" "$wwork" "$work" photo.heic photo.avif photo.webp photo_alpha.webp photo_exif6.webp |
    awk '$1 == "-" { base = $2; next }
         { picture = $4 * $6 * 3 / 1048576; grown = ($2 - base) / 1024
           printf "%-17s peak memory %7.1f MB   picture %6.1f MB   peak / picture %.2f\n", $1, grown, picture,
                  picture ? grown / picture : 0 }'
