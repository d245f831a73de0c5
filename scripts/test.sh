#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests (CTest, on Qt's
# offscreen platform). Set ENABLE_SANITIZERS=ON for an address/undefined build
# in build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir=build
args=()
if [ "${ENABLE_SANITIZERS:-OFF}" = "ON" ]; then
  dir=build-asan
  args+=(-DENABLE_SANITIZERS=ON -DBUILD_BENCHMARKS=OFF)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${args[@]}" >/dev/null
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2
