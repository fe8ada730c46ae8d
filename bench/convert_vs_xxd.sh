#!/bin/sh
# quillon-convert end to end on a 64 MiB random source into an empty UCF, against xxd -p on
# the same file in the same run, and its peak memory (target: at most a third of the source
# and the new UCF together, since the new text is never held whole). The speed is for
# reference only: a run puts the UCF on the disk before it reports, which xxd never does;
# bench/convert_vs_cp_sync.sh holds the speed targets.
#   bench/convert_vs_xxd.sh [BUILD_DIR]    (default: build/native, configured by the preset)
# Each command runs in a batch of its own after three warm-up runs, as benchmark tools do: on
# virtual machines, memory that another program has just churned through is slow to fault in
# again, and alternating the two commands would charge that to whichever runs second. Prints
# the best and the median time of each, the peak memory and its verdict; exits 1 when it is
# missed. QUILLON_BENCH_RUNS sets the runs per command (10).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
runs=${QUILLON_BENCH_RUNS:-10}

command -v xxd >/dev/null || { echo "xxd is missing (Debian package xxd)" >&2; exit 2; }
. "$root/bench/prepare.sh"
prepare_program "$build"
prepare_meter "$build"
program=$build/bin/quillon-convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
head -c 67108864 /dev/urandom >"$work/source.bin"

warmups=3
# Prints "TIME PEAK_KIB" for each of $runs runs of one command after the warm-up runs.
measure_batch() {
    i=0
    while [ "$i" -lt $((warmups + runs)) ]; do
        : >"$work/design.ucf"
        result=$("$measure" "$work/out.txt" "$@")
        [ "$i" -ge "$warmups" ] && echo "$result"
        i=$((i + 1))
    done
}
measure_batch xxd -p "$work/source.bin" >"$work/xxd.times"
measure_batch "$program" --source "$work/source.bin" --ucf "$work/design.ucf" \
    --component bram >"$work/convert.times"

# "BEST MEDIAN MAX_PEAK" of a times file.
summary() {
    sort -n "$1" | awk '{ t[NR] = $1; if ($2 > peak) peak = $2 }
        END { print t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2), peak }'
}
set -- $(summary "$work/xxd.times")
best_xxd=$1 median_xxd=$2
set -- $(summary "$work/convert.times")
best_convert=$1 median_convert=$2 peak_kib=$3

source_bytes=$(wc -c <"$work/source.bin")
ucf_bytes=$(wc -c <"$work/design.ucf")
awk -v xxd="$best_xxd" -v convert="$best_convert" -v peak="$peak_kib" \
    -v median_xxd="$median_xxd" -v median_convert="$median_convert" \
    -v source="$source_bytes" -v ucf="$ucf_bytes" -v runs="$runs" '
BEGIN {
    mib = 1048576
    ratio = xxd / convert
    data = (source + ucf) / mib
    peak_mib = peak / 1024
    printf "64 MiB random source, empty UCF, %d runs each after 3 warm-up runs\n", runs
    printf "                     best     median\n"
    printf "  xxd -p           %7.3f s  %7.3f s\n", xxd, median_xxd
    printf "  quillon-convert  %7.3f s  %7.3f s\n", convert, median_convert
    printf "  speed-up         %7.1fx   %7.1fx   (xxd -p never flushes; see convert_vs_cp_sync.sh)\n", \
        ratio, median_xxd / median_convert
    printf "  peak memory      %8.1f MiB (source %.1f + new UCF %.1f = %.1f MiB; target at most a third, %.1f)\n", \
        peak_mib, source / mib, ucf / mib, data, data / 3
    small = peak_mib <= data / 3
    printf "  memory: %s\n", small ? "met" : "MISSED"
    exit small ? 0 : 1
}'
