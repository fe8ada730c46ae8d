#!/bin/sh
# Checks that a Windows executable imports only DLLs that every Windows system has, so it runs
# from a bare copy: check_system_imports.sh OBJDUMP EXECUTABLE
set -eu
objdump=$1
exe=$2
allowed=" ntdll.dll kernel32.dll user32.dll gdi32.dll comdlg32.dll shell32.dll advapi32.dll "
allowed="$allowed comctl32.dll msvcrt.dll version.dll ole32.dll oleaut32.dll shlwapi.dll "
names=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
if [ -z "$names" ]; then
    echo "no imports found in $exe" >&2
    exit 1
fi
status=0
for name in $names; do
    lower=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
    case "$allowed" in
        *" $lower "*) echo "system DLL: $name" ;;
        *) echo "not a system DLL: $name" >&2; status=1 ;;
    esac
done
exit $status
