"""What two builds write, compared: the sample invoices of exemples/ imported with code 2 into a
fresh dBASE company, the sample posting of brivane-dbase-post, and the benchmark invoice posted
into copies of the benchmark companies (BRIVANE_BENCH_DATA).

Usage: comparer_octets.py BUILD_BEFORE BUILD_AFTER -- prints one line per table compared and exits
with 1 when a table differs (raw bytes, then dbfread's rows to show where). brivimp.dbf, the
record of imports, holds the time of each import and the run's own journal: its rows are compared
without those two fields.
"""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import dbfread

ROOT = Path(__file__).resolve().parent.parent
before, after = Path(sys.argv[1]), Path(sys.argv[2])
RUN_FIELDS = ("MOMENT", "JOURNAL")


def rows(path):
    t = dbfread.DBF(str(path), encoding="cp1252", ignore_missing_memofile=True, raw=True)
    return [dict(r) for r in t]


def run_import(build, csv, work):
    company, config, done = work / "compagnie", work / "config", work / "traite"
    subprocess.run([build / "src/brivane-dbase-fixture", company], check=True, capture_output=True)
    config.mkdir()
    done.mkdir()
    (config / "Brivane.ini").write_text(
        f"[Acomba]\nPathCie={company}\nPathAcomba={work}\nUserAcomba=demo\nPWDAcomba=demo\n"
        f"GroupeProd=2\nDossierTraite={done}\nFournisseur=FRN'1\nPosteGlVente=40100\n"
        f"PosteGlAchat=13100\n")
    copy = work / csv.name
    shutil.copy(csv, copy)
    env = dict(os.environ, BRIVANE_CONFIG_DIR=str(config))
    r = subprocess.run([build / "src/brivane-import", "--systeme", "2", copy], env=env,
                       capture_output=True)
    return company, r.returncode


def run_post(build, args, work):
    company = work / "compagnie"
    subprocess.run([build / "src/brivane-dbase-fixture", company], check=True, capture_output=True)
    r = subprocess.run([build / "src/brivane-dbase-post", company] + args, capture_output=True)
    return company, r.returncode


def run_bench(build, size, work):
    company = work / "compagnie"
    r = subprocess.run([build / "bench/brivane-postage-frais", "poster", str(size), company],
                       capture_output=True)
    return company, r.returncode


def compare(name, run):
    failed = False
    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
        ca, ra = run(before, Path(a))
        cb, rb = run(after, Path(b))
        if ra != rb:
            print(f"{name}: exit {ra} before, {rb} after")
            return True
        print(f"{name}: exit {ra} both")
        for f in sorted(ca.glob("*.dbf")):
            g = cb / f.name
            same = g.exists() and f.read_bytes() == g.read_bytes()
            note = "identical bytes"
            if not same and f.name.lower() == "brivimp.dbf" and g.exists():
                strip = lambda rs: [{k: v for k, v in r.items() if k.upper() not in RUN_FIELDS}
                                    for r in rs]
                same = strip(rows(f)) == strip(rows(g))
                note = "identical rows but for the time and the journal of the run"
            if not same:
                failed = True
                note = "DIFFERENT"
                if g.exists():
                    for i, (x, y) in enumerate(zip(rows(f), rows(g))):
                        if x != y:
                            note += f" (first at row {i}: {x} vs {y})"
                            break
            print(f"{name}: {f.name}: {note}")
        extra = {g.name for g in cb.glob("*.dbf")} - {f.name for f in ca.glob("*.dbf")}
        if extra:
            failed = True
            print(f"{name}: only after: {sorted(extra)}")
    return failed


failed = False
for csv in sorted((ROOT / "exemples").glob("*.csv")):
    failed |= compare(csv.name, lambda build, work, csv=csv: run_import(build, csv, work))
for args in ([], ["--facture"], ["--lignes", "1001"]):
    failed |= compare("brivane-dbase-post " + " ".join(args),
                      lambda build, work, args=args: run_post(build, args, work))
for size in (1000, 100000):
    failed |= compare(f"benchmark invoice, {size:,} rows",
                      lambda build, work, size=size: run_bench(build, size, work))
sys.exit(1 if failed else 0)
