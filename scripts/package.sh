#!/usr/bin/env bash
# Builds the Debian package tarjeta_VERSION_amd64.deb in the top folder with
# CPack's DEB generator: a Release build in build-package/ with Debian's
# build flags (hardening included), installed under /usr, the programs
# stripped as dh_strip does. Then checks that those flags reach every compile
# and link (blhc), the man pages as man does and the package with lintian;
# fails on any missing flag, any man warning and any lintian tag, pedantic
# and informational ones included.
#
# The package is reproducible: SOURCE_DATE_EPOCH (the last commit's time,
# or the changelog's outside git, unless the caller sets it) is every time
# in the .deb, and neither the build folder's path nor its depth reaches
# the programs.
# With --twice it builds the package a second time from an empty
# build-package-2/segunda/, a folder of another name and depth, and fails
# unless the two .deb files are the same bytes, printing what differs.
set -euo pipefail
cd "$(dirname "$0")/.."
dos_veces=false
case "${1:-}" in
  "") ;;
  --twice) dos_veces=true ;;
  *)
    echo "usage: scripts/package.sh [--twice]" >&2
    exit 2
    ;;
esac
bash scripts/setup.sh --package
raiz=$(pwd -P)

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$raiz" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  else
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -STimestamp)
  fi
fi
export SOURCE_DATE_EPOCH
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

# Builds and packs in the folder $1, leaving the .deb in $1/paquete/.
construir() {
  local carpeta=$1
  # The debugging information is stripped but hashed into the build ID, so
  # it must not depend on where the build folder is: dpkg-buildflags maps the
  # source folder to "."; the build folder, inside it, is mapped to one name
  # whatever it is called; and moc's files include the headers by their path
  # from the top folder rather than from the build folder.
  local ajustes=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
    -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF -DCMAKE_AUTOMOC_PATH_PREFIX=ON
    -DCMAKE_CXX_FLAGS="$cxxflags -ffile-prefix-map=$raiz/$carpeta=./build-package"
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags"
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags")
  # A folder built with other settings starts empty: not every setting
  # reaches what is built already (moc's files keep their include paths).
  if [ "$(cat "$carpeta/ajustes.txt" 2>/dev/null)" != "$(printf '%s\n' "${ajustes[@]}")" ]; then
    rm -rf "$carpeta"
  fi
  cmake -S . -B "$carpeta" "${ajustes[@]}" >/dev/null
  printf '%s\n' "${ajustes[@]}" >"$carpeta/ajustes.txt"
  cmake --build "$carpeta"
  # Every compile and link of the build, as blhc reads a Debian build log.
  {
    echo "dpkg-buildpackage: info: host architecture $(dpkg --print-architecture)"
    ninja -C "$carpeta" -t commands
  } >"$carpeta/ordenes.log"
  blhc --debian --bindnow "$carpeta/ordenes.log"
  rm -rf "$carpeta/paquete"
  (cd "$carpeta" && cpack -G DEB >/dev/null)
}

# One line per ar member, control member and file of the package: times,
# modes and owners as tar lists them, then every file's SHA-256.
describir() {
  local deb=$1 dentro miembro
  dentro=$(mktemp -d)
  ar tv "$deb"
  for miembro in $(ar t "$deb"); do
    echo "$(ar p "$deb" "$miembro" | sha256sum | cut -d' ' -f1)  $miembro"
  done
  dpkg-deb --ctrl-tarfile "$deb" | tar -tv --full-time
  dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time
  dpkg-deb -R "$deb" "$dentro"
  (cd "$dentro" && find . -type f | LC_ALL=C sort | xargs sha256sum)
  rm -rf "$dentro"
}

construir build-package
deb=$(ls build-package/paquete/tarjeta_*_amd64.deb)
rm -f tarjeta_*_amd64.deb
cp "$deb" .
deb=$(basename "$deb")

# The man pages as lintian checks them: any warning from man fails.
for pagina in packaging/tarjeta.1 packaging/tarjeta-admin.8; do
  avisos=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$pagina" 2>&1 >/dev/null)
  if [ -n "$avisos" ]; then
    echo "$pagina: $avisos" >&2
    exit 1
  fi
done

echo "lintian $deb:"
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb"

if $dos_veces; then
  rm -rf build-package-2
  construir build-package-2/segunda
  segundo=$(ls build-package-2/segunda/paquete/tarjeta_*_amd64.deb)
  if ! cmp "$deb" "$segundo"; then
    echo "the package is not reproducible: $deb and $segundo differ in" >&2
    diff <(describir "$deb") <(describir "$segundo") >&2 || true
    exit 1
  fi
  echo "built twice, the same bytes: $(sha256sum "$deb" | cut -d' ' -f1)"
  rm -rf build-package-2
fi
echo "built $deb ($(du -k "$deb" | cut -f1) KiB, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
