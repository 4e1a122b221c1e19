#!/usr/bin/env bash
# Installs what is missing, builds Verdalis with warnings as errors and runs
# the whole test suite twice: once in build/ as shipped, and once in
# build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer, where any
# memory error, leak or undefined behaviour fails the test that hit it.
# In build/, the tests of windows, printing and dates (label
# "japanese_desktop") then run once more as on the users' desktops:
# LANG=ja_JP.UTF-8, TZ=Asia/Tokyo.
# Both runs include the kill test, the crash-state test (every power-cut
# state of every writer, from a strace trace, and its negative control
# under eatmydata), the injected faults (fiu-run) and the replay of the
# fuzz corpus.
# A third build, build-tsan/, holds only the tests of the parts that start
# threads (label "threads"), built with ThreadSanitizer: any data race there
# fails the test that hit it.
# Exits non-zero when any run fails.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

bash scripts/setup-deps.sh

status=0

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure || status=$?
# Under ja_JP.UTF-8 fontconfig names fonts in Japanese, QLocale's system
# locale formats dates the Japanese way and Qt picks Japanese texts.
env -u LC_ALL -u LANGUAGE LANG=ja_JP.UTF-8 TZ=Asia/Tokyo \
    ctest --test-dir build -L japanese_desktop --output-on-failure || status=$?

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON -DVERDALIS_SANITIZE=ON
cmake --build build-asan -j2
# The first finding stops the program: the test that hit it fails. Leak
# checking is on; the suite has needed no suppressions so far.
# intercept_tls_get_addr=0: this compiler's leak checker sometimes reads a
# stale entry of the dynamic TLS of a library loaded at run time when the
# process ends, and its tracer then dies with SIGSEGV
# ("Tracer caught signal 11") after every test has passed. Without the
# interception it scans static TLS, heap, stacks and globals as before, and
# leaks are still reported.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure || status=$?
unset ASAN_OPTIONS UBSAN_OPTIONS

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON -DVERDALIS_TSAN=ON
cmake --build build-tsan -j2 --target threaded_tests
# Qt's libraries are not built with ThreadSanitizer. What they do is as
# invisible to it as their own memory accesses, so the calls they make into
# the functions it watches (locks, new and delete, memcpy) are not counted
# either: otherwise Qt's own threads would be reported against each other.
# Every access and lock in Verdalis's code is still checked, and no report is
# suppressed: with this option none is left that lies wholly inside Qt.
export TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1"
# This ThreadSanitizer cannot place its shadow memory when the kernel
# randomises addresses at its widest (vm.mmap_rnd_bits=32): the tests run
# without address randomisation wherever the machine allows it.
no_aslr=()
if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
"${no_aslr[@]}" ctest --test-dir build-tsan -L threads --output-on-failure || status=$?

exit "$status"
