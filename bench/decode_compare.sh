#!/usr/bin/env bash
# Our JPEG and PNG decoders against the GDI+ path under Wine and against
# djpeg (libjpeg-turbo-progs) on the same files, in the same run; then the
# peak memory of one load of the 12000 x 9000 JPEG by each path, each in a
# fresh process (the process's peak working set, which Wine reads from the
# kernel's high-water mark of resident memory, and the same from outside
# through /usr/bin/time).
# Run from the repository root after building the windows preset.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v djpeg >/dev/null || { echo "djpeg missing: apt-get install libjpeg-turbo-progs"; exit 1; }
work="$root/build/bench-decode"
mkdir -p "$work"
wwork="Z:${work//\//\\}"
exe=build/windows/bench/decode_winbench.exe
out=$(scripts/with-wine wine "$exe" "$wwork")
echo "$out"
echo
for f in photo_3840x2400 photo_8000x6000 photo_12000x9000; do
    runs=5
    times=()
    for i in $(seq $runs); do
        start=$(date +%s%N)
        djpeg -bmp -outfile /dev/null "$work/$f.jpg"
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p")
    ours=$(echo "$out" | awk -v n="$f.jpg load_with_gdiplus" 'index($0, n) == 1 {print $(NF-1)}')
    awk -v us="$median" -v ours="$ours" -v f="$f" 'BEGIN {
        printf "%-22s djpeg median %9.3f ms   ours / djpeg %.2f\n", f, us / 1000, ours / (us / 1000) }'
done
echo
# The same peak seen from outside: the maximum resident size of the wine
# process, as /usr/bin/time reports it (when it is installed).
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f "  maximum resident size of the process %M KB")
for path in ours gdiplus; do
    scripts/with-wine "${timer[@]}" wine "$exe" --memory $path "$wwork\\photo_12000x9000.jpg"
done
