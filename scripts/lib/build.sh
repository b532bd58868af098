# shellcheck shell=bash
# build PRESET [TARGET...]: configures a CMake preset and builds those
# targets (all without any) in build/PRESET. One build at a time in a
# folder: the test command runs tiers side by side, and two makes in one
# folder would write the same objects at once.
build() {
    local preset=$1
    shift
    mkdir -p build
    (
        flock 9
        cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j2 ${1:+--target "$@"}
    ) 9>"build/$preset.lock"
}
