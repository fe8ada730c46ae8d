# Sourced by the end-to-end benchmarks with `root` set: builds quillon-convert in a build tree
# (the native preset's tree is configured when it is missing) and the run meter beside it.
#   prepare_program BUILD_DIR   fails unless BUILD_DIR/bin/quillon-convert is there afterwards
#   prepare_meter BUILD_DIR     sets `measure` to BUILD_DIR/bench/measure_run, built when stale
prepare_program() {
    if [ ! -f "$1/CMakeCache.txt" ] && [ "$1" = "$root/build/native" ]; then
        (cd "$root" && cmake --preset native >/dev/null)
    fi
    if [ -f "$1/CMakeCache.txt" ]; then
        cmake --build "$1" --target quillon-convert >/dev/null
    fi
    [ -x "$1/bin/quillon-convert" ] || { echo "$1/bin/quillon-convert is missing" >&2; exit 2; }
}

prepare_meter() {
    measure=$1/bench/measure_run
    if [ ! -x "$measure" ] || [ "$root/bench/measure_run.cpp" -nt "$measure" ]; then
        mkdir -p "$1/bench"
        c++ -O2 -std=c++17 -o "$measure" "$root/bench/measure_run.cpp"
    fi
}
