#!/usr/bin/env bash
# Runs one libFuzzer target for a given number of seconds, starting from the
# committed corpus. New inputs that reach new code go to build-fuzz/corpus/;
# a crashing input is written to build-fuzz/ as crash-*.
#
#   bash scripts/fuzz.sh TARGET SECONDS     (TARGET: memo_index, category_list,
#                                            settings, image_list, memo_body, codec,
#                                            shooting_time, restore, thumbnail_png,
#                                            picture_header,
#                                            album_pictures, heic)
#   bash scripts/fuzz.sh all SECONDS        each target in turn
#
# Builds the targets with clang in build-fuzz/ (-DVERDALIS_FUZZ=ON).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

targets=(memo_index category_list settings image_list memo_body codec shooting_time restore thumbnail_png picture_header
         album_pictures heic)
if [[ $# -ne 2 ]]; then
    echo "usage: $0 TARGET|all SECONDS   (TARGET: ${targets[*]})" >&2
    exit 2
fi
target=$1
seconds=$2
if [[ "$target" != all && ! " ${targets[*]} " =~ " $target " ]]; then
    echo "fuzz.sh: unknown target '$target' (one of: ${targets[*]})" >&2
    exit 2
fi

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz.sh: clang++ is missing; install it with: apt-get install clang libclang-rt-dev" >&2
    exit 1
fi

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVERDALIS_FUZZ=ON
cmake --build build-fuzz -j2

run_one() {
    local name=$1
    local work="build-fuzz/corpus/$name"
    mkdir -p "$work"
    echo "fuzz.sh: $name for $seconds s"
    # The committed corpus is read; what the run finds goes to $work only.
    # AddressSanitizer records the call stack of every allocation, walking
    # frame pointers; Qt's libraries are built without them, so the walk
    # picks up stale stack words and nearly every allocation made inside Qt
    # gets a stack never seen before. Its store of stacks then grows with
    # each input (the codec target passed 1.1 GB in 60 s). Allocation
    # stacks are therefore not recorded (malloc_context_size=0; the stack
    # of a fault itself still is) and freed memory is held back less
    # (64 MB instead of 256). To see where a reported block was allocated,
    # run the crash input again with
    #   ASAN_OPTIONS=fast_unwind_on_malloc=0 build-fuzz/bin/fuzz_TARGET crash-...
    (cd build-fuzz && ASAN_OPTIONS=detect_leaks=1:malloc_context_size=0:quarantine_size_mb=64 \
        ./bin/"fuzz_$name" -max_total_time="$seconds" \
        -max_len=65536 -timeout=10 -rss_limit_mb=1024 "../$work" "../fuzz/corpus/$name")
}

if [[ "$target" == all ]]; then
    for name in "${targets[@]}"; do run_one "$name"; done
else
    run_one "$target"
fi
