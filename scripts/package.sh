#!/usr/bin/env bash
# Builds the Debian package tarjeta_VERSION_amd64.deb in the top folder with
# CPack's DEB generator: a Release build in build-package/ with Debian's
# build flags (hardening included), installed under /usr. Then checks the man
# pages as man does and the package with lintian; fails on any man warning or
# lintian error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-package
rm -rf build-package/paquete
(cd build-package && cpack -G DEB >/dev/null)
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
lintian --fail-on error --display-info "$deb"
echo "built $deb ($(du -k "$deb" | cut -f1) KiB)"
