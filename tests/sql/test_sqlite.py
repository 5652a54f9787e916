"""The SQLite extension in the sqlite3 shell: a few thousand formulas give
the tool's molar masses, monoisotopic masses, Hill formulas and charges bit
for bit; an index on formix_molar_mass(formula) serves a range query; bad
values give NULL, never a crash or a word on standard error.
usage: test_sqlite.py EXTENSION FORMIX   (77 when the sqlite3 shell is missing)"""
import json
import re
import shutil
import subprocess
import sys
import tempfile
import os

from corpus import flagged, formulas

EXTENSION, FORMIX = sys.argv[1], sys.argv[2]
SHELL = shutil.which("sqlite3")
if SHELL is None:
    print("the sqlite3 shell is not installed: skipped")
    sys.exit(77)


def shell(database, sql):
    p = subprocess.run([SHELL, "-bail", database], input=f".load {EXTENSION}\n{sql}".encode(),
                       capture_output=True, timeout=300)
    return p.returncode, p.stdout.decode(), p.stderr.decode()


failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


texts = formulas()
tool = json.loads(subprocess.run([FORMIX, "mass", "--json"], input="\n".join(texts).encode() + b"\n",
                                 capture_output=True, timeout=300).stdout)["results"]
ms = {}
for t in ("C6H12O6", "CuSO4*5H2O", "SO4^2-", "[13C]6H12O6", "peptide(GGG)"):
    ms[t] = json.loads(subprocess.run([FORMIX, "ms", "--json", "--", t], capture_output=True).stdout)

with tempfile.TemporaryDirectory() as work:
    db = os.path.join(work, "compounds.db")
    rows = ",".join("('" + t.replace("'", "''") + "')" for t in texts)
    status, out, err = shell(db, f"""CREATE TABLE compounds(formula TEXT);
INSERT INTO compounds VALUES {rows};
.mode json
SELECT formula, iif(formix_molar_mass(formula) IS NULL, NULL, printf('%!.17g', formix_molar_mass(formula))) AS m,
       formix_hill(formula) AS hill, formix_charge(formula) AS charge,
       iif(formix_molar_mass(formula, 1) IS NULL, NULL, printf('%!.17g', formix_molar_mass(formula, 1))) AS m1,
       formix_hill(formula, 1) AS hill1, formix_charge(formula, 1) AS charge1 FROM compounds ORDER BY rowid;""")
    check(status == 0 and err == "", f"{len(texts)} formulas selected (status {status}, {err!r})")
    got = json.loads(out)
    same = 0
    for row, t in zip(got, tool):
        values = (t["molar_mass"], t.get("hill"), t.get("charge", 0) if t["molar_mass"] is not None else 0)
        expected = (None, None, 0) if flagged(t) else values
        mass, mass1 = (None if row[k] is None else float(row[k]) for k in ("m", "m1"))
        if (mass, row["hill"], row["charge"] or 0) == expected and (mass1, row["hill1"], row["charge1"] or 0) == values:
            same += 1
        else:
            print("  differs:", row, t)
    check(same == len(texts), f"molar masses, Hill formulas and charges as the tool's, NULL where it warns: "
          f"{same} of {len(texts)} ({sum(map(flagged, tool))} flagged)")
    status, out, err = shell(db, """SELECT count(*) FROM compounds
 WHERE formix_molar_mass(formula) IS NULL AND formix_molar_mass(formula, 1) IS NOT NULL;
SELECT coalesce(formix_hill('FeSO4,7H2O'), 'NULL'), formix_hill('FeSO4,7H2O', 1),
       coalesce(formix_molar_mass('C10H15N.2HBr'), 'NULL'), coalesce(formix_molar_mass('C10H15N.2HBr', 0), 'NULL');""")
    check(out.split() == [str(sum(map(flagged, tool))), "NULL|FeH2O5.7S|NULL|NULL"],
          f"the flagged rows listed by the documented query; a warning withholds the number: {out.split()}")

    query = ", ".join(f"printf('%!.17g', formix_monoisotopic_mass('{t}'))" for t in ms)
    status, out, err = shell(":memory:", f"SELECT {query};")
    mono = [float(v) for v in out.strip().split("|")]
    check(mono == [ms[t]["monoisotopic_mass"] for t in ms], f"monoisotopic masses as formix ms: {mono}")

    status, out, err = shell(db, """CREATE INDEX by_mass ON compounds(formix_molar_mass(formula));
EXPLAIN QUERY PLAN SELECT formula FROM compounds WHERE formix_molar_mass(formula) BETWEEN 100 AND 200;
SELECT count(*) FROM compounds WHERE formix_molar_mass(formula) BETWEEN 100 AND 200;""")
    check("USING INDEX by_mass" in out, "the range query uses the index on formix_molar_mass(formula)")
    expected = sum(1 for t in tool if t["molar_mass"] is not None and 100 <= t["molar_mass"] <= 200 and not flagged(t))
    check(out.strip().splitlines()[-1] == str(expected), f"and finds the tool's {expected} formulas")

    bad = ["NULL", "12", "1.5", "x'00ff'", "x'48324f'", "CAST(x'48324f00' AS TEXT)", "CAST(x'ff' AS TEXT)",
           "CAST(x'c3' AS TEXT)", "printf('%.*c', 2000000, 'C')", "'Xx'", "''"]
    for value in bad:
        status, out, err = shell(":memory:", f"""SELECT coalesce(formix_molar_mass({value}), 'NULL'),
coalesce(formix_monoisotopic_mass({value}), 'NULL'), coalesce(formix_hill({value}), 'NULL'),
coalesce(formix_charge({value}), 'NULL'), length(formix_reading({value})) > 0;""")
        fields = out.strip().split("|")
        check(status == 0 and err == "" and fields[:4] == ["NULL"] * 4,
              f"{value[:40]}: NULL from each, nothing on standard error ({out.strip()[:60]!r})")
    status, out, _ = shell(":memory:", "SELECT length(formix_reading(printf('%.*c', 100000000, 'C')));")
    check(status == 0 and int(out) < 1000, f"a text of 100 MB is quoted by its start in formix_reading: {out.strip()}")
    status, out, _ = shell(":memory:", "SELECT formix_reading('co');")
    check("did you mean 'Co'" in out, "formix_reading says why a formula has no number")
    # formix_find over a feature table: docs/sql.md's SQLite query and what it shows (m/z by hand there).
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "sql.md"),
              encoding="utf-8") as f:
        page = f.read()
    query, shown = re.search(r"```sqlite\n(.*?)```\n\ngives\n\n```\n(.*?)```", page, re.S).groups()
    status, out, err = shell(":memory:", query)
    check(status == 0 and out == shown, f"formix_find joined to a table as docs/sql.md shows: {out!r} {err[-200:]}")
    # The ion as a charge (nitrate: 14.00307401 + 3 x 15.99491462 + e = 61.98837), or a charge not read.
    nitrate = "SELECT formula, error FROM formix_find(61.98837, '{}', 5, 'C0-2H0-4N0-2O0-4', 1);"
    status, out, _ = shell(":memory:", nitrate.format("1-") + nitrate.format("x"))
    check(out.splitlines()[:1] == ["NO3^-|"] and "(not 'x')" in out, f"formix_find reads a charge as the ion: {out!r}")
    status, out, err = shell(":memory:", "SELECT count(*) FROM formix_find;")
    check(status != 0, "formix_find needs its m/z")
sys.exit(1 if failures else 0)
