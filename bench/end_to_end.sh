#!/bin/bash
# quillon-convert end to end, against copying its result: how long a whole run takes from
# the command line, with the file system's cost of the same bytes beside it.
#   bench/end_to_end.sh [BUILD_DIR...]    (default: build/native, configured by the preset)
# Cases, each with its own random source:
#   1m, 4m, 64m   a 1, 4 or 64 MiB source into an empty UCF
#   4m-into-12m   a 4 MiB source reconverted into a UCF that holds the component's lines
#                 from an earlier conversion of another 4 MiB (12 MB of them) between 1 MB
#                 of other lines the run keeps (NET lines, another component's INIT lines,
#                 comments): about 13 MB before and after
# Beside quillon-convert of each BUILD_DIR/bin, every case times two baselines on the run's
# result: "cp" of it to a new file, and "cp+sync", the same copy made durable with sync FILE
# (run through sh -c, which adds about a millisecond).
# Each command runs three warm-up runs, then the commands of a case take turns, one run each
# per round in an order shuffled anew every round, so that noise from other programs on the
# machine, and whatever one command leaves behind for the next, falls on all of them alike.
# Every run starts after a sync (not timed): with no written data waiting for the disk, a
# sync FILE writes only its own file, and no run pays for writing back an earlier one's.
# Several BUILD_DIRs (builds of variants, say) are compared that way, and each is shown
# against the first one: "vs first" is its time divided by the first build's, minus one,
# for the best times, the medians, and the median of the ratios of runs in the same round.
# The output of every build is compared with the first's.
# Prints the best and the median time and the peak memory of each command.
# Environment:
#   QUILLON_BENCH_RUNS     timed runs per command and case (10)
#   QUILLON_BENCH_WARMUPS  warm-up runs per command and case (3)
#   QUILLON_BENCH_CASES    cases to run, from the list above ("1m 4m 64m 4m-into-12m")
#   QUILLON_BENCH_TMP      where the temporary folder goes (the first BUILD_DIR). It must not
#                          be a tmpfs, where sync costs nothing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- "$root/build/native"
runs=${QUILLON_BENCH_RUNS:-10}
warmups=${QUILLON_BENCH_WARMUPS:-3}
cases=${QUILLON_BENCH_CASES:-1m 4m 64m 4m-into-12m}
component=bram

builds=()
for build in "$@"; do
    build=$(cd "$build" 2>/dev/null && pwd) || { echo "$build: no such folder" >&2; exit 2; }
    builds+=("$build")
done
. "$root/bench/prepare.sh"
for build in "${builds[@]}"; do prepare_program "$build"; done
prepare_meter "${builds[0]}"

tmp_base=${QUILLON_BENCH_TMP:-${builds[0]}}
if [ "$(stat -f -c %T "$tmp_base")" = tmpfs ]; then
    echo "$tmp_base is a tmpfs, where sync costs nothing: set QUILLON_BENCH_TMP" >&2
    exit 2
fi
work=$(mktemp -d "$tmp_base/end_to_end.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# Labels of the builds: the folder names, or whole paths where two names are alike.
labels=()
for build in "${builds[@]}"; do labels+=("$(basename "$build")"); done
if [ "$(printf '%s\n' "${labels[@]}" | sort | uniq -d)" ]; then labels=("${builds[@]}"); fi

# Lines of the kinds a hand-written UCF holds, about `bytes` of them.
user_lines() {
    awk -v bytes="$1" -v seed="$2" 'BEGIN {
        srand(seed)
        while (written < bytes) {
            n++
            if (n % 3 == 0) {
                line = sprintf("INST other_ram INIT_%02X = ", n % 64)
                for (i = 0; i < 8; i++) line = line sprintf("%08X", int(rand() * 4294967296))
                line = line ";"
            } else if (n % 3 == 1) {
                line = sprintf("NET \"data<%d>\" LOC = \"P%d\" | IOSTANDARD = LVCMOS33;", n % 512, n % 997)
            } else {
                line = sprintf("# pin group %d", n)
            }
            print line
            written += length(line) + 1
        }
    }'
}

