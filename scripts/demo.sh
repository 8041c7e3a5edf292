#!/usr/bin/env bash
# The main job as a new user meets it: a sample invoice imported headlessly into
# a demo company of the built-in provider (accounting system 1), the same invoice
# into a company folder of dBASE tables made by the fixture tool (system 2) with
# its rows shown, then the main window when a display is present. Each part has
# a demo configuration of its own: the user's real settings are never read or
# written.
#
# From the source tree it installs what is missing and builds first (build/demo
# holds everything and starts afresh). Installed (/usr/share/brivane/demo.sh) it
# runs the programs installed beside it, in a new temporary folder, or in
# BRIVANE_DEMO_DIR when that names an empty or missing folder.
set -euo pipefail
ici="$(cd "$(dirname "$0")" && pwd)"

if [ -f "$ici/../CMakeLists.txt" ] && [ -d "$ici/../src" ]; then
  cd "$ici/.."
  ./scripts/setup.sh
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIVANE_TESTS=OFF \
    -DBRIVANE_BENCH=OFF >/dev/null
  cmake --build build/release -j "$(nproc)" --target brivane brivane-import \
    brivane-demo-company brivane-company brivane-dbase-fixture
  bin="$PWD/build/release/src"
  exemples="$PWD/exemples"
  demo="$PWD/build/demo"
  rm -rf "$demo"
else
  bin="${BRIVANE_BIN:-$(cd "$ici/../../bin" && pwd)}"
  exemples="$ici/exemples"
  if [ -n "${BRIVANE_DEMO_DIR:-}" ]; then
    demo="$BRIVANE_DEMO_DIR"
    if [ -e "$demo" ] && [ -n "$(ls -A "$demo")" ]; then
      echo "demo.sh : le dossier $demo n'est pas vide ; rien n'a été fait." >&2
      exit 2
    fi
  else
    demo="$(mktemp -d "${TMPDIR:-/tmp}/brivane-demo.XXXXXX")"
  fi
fi
echo "Programmes : $bin ($("$bin/brivane-import" --version))"
echo "Dossier de la démonstration : $demo"

mkdir -p "$demo/config" "$demo/config-dbase" "$demo/compagnie" "$demo/dbase" "$demo/acomba" \
  "$demo/factures" "$demo/traite"
chmod 700 "$demo/config" "$demo/config-dbase"

# Writes a configuration file readable by its owner only.
configurer() {
  (
    umask 077
    cat >"$1/Brivane.ini"
  )
}
configurer "$demo/config" <<INI
[Acomba]
PathCie=$demo/compagnie
PathAcomba=$demo/acomba
UserAcomba=demo
PWDAcomba=demo
GroupeProd=1
DossierTraite=$demo/traite
INI
configurer "$demo/config-dbase" <<INI
[Acomba]
PathCie=$demo/dbase
GroupeProd=1
DossierTraite=$demo/traite
SystemeComptable=2
Fournisseur=F100
PosteGlVente=40100
PosteGlAchat=13100
INI

importer() {
  echo
  echo "\$ brivane-import $*"
  local code=0
  "$bin/brivane-import" "$@" || code=$?
  echo "(code de sortie $code)"
}

# Both programs read their settings from this folder instead of the user's.
export BRIVANE_CONFIG_DIR="$demo/config"
echo
echo "== La compagnie de démonstration (système comptable 1) =="
"$bin/brivane-demo-company" "$demo/compagnie"
cp "$exemples/facture-complete.csv" "$exemples/facture-refusee.csv" "$demo/factures/"
echo
echo "== Configuration : $BRIVANE_CONFIG_DIR/Brivane.ini =="
echo "== Une facture complète, puis une facture que la validation refuse =="
importer "$demo/factures/facture-complete.csv"
importer "$demo/factures/facture-refusee.csv"
echo
echo "== Ce que la compagnie contient maintenant (brivane-company) =="
"$bin/brivane-company" "$demo/compagnie"

export BRIVANE_CONFIG_DIR="$demo/config-dbase"
echo
echo "== Une compagnie en tables dBASE (système comptable 2, brivane-dbase-fixture) =="
"$bin/brivane-dbase-fixture" "$demo/dbase" 17
cp "$exemples/facture-complete.csv" "$demo/factures/facture-dbase.csv"
echo
echo "== Configuration : $BRIVANE_CONFIG_DIR/Brivane.ini (SystemeComptable=2) =="
echo "== La même facture ; fournisseur et postes du grand livre viennent de la configuration =="
importer "$demo/factures/facture-dbase.csv"
echo
echo "== Les lignes des tables dBASE (lues par dbfread) =="
# Debian's own Python, where python3-dbfread lives, whatever python3 comes first in PATH.
python=/usr/bin/python3
if "$python" -c 'import dbfread' 2>/dev/null; then
  "$python" - "$demo/dbase" <<'PY'
import os, sys, dbfread
colonnes = {
    'client': ['CNUM', 'CNOM', 'CVIL', 'CCOD'],
    'produi': ['PNUM', 'PNOM', 'PFRN', 'PGLACHAT', 'PPOST', 'PCOU'],
    'factma': ['FFNOFACT', 'FFCNUM', 'FFDATE', 'FFSS_TAX', 'FFTAXF', 'FFTAXP', 'FFGTOT'],
    'factit': ['FINOFACT', 'FILIGNE', 'FIPNUM', 'FIPNOM', 'FIPQTE', 'FIPPRIX', 'FIPVENT'],
    'solde': ['SNEXTS'],
}
for table, noms in colonnes.items():
    lignes = list(dbfread.DBF(os.path.join(sys.argv[1], table + '.dbf'), encoding='cp1252'))
    print(f'{table} ({len(lignes)} ligne{"s" if len(lignes) > 1 else ""})')
    for ligne in lignes:
        print('  ' + ' | '.join(f'{n}={ligne.get(n)}' for n in noms))
PY
else
  echo "(python3-dbfread n'est pas installé : les tables sont dans $demo/dbase)"
fi
echo
echo "Dossier des fichiers traités ($demo/traite) :"
ls -1 "$demo/traite"

echo
if [ -n "${DISPLAY:-}" ]; then
  export BRIVANE_CONFIG_DIR="$demo/config"
  echo "== La fenêtre principale (fermez-la pour terminer) =="
  "$bin/brivane"
else
  echo "Aucun affichage (DISPLAY n'est pas défini) : la fenêtre principale n'est pas ouverte."
  echo "Pour la voir sans écran : BRIVANE_CONFIG_DIR=$demo/config xvfb-run -a $bin/brivane"
fi
