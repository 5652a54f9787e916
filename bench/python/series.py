"""A pandas Series of a million formulas (the realistic corpus, repeated):
molar_masses on the Series against a Python loop over molar_mass, in one
run; the ratio is what counts.  bench/python/run.sh runs it where NumPy and
pandas are installed (Debian's python3-numpy, python3-pandas)."""
import sys
import time
import warnings

import pandas

import formix32

corpus = [line.rstrip("\n") for line in open(sys.argv[1], encoding="utf-8")]
series = pandas.Series((corpus * (1_000_000 // len(corpus) + 1))[:1_000_000])
warnings.simplefilter("ignore")  # the corpus holds misreadings on purpose
formix32.molar_mass("H2O")


def best(fn, repeats=3):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


batch = best(lambda: formix32.molar_masses(series))
loop = best(lambda: [formix32.molar_mass(f) for f in series], repeats=1)
print(f"molar_masses(Series of {len(series):,}): {batch:.3f} s; Python loop over molar_mass: {loop:.3f} s; "
      f"loop / batch = {loop / batch:.1f}")
