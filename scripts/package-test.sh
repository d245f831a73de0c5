#!/usr/bin/env bash
# Installs the package that scripts/package.sh built, as an administrator
# would (apt-get install ./tarjeta_VERSION_amd64.deb), and checks it from the
# installed files alone: the post-install registration of FreeTDS, the admin
# tool building the demo databases and reporting on them, and the program
# starting on them (offscreen) and running until SIGTERM, and the system
# group tarjeta. Then removes the package, which leaves the driver registered
# and the group in place. Needs root or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
falla() {
  echo "package check failed: $*" >&2
  exit 1
}

debs=(tarjeta_*_amd64.deb)
[ -f "${debs[0]}" ] || falla "no tarjeta_*_amd64.deb here: run scripts/package.sh first"
trabajo=$(mktemp -d)
# apt reads a local package as its own unprivileged user.
chmod 755 "$trabajo"
install -m 644 "${debs[0]}" "$trabajo/"
quitar() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarjeta >/dev/null 2>&1 || true
  as_root rm -rf "$trabajo"
}
trap quitar EXIT

as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$trabajo/${debs[0]}" >/dev/null
[ "$(command -v tarjeta)" = /usr/bin/tarjeta ] || falla "tarjeta is not /usr/bin/tarjeta"
[ "$(command -v tarjeta-admin)" = /usr/bin/tarjeta-admin ] || falla "no /usr/bin/tarjeta-admin"
[ -f /usr/share/tarjeta/Msn2008.skn ] || falla "the skin is not in /usr/share/tarjeta"
man -w tarjeta >/dev/null && man -w 8 tarjeta-admin >/dev/null || falla "a man page is missing"
[ -f /usr/share/bash-completion/completions/tarjeta-admin ] ||
  falla "the bash completion of tarjeta-admin is missing"
tarjeta --version | grep -qx "tarjeta [0-9.]*" || falla "tarjeta --version does not say the version"
odbcinst -q -d -n "SQL Server" >/dev/null || falla "no ODBC driver \"SQL Server\" after install"
grupo=$(getent group tarjeta) || falla "no group tarjeta after install"

# The post-install step on driver lists of its own (unixODBC reads
# $ODBCSYSINI/odbcinst.ini): it registers FreeTDS once where no "SQL Server"
# is, and leaves one that is there alone.
postinst=/var/lib/dpkg/info/tarjeta.postinst
vacia="$trabajo/vacia" && mkdir "$vacia"
ODBCSYSINI="$vacia" sh "$postinst" configure
ODBCSYSINI="$vacia" sh "$postinst" configure
[ "$(grep -c '^\[SQL Server\]' "$vacia/odbcinst.ini")" = 1 ] &&
  grep -q '^Driver=libtdsodbc.so' "$vacia/odbcinst.ini" &&
  grep -q '^UsageCount=1' "$vacia/odbcinst.ini" ||
  falla "post-install did not register FreeTDS exactly once: $(cat "$vacia/odbcinst.ini")"
otra="$trabajo/otra" && mkdir "$otra"
printf '[SQL Server]\nDriver=/opt/otro/libsqlsrv.so\nUsageCount=1\n' >"$otra/odbcinst.ini"
cp "$otra/odbcinst.ini" "$trabajo/antes.ini"
ODBCSYSINI="$otra" sh "$postinst" configure
cmp -s "$otra/odbcinst.ini" "$trabajo/antes.ini" || falla "post-install changed a driver already there"

# The post-install step where no group tarjeta is, without touching this
# machine's: in a mount namespace of its own, over a copy of /etc without
# the group, it makes it as a system group, and run again keeps that one.
# A group already there is left as it is.
[ "$(getent group tarjeta)" = "$grupo" ] || falla "post-install changed the group: $(getent group tarjeta)"
mkdir "$trabajo/etc"
# shellcheck disable=SC2016 # the inner shell expands its own arguments
as_root unshare --mount sh -ec '
  cp -a /etc/. "$1"
  sed -i "/^tarjeta:/d" "$1/group" "$1/gshadow"
  mount --bind "$1" /etc
  sh "$2" configure
  sh "$2" configure
' sh "$trabajo/etc" "$postinst" || falla "post-install failed where no group tarjeta was"
hecho=$(grep '^tarjeta:' "$trabajo/etc/group") || falla "post-install made no group tarjeta"
[ "$(echo "$hecho" | wc -l)" = 1 ] || falla "post-install made more than one group tarjeta: $hecho"
[ "$(echo "$hecho" | cut -d: -f3)" -lt 1000 ] || falla "the group tarjeta is not a system group: $hecho"

# The demo databases and a start-up table, from the installed tool.
tarjeta-admin db init "$trabajo/db" --demo >/dev/null
echo demo | tarjeta-admin arranque write "$trabajo/nax" --server "file:$trabajo/db" --user demo \
  --branch 12 >/dev/null
# What the desk users in the group get from them (as root, who may give
# files to any group): the databases and their new folder writable by the
# group (the folder setgid, for SQLite's journal), the table readable by it.
if [ "$(id -u)" -eq 0 ]; then
  for f in "$trabajo/db:2775" "$trabajo/db/erp_nax.db:660" "$trabajo/db/zelt.db:660" \
    "$trabajo/nax/ARRANQUE.dbf:640"; do
    ruta=${f%:*} modo=${f##*:}
    [ "$(stat -c '%a %G' "$ruta")" = "$modo tarjeta" ] ||
      falla "$ruta is $(stat -c '%a %G' "$ruta"), not $modo tarjeta"
  done
fi
tarjeta-admin telefonos-compartidos "$trabajo/nax" >"$trabajo/informe.txt" ||
  falla "the shared-phones report failed on the demo data"

# The program on the demo card: still running after two seconds (a start-up
# fault would have ended it with status 1), and SIGTERM ends it cleanly
# (128 + 15).
NAX_DIR="$trabajo/nax" QT_QPA_PLATFORM=offscreen tarjeta 1234-25 2>"$trabajo/stderr" &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  estado=0
  wait "$pid" || estado=$?
  falla "tarjeta ended on its own with status $estado: $(cat "$trabajo/stderr")"
fi
kill -TERM "$pid"
estado=0
wait "$pid" || estado=$?
[ "$estado" = 143 ] || falla "tarjeta ended with status $estado after SIGTERM, not 143"

as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarjeta >/dev/null
[ ! -e /usr/bin/tarjeta ] || falla "/usr/bin/tarjeta is still there after removal"
odbcinst -q -d -n "SQL Server" >/dev/null || falla "removal unregistered the driver \"SQL Server\""
[ "$(getent group tarjeta)" = "$grupo" ] || falla "removal took the group tarjeta away"
echo "package check: installed, group tarjeta made, demo started and stopped (status 143), removed: ok"
