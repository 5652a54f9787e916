#!/usr/bin/env python3
"""The isotope score's ranking rate: real molecules (molecules.txt), each
one's [M+H]+ spectrum simulated from its pattern with a mass error (1 ppm
by default, on every peak) and an intensity noise (3 %, relative, on each
isotope peak), searched with `formix find` over the default element ranges
and ranked with and without the peaks.  With --cdk, the candidates formix
finds by mass are also ranked by CDK's isotope similarity (CdkRank.java;
Debian's libcdk-java and a JDK: apt-get install libcdk-java default-jdk-headless),
at each of the tolerances given.

usage: bench/ranking/run.py FORMIX [--ppm-error 1] [--noise 0.03] [--seed 1] [--extra OPTION...]
                            [--cdk [TOLERANCE...]]
"""
import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT = "C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5Br0-3I0-3"  # FORMIX_DEFAULT_FIND_ELEMENTS


def run(formix, *args):
    out = subprocess.run([formix, *args], capture_output=True, text=True)
    return json.loads(out.stdout) if out.stdout.strip() else {}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("formix")
    ap.add_argument("--ppm-error", type=float, default=1.0)
    ap.add_argument("--noise", type=float, default=0.03)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--extra", nargs="*", default=[])
    ap.add_argument("--cdk", nargs="*", type=float, default=None)
    a = ap.parse_args()
    cdk_lines = []
    rng = random.Random(a.seed)
    molecules = []
    with open(os.path.join(HERE, "molecules.txt"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                name, formula = line.rstrip("\n").split("\t")
                molecules.append((name, formula))
    first = {"peaks": 0, "mass": 0}
    top5 = {"peaks": 0, "mass": 0}
    misses = []
    for name, formula in molecules:
        pattern = run(a.formix, "pattern", formula + "H^+", "--json")  # the [M+H]+ ion
        peaks = pattern.get("peaks")
        if not peaks:
            print(f"{name}: no pattern", file=sys.stderr)
            continue
        peaks = [p for p in peaks if p["intensity"] >= 1.0]  # every peak above 1 %, as an export lists them
        shift = rng.gauss(0, a.ppm_error) * 1e-6
        found = []
        for i, p in enumerate(peaks):
            mz = p["mz"] * (1 + shift + (rng.gauss(0, a.ppm_error) * 1e-6 if i else 0))
            intensity = p["intensity"] * (1 + (rng.gauss(0, a.noise) if i else 0))
            found.append((mz, max(intensity, 0.01)))
        mono = found[0][0]
        text = ",".join(f"{m:.5f}:{i:.2f}" for m, i in found)
        hill = run(a.formix, "mass", "--json", formula)["results"][0]["hill"]
        # The default ranges, each raised to the molecule's count where it is beyond (C66, F17, Br4, I4).
        elements = ""
        for symbol, least, most in re.findall(r"([A-Z][a-z]?)(\d+)-(\d+)", DEFAULT):
            count = re.search(symbol + r"(\d*)(?![a-z])", hill)
            n = (int(count.group(1) or 1)) if count else 0
            elements += f"{symbol}{least}-{max(int(most), n)}"
        for kind, extra in (("peaks", ["--peaks", text]), ("mass", [])):
            doc = run(a.formix, "find", f"{mono:.5f}", "--adduct", "[M+H]+", "--elements", elements, "--json",
                      "--limit", "1000",
                      *extra, *a.extra)
            ranks = [c["hill"] for c in doc.get("candidates", [])]
            rank = ranks.index(hill) + 1 if hill in ranks else None
            if rank == 1:
                first[kind] += 1
            if rank is not None and rank <= 5:
                top5[kind] += 1
            if kind == "peaks" and rank != 1:
                misses.append((name, formula, rank, ranks[:3]))
            if kind == "mass":
                cdk_lines.append(f"{hill}\t{text}\t{','.join(ranks)}\n")
    n = len(molecules)
    for kind in ("peaks", "mass"):
        print(f"{kind:6} first {first[kind]}/{n} = {100 * first[kind] / n:.0f} %, "
              f"top 5 {top5[kind]}/{n} = {100 * top5[kind] / n:.0f} %")
    for m in misses:
        print("  not first with peaks:", *m)
    for tolerance in a.cdk or ([] if a.cdk is None else [5.0]):
        ranks = cdk_ranks(cdk_lines, tolerance)
        first_cdk = sum(1 for r in ranks if r == 1)
        top5_cdk = sum(1 for r in ranks if 1 <= r <= 5)
        print(f"CDK (IsotopePatternSimilarity, tolerance {tolerance:g}) first {first_cdk}/{n} = "
              f"{100 * first_cdk / n:.0f} %, top 5 {top5_cdk}/{n} = {100 * top5_cdk / n:.0f} %")


def cdk_ranks(lines, tolerance):
    """The true formulas' ranks by CDK's isotope similarity (CdkRank.java)."""
    jars = [os.path.join("/usr/share/java", j) for j in sorted(os.listdir("/usr/share/java"))
            if (j.startswith("cdk-") and not j.startswith(("cdk-log4j", "cdk-slf4j")))
            or j in ("vecmath.jar", "guava.jar", "slf4j-api.jar", "slf4j-nop.jar")]
    with tempfile.TemporaryDirectory() as classes:
        subprocess.run(["javac", "-d", classes, "-cp", ":".join(jars), os.path.join(HERE, "CdkRank.java")], check=True)
        out = subprocess.run(["java", "-cp", ":".join(jars + [classes]), "CdkRank", str(tolerance), "0.01"],
                             input="".join(lines), capture_output=True, text=True, check=True)
    return [int(r) for r in out.stdout.split()]


if __name__ == "__main__":
    main()
