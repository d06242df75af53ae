#!/usr/bin/env bash
# 40 photos of 12 MP (4:2:0 JPEG) to 256 x 256 PNG cut-outs with the smooth
# edge from centred squares: roundcut-cli with its default jobs under Wine
# against ImageMagick doing the same job (crop the centred square, resize,
# a circular mask, PNG) in as many processes at once as there are cores, in
# the same run.  Prints both times, pictures per second, the ratio and the
# peak memory (the largest process for ImageMagick, the whole Wine process
# for ours).  Needs a windows build, imagemagick and libjpeg-turbo-progs.
#
#   bench/batch_compare.sh [COUNT]
#   bench/batch_compare.sh --heic [COUNT]   the same photo as HEIC (heif-enc), ours only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
heic=0
[ "${1:-}" = "--heic" ] && { heic=1; shift; }
count=${1:-40}
command -v convert >/dev/null || { echo "convert missing: apt-get install imagemagick"; exit 1; }
command -v cjpeg >/dev/null || { echo "cjpeg missing: apt-get install libjpeg-turbo-progs"; exit 1; }
cli=build/windows/app/roundcut-cli.exe
[ -f "$cli" ] || { echo "build the windows preset first"; exit 1; }
work="$root/build/bench-batch"
mkdir -p "$work/photos"
if [ ! -f "$work/photo.jpg" ]; then
    convert -size 4000x3000 gradient:navy-orange -attenuate 0.4 +noise Gaussian ppm:- |
        cjpeg -quality 90 -sample 2x2 -outfile "$work/photo.jpg"
fi
ext=jpg
if [ $heic = 1 ]; then
    ext=heic
    [ -f "$work/photo.heic" ] || heif-enc -q 90 -o "$work/photo.heic" "$work/photo.jpg" >/dev/null
fi
for i in $(seq -w 1 "$count"); do
    [ -f "$work/photos/IMG_$i.$ext" ] || cp "$work/photo.$ext" "$work/photos/IMG_$i.$ext"
done
timer() { /usr/bin/time -f "%e %M" "$@"; }

rm -rf "$work/ours" "$work/theirs"
mkdir -p "$work/theirs"
ours=$( { timer scripts/with-wine wine "$cli" --quiet --out "Z:${work//\//\\}\\ours" --size 256 --smooth \
    --square centre "Z:${work//\//\\}\\photos\\*.$ext" >"$work/ours.txt"; } 2>&1 | tail -n 1)
# The batch's own time, from its summary line: without the seconds Wine and
# its virtual display take to start here (a Windows process starts in
# milliseconds).
inside=$(sed -n 's/.*failed.*, \([0-9.]*\) s.*/\1/p' "$work/ours.txt" | tail -n 1)

if [ $heic = 1 ]; then
    read -r our_s our_kb <<<"$ours"
    echo "$count HEIC photos of 4000 x 3000: $(tail -n 1 "$work/ours.txt"); whole Wine process $our_s s, peak $((our_kb / 1024)) MB"
    exit 0
fi
mask="$work/mask.png"
[ -f "$mask" ] || convert -size 256x256 xc:black -fill white -draw "circle 127.5,127.5 127.5,0" "$mask"
export mask work
theirs=$( { timer bash -c 'ls "$work"/photos/*.jpg | xargs -P "$(nproc)" -I{} /usr/bin/time -a -o "$work/theirs.mem" -f "%M" \
    sh -c '\''convert "{}" -gravity center -crop 3000x3000+0+0 +repage -resize 256x256 "$mask" -alpha off \
        -compose CopyOpacity -composite "$work/theirs/$(basename "{}" .jpg).png"'\'''; } 2>&1 | tail -n 1)
their_peak=$(sort -n "$work/theirs.mem" | tail -n 1)
rm -f "$work/theirs.mem"

written=$(ls "$work/ours" | wc -l)
read -r our_s our_kb <<<"$ours"
read -r their_s _ <<<"$theirs"
printf '%-44s %8s %10s %12s\n' "" seconds "pictures/s" "peak MB"
awk -v n="$count" -v s="$our_s" -v kb="$our_kb" -v w="$written" 'BEGIN {
    printf "%-44s %8.2f %10.1f %12.0f\n", "roundcut-cli (" w " written), Wine start included", s, n / s, kb / 1024 }'
awk -v n="$count" -v s="$inside" 'BEGIN {
    printf "%-44s %8.2f %10.1f\n", "roundcut-cli, the batch itself", s, n / s }'
awk -v n="$count" -v s="$their_s" -v kb="$their_peak" -v p="$(nproc)" 'BEGIN {
    printf "%-44s %8.2f %10.1f %12.0f (one process)\n", "ImageMagick, " p " processes at once", s, n / s, kb / 1024 }'
awk -v a="$our_s" -v i="$inside" -v b="$their_s" 'BEGIN {
    printf "ratio roundcut-cli / ImageMagick: %.2f (the batch itself: %.2f)\n", a / b, i / b }'
