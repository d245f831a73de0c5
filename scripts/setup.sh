#!/usr/bin/env bash
# Installs everything tarjeta needs on Debian 12 and registers FreeTDS as the
# ODBC driver "SQL Server". Safe to run again: it only installs what is missing.
# With --package, also what building and checking the Debian package takes
# (scripts/package.sh).
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libqt6sql6-sqlite qt6-translations-l10n
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev odbcinst tdsodbc freetds-common openssl fonts-dejavu-core fonts-liberation2 fonts-wine
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dbfread python3-dbf sqlfluff
  xvfb xauth xdotool imagemagick time clang-format
  x11-utils
)
if [ "${1:-}" = --package ]; then
  # dpkg-shlibdeps and dpkg-buildflags; the package's checker; the check
  # that Debian's build flags reach every compile and link; man's own check
  # of the man pages.
  PACKAGES+=(dpkg-dev lintian blhc man-db groff-base)
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The program's connection string names the ODBC driver "SQL Server"; on Linux
# FreeTDS plays that role.
if ! odbcinst -q -d -n "SQL Server" >/dev/null 2>&1; then
  tmp=$(mktemp)
  cat >"$tmp" <<'INI'
[SQL Server]
Description=FreeTDS driver for Microsoft SQL Server
Driver=libtdsodbc.so
Setup=libtdsS.so
UsageCount=1
INI
  as_root odbcinst -i -d -f "$tmp" >/dev/null
  rm -f "$tmp"
fi
