#!/usr/bin/env bash
# Configures and builds into build/ (pass -DENABLE_SANITIZERS=ON and the like
# through CMAKE_ARGS): everything, or the targets named in TARGETS.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-} >/dev/null
targets=()
for t in ${TARGETS:-}; do targets+=(--target "$t"); done
cmake --build build "${targets[@]}"
