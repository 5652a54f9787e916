"""The PostgreSQL extension in a throw-away cluster of its own: installed
(cmake --install BUILD --component postgres) into a throw-away copy of the
server's directories (DESTDIR; PostgreSQL finds its share directory
beside its binaries), so that a test run never changes the machine's
server; initdb into a temporary
folder as the postgres user, a server on a local socket only; CREATE
EXTENSION formix; a few thousand formulas give the tool's molar masses,
monoisotopic masses, Hill formulas and charges bit for bit; the functions
are IMMUTABLE, PARALLEL SAFE and STRICT; an index on
formix_molar_mass(formula) serves a range query; bad values give NULL or a
clear SQL error; the server's log holds no word of formix's.
usage: test_postgres.py BUILD_DIR FORMIX   (77 without PostgreSQL or root)"""
import json
import os
import re
import pwd
import shutil
import subprocess
import sys
import tempfile

from corpus import flagged, formulas

BUILD, FORMIX = sys.argv[1], sys.argv[2]
BIN = subprocess.run(["pg_config", "--bindir"], capture_output=True, text=True).stdout.strip() \
    if shutil.which("pg_config") else ""
if not os.path.exists(os.path.join(BUILD, "postgres", "formix.so")) or not BIN or os.geteuid() != 0:
    print("no PostgreSQL extension built, no server, or not root (the server runs as postgres): skipped")
    sys.exit(77)
try:
    postgres = pwd.getpwnam("postgres")
except KeyError:
    print("no postgres user: skipped")
    sys.exit(77)

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def as_postgres(*command, **kwargs):
    return subprocess.run(["runuser", "-u", "postgres", "--", *command], capture_output=True, text=True,
                          timeout=600, **kwargs)


# The server's directories copied, the extension installed into the copy.
copy = tempfile.mkdtemp(prefix="formix-pg-server-")
os.chmod(copy, 0o755)
for directory in (os.path.dirname(BIN), subprocess.run(["pg_config", "--sharedir"], capture_output=True,
                                                       text=True).stdout.strip()):
    shutil.copytree(directory, copy + directory, symlinks=True)
subprocess.run(["cmake", "--install", BUILD, "--component", "postgres"], check=True, capture_output=True,
               env=dict(os.environ, DESTDIR=copy))
BIN = copy + BIN
texts = formulas()
tool = json.loads(subprocess.run([FORMIX, "mass", "--json"], input="\n".join(texts).encode() + b"\n",
                                 capture_output=True, timeout=300).stdout)["results"]

