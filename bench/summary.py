"""Reads the figures of scripts/bench.sh and prints them with the targets they meet or miss.

Usage: summary.py RESULTS_FOLDER
"""
import json
import math
import sys
from pathlib import Path

results = Path(sys.argv[1])
bench = json.loads((results / "bench.json").read_text())
SCALE = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def median(name):
    """The median run of a benchmark: its real time in seconds and its counters."""
    for b in bench["benchmarks"]:
        base = b.get("run_name", b["name"])
        if base in (name, name + "/real_time") and b.get("aggregate_name", "median") == "median":
            return b["real_time"] * SCALE[b["time_unit"]], b
    return None, None


def optional_json(name):
    path = results / name
    return json.loads(path.read_text()) if path.exists() else None


lines = []
out = lines.append
sizes = [1000, 100000, 1000000]
out("| Measure | Median |")
out("|---|---|")
read_s, read = median("LectureFacture/100000")
if read:
    out(f"| Reading a 100,000-line invoice | {read_s * 1e3:.1f} ms, "
        f"{read['bytes_per_second'] / 1e6:.1f} MB/s, {read['items_per_second'] / 1e3:.0f} k lines/s |")
val_s, val = median("ValidationDocument/100000")
if val:
    out(f"| Validating a 100,000-line document | {val_s * 1e3:.2f} ms "
        f"({val['items_per_second'] / 1e6:.1f} M lines/s) |")
per_line = {}
for bench_name, label in (("PostageDbf", "dBASE (code 2)"), ("PostageIntegre", "built-in (code 1)")):
    for n in sizes:
        t, b = median(f"{bench_name}/{n}")
        if b:
            per_line[(bench_name, n)] = t / 1000
            out(f"| Posting 1,000 lines, {label}, {n:,} rows | {t * 1e3:.1f} ms "
                f"({t / 1000 * 1e6:.1f} µs per line; fixture made in {b.get('fixture_s', 0):.1f} s) |")
passes = {}
for n in sizes:
    t, b = median(f"PassageShapelib/{n}")
    if b:
        passes[n] = t
        out(f"| One DBFReadTuple pass over client and produi, {n:,} rows each | {t * 1e3:.1f} ms |")
vt_s, vt = median("InstructionsDbf/1000")
sq_s, sq = median("InstructionsSqlite/1000")
if vt and sq:
    out(f"| The {vt['statements']:.0f} statements of a posting, our virtual tables (1,000 rows) | "
        f"{vt_s * 1e3:.1f} ms (its commit, with every sync, {vt.get('commit_ms', 0):.1f} ms more) |")
    out(f"| The same statements, SQLite on ordinary in-memory tables | {sq_s * 1e3:.1f} ms |")
for n in (100000,):
    a, _ = median(f"InstructionsDbf/{n}")
    b, _ = median(f"InstructionsSqlite/{n}")
    if a and b:
        out(f"| The same at {n:,} rows: virtual tables / ordinary tables | {a * 1e3:.1f} ms / "
            f"{b * 1e3:.1f} ms |")
fl_s, fl = median("EcritureShapelib/1000")
rows = fl["rows"] if fl else None
if fl:
    out(f"| The posting's {rows:.0f} new rows appended with shapelib alone | {fl_s * 1e3:.2f} ms "
        f"({fl_s / rows * 1e6:.2f} µs per row) |")
py = optional_json("python-dbf.json")
if py:
    out(f"| The same rows appended by python3-dbf | {py['seconds'] * 1e3:.0f} ms "
        f"({py['us_per_row']:.1f} µs per row) |")
xb = optional_json("dbd-xbase.json")
if xb:
    out(f"| The same {xb['statements']} statement texts run by Perl DBD::XBase (1,000 rows) | "
        f"{xb['seconds'] * 1e3:.0f} ms ({xb['us_per_statement']:.0f} µs per statement) |")
sc = optional_json("syscalls.json")
if sc:
    out(f"| System calls of a whole process posting 3 lines / 1,001 lines | {sc['calls_3_lines']} / "
        f"{sc['calls_1001_lines']}: {sc['calls_per_new_row']:.3f} per new row; syncs "
        f"{sc['syncs_3_lines']} / {sc['syncs_1001_lines']} |")
