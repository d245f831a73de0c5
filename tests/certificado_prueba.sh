#!/usr/bin/env bash
# Makes throw-away certificates for the TDS test server's TLS, in DIR only:
#   ca.pem                         a self-signed certificate authority
#   servidor.pem, servidor.key     localhost / 127.0.0.1 (subjectAltName), signed by ca.pem
#   nombre-ajeno.pem, nombre-ajeno.key
#                                  signed by ca.pem but for another host name, to show a client
#                                  that checks the name refusing it
#   otra-ca.pem                    an unrelated authority: a client trusting it alone must refuse
#                                  servidor.pem
# The authorities' keys are kept too (ca.key, otra-ca.key); all keys are 0600. Valid for 30 days.
#
#   tests/certificado_prueba.sh DIR
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
dir=$1
umask 077
mkdir -p "$dir"

clave() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

autoridad() {  # NAME COMMON-NAME
  clave "$dir/$1.key"
  openssl req -x509 -new -key "$dir/$1.key" -out "$dir/$1.pem" -days 30 -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}

servidor() {  # NAME AUTHORITY SUBJECT-ALT-NAMES
  local ext cn=${3%%,*}
  ext=$(mktemp "$dir/.ext.XXXXXX")
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=serverAuth" "subjectAltName=$3" >"$ext"
  clave "$dir/$1.key"
  openssl req -new -key "$dir/$1.key" -subj "/CN=${cn#DNS:}" -out "$dir/$1.csr"
  openssl x509 -req -in "$dir/$1.csr" -CA "$dir/$2.pem" -CAkey "$dir/$2.key" \
    -set_serial "0x$(openssl rand -hex 8)" -days 30 -extfile "$ext" -out "$dir/$1.pem" 2>/dev/null
  rm -f "$ext" "$dir/$1.csr"
}

autoridad ca "Throw-away test CA"
servidor servidor ca "DNS:localhost,IP:127.0.0.1"
servidor nombre-ajeno ca "DNS:otro.invalid"
autoridad otra-ca "Unrelated throw-away CA"
chmod 0644 "$dir"/*.pem
