"""python3-dbf appending the rows one posting added, to a copy of the same tables.

Usage: dbf_append.py PRISTINE POSTED [REPETITIONS] -- prints a JSON object on standard output
with the median over the repetitions (5 by default), each on a fresh copy.
PRISTINE is the company before the posting, POSTED the same company after it.
"""
import json
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

import dbf


def once(pristine, posted):
    work = Path(tempfile.mkdtemp(prefix="brivane-dbf-"))
    try:
        plans = []
        for name in ("client", "produi", "factma", "factit"):
            before = dbf.Table(str(pristine / f"{name}.dbf"))
            before.open(dbf.READ_ONLY)
            start = len(before)
            before.close()
            after = dbf.Table(str(posted / f"{name}.dbf"))
            after.open(dbf.READ_ONLY)
            rows = [tuple(after[i]) for i in range(start, len(after))]
            after.close()
            shutil.copy(pristine / f"{name}.dbf", work / f"{name}.dbf")
            plans.append((work / f"{name}.dbf", rows))
        count = sum(len(rows) for _, rows in plans)
        began = time.perf_counter()
        for path, rows in plans:
            if not rows:
                continue
            table = dbf.Table(str(path))
            table.open(dbf.READ_WRITE)
            for row in rows:
                table.append(row)
            table.close()
        return count, time.perf_counter() - began
    finally:
        shutil.rmtree(work)


def main():
    pristine, posted = Path(sys.argv[1]), Path(sys.argv[2])
    repetitions = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    runs = [once(pristine, posted) for _ in range(repetitions)]
    count = runs[0][0]
    seconds = statistics.median(s for _, s in runs)
    print(json.dumps({"rows": count, "seconds": seconds, "us_per_row": seconds / count * 1e6,
                      "runs": [s for _, s in runs]}))


if __name__ == "__main__":
    main()
