#!/bin/sh
# check_make_recipe.sh PROGRAM MAKE
# The Makefile recipe that the README gives, run with real make: two conversions into one UCF,
# each with a stamp file of its own. A conversion that fails runs again at the next make (and
# the one that succeeded does not), make -j2 runs both at once into the one UCF, and a run
# whose text is already in place leaves the UCF's and the netlist's times alone, so that make
# then finds everything up to date.
set -eu
program=$1
make=$2
fail() {
    echo "make recipe: $*" >&2
    exit 1
}
# The recipe names the program as an installed one would be named.
PATH=$(cd "$(dirname "$program")" && pwd):$PATH
export PATH
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-make.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

cat >Makefile <<'MAKEFILE'
# One stamp file per conversion: a conversion that fails leaves no stamp and runs again
# next time. A conversion whose lines are already in place changes no file, so the UCF's
# and the netlist's times only move when their content does.
all: rom.stamp ram.stamp

rom.stamp: fw.bin design.ucf
	quillon-convert -s fw.bin -u design.ucf -c rom -e design.edf && touch $@

ram.stamp: ram.bin design.ucf
	quillon-convert -s ram.bin -u design.ucf -c ram -e design.edf && touch $@
MAKEFILE

hand_written='NET "clk" TNM_NET = "clk";'
printf '%s\r\nINST rom LOC = RAMB16_X0Y0;\r\n' "$hand_written" >design.ucf
printf '(edif design)\n' >design.edf
head -c 1024 /dev/urandom >fw.bin
# A step before failed and left an empty image: its conversion fails.
: >ram.bin

# The images as the UCF holds them, read back.
check_images() {
    quillon-convert --extract rom.back -u design.ucf -c rom -q || fail "rom cannot be read back"
    cmp -s fw.bin rom.back || fail "the UCF does not hold fw.bin ($1)"
    quillon-convert --extract ram.back -u design.ucf -c ram -q ||
        fail "ram cannot be read back"
    cmp -s ram.bin ram.back || fail "the UCF does not hold ram.bin ($1)"
    grep -q "$hand_written" design.ucf || fail "the UCF lost its own lines ($1)"
}

# The second conversion fails: make fails, and only the first one has its stamp.
if "$make" >make1.log 2>&1; then fail "make succeeded with an empty ram.bin"; fi
[ -f rom.stamp ] || fail "the conversion that succeeded has no stamp"
[ ! -f ram.stamp ] || fail "the conversion that failed has a stamp"

# The next make runs the failed conversion, and only that one.
head -c 1024 /dev/urandom >ram.bin
"$make" >make2.log 2>&1 || fail "make failed after the image was made: $(cat make2.log)"
grep -q -- "-c ram" make2.log || fail "the failed conversion did not run again"
if grep -q -- "-c rom" make2.log; then fail "the conversion that succeeded ran again"; fi
check_images "after the second make"

# Both images newer than their stamps, their content the same: both conversions run, write
# nothing, and leave every time as it was; then make finds nothing to do.
touch -t 200101010000 design.ucf design.edf old-times
touch -t 200201010000 rom.stamp ram.stamp
"$make" >make3.log 2>&1 || fail "make failed on a no-op: $(cat make3.log)"
grep -q "design.ucf: unchanged (rom: 32 lines of 2 instances)" make3.log ||
    fail "the rom conversion was no no-op: $(cat make3.log)"
grep -q "design.ucf: unchanged (ram: 32 lines of 2 instances)" make3.log ||
    fail "the ram conversion was no no-op: $(cat make3.log)"
[ -z "$(find design.ucf design.edf -newer old-times)" ] ||
    fail "a no-op renewed a time: $(find design.ucf design.edf -newer old-times)"
"$make" -q || fail "make is not up to date after a no-op"

# From scratch with two jobs: both conversions at once into one UCF take turns.
rm -f rom.stamp ram.stamp
printf '%s\r\nINST rom LOC = RAMB16_X0Y0;\r\n' "$hand_written" >design.ucf
"$make" -j2 >make4.log 2>&1 || fail "make -j2 failed: $(cat make4.log)"
check_images "after make -j2"
# The first stamp may be older than the second conversion's UCF: one more make runs it as a
# no-op, after which everything is up to date.
"$make" >make5.log 2>&1 || fail "make failed after make -j2: $(cat make5.log)"
if grep -q "UCF file updated" make5.log; then fail "make after make -j2 changed the UCF"; fi
"$make" -q || fail "make is not up to date after make -j2"
echo "make recipe: one stamp per conversion holds with $make"
