#!/usr/bin/env bash
# Installs what is missing, builds Verdalis with warnings as errors and runs
# the whole test suite twice: once in build/ as shipped, and once in
# build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer, where any
# memory error, leak or undefined behaviour fails the test that hit it.
# Both runs include the kill test and the replay of the fuzz corpus.
# Exits non-zero when either run fails.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

bash scripts/setup-deps.sh

status=0

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure || status=$?

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON -DVERDALIS_SANITIZE=ON
cmake --build build-asan -j2
# The first finding stops the program: the test that hit it fails. Leak
# checking is on; the suite has needed no suppressions so far.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure || status=$?

exit "$status"
