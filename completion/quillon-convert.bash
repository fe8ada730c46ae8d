# Bash completion for quillon-convert: its options and the values each one takes.
# Installed as share/bash-completion/completions/quillon-convert, which bash-completion loads
# the first time the command is completed; `source` it to try it by hand. An option that the
# program gains is added to both lists below (tests/cli/check_completion.sh compares them with
# --help).

# Options that take a value, and what the value is.
_quillon_convert_value() {
    case $1 in
    -s | --source) echo source ;;
    -u | --ucf) echo ucf ;;
    -e | --edif) echo file ;;
    -o | --output) echo output ;;
    -c | --component) echo name ;;
    -y | --synthesizer) echo "words synopsys xst none" ;;
    -b | --bram) echo "words 4k 16k 32k" ;;
    -w | --swap-bytes) echo "words 2 4 8" ;;
    -m | --max-instances) echo number ;;
    -f | --format) echo "words auto bin ihex srec elf mem text json" ;;
    -W | --width) echo "words 1 2 4 8 9 16 18 32 36" ;;
    --extract) echo output ;;
    -j | --only-section | -R | --remove-section) echo name ;;
    --base | --fill) echo number ;;
    *) return 1 ;;
    esac
}

# --keep-placements is the default (placements are the designer's, the image does not change
# them) and stays only for the scripts that name it: --drop-placements is the one to offer.
_quillon_convert_options="--source --ucf --component --synthesizer --edif --bram --swap-bytes
    --max-instances --output --dry-run --touch --quiet --allow-empty --drop-placements --quote-names
    --format --base --fill --only-section --remove-section --width --extract --list --json
    --help --version"

_quillon_convert() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev= prefix=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--ucf=de": bash splits the word at "=" when COMP_WORDBREAKS holds it, else it is whole.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        prefix=$prev=
        cur=${cur#*=}
    fi
    COMPREPLY=()

    local kind
    if kind=$(_quillon_convert_value "$prev"); then
        case $kind in
        words\ *)
            mapfile -t COMPREPLY < <(compgen -W "${kind#words }" -- "$cur")
            ;;
        source | output)
            # "-" is standard input, or standard output for --output.
            mapfile -t COMPREPLY < <(compgen -f -- "$cur"; [[ -z $cur || $cur == - ]] && echo -)
            ;;
        ucf)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.[uU][cC][fF]' -- "$cur")
            ;;
        file)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            ;;
        esac
        if [[ -n $prefix ]]; then
            # The reply replaces the whole word, the option included.
            COMPREPLY=("${COMPREPLY[@]/#/$prefix}")
        elif [[ $kind != words\ * ]] && type compopt >/dev/null 2>&1; then
            compopt -o filenames 2>/dev/null
        fi
        return 0
    fi
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_quillon_convert_options" -- "$cur")
    fi
    return 0
}

complete -F _quillon_convert quillon-convert