# The fixtures: sources, the old UCF of the reconversion and each case's result.
first=${builds[0]}/bin/quillon-convert
convert_into() {  # SOURCE UCF
    "$first" --source "$1" --ucf "$2" --component "$component" >/dev/null
}
for c in $cases; do
    case $c in
        1m) head -c 1048576 /dev/urandom >"$work/$c.bin"; : >"$work/$c.old" ;;
        4m) head -c 4194304 /dev/urandom >"$work/$c.bin"; : >"$work/$c.old" ;;
        64m) head -c 67108864 /dev/urandom >"$work/$c.bin"; : >"$work/$c.old" ;;
        4m-into-12m)
            head -c 4194304 /dev/urandom >"$work/$c.bin"
            head -c 4194304 /dev/urandom >"$work/earlier.bin"
            user_lines 500000 1 >"$work/$c.old"
            convert_into "$work/earlier.bin" "$work/$c.old"
            user_lines 500000 2 >>"$work/$c.old"
            rm "$work/earlier.bin" ;;
        *) echo "unknown case $c" >&2; exit 2 ;;
    esac
    cp "$work/$c.old" "$work/$c.result"
    convert_into "$work/$c.bin" "$work/$c.result"
done

# One timed run of command `index` of case `c`, its line appended to its times file; what
# the run needs beforehand (an old UCF, no copy yet) is made outside the timing.
run_one() {  # CASE INDEX
    local c=$1 index=$2
    if [ "$index" -lt 2 ]; then
        rm -f "$work/copy.ucf"
    else
        cp "$work/$c.old" "$work/design.ucf"
    fi
    sync
    if [ "$index" -eq 0 ]; then
        "$measure" /dev/null cp "$work/$c.result" "$work/copy.ucf"
    elif [ "$index" -eq 1 ]; then
        "$measure" /dev/null sh -c 'cp "$1" "$2" && sync "$2"' sh "$work/$c.result" "$work/copy.ucf"
    else
        "$measure" /dev/null "${builds[index - 2]}/bin/quillon-convert" --source "$work/$c.bin" \
            --ucf "$work/design.ucf" --component "$component"
    fi
}

# "BEST MEDIAN MAX_PEAK_KIB" of a times file.
summary() {
    sort -n "$1" | awk '{ t[NR] = $1; if ($2 > peak) peak = $2 }
        END { print t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2), peak }'
}

names=(cp cp+sync)
for label in "${labels[@]}"; do names+=("quillon-convert $label"); done
count=${#names[@]}
echo "$runs runs per command and case after $warmups warm-up runs, in shuffled rounds; load: $(cut -d' ' -f1-3 /proc/loadavg)"
for c in $cases; do
    for ((i = 0; i < count; i++)); do
        : >"$work/times.$i"
        for ((w = 0; w < warmups; w++)); do run_one "$c" "$i" >/dev/null; done
    done
    for ((r = 0; r < runs; r++)); do
        for i in $(shuf -i 0-$((count - 1))); do
            run_one "$c" "$i" >>"$work/times.$i"
            if [ "$i" -ge 2 ] && [ "$r" -eq $((runs - 1)) ] && ! cmp -s "$work/design.ucf" "$work/$c.result"; then
                echo "${names[i]} wrote another UCF than ${labels[0]} in case $c" >&2
                exit 1
            fi
        done
    done
    printf '\ncase %s: source %d bytes, old UCF %d bytes, new UCF %d bytes\n' "$c" \
        "$(wc -c <"$work/$c.bin")" "$(wc -c <"$work/$c.old")" "$(wc -c <"$work/$c.result")"
    printf '  %-40s %9s %9s %9s  %s\n' command best median peak "vs first: best / median / paired"
    read -r first_best first_median _ < <(summary "$work/times.2")
    for ((i = 0; i < count; i++)); do
        read -r best median peak < <(summary "$work/times.$i")
        versus=""
        if [ "$i" -ge 2 ]; then
            # Runs of one round are paired: a slow spell of the machine falls on both.
            paired=$(paste "$work/times.2" "$work/times.$i" | awk '{ print $3 / $1 }' | sort -n |
                awk '{ r[NR] = $1 } END { print NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2 }')
            versus=$(awk -v b="$best" -v m="$median" -v fb="$first_best" -v fm="$first_median" -v p="$paired" \
                'BEGIN { printf "%+.1f%% / %+.1f%% / %+.1f%%", (b / fb - 1) * 100, (m / fm - 1) * 100, (p - 1) * 100 }')
        fi
        printf '  %-40s %7.4f s %7.4f s %5.1f MiB  %s\n' "${names[i]}" "$best" "$median" \
            "$(awk -v p="$peak" 'BEGIN { print p / 1024 }')" "$versus"
    done
done