mem = optional_json("memory.json")
if mem:
    for r in mem["runs"]:
        out(f"| Whole import of {r['file']} ({r['file_bytes'] / 1e6:.2f} MB), built-in company of "
            f"100,000 rows | exit {r['exit']}, {r['seconds']:.2f} s ({r['cpu_seconds']:.2f} s CPU), "
            f"peak {r['peak_kib'] / 1024:.1f} MiB (start-up alone "
            f"{mem['startup_peak_kib'] / 1024:.1f} MiB), "
            f"{r['bytes_per_line_beyond_startup']:.0f} bytes per line beyond start-up |")
    rd = mem.get("reading")
    if rd:
        out(f"| Reading {rd['detail_lines']:,} lines in a fresh process (whole run refused at its "
            f"last line, exit {rd['exit']}, less `--aide`) | {rd['seconds'] * 1e3:.0f} ms vs "
            f"{mem['startup_seconds'] * 1e3:.0f} ms: {rd['lines_per_second'] / 1e3:.0f} k lines/s "
            f"({rd['lines_per_cpu_second'] / 1e3:.0f} k per CPU second) |")
syncs = results / "syncs.txt"
if syncs.exists():
    calls = sum(int(l.split()[3]) for l in syncs.read_text().splitlines()
                if l.split()[-1:] in (["fsync"], ["fdatasync"]) and len(l.split()) >= 5)
    out(f"| Syncs of a 1,000-line invoice of new products (customer, 1,000 products, invoice) | "
        f"{calls} fsync/fdatasync: {calls / 1000:.2f} per new product |")
hf = optional_json("hyperfine.json")
if hf:
    for r in hf["results"]:
        out(f"| Process `{r['command']}` | median {r['median'] * 1e3:.1f} ms "
            f"(mean {r['mean'] * 1e3:.1f} ± {r['stddev'] * 1e3:.1f} ms) |")

out("")
out("| Target | Measured | Met |")
out("|---|---|---|")


def verdict(ok):
    return "yes" if ok else "**no**"


d1, d6 = per_line.get(("PostageDbf", 1000)), per_line.get(("PostageDbf", 1000000))
if d1 and d6 and 1000000 in passes:
    extra = (d6 - d1) * 1000
    ratio = extra / passes[1000000]
    out(f"| dBASE: posting into 1,000,000 rows ≤ posting into 1,000 + 2 passes | "
        f"{d6 * 1e6:.0f} ms vs {d1 * 1e6:.0f} ms + 2 × {passes[1000000] * 1e3:.0f} ms: "
        f"the extra is {ratio:.2f} passes | {verdict(ratio <= 2)} |")
d5 = per_line.get(("PostageDbf", 100000))
if d1 and d5 and 100000 in passes:
    extra = (d5 - d1) * 1000
    out(f"| dBASE: posting into 100,000 rows ≤ posting into 1,000 + one pass over client and produi "
        f"(factma's, a tenth of their size, not counted) | {d5 * 1e6:.0f} ms vs {d1 * 1e6:.0f} ms + "
        f"{passes[100000] * 1e3:.0f} ms | {verdict(extra <= passes[100000])} |")
if vt and xb:
    out(f"| Beside the nearest peer: DBD::XBase / our statements, same texts (reported) | "
        f"{xb['seconds'] / vt_s:.0f} × | reported |")
if sc:
    out(f"| Syncs per posting constant | {sc['syncs_3_lines']} for 3 lines, {sc['syncs_1001_lines']} "
        f"for 1,001 | {verdict(sc['syncs_3_lines'] == sc['syncs_1001_lines'])} |")
i1, i6 = per_line.get(("PostageIntegre", 1000)), per_line.get(("PostageIntegre", 1000000))
if i1 and i6:
    c1 = median("PostageIntegre/1000")[1]["cpu_time"]
    c6 = median("PostageIntegre/1000000")[1]["cpu_time"]
    out(f"| Built-in: time per line at 1,000,000 rows ≤ 1.5 × at 1,000 | "
        f"{i6 * 1e6:.1f} / {i1 * 1e6:.1f} µs = {i6 / i1:.2f} × in elapsed time (mostly fsync); "
        f"{c6 / c1:.2f} × in CPU time | {verdict(i6 / i1 <= 1.5)} in elapsed time, "
        f"{verdict(c6 / c1 <= 1.5)} in CPU time |")
