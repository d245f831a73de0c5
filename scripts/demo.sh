#!/usr/bin/env bash
# Opens the program on the embedded demo database for client 1234, user 25.
# Without a display it runs the window under Xvfb, saves a screenshot and
# prints where. Extra arguments replace the command line (e.g. 2001-26).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
# Only the two programs it runs (the tests and benchmarks are test.sh's).
TARGETS="tarjeta tarjeta-admin" bash scripts/build.sh

demo="$root/demo"
bin="$root/build/bin"
"$bin/tarjeta-admin" db init "$demo" --demo --force
echo "demo" | "$bin/tarjeta-admin" arranque write "$demo" --server "file:$demo" --user demo --branch 12

linea=("${@:-1234-25}")
export NAX_DIR="$demo"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/tarjeta" "${linea[@]}"
fi

echo "No display found: running the window under Xvfb and taking a screenshot."
shot="$demo/tarjeta.png"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  "$1" "${@:3}" &
  pid=$!
  sleep 3
  import -window root "$2"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$bin/tarjeta" "$shot" "${linea[@]}"
echo "Screenshot: $shot"
