#!/usr/bin/env bash
# Configures and builds into build/ (pass -DENABLE_SANITIZERS=ON and the like
# through CMAKE_ARGS).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-} >/dev/null
cmake --build build
