"""A scan of a million rows of realistic formulas in SQL: the sum of
formix_molar_mass(formula) against the sum of length(formula), in one run,
in SQLite (the sqlite3 shell) and, run as root, PostgreSQL (a throw-away
cluster, as tests/sql/test_postgres.py makes one; the extension installed).
usage: bench/sql/scan.py BUILD_DIR CORPUS   (bench/sql/run.sh)"""
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

BUILD, CORPUS = sys.argv[1], sys.argv[2]
corpus = [line.rstrip("\n") for line in open(CORPUS, encoding="utf-8")]
rows = (corpus * (1_000_000 // len(corpus) + 1))[:1_000_000]


def timed(run, sql):
    start = time.perf_counter()
    run(sql)
    return time.perf_counter() - start


with tempfile.TemporaryDirectory() as work:
    table = os.path.join(work, "formulas.txt")
    with open(table, "w", encoding="utf-8") as f:
        f.write("\n".join(r.replace("\t", " ") for r in rows) + "\n")
    db = os.path.join(work, "c.db")
    subprocess.run(["sqlite3", db], input=f"CREATE TABLE c(formula TEXT);\n.mode tabs\n.import {table} c\n",
                   text=True, check=True)

    def sqlite(sql):
        subprocess.run(["sqlite3", db], input=f".load {BUILD}/lib/formix_sqlite\n{sql}\n", text=True, check=True,
                       capture_output=True)

    for _ in range(2):
        plain = min(timed(sqlite, "SELECT sum(length(formula)) FROM c;") for _ in range(3))
        formix = min(timed(sqlite, "SELECT sum(formix_molar_mass(formula)) FROM c;") for _ in range(3))
    print(f"SQLite, {len(rows):,} rows: sum(length(formula)) {plain:.3f} s; "
          f"sum(formix_molar_mass(formula)) {formix:.3f} s; ratio {formix / plain:.1f}")

    if os.geteuid() == 0 and os.path.exists(os.path.join(BUILD, "postgres", "formix.so")):
        subprocess.run(["cmake", "--install", BUILD, "--component", "postgres"], check=True, capture_output=True)
        bindir = subprocess.run(["pg_config", "--bindir"], capture_output=True, text=True).stdout.strip()
        pg = pwd.getpwnam("postgres")
        os.chown(work, pg.pw_uid, pg.pw_gid)
        os.chmod(table, 0o644)
        data = os.path.join(work, "data")
        run = lambda *c, **k: subprocess.run(["runuser", "-u", "postgres", "--", *c], capture_output=True,
                                             text=True, check=True, **k)
        run(f"{bindir}/initdb", "-D", data, "-A", "trust", "-E", "UTF8", "--locale=C")
        run(f"{bindir}/pg_ctl", "-D", data, "-l", os.path.join(work, "log"), "-w", "-o",
            f"-k {work} -c listen_addresses=''", "start")
        try:
            def psql(sql):
                run(f"{bindir}/psql", "-h", work, "-d", "postgres", "-X", "-q", "-v", "ON_ERROR_STOP=1",
                    input=sql)
            psql(f"CREATE EXTENSION formix; CREATE TABLE c(formula text); "
                 f"\\copy c FROM '{table}' WITH (FORMAT text)\nANALYZE c;")
            for _ in range(2):
                plain = min(timed(psql, "SELECT sum(length(formula)) FROM c;") for _ in range(3))
                formix = min(timed(psql, "SELECT sum(formix_molar_mass(formula)) FROM c;") for _ in range(3))
            print(f"PostgreSQL 15, {len(rows):,} rows (parallel workers as the planner chose): "
                  f"sum(length(formula)) {plain:.3f} s; sum(formix_molar_mass(formula)) {formix:.3f} s; "
                  f"ratio {formix / plain:.1f}")
        finally:
            subprocess.run(["runuser", "-u", "postgres", "--", f"{bindir}/pg_ctl", "-D", data, "-m", "fast",
                            "stop"], capture_output=True)
