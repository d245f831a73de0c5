#!/usr/bin/env bash
# The bash completion of tarjeta-admin: what it offers after each kind of
# word. Usage: completado.sh PATH/TO/tarjeta-admin.bash-completion
set -uo pipefail
source "$1"
cd "$(mktemp -d)" && mkdir -p nax srv
fallos=0
# line (words so far, the last one being completed) | what is offered
while IFS='|' read -r linea esperado; do
  read -ra COMP_WORDS <<<"$linea"
  [[ $linea == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _tarjeta_admin
  obtenido="${COMPREPLY[*]}"
  if [[ "$obtenido" != "$esperado" ]]; then
    echo "FAILED: '$linea' offers '$obtenido', expected '$esperado'"
    fallos=1
  fi
done <<'CASOS'
tarjeta-admin |db arranque telefonos-compartidos help --help --version
tarjeta-admin ar|arranque
tarjeta-admin db |init
tarjeta-admin arranque |write show
tarjeta-admin arranque write |nax srv
tarjeta-admin arranque write nax --|--server --user --branch --empty-password --help
tarjeta-admin arranque write nax --server |
tarjeta-admin db init n|nax
tarjeta-admin db init nax --|--demo --force --help
tarjeta-admin telefonos-compartidos |nax srv
tarjeta-admin telefonos-compartidos nax --m|--min-clientes
tarjeta-admin help |db arranque telefonos-compartidos
tarjeta-admin help arranque |write show
CASOS
exit $fallos
