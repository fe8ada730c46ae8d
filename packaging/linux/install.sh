#!/bin/sh
# Installs quillon-convert from this folder under a prefix:
#   ./install.sh [PREFIX]              PREFIX defaults to /usr/local
#   ./install.sh --uninstall [PREFIX]  removes it again (what ./uninstall.sh [PREFIX] does)
# It puts PREFIX/bin/quillon-convert, PREFIX/share/man/man1/quillon-convert.1,
# PREFIX/share/bash-completion/completions/quillon-convert and PREFIX/share/doc/quillon/
# (README.md, LICENSE) in place, and notes in PREFIX/share/doc/quillon/installed-folders the
# folders it had to create, so that the uninstall removes those (when empty) and no other.
set -e
usage() {
    echo "usage: $0 [--uninstall] [PREFIX]   (PREFIX: /usr/local when not given)"
}
uninstall=""
case ${1:-} in
-h | --help)
    usage
    exit 0
    ;;
--uninstall)
    uninstall=yes
    shift
    ;;
-*)
    usage >&2
    exit 2
    ;;
esac
[ $# -le 1 ] || {
    usage >&2
    exit 2
}
prefix=${1-/usr/local}
case $prefix in
"")
    echo "$0: the prefix is empty" >&2
    exit 2
    ;;
/*) ;;
*) prefix=$PWD/$prefix ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
docs=$prefix/share/doc/quillon
record=$docs/installed-folders

# Each file: where it is in this folder, where it goes under the prefix, its mode.
files() {
    cat <<'LIST'
bin/quillon-convert bin/quillon-convert 755
share/man/man1/quillon-convert.1 share/man/man1/quillon-convert.1 644
share/bash-completion/completions/quillon-convert share/bash-completion/completions/quillon-convert 644
README.md share/doc/quillon/README.md 644
LICENSE share/doc/quillon/LICENSE 644
LIST
}

# make_folder DIR: creates DIR and the folders above it that are missing, and notes each.
make_folder() {
    [ -d "$1" ] && return 0
    make_folder "$(dirname "$1")"
    mkdir "$1"
    created="$created$1
"
}

if [ -z "$uninstall" ]; then
    created=""
    files | while read -r from to mode; do
        [ -f "$here/$from" ] || {
            echo "$0: $here/$from is missing: unpack the whole tarball" >&2
            exit 1
        }
    done
    # The folders first, so that the record of those created can be written beside the docs.
    for dir in "$prefix/bin" "$prefix/share/man/man1" \
        "$prefix/share/bash-completion/completions" "$docs"; do
        make_folder "$dir"
    done
    # A folder noted by an earlier install that is still there stays noted.
    [ -f "$record" ] && created="$(cat "$record")
$created"
    printf '%s' "$created" | sed '/^$/d' | sort -u >"$record.new"
    mv -f "$record.new" "$record"
    chmod 644 "$record"
    # Each file through a temporary copy beside it, so that a quillon-convert that runs now
    # goes on with the old program.
    files | while read -r from to mode; do
        cp "$here/$from" "$prefix/$to.new"
        chmod "$mode" "$prefix/$to.new"
        mv -f "$prefix/$to.new" "$prefix/$to"
    done
    echo "Installed quillon-convert in $prefix/bin ($here/uninstall.sh $prefix removes it)."
    case ":$PATH:" in
    *":$prefix/bin:"*) ;;
    *) echo "$prefix/bin is not on PATH: add it, or call $prefix/bin/quillon-convert." ;;
    esac
else
    files | while read -r from to mode; do
        rm -f "$prefix/$to"
    done
    folders=""
    if [ -f "$record" ]; then
        folders=$(cat "$record")
        rm -f "$record"
    fi
    # The deepest first; a folder that holds anything else stays.
    rmdir "$docs" 2>/dev/null || true
    printf '%s\n' "$folders" | sed '/^$/d' | sort -r | while read -r dir; do
        rmdir "$dir" 2>/dev/null || true
    done
    echo "Removed quillon-convert from $prefix."
fi
