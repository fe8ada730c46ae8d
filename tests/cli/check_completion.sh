#!/bin/sh
# check_completion.sh PROGRAM COMPLETION_FILE
# The bash completion against the program's --help: it registers itself for quillon-convert,
# offers every option that --help lists, knows which of them take a value (and only those),
# and completes the values that are a fixed list.
set -e
program=$1
file=$2
fail() {
    echo "completion: $*" >&2
    exit 1
}
command -v bash >/dev/null || fail "bash is not installed"
[ "$(bash -c ". '$file'; complete -p quillon-convert")" = \
    "complete -F _quillon_convert quillon-convert" ] || fail "$file registers no completion"

# "  -s, --source FILE  ..." and "      --quiet  ...": the long name and whether a value follows
# (a long one ends its line, its description below it). Only the option column: a wrapped
# description line may start with an option's name too. --keep-placements, the default kept
# for old scripts, is not offered.
"$program" --help |
    sed -n 's/^  \(-., \|    \)\(--[a-z-]*\)\( [A-Z][A-Z]*\)\{0,1\}\( .*\)\{0,1\}$/\2\3/p' \
    >"${TMPDIR:-/tmp}/quillon-help-options.$$"
trap 'rm -f "${TMPDIR:-/tmp}/quillon-help-options.$$"' EXIT
[ -s "${TMPDIR:-/tmp}/quillon-help-options.$$" ] || fail "no options found in --help"
while read -r option value; do
    [ "$option" = --keep-placements ] && continue
    bash -c ". '$file'; case \" \$(echo \$_quillon_convert_options) \" in *\" $option \"*) ;; *) exit 1 ;; esac" ||
        fail "$option is not offered"
    if [ -n "$value" ]; then
        bash -c ". '$file'; _quillon_convert_value $option >/dev/null" ||
            fail "$option takes a value, which the completion does not know"
    elif bash -c ". '$file'; _quillon_convert_value $option >/dev/null"; then
        fail "$option takes no value, but the completion completes one"
    fi
done <"${TMPDIR:-/tmp}/quillon-help-options.$$"

# complete WORD...: what completing the last word offers.
complete() {
    bash -c '. "$0"; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quillon_convert
        echo "${COMPREPLY[*]}"' "$file" quillon-convert "$@"
}
check() {
    expected=$1
    shift
    found=$(complete "$@")
    [ "$found" = "$expected" ] || fail "'$*' completes to '$found', not '$expected'"
}
check "synopsys xst none" -s a -y ""
check "4k 16k 32k" --bram ""
check "16k" --bram = 1
check "--bram=32k" --bram=3
check "2 4 8" -w ""
check "--source --synthesizer --swap-bytes" --s
check "--drop-placements" --drop
check "json" --format j
check "1 16 18" -W 1
check "--list" --li
check "" -c ""
echo "completion: $file covers the options of $program"