work = tempfile.mkdtemp(prefix="formix-pg-")
os.chown(work, postgres.pw_uid, postgres.pw_gid)
data, log = os.path.join(work, "data"), os.path.join(work, "server.log")
started = False
try:
    r = as_postgres(os.path.join(BIN, "initdb"), "-D", data, "-A", "trust", "-E", "UTF8", "--locale=C")
    check(r.returncode == 0, "initdb " + r.stderr[-200:])
    r = as_postgres(os.path.join(BIN, "pg_ctl"), "-D", data, "-l", log, "-w", "-o",
                    f"-k {work} -c listen_addresses='' -c max_parallel_workers_per_gather=2", "start")
    started = r.returncode == 0
    check(started, "a server of its own on a socket in the temporary folder " + r.stderr[-200:])

    def psql(sql):
        p = as_postgres(os.path.join(BIN, "psql"), "-h", work, "-d", "postgres", "-X", "-A", "-t", "-q",
                        "-v", "ON_ERROR_STOP=1", input=sql)
        return p.returncode, p.stdout, p.stderr

    rows = ",".join("('" + t.replace("'", "''") + "')" for t in texts)
    status, out, err = psql(f"""CREATE EXTENSION formix;
CREATE TABLE compounds(id serial, formula text);
INSERT INTO compounds(formula) VALUES {rows};
SELECT json_agg(json_build_object('m', formix_molar_mass(formula)::text, 'hill', formix_hill(formula),
                                  'charge', formix_charge(formula),
                                  'm1', formix_molar_mass(formula, true)::text, 'hill1', formix_hill(formula, true),
                                  'charge1', formix_charge(formula, true)) ORDER BY id) FROM compounds;""")
    check(status == 0, f"CREATE EXTENSION formix and {len(texts)} formulas selected {err[-300:]}")
    got = json.loads(out) if status == 0 else []

    def as_tool(row, t):
        # A flagged reading gives NULL unless the call accepts warnings.
        values = (t["molar_mass"], t.get("hill"), t.get("charge", 0) if t["molar_mass"] is not None else 0)
        mass, mass1 = (None if row[k] is None else float(row[k]) for k in ("m", "m1"))
        return ((mass, row["hill"], row["charge"] or 0) == ((None, None, 0) if flagged(t) else values)
                and (mass1, row["hill1"], row["charge1"] or 0) == values)
    same = sum(1 for row, t in zip(got, tool) if as_tool(row, t))
    check(same == len(texts), f"molar masses, Hill formulas and charges as the tool's, NULL where it warns: "
          f"{same} of {len(texts)}")

    ms = {t: json.loads(subprocess.run([FORMIX, "ms", "--json", "--", t], capture_output=True).stdout)
          for t in ("C6H12O6", "CuSO4*5H2O", "SO4^2-", "peptide(GGG)")}
    status, out, _ = psql("SELECT " + ", ".join(f"formix_monoisotopic_mass('{t}')::text" for t in ms) + ";")
    check([float(v) for v in out.strip().split("|")] == [x["monoisotopic_mass"] for x in ms.values()],
          f"monoisotopic masses as formix ms: {out.strip()}")

    status, out, _ = psql("SELECT proname, provolatile, proparallel, proisstrict FROM pg_proc "
                          "WHERE proname LIKE 'formix%' ORDER BY proname;")
    check(out.split() == [f"{n}|i|s|{'f' if n == 'formix_find' else 't'}"
                          for n in ("formix_charge", "formix_charge", "formix_find", "formix_hill", "formix_hill",
                                    "formix_molar_mass", "formix_molar_mass", "formix_monoisotopic_mass",
                                    "formix_monoisotopic_mass", "formix_reading")],
          f"each IMMUTABLE, PARALLEL SAFE, STRICT (formix_find takes NULL for a default): {out.split()}")
    # A feature table annotated by a LATERAL join: docs/sql.md's query and what it shows (m/z by hand: caffeine
    # [M+H]+ 195.08765, glucose [M+Na]+ 203.05261, (CH3)4N+ 74.09643); a row that cannot be searched keeps its
    # error and the query goes on.
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "sql.md"),
              encoding="utf-8") as f:
        page = f.read()
    query, shown = re.search(r"```sql\n(.*?)```\n\ngives \(`psql -A -t`\)\n\n```\n(.*?)```", page, re.S).groups()
    status, out, err = psql(query)
    check(status == 0 and out == shown,
          f"formix_find in a LATERAL join as docs/sql.md shows: {out.strip()} {err[-300:]}")

    status, out, err = psql("""CREATE INDEX compounds_by_mass ON compounds (formix_molar_mass(formula));
ANALYZE compounds;
SET enable_seqscan = off;
EXPLAIN SELECT formula FROM compounds WHERE formix_molar_mass(formula) BETWEEN 100 AND 200;
SELECT count(*) FROM compounds WHERE formix_molar_mass(formula) BETWEEN 100 AND 200;""")
    expected = sum(1 for t in tool if t["molar_mass"] is not None and 100 <= t["molar_mass"] <= 200 and not flagged(t))
    check("compounds_by_mass" in out, "the range query uses the index on formix_molar_mass(formula)")
    check(out.strip().splitlines()[-1] == str(expected), f"and finds the tool's {expected} formulas")

    status, out, err = psql("""SET parallel_setup_cost = 0; SET parallel_tuple_cost = 0;
SET min_parallel_table_scan_size = 0; SET enable_indexscan = off; SET enable_bitmapscan = off;
EXPLAIN SELECT count(formix_molar_mass(formula)) FROM compounds;
SELECT count(formix_molar_mass(formula)) FROM compounds;""")
    numbers = sum(1 for t in tool if t["molar_mass"] is not None and not flagged(t))
    check("Parallel Seq Scan" in out and out.strip().splitlines()[-1] == str(numbers),
          f"a parallel scan calls them in its workers: {numbers} numbers, as the tool's")

    status, out, _ = psql("""SELECT coalesce(formix_molar_mass(NULL)::text, 'NULL'),
coalesce(formix_hill('Xx'), 'NULL'),
coalesce(formix_molar_mass(repeat('C', 2000000))::text, 'NULL'), coalesce(formix_charge(''), 2)::text,
formix_reading('co')::jsonb->'diagnostics'->0->>'message';""")
    check(out.strip() == "NULL|NULL|NULL|2|no element symbol in 'co' (did you mean 'Co'?)",
          f"NULL for NULL, an error, a megabyte; formix_reading says why: {out.strip()}")
    # Another encoding is refused, saying why.
    for encoding in ("LATIN1", "EUC_JP"):
        name = "db_" + encoding.lower()
        p = as_postgres(os.path.join(BIN, "createdb"), "-h", work, "-E", encoding, "-T", "template0", name)
        check(p.returncode == 0, f"a {encoding} database {p.stderr[-200:]}")
        p = as_postgres(os.path.join(BIN, "psql"), "-h", work, "-d", name, "-X", "-A", "-t", "-q",
                        "-v", "ON_ERROR_STOP=1", input="CREATE EXTENSION formix;")
        check(p.returncode != 0 and f"formix needs a UTF-8 database; this one is {encoding}" in p.stderr,
              f"CREATE EXTENSION refused in {encoding}: {p.stderr.strip()[-200:]}")
    # The longest sequence read within a timeout, which a quadratic reader would pass (n glycines:
    # C2n H3n+2 N n O n+1).
    status, out, err = psql("SET statement_timeout = '20s'; "
                            "SELECT formix_hill('peptide(' || repeat('G', 1000000) || ')');")
    check(status == 0 and out.strip() == "C2000000H3000002N1000000O1000001",
          f"a megabyte of one-letter codes read within the timeout: {out.strip()[:60]} {err[-200:]}")
    status, out, err = psql("SELECT formix_molar_mass(12);")
    check(status != 0 and "formix_molar_mass(integer) does not exist" in err,
          "a number where a text belongs is a clear SQL error")
    with open(log, encoding="utf-8", errors="replace") as f:
        server_log = f.read()
    check("formix:" not in server_log and "note:" not in server_log, "nothing of formix's in the server's log")
finally:
    if started:
        as_postgres(os.path.join(BIN, "pg_ctl"), "-D", data, "-m", "immediate", "stop")
    shutil.rmtree(copy, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