if vt and sq:
    r = vt_s / sq_s
    out(f"| Virtual tables ≤ 1.5 × SQLite on ordinary tables, same statements | "
        f"{r:.2f} × (they add {r - 1:.2f} × SQLite's own time) | {verdict(r <= 1.5)} "
        f"(added cost ≤ 1.5 ×: {verdict(r - 1 <= 1.5)}) |")
if py and d1 and rows:
    ours = d1 * 1000 / rows
    r = py["us_per_row"] * 1e-6 / ours
    out(f"| A posting writes its rows ≥ 3 × faster per row than python3-dbf | whole posting "
        f"{ours * 1e6:.1f} µs per row written vs {py['us_per_row']:.1f} µs: {r:.1f} × "
        f"(shapelib floor {fl_s / rows * 1e6:.2f} µs) | {verdict(r >= 3)} |")
frais = optional_json("postage-frais.json")
if frais:
    for size, limit in (("1000", 3), ("100000", 1.2)):
        f = frais[size]
        ours, floor = f["dbase"]["median_ms"], f["plancher"]["median_ms"]
        out(f"| dBASE posting into {int(size):,} rows within {limit} × its floor (fresh processes, "
            f"load {frais['load_before'][0]:.1f}) | {ours:.1f} ms vs {floor:.1f} ms: "
            f"{f['ratio']:.2f} × | {verdict(f['ratio'] <= limit)} |")
    if py:
        r = py["seconds"] * 1e3 / frais["1000"]["dbase"]["median_ms"]
        out(f"| dBASE posting into 1,000 rows ≥ 3 × faster than python3-dbf appending its rows | "
            f"{frais['1000']['dbase']['median_ms']:.1f} ms vs {py['seconds'] * 1e3:.1f} ms: "
            f"{r:.2f} × | {verdict(r >= 3)} |")
if mem and mem.get("reading"):
    lps = mem["reading"]["lines_per_second"]
    out(f"| Reading ≥ 500,000 detail lines/s in a fresh process | {lps / 1e3:.0f} k lines/s "
        f"(in the warm benchmark: {read['items_per_second'] / 1e3 if read else 0:.0f} k) | "
        f"{verdict(lps >= 5e5)} |")
if mem:
    for run in mem["runs"]:
        r = run["bytes_per_line_beyond_startup"]
        out(f"| Import memory beyond start-up ≤ 1 KB per detail line ({run['detail_lines']:,} lines, "
            f"exit {run['exit']}) | {r:.0f} bytes ({run['beyond_startup_over_file']:.1f} × the file) "
            f"| {verdict(r <= 1024)} |")
if hf:
    t = {r["command"]: r["median"] for r in hf["results"]}
    if "import-20" in t and "start-exit" in t:
        out(f"| Whole 20-line import as a process (reported) | {t['import-20'] * 1e3:.1f} ms vs "
            f"{t['start-exit'] * 1e3:.1f} ms for start and exit | reported |")

text = "\n".join(lines)
print(text)
(results / "summary.md").write_text(text + "\n")

# How the time per line grows with table size, as bars relative to 1,000 rows.
if per_line:
    chart = ["Time per line, relative to the company of 1,000 rows (each # is 0.1 ×):", ""]
    for bench_name, label, key in (("PostageDbf", "dBASE, elapsed   ", "real_time"),
                                   ("PostageDbf", "dBASE, CPU       ", "cpu_time"),
                                   ("PostageIntegre", "built-in, elapsed", "real_time"),
                                   ("PostageIntegre", "built-in, CPU    ", "cpu_time")):
        base = median(f"{bench_name}/1000")[1]
        if not base:
            continue
        for n in sizes:
            b = median(f"{bench_name}/{n}")[1]
            if b:
                r = b[key] / base[key]
                chart.append(f"{label} {n:>9,} rows {r:5.2f} × " + "#" * min(80, round(r * 10)))
        chart.append("")
    text = "\n".join(chart)
    print(text)
    (results / "growth.txt").write_text(text + "\n")
