#!/usr/bin/env bash
# Installs what is missing, builds Verdalis with warnings as errors and runs
# the whole test suite. Exits with the status of ctest.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

bash scripts/setup-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDALIS_WERROR=ON
cmake --build build -j2

status=0
ctest --test-dir build --output-on-failure || status=$?
exit "$status"
