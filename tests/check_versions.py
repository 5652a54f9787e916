"""One version: the toolkit's, set in CMakeLists.txt, is the one in every
file that carries a copy (formix.h, pyproject.toml, js/package.json, the
PostgreSQL control file and its script's name, the man page).
usage: check_versions.py SOURCE_DIR"""
import json
import os
import re
import sys

root = sys.argv[1]


def read(path):
    with open(os.path.join(root, path), encoding="utf-8") as f:
        return f.read()


version = re.search(r"set\(FORMIX_TOOLKIT_VERSION (\d+\.\d+\.\d+)\)", read("CMakeLists.txt")).group(1)
header = read("include/formix.h")
copies = {
    "include/formix.h": ".".join(re.search(rf"#define FORMIX_VERSION_{part} (\d+)", header).group(1)
                                 for part in ("MAJOR", "MINOR", "PATCH")),
    "pyproject.toml": re.search(r'^version = "([^"]+)"', read("pyproject.toml"), re.M).group(1),
    "js/package.json": json.loads(read("js/package.json"))["version"],
    "sql/postgres/formix.control": re.search(r"default_version = '([^']+)'",
                                             read("sql/postgres/formix.control")).group(1),
    "sql/postgres/formix--VERSION.sql": next(
        (m.group(1) for m in (re.match(r"formix--(.+)\.sql$", n)
                              for n in os.listdir(os.path.join(root, "sql/postgres"))) if m), None),
    "docs/formix.1": re.search(r'"formix ([^"]+)"', read("docs/formix.1")).group(1),
}
wrong = {path: v for path, v in copies.items() if v != version}
for path, v in copies.items():
    print(("ok   " if v == version else "FAIL ") + f"{path}: {v}")
if wrong:
    print(f"the version is {version} (CMakeLists.txt); these copies differ: {wrong}")
sys.exit(1 if wrong else 0)
