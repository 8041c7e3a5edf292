#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: a sample invoice
# imported headlessly with a demo configuration of its own (the user's real
# settings are never read or written), then the main window when a display is
# present.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIVANE_TESTS=OFF \
  -DBRIVANE_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target brivane brivane-import brivane-demo-company \
  brivane-company

# Everything of the demo lives under build/demo; it starts afresh at each run.
demo="$PWD/build/demo"
rm -rf "$demo"
mkdir -p "$demo/config" "$demo/compagnie" "$demo/acomba" "$demo/factures" "$demo/traite"
chmod 700 "$demo/config"
# Both programs read their settings from this folder instead of the user's.
export BRIVANE_CONFIG_DIR="$demo/config"
(
  umask 077
  cat >"$BRIVANE_CONFIG_DIR/Brivane.ini" <<INI
[Acomba]
PathCie=$demo/compagnie
PathAcomba=$demo/acomba
UserAcomba=demo
PWDAcomba=demo
GroupeProd=1
DossierTraite=$demo/traite
INI
)
echo "== La compagnie de démonstration =="
./build/release/src/brivane-demo-company "$demo/compagnie"
cp exemples/facture-complete.csv exemples/facture-refusee.csv "$demo/factures/"

importer() {
  echo
  echo "\$ brivane-import $1"
  local code=0
  ./build/release/src/brivane-import "$demo/factures/$1" || code=$?
  echo "(code de sortie $code)"
}

echo
echo "== Configuration de démonstration : $BRIVANE_CONFIG_DIR/Brivane.ini =="
echo "== Une facture complète, puis une facture que la validation refuse =="
importer facture-complete.csv
importer facture-refusee.csv
echo
echo "Dossier des fichiers traités ($demo/traite) :"
ls -1 "$demo/traite"
echo
echo "== Ce que la compagnie contient maintenant (brivane-company) =="
./build/release/src/brivane-company "$demo/compagnie"

echo
if [ -n "${DISPLAY:-}" ]; then
  echo "== La fenêtre principale (fermez-la pour terminer) =="
  ./build/release/src/brivane
else
  echo "Aucun affichage (DISPLAY n'est pas défini) : la fenêtre principale n'est pas ouverte."
  echo "Pour la voir sans écran : BRIVANE_CONFIG_DIR=$demo/config xvfb-run -a ./build/release/src/brivane"
fi
