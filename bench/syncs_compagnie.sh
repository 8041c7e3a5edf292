#!/usr/bin/env bash
# A whole import of a 1,000-line invoice of new products into a new demo
# company of the built-in provider, each run a fresh process: the syncs it
# makes (strace), then its elapsed time, CPU and peak memory (/usr/bin/time).
# usage: bench/syncs_compagnie.sh BIN_DIR [RUNS]
set -euo pipefail
bin=$(cd "$1" && pwd)
runs=${2:-3}
root=$(mktemp -d "${TMPDIR:-/tmp}/brivane-syncs.XXXXXX")
trap 'rm -rf "$root"' EXIT
csv=$root/facture-1000.csv
{ head -n 3 "$(dirname "$0")/../exemples/facture-complete.csv"
  for i in $(seq -w 1 1000); do echo "P$i;Produit $i;2;1.25"; done; } >"$csv"
run() {  # run NAME strace|time
  local d=$root/$1
  mkdir -p "$d/config" "$d/traite"
  printf '[Acomba]\nPathCie=%s\nPathAcomba=%s\nUserAcomba=demo\nPWDAcomba=demo\nGroupeProd=1\nDossierTraite=%s\n' \
    "$d/compagnie" "$d" "$d/traite" >"$d/config/Brivane.ini"
  "$bin/brivane-demo-company" "$d/compagnie" >/dev/null
  cp "$csv" "$d/facture.csv"
  sync
  if [ "$2" = strace ]; then
    BRIVANE_CONFIG_DIR="$d/config" strace -f -y -e trace=fsync,fdatasync -o "$d/strace.txt" \
      "$bin/brivane-import" "$d/facture.csv" >/dev/null
    echo "$1 syncs: all $(grep -cE 'f(data)?sync\(' "$d/strace.txt")," \
      "company folder $(grep -E 'f(data)?sync\(' "$d/strace.txt" | grep -c "$d/compagnie")"
  else
    BRIVANE_CONFIG_DIR="$d/config" /usr/bin/time -f "%e s elapsed, %U s user, %S s system, %M KiB peak" \
      "$bin/brivane-import" "$d/facture.csv" 2>&1 >/dev/null | tail -1 | sed "s/^/$1 /"
  fi
}
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
for i in $(seq 1 "$runs"); do run "s$i" strace; done
for i in $(seq 1 "$runs"); do run "t$i" time; done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
