#!/usr/bin/env bash
# Installs what is missing, builds Verdalis and starts it.
# The data directory is build/bin (beside the executable).
# Extra arguments are passed to the program.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo_root"

bash scripts/setup-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2

cd build/bin
exec ./verdalis "$@"
