#!/usr/bin/env bash
# Builds an optimised build in build/bench and measures what an import costs:
# reading, validating, posting into companies of 1,000 to 1,000,000 rows, the
# baselines, the memory of a large import and the time of a small one.
# Figures go to build/bench/results/ and a summary is printed at the end.
# Fixture companies are made once and kept in build/bench/data (about 4 GB;
# the largest take minutes to make). Not part of the tests.
#   BRIVANE_BENCH_REPETITIONS  repetitions of each benchmark (default 5)
#   BRIVANE_BENCH_FILTER       only the benchmarks matching this regex
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

./scripts/setup.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIVANE_TESTS=OFF >/dev/null
cmake --build build/bench -j2 --target brivane_bench brivane-import brivane-demo-company \
  brivane-dbase-post brivane-dbase-fixture brivane-postage-frais

export BRIVANE_BENCH_DATA="$root/build/bench/data"
out="$root/build/bench/results"
mkdir -p "$BRIVANE_BENCH_DATA" "$out"
rm -f "$out"/*.json "$out"/*.md "$out"/*.txt
bin="$root/build/bench/src"

echo "== Benchmarks (median of ${BRIVANE_BENCH_REPETITIONS:-5}) =="
./build/bench/bench/brivane_bench \
  --benchmark_repetitions="${BRIVANE_BENCH_REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json \
  --benchmark_enable_random_interleaving=true \
  ${BRIVANE_BENCH_FILTER:+--benchmark_filter="$BRIVANE_BENCH_FILTER"}

echo "== python3-dbf appending the rows of one posting =="
if [ -d "$BRIVANE_BENCH_DATA/dbf-1000-postee" ]; then
  /usr/bin/python3 bench/dbf_append.py "$BRIVANE_BENCH_DATA/dbf-1000" \
    "$BRIVANE_BENCH_DATA/dbf-1000-postee" | tee "$out/python-dbf.json"
else
  echo "skipped: no posting was recorded (run InstructionsDbf/1000)"
fi

echo "== Perl DBD::XBase running the statement texts of one posting =="
if [ -f "$BRIVANE_BENCH_DATA/instructions-1000.sql" ]; then
  /usr/bin/perl bench/dbd_xbase.pl "$BRIVANE_BENCH_DATA/dbf-1000" \
    "$BRIVANE_BENCH_DATA/instructions-1000.sql" | tee "$out/dbd-xbase.json"
else
  echo "skipped: no posting was recorded (run InstructionsDbf/1000)"
fi

echo "== dBASE postings in fresh processes, beside their floor (interleaved, medians) =="
# As a user meets it: each posting, and each floor run (shapelib: tables opened,
# locked and synced once, searched keys read once), is a process of its own.
/usr/bin/python3 - "$root/build/bench/bench/brivane-postage-frais" "${BRIVANE_BENCH_RUNS_FRAIS:-7}" \
  <<'PY' | tee "$out/postage-frais.json"
import json, os, statistics, subprocess, sys
program, runs = sys.argv[1], int(sys.argv[2])
def once(mode, size):
    return float(subprocess.run([program, mode, str(size)], check=True, capture_output=True,
                                text=True).stdout)
result = {"load_before": os.getloadavg()}
for size in (1000, 100000):
    subprocess.run([program, "preparer", str(size)], check=True, capture_output=True)
    times = {"dbase": [], "plancher": []}
    for _ in range(runs):
        for mode in times:
            times[mode].append(once(mode, size))
    result[str(size)] = {m: {"median_ms": statistics.median(t), "runs_ms": t}
                         for m, t in times.items()}
    result[str(size)]["ratio"] = (result[str(size)]["dbase"]["median_ms"] /
                                  result[str(size)]["plancher"]["median_ms"])
result["load_after"] = os.getloadavg()
print(json.dumps(result))
PY

echo "== System calls of one dBASE posting (3 lines, then 1,001 lines, fresh process each) =="
if command -v strace >/dev/null; then
  /usr/bin/python3 - "$bin" "$out" <<'PY' | tee "$out/syscalls.json"
import json, subprocess, sys, tempfile
bin, out = sys.argv[1:3]
counts = {}
for lines in (3, 1001):
    with tempfile.TemporaryDirectory() as work:
        folder = work + "/compagnie"
        subprocess.run([bin + "/brivane-dbase-fixture", folder], check=True, capture_output=True)
        trace = work + "/strace.txt"
        subprocess.run(["strace", "-f", "-c", "-o", trace, bin + "/brivane-dbase-post", folder,
                        "--lignes", str(lines)], check=True, capture_output=True)
        calls = {}
        for row in open(trace).read().splitlines():
            parts = row.split()
            if len(parts) >= 5 and parts[-1] not in ("syscall", "total") and parts[3].isdigit():
                calls[parts[-1]] = int(parts[3])
        counts[lines] = calls
total = {n: sum(c.values()) for n, c in counts.items()}
syncs = {n: c.get("fsync", 0) + c.get("fdatasync", 0) for n, c in counts.items()}
# Each line adds a product row and an invoice line row.
print(json.dumps({"calls_3_lines": total[3], "calls_1001_lines": total[1001],
                  "syncs_3_lines": syncs[3], "syncs_1001_lines": syncs[1001],
                  "calls_per_new_row": (total[1001] - total[3]) / 2000}))
PY
else
  echo "skipped: strace is not installed"
fi

# Whole import runs into a fresh built-in company, with a configuration of their own.
run="$root/build/bench/import"
rm -rf "$run"
mkdir -p "$run/config" "$run/acomba" "$run/factures" "$run/traite"
chmod 700 "$run/config"
export BRIVANE_CONFIG_DIR="$run/config"
cat >"$BRIVANE_CONFIG_DIR/Brivane.ini" <<INI
[Acomba]
PathCie=$run/compagnie
PathAcomba=$run/acomba
UserAcomba=demo
PWDAcomba=demo
GroupeProd=1
DossierTraite=$run/traite
INI
"$bin/brivane-demo-company" "$run/compagnie" >/dev/null
gros="$BRIVANE_BENCH_DATA/facture-100000.csv"
if [ -f "$gros" ]; then
  head -n 23 "$gros" >"$run/facture-20.csv"
else
  head -n 3 exemples/facture-complete.csv >"$run/facture-20.csv"
  for i in $(seq 1 20); do echo "ART-$i;Article $i;$i;1.25" >>"$run/facture-20.csv"; done
fi

echo "== Whole imports in fresh processes: peak memory per line, reading speed =="
if [ ! -f "$gros" ] || [ ! -d "$BRIVANE_BENCH_DATA/integree-100000" ]; then
  echo "skipped: run LectureFacture and PostageIntegre/100000 first"
else
# Into a copy of the built-in company of 100,000 rows, which holds every product of the file.
mkdir -p "$run/grande/config" "$run/grande/traite"
cp -r "$BRIVANE_BENCH_DATA/integree-100000" "$run/grande/compagnie"
sed -e "s|^PathCie=.*|PathCie=$run/grande/compagnie|" \
  -e "s|^DossierTraite=.*|DossierTraite=$run/grande/traite|" \
  "$BRIVANE_CONFIG_DIR/Brivane.ini" >"$run/grande/config/Brivane.ini"
BRIVANE_CONFIG_DIR="$run/grande/config" \
  /usr/bin/python3 - "$bin/brivane-import" "$gros" "$run" <<'PY' | tee "$out/memory.json"
import json, os, resource, statistics, subprocess, sys, tempfile, time
program, invoice, run = sys.argv[1:4]
def measure(args):
    # /usr/bin/time starts the program from a small process of its own: the
    # peak it reports is the program's (a child forked from Python would
    # report Python's size when the program is smaller).
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with tempfile.NamedTemporaryFile(mode="r") as peak:
        t = time.perf_counter()
        r = subprocess.run(["/usr/bin/time", "-o", peak.name, "-f", "%M"] + args,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - t
        kib = int(peak.read().split()[-1])
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    return r.returncode, seconds, cpu, kib
def median_of(args, n=5):
    runs = [measure(args) for _ in range(n)]
    return (runs[0][0], statistics.median(r[1] for r in runs),
            statistics.median(r[2] for r in runs), statistics.median(r[3] for r in runs))
_, aide_s, aide_cpu, kib0 = median_of([program, "--aide"])
result = {"startup_peak_kib": kib0, "startup_seconds": aide_s, "startup_cpu_seconds": aide_cpu,
          "runs": []}
lines = open(invoice, "rb").read().splitlines(keepends=True)
# Whole imports posted into the company: 1,000, 10,000 and 99,998 lines (the
# largest invoice it takes with its two tax lines).
for count in (1000, 10000, 99998):
    name = "facture-%d.csv" % count
    copy = os.path.join(run, "factures", name)
    with open(copy, "wb") as f:
        f.writelines(lines[:3 + count])
    size = os.path.getsize(copy)
    rc, seconds, cpu, kib = measure([program, copy])
    result["runs"].append({"file": name, "file_bytes": size, "detail_lines": count, "exit": rc,
                           "seconds": seconds, "cpu_seconds": cpu, "peak_kib": kib,
                           "bytes_per_line_beyond_startup": (kib - kib0) * 1024 / count,
                           "beyond_startup_over_file": (kib - kib0) * 1024 / size})
# Reading as a user meets it: a whole run refused at its last line (too few
# fields) reads every line and posts nothing; less the start-up of --aide.
lecture = os.path.join(run, "factures", "lecture-100000.csv")
with open(lecture, "wb") as f:
    f.writelines(lines)
    f.write(b"A;B;1\r\n")
rc, seconds, cpu, kib = median_of([program, lecture])
count = len(lines) - 3
result["reading"] = {"detail_lines": count, "exit": rc, "seconds": seconds, "cpu_seconds": cpu,
                     "lines_per_second": count / (seconds - aide_s),
                     "lines_per_cpu_second": count / (cpu - aide_cpu)}
print(json.dumps(result))
PY
fi

echo "== Syncs per new product: a 1,000-line invoice of new products into the demo company =="
if command -v strace >/dev/null && [ -f "$gros" ]; then
  mkdir -p "$run/syncs/config" "$run/syncs/traite"
  "$bin/brivane-demo-company" "$run/syncs/compagnie" >/dev/null
  sed -e "s|^PathCie=.*|PathCie=$run/syncs/compagnie|" \
    -e "s|^DossierTraite=.*|DossierTraite=$run/syncs/traite|" \
    "$BRIVANE_CONFIG_DIR/Brivane.ini" >"$run/syncs/config/Brivane.ini"
  head -n 1003 "$gros" >"$run/syncs/facture.csv"
  BRIVANE_CONFIG_DIR="$run/syncs/config" strace -f -c -e trace=fsync,fdatasync \
    -o "$out/syncs.txt" "$bin/brivane-import" "$run/syncs/facture.csv" >/dev/null
  cat "$out/syncs.txt"
else
  echo "skipped: strace or the invoice file missing"
fi

echo "== A whole import of a 20-line invoice, beside a start and exit =="
# The same content each run: --reimporter posts it every time, journal included.
cat >"$run/prepare.sh" <<SH
#!/bin/sh
cp "$run/facture-20.csv" "$run/factures/facture-20.csv" && rm -f "$run/traite/facture-20.csv"
SH
chmod +x "$run/prepare.sh"
hyperfine -N --warmup 3 --runs "${BRIVANE_BENCH_RUNS:-30}" \
  --prepare "$run/prepare.sh" \
  --export-json "$out/hyperfine.json" \
  -n import-20 "$bin/brivane-import --reimporter $run/factures/facture-20.csv" \
  -n start-exit "$bin/brivane-import --aide"

echo "== Summary =="
/usr/bin/python3 bench/summary.py "$out"
