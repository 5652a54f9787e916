#!/usr/bin/env python3
"""Feature tables per second: `formix find --table` on --jobs 1 and 2, Python's
find_table on 1 and 2 threads, and the same on a Dask LocalCluster of two
worker processes; a realistic table (m/z 100 to 1000 as [M+H]+, the default
organic ranges), without and with isotope peaks (each row's peaks those of a
real molecule's [M+H]+ ion, bench/ranking/molecules.txt); and the tool's peak
memory against the table's size.

usage: PYTHONPATH=python FORMIX_LIBRARY=build/lib/libformix.so bench/tables/run.py build/bin/formix [ROWS]
(needs python3-pandas; python3-distributed for the Dask line)."""
import io
import json
import os
import random
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def table(formix, rows, peaks, seed=1):
    rng = random.Random(seed)
    molecules = []
    with open(os.path.join(HERE, "..", "ranking", "molecules.txt"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                molecules.append(line.rstrip("\n").split("\t")[1])
    patterns = []
    if peaks:
        for formula in molecules:
            p = json.loads(subprocess.run([formix, "pattern", formula + "H^+", "--json"], capture_output=True,
                                          text=True).stdout)
            patterns.append([(x["mz"], x["intensity"]) for x in p["peaks"] if x["intensity"] >= 1.0])
    out = io.StringIO()
    out.write("id,rt,mz,intensity" + (",peaks" if peaks else "") + "\n")
    for i in range(rows):
        if peaks:
            pattern = patterns[rng.randrange(len(patterns))]
            mz = pattern[0][0]
            text = ",".join(f"{m:.5f}:{a:.2f}" for m, a in pattern)
            out.write(f"F{i},{rng.uniform(0.5, 20):.2f},{mz:.5f},{rng.uniform(1e4, 1e7):.0f},\"{text}\"\n")
        else:
            out.write(f"F{i},{rng.uniform(0.5, 20):.2f},{rng.uniform(100, 1000):.5f},{rng.uniform(1e4, 1e7):.0f}\n")
    return out.getvalue()


def timed(f):
    start = time.perf_counter()
    result = f()
    return time.perf_counter() - start, result


def main():
    formix = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 400
    import pandas
    import formix32
    for peaks in (False, True):
        text = table(formix, rows, peaks)
        label = "with peaks" if peaks else "no peaks"
        outputs = {}
        for jobs in (1, 2):
            seconds, p = timed(lambda: subprocess.run([formix, "find", "--table", "-", "--adduct", "[M+H]+",
                                                       "--jobs", str(jobs)], input=text.encode(),
                                                      capture_output=True))
            outputs[jobs] = p.stdout
            print(f"{label:10} tool --jobs {jobs}: {rows / seconds:8.0f} features/s")
        print(f"{label:10} tool output the same for --jobs 1 and 2: {outputs[1] == outputs[2]}")
        frame = pandas.read_csv(io.StringIO(text))
        for jobs in (1, 2):
            seconds, _ = timed(lambda: formix32.find_table(frame, adduct="[M+H]+", jobs=jobs))
            print(f"{label:10} Python find_table, {jobs} thread(s): {rows / seconds:8.0f} features/s")
        try:
            import dask.dataframe
            from distributed import Client, LocalCluster
        except ImportError:
            print("Dask: python3-distributed is not installed")
            continue
        with LocalCluster(n_workers=2, processes=True, threads_per_worker=1, dashboard_address=None) as cluster, \
                Client(cluster):
            ddf = dask.dataframe.from_pandas(frame, npartitions=8)
            meta = formix32.find_table(frame.iloc[:0], adduct="[M+H]+")
            ddf.map_partitions(formix32.find_table, meta=meta, adduct="[M+H]+", jobs=1).head(1)  # workers warm
            seconds, _ = timed(lambda: ddf.map_partitions(formix32.find_table, meta=meta, adduct="[M+H]+",
                                                          jobs=1).compute())
            print(f"{label:10} Dask, 2 worker processes: {rows / seconds:8.0f} features/s")
    for n in (2000, 20000):
        text = "id,mz\n" + "".join(f"R{i},195.08765\n" for i in range(n))
        p = subprocess.run(["/usr/bin/time", "-f", "%M", formix, "find", "--table", "-", "--adduct", "[M+H]+",
                            "--elements", "C0-10H0-12N0-4O0-2"], input=text.encode(), capture_output=True)
        print(f"peak memory, {n} rows: {p.stderr.decode().split()[-1]} kB")


if __name__ == "__main__":
    main()
