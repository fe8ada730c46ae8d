#!/bin/sh
# quillon-convert end to end, with its flushes, against copying its result and flushing the
# copy (`cp` then `sync FILE`), in a folder on the disk the build tree is on:
#   64 MiB random source into an empty UCF (target: no slower than cp + sync), and
#   a reconversion: 4 MiB source into a UCF of about 12 MB that holds the component's lines
#   from an earlier 4 MiB source (target: at most 2.2 times cp + sync).
#   bench/convert_vs_cp_sync.sh [BUILD_DIR] [WORK_DIR]
# WORK_DIR must not be a tmpfs, where flushing costs nothing (default: BUILD_DIR/bench-work).
# Every timed command starts with no dirty pages (a sync before it). Prints the best and the
# median of QUILLON_BENCH_RUNS (7) runs after two warm-up runs; exits 1 when a target is missed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
work=${2:-$build/bench-work}
runs=${QUILLON_BENCH_RUNS:-7}
. "$root/bench/prepare.sh"
prepare_program "$build"
prepare_meter "$build"
program=$build/bin/quillon-convert
mkdir -p "$work"
work=$(mktemp -d "$work/run.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
fs=$(stat -f -c %T "$work")
[ "$fs" != tmpfs ] || { echo "$work is on a tmpfs: flushing would cost nothing" >&2; exit 2; }

# Runs "$@" $runs times after two warm-up runs, with $reset run (untimed) before each; prints
# "BEST MEDIAN PEAK_KIB".
timed() {
    i=0
    : >"$work/times"
    while [ "$i" -lt $((runs + 2)) ]; do
        eval "$reset"
        sync
        result=$("$measure" "$work/out.txt" "$@")
        [ "$i" -ge 2 ] && echo "$result" >>"$work/times"
        i=$((i + 1))
    done
    sort -n "$work/times" | awk '{ t[NR] = $1; if ($2 > peak) peak = $2 }
        END { print t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2), peak }'
}

report() {  # NAME BEST MEDIAN PEAK
    printf '  %-34s %7.3f s  %7.3f s  %7.1f MiB\n' "$1" "$2" "$3" "$(echo "$4" | awk '{ print $1 / 1024 }')"
}

compare() {  # TITLE LIMIT_RATIO
    set -- "$1" "$2" $(timed "$program" --source "$work/source.bin" --ucf "$work/design.ucf" --component bram)
    title=$1 limit=$2 c_best=$3 c_median=$4 c_peak=$5
    cp "$work/design.ucf" "$work/result.ucf"
    saved_reset=$reset
    reset='rm -f "$work/copy.ucf"'
    set -- $(timed cp "$work/result.ucf" "$work/copy.ucf")
    cp_best=$1 cp_median=$2
    set -- $(timed sh -c 'cp "$1" "$2" && sync "$2"' sh "$work/result.ucf" "$work/copy.ucf")
    sync_best=$1 sync_median=$2
    reset=$saved_reset
    echo "$title ($(wc -c <"$work/result.ucf") bytes written, on $fs)"
    printf '  %-34s %9s  %9s  %11s\n' "" best median peak
    report "quillon-convert" "$c_best" "$c_median" "$c_peak"
    report "cp" "$cp_best" "$cp_median" 0
    report "cp + sync FILE" "$sync_best" "$sync_median" 0
    awk -v c="$c_median" -v s="$sync_median" -v limit="$limit" 'BEGIN {
        printf "  ratio to cp + sync (medians) %.2f; target at most %.1f: %s\n", c / s, limit,
            c / s <= limit ? "met" : "MISSED"; exit c / s <= limit ? 0 : 1 }' || status=1
}

status=0
head -c 67108864 /dev/urandom >"$work/source.bin"
reset=': >"$work/design.ucf"'
compare "64 MiB source into an empty UCF" 1.0

head -c 4194304 /dev/urandom >"$work/earlier.bin"
head -c 4194304 /dev/urandom >"$work/source.bin"
awk 'BEGIN { for (i = 0; i < 8000; i++) printf "NET \"data<%d>\" LOC = P%d;\r\n", i, i % 97 }' >"$work/old.ucf"
"$program" --source "$work/earlier.bin" --ucf "$work/old.ucf" --component bram >/dev/null
reset='cp "$work/old.ucf" "$work/design.ucf"'
compare "reconversion: 4 MiB source into a $(wc -c <"$work/old.ucf")-byte UCF" 2.2
exit $status
