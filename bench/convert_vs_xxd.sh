#!/bin/sh
# quillon-convert end to end on a 64 MiB random source into an empty UCF, against xxd -p on
# the same file in the same run. Targets: at least 15 times faster than xxd -p, and a peak
# memory of at most the source, the old and the new UCF together plus a few MiB.
#   bench/convert_vs_xxd.sh [BUILD_DIR]    (default: build/native, configured by the preset)
# Prints both times (the best of the runs, taken alternately so both see the same load),
# the peak memory and the verdicts; exits 1 when a target is missed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
runs=${QUILLON_BENCH_RUNS:-5}
allowance_mib=8

command -v xxd >/dev/null || { echo "xxd is missing (Debian package xxd)" >&2; exit 2; }
if [ ! -f "$build/CMakeCache.txt" ]; then
    [ "$build" = "$root/build/native" ] || { echo "$build is not a configured build tree" >&2; exit 2; }
    (cd "$root" && cmake --preset native >/dev/null)
fi
cmake --build "$build" --target quillon-convert >/dev/null
program=$build/bin/quillon-convert
measure=$build/bench/measure_run
if [ ! -x "$measure" ] || [ "$root/bench/measure_run.cpp" -nt "$measure" ]; then
    mkdir -p "$build/bench"
    c++ -O2 -std=c++17 -o "$measure" "$root/bench/measure_run.cpp"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
head -c 67108864 /dev/urandom >"$work/source.bin"

best_xxd=""
best_convert=""
peak_kib=0
i=0
while [ "$i" -lt "$runs" ]; do
    set -- $("$measure" "$work/xxd.txt" xxd -p "$work/source.bin")
    best_xxd=$(awk -v a="$1" -v b="${best_xxd:-$1}" 'BEGIN { print (a < b ? a : b) }')
    : >"$work/design.ucf"
    set -- $("$measure" "$work/convert.txt" "$program" --source "$work/source.bin" \
        --ucf "$work/design.ucf" --component bram)
    best_convert=$(awk -v a="$1" -v b="${best_convert:-$1}" 'BEGIN { print (a < b ? a : b) }')
    [ "$2" -gt "$peak_kib" ] && peak_kib=$2
    i=$((i + 1))
done

source_bytes=$(wc -c <"$work/source.bin")
ucf_bytes=$(wc -c <"$work/design.ucf")
awk -v xxd="$best_xxd" -v convert="$best_convert" -v peak="$peak_kib" \
    -v source="$source_bytes" -v ucf="$ucf_bytes" -v allowance="$allowance_mib" -v runs="$runs" '
BEGIN {
    mib = 1048576
    ratio = xxd / convert
    data = (source + ucf) / mib
    peak_mib = peak / 1024
    printf "64 MiB random source, empty UCF, best of %d runs each\n", runs
    printf "  xxd -p           %8.3f s\n", xxd
    printf "  quillon-convert  %8.3f s   %.1fx faster (target: at least 15x)\n", convert, ratio
    printf "  peak memory      %8.1f MiB (source %.1f + old UCF 0 + new UCF %.1f = %.1f MiB, +%.1f; allowed +%d)\n", \
        peak_mib, source / mib, ucf / mib, data, peak_mib - data, allowance
    fast = ratio >= 15
    small = peak_mib <= data + allowance
    printf "  speed: %s, memory: %s\n", fast ? "met" : "MISSED", small ? "met" : "MISSED"
    exit (fast && small) ? 0 : 1
}'
