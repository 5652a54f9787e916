"""Speed of the Python package against bare ctypes calls, on the realistic
corpus (one formula a line in the file given): ns per formula, ratios in
one run.  bench/python/run.sh runs it."""
import ctypes
import statistics
import sys
import time

import formix32

corpus = [line.rstrip("\n") for line in open(sys.argv[1], encoding="utf-8")]
encoded = [f.encode("utf-8") for f in corpus]
classic = ctypes.CDLL(sys.argv[2])
classic.MolarMass.restype = ctypes.c_double
classic.MolarMass.argtypes = [ctypes.c_char_p]
classic.MolarMass(b"")  # tables loaded outside the timings
formix32.molar_mass("H2O")


def bare():
    f = classic.MolarMass
    for e in encoded:
        f(e)


def package_one():
    f = formix32.molar_mass
    for text in corpus:
        f(text)


def package_batch():
    formix32.molar_masses(corpus)


sample = corpus[:1000]


def package_composition():
    f = formix32.composition
    for text in sample:
        f(text)


def timed(fn, n, repeats=7):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        fn()
        times.append((time.perf_counter() - start) / n * 1e9)
    return statistics.median(times)


results = {}
for _ in range(3):  # interleaved rounds; the medians of all
    for name, fn, n in (("bare ctypes MolarMass", bare, len(corpus)), ("molar_mass", package_one, len(corpus)),
                        ("molar_masses (10,000 at once)", package_batch, len(corpus)),
                        ("composition", package_composition, len(sample))):
        results.setdefault(name, []).append(timed(fn, n))
for name, values in results.items():
    print(f"{name:32s} {statistics.median(values):9.1f} ns per formula")
bare_ns = statistics.median(results["bare ctypes MolarMass"])
print(f"molar_mass / bare ctypes = {statistics.median(results['molar_mass']) / bare_ns:.2f}")
