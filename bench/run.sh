#!/usr/bin/env bash
# Runs every benchmark and prints the figures: statements per operation,
# whole-process start-up against a floor program, and in-process timings at
# several data sizes with their targets. Exits non-zero when a limit is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench
export QT_QPA_PLATFORM=offscreen
b=build-bench/bench
fallos=0

echo "== Statements per operation"
"$b/bench_sentencias" 2>/dev/null || fallos=1

echo
echo "== Start-up, whole process (launch to card shown and filled, then exit)"
# The branch's state lists 570 cities, as many as the Mexican state with the
# most municipalities (Oaxaca) has; 2,500 cities, the size of the scale test
# below, is timed too for reference.
dir_real=$("$b/bench_sentencias" --preparar 570 2>/dev/null)
dir_grande=$("$b/bench_sentencias" --preparar 2500 2>/dev/null)
for d in "$dir_real" "$dir_grande"; do
  NAX_DIR="$d" timeout 30 "$b/arranque_tarjeta" 1234-25 >/dev/null 2>&1 ||
    { echo "the start-up fails on $d: nothing to time"; exit 1; }
done
runs=${RUNS:-21}
tarjeta=(); piso=(); rss_t=(); rss_p=(); texto=(); rss_x=(); grande=(); rss_g=()
tiempo=$(mktemp)
for i in $(seq "$runs"); do
  for prog in "arranque_tarjeta 1234-25" "arranque_piso" "arranque_piso --texto" "grande"; do
    export NAX_DIR="$dir_real"
    [ "$prog" = grande ] && { prog="arranque_tarjeta 1234-25"; export NAX_DIR="$dir_grande"; }
    inicio=$EPOCHREALTIME
    /usr/bin/time -o "$tiempo" -f "%M" $b/$prog >/dev/null 2>&1
    fin=$EPOCHREALTIME
    out="$(awk -v a="$inicio" -v b="$fin" 'BEGIN {printf "%.4f", b - a}') $(tail -1 "$tiempo")"
    case "$NAX_DIR $prog" in
      "$dir_grande "*) grande+=("${out% *}"); rss_g+=("${out#* }") ;;
      *arranque_tarjeta*) tarjeta+=("${out% *}"); rss_t+=("${out#* }") ;;
      *--texto) texto+=("${out% *}"); rss_x+=("${out#* }") ;;
      *) piso+=("${out% *}"); rss_p+=("${out#* }") ;;
    esac
  done
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
mt=$(median "${tarjeta[@]}"); mp=$(median "${piso[@]}")
rt=$(median "${rss_t[@]}"); rp=$(median "${rss_p[@]}")
mx=$(median "${texto[@]}"); rx=$(median "${rss_x[@]}")
mg=$(median "${grande[@]}"); rg=$(median "${rss_g[@]}")
# Each round times the program and the floor back to back, so the ratio within
# a round leaves out most of the machine's slow spells; its spread shows how
# far a single run can be trusted.
pares=$(for i in "${!tarjeta[@]}"; do awk -v t="${tarjeta[$i]}" -v p="${piso[$i]}" 'BEGIN {printf "%.4f\n", t / p}'; done | sort -g |
  awk '{a[NR]=$1} END {printf "%.2f (middle half %.2f to %.2f)", a[int((NR+1)/2)], a[int(NR/4)+1], a[int(3*NR/4)+1]}')
awk -v mt="$mt" -v mp="$mp" -v rt="$rt" -v rp="$rp" -v mx="$mx" -v rx="$rx" -v mg="$mg" -v rg="$rg" -v n="$runs" -v pares="$pares" 'BEGIN {
  ratio = (mp > 0) ? mt / mp : 0
  printf "%-36s %8s %12s\n", "program (" n " runs each)", "median s", "peak RSS MiB"
  printf "%-36s %8.4f %12.1f\n", "tarjeta 1234-25 (570 cities)", mt, rt / 1024
  printf "%-36s %8.4f %12.1f\n", "floor (empty window)", mp, rp / 1024
  printf "%-36s %8.4f %12.1f\n", "floor + one label", mx, rx / 1024
  printf "%-36s %8.4f %12.1f\n", "tarjeta 1234-25 (2,500 cities)", mg, rg / 1024
  printf "ratio to floor + one label %.2f; with 2,500 cities %.2f (for reference)\n", mt / mx, mg / mp
  printf "ratio within each round: median %s\n", pares
  printf "ratio of medians %.2f (target <= 1.25): %s\n", ratio, (ratio <= 1.25 ? "ok" : "MISSED")
  printf "RSS over floor %.1f MiB (target <= 10): %s\n", (rt - rp) / 1024, ((rt - rp) / 1024 <= 10 ? "ok" : "MISSED")
  exit !(ratio <= 1.25 && (rt - rp) / 1024 <= 10)
}' || fallos=1

echo
echo "== SQL Server path: requests on the wire and times, the TDS test server delaying every reply"
tds=$(mktemp -d)
# Over TLS, as a branch reaches the server: throw-away certificates beside the
# server's settings, where bench_red finds their authority.
bash tests/certificado_prueba.sh "$tds"
python3 tests/servidor_tds.py --dir "$tds" --datos tests/datos_tds.json --vida 600 --daemon \
  --certificado "$tds/servidor.pem" --clave-privada "$tds/servidor.key"
"$b/bench_red" "$tds/servidor.json" tests/datos_tds.json 20 50 100 2>/dev/null || fallos=1
python3 tests/servidor_tds.py --dir "$tds" --detener >/dev/null
rm -rf "$tds"

echo
echo "== Shared-phones report, embedded databases: every phone column of every card filled, as many"
echo "   extra contacts as cards (the first run builds the databases, 1M cards take half a minute)"
runs_informe=${RUNS_INFORME:-3}
printf '%-22s %10s %14s %10s\n' "cards + contacts" "median s" "peak RSS MiB" "shared"
for n in 100000 1000000; do
  d=$("$b/bench_sentencias" --telefonos "$n" 2>/dev/null)
  segundos=(); memoria=()
  for i in $(seq "$runs_informe"); do
    /usr/bin/time -o "$tiempo" -f "%e %M" build-bench/bin/tarjeta-admin telefonos-compartidos "$d" \
      >"$tiempo.salida" 2>/dev/null || { echo "the report fails on $d"; exit 1; }
    read -r s m <"$tiempo"
    segundos+=("$s"); memoria+=("$m")
  done
  ms=$(median "${segundos[@]}"); mm=$(median "${memoria[@]}")
  compartidos=$(grep -oE '^[0-9]+ numbers? shared' "$tiempo.salida" | cut -d' ' -f1)
  printf '%-22s %10.2f %14.1f %10s\n' "$n + $n" "$ms" "$(awk -v m="$mm" 'BEGIN {print m / 1024}')" "$compartidos"
  if [ "$n" = 1000000 ]; then
    awk -v s="$ms" -v m="$mm" 'BEGIN {
      printf "1M: %.2f s (target <= 15): %s; %.1f MiB (target <= 400): %s\n", s, (s <= 15 ? "ok" : "MISSED"), m / 1024, (m / 1024 <= 400 ? "ok" : "MISSED")
      exit !(s <= 15 && m / 1024 <= 400)
    }' || fallos=1
  fi
done
rm -f "$tiempo.salida"

echo
echo "== Operations at scale (Google Benchmark; the first run builds the databases, 1M cards take a minute)"
"$b/bench_operaciones" --benchmark_min_time=0.2 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' || fallos=1
exit $fallos
