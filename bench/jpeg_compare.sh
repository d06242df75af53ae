#!/usr/bin/env bash
# Every JPEG kind a camera or an editor writes, 3840 x 2400 and 8000 x 6000:
# 4:4:4, 4:2:2 and 4:2:0, baseline and progressive, and 4:2:0 turned by
# EXIF orientation 6.  Our whole load under Wine against djpeg (natively) on
# the same file, in the same run, and the peak memory of one load of each
# 8000 x 6000 file against the picture it makes.  Then hostile files: the
# time and peak memory of one load each, ours against the GDI+ path that
# took them before.
# Run from the repository root after building the bench-windows preset
# (scripts/bench decode builds it; this script is not run by scripts/bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v djpeg >/dev/null && command -v cjpeg >/dev/null || { echo "djpeg/cjpeg missing: apt-get install libjpeg-turbo-progs"; exit 1; }
exe=${ROUNDCUT_BENCH_EXE:-build/bench-windows/bench/decode_winbench.exe}
work="$root/build/bench-jpeg"
mkdir -p "$work"
wpath() { echo "Z:${1//\//\\}"; }

# The photographs, written by the other decode benchmark when missing.
base="$root/build/bench-decode"
if [ ! -f "$base/photo_8000x6000.jpg" ]; then
    mkdir -p "$base"
    scripts/with-wine wine "$exe" "$(wpath "$base")" >/dev/null
fi
files=()
for size in 3840x2400 8000x6000; do
    ppm="$work/photo_$size.ppm"
    [ -f "$ppm" ] || djpeg -pnm -outfile "$ppm" "$base/photo_$size.jpg"
    for s in 1x1 2x1 2x2; do
        for mode in baseline progressive; do
            f="$work/${size}_${s}_$mode.jpg"
            [ -f "$f" ] || cjpeg -quality 90 -sample "$s" $([ $mode = progressive ] && echo -progressive) -outfile "$f" "$ppm"
            files+=("$f")
        done
    done
    f="$work/${size}_2x2_orientation6.jpg"
    [ -f "$f" ] || python3 - "$work/${size}_2x2_baseline.jpg" "$f" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
tiff = b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x112, 3, 1, 6, 0) + b"\0\0\0\0"
app1 = b"Exif\0\0" + tiff
open(sys.argv[2], "wb").write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + data[2:])
EOF
    files+=("$f")
done

wfiles=()
for f in "${files[@]}"; do wfiles+=("$(wpath "$f")"); done
ours=$(scripts/with-wine wine "$exe" --loads 5 "${wfiles[@]}")
echo "JPEG whole load (ours, under Wine) against djpeg -bmp (natively), medians of 5:"
printf '%-36s %10s %10s %8s\n' file "ours ms" "djpeg ms" ratio
for f in "${files[@]}"; do
    times=()
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        djpeg -bmp -outfile /dev/null "$f"
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    name=$(basename "$f")
    mine=$(echo "$ours" | awk -v n="$name" 'index($0, n) {print $(NF-1)}')
    awk -v n="$name" -v o="$mine" -v d="$median" 'BEGIN { printf "%-36s %10.1f %10.1f %8.2f\n", n, o, d / 1000, o / (d / 1000) }'
done

echo
echo "Peak memory of one load, 8000 x 6000 (the picture itself: 137 MB):"
for f in "$work"/8000x6000_*.jpg; do
    printf '%-36s ' "$(basename "$f")"
    scripts/with-wine wine "$exe" --memory ours "$(wpath "$f")" | sed 's/^memory //'
done

echo
echo "Hostile files, one load each (ours, then the GDI+ path that took them before):"
hostile="$work/hostile"
mkdir -p "$hostile"
python3 - "$hostile" "$work/3840x2400_2x2_baseline.jpg" <<'EOF'
import struct, sys, zlib
out, jpeg = sys.argv[1], open(sys.argv[2], "rb").read()
def claim(data, w, h):
    at = data.find(b"\xff\xc0")
    return data[:at + 5] + struct.pack(">HH", h, w) + data[at + 9:]
small = jpeg[:663]
open(out + "/claims_32767x32767.jpg", "wb").write(claim(small, 32767, 32767)[:663])
open(out + "/cut_half.jpg", "wb").write(jpeg[: len(jpeg) // 2])
ihdr = struct.pack(">IIBBBBB", 30000, 30000, 8, 2, 0, 0, 0)
chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0" * 3000)) + chunk(b"IEND", b"")
open(out + "/claims_30000x30000.png", "wb").write(png)
bmp = b"BM" + struct.pack("<IHHI", 700, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 30000, 30000, 1, 24, 0, 0, 0, 0, 0, 0) + b"\0" * 646
open(out + "/claims_30000x30000.bmp", "wb").write(bmp)
EOF
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f "    the whole wine process: %e s, maximum resident %M KB")
for f in "$hostile"/*; do
    for path in ours gdiplus; do
        printf '%-28s %-8s ' "$(basename "$f")" $path
        scripts/with-wine "${timer[@]}" wine "$exe" --memory $path "$(wpath "$f")" 2>&1 | sed 's/^memory [a-z]* *//' || true
    done
done
