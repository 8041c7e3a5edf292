#!/usr/bin/env bash
# N copies of one invoice imported at the same moment by brivane-import, for a
# number of rounds; prints, per round, the exit codes, the invoices the company
# holds (i), the files moved (m) and the files left in place (l).
# usage: scripts/imports-simultanes.sh BIN_DIR SYSTEME(1|2) N ROUNDS commun|separes
set -u
exemples=$(cd "$(dirname "$0")/../exemples" && pwd)
bin=$(cd "$1" && pwd); sys=$2; n=$3; rounds=$4; mode=$5
tot_inv=0; doubles=0; codes=""
ecrire() { mkdir -p $1; printf '[Acomba]\nPathCie=%s\nPathAcomba=acomba\nUserAcomba=demo\nPWDAcomba=demo\nGroupeProd=2\nDossierTraite=%s/traite\nSystemeComptable=%s\nFournisseur=F100\nPosteGlVente=40100\nPosteGlAchat=13100\n' "$2" "$T" "$sys" > $1/Brivane.ini; }
for r in $(seq 1 $rounds); do
  T=$(mktemp -d); cd $T; mkdir traite entree
  if [ $sys = 2 ]; then $bin/brivane-dbase-fixture cie 17 >/dev/null; else $bin/brivane-demo-company cie >/dev/null; fi
  ln -s cie lien
  ecrire $T/cfg $T/cie
  for i in $(seq 1 $n); do
    case $((i % 4)) in 0) c=$T/cie;; 1) c=$T/cie/;; 2) c=./cie;; 3) c=$T/lien;; esac
    [ $mode = separes ] && ecrire $T/cfg$i $c
    cp $exemples/facture-complete.csv entree/f$i.csv
  done
  for i in $(seq 1 $n); do
    d=$T/cfg; [ $mode = separes ] && d=$T/cfg$i
    ( BRIVANE_CONFIG_DIR=$d $bin/brivane-import entree/f$i.csv >/dev/null 2>&1; echo $? > code$i ) &
  done
  wait
  if [ $sys = 2 ]; then inv=$(/usr/bin/python3 -c "import dbfread;print(len(list(dbfread.DBF('cie/factma.dbf'))))"); else inv=$(sqlite3 cie/compagnie.sqlite 'select count(*) from transac'); fi
  moved=$(ls traite | wc -l); left=$(ls entree | wc -l)
  tot_inv=$((tot_inv+inv)); [ $inv -gt 1 ] && doubles=$((doubles+1))
  codes="$codes $(cat code* | sort | tr -d '\n')/i$inv/m$moved/l$left"
  cd /; rm -rf $T
done
echo "sys=$sys n=$n rounds=$rounds journaux=$mode invoices=$tot_inv rounds_with_two=$doubles :$codes"
