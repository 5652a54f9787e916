"""One version: every copy of the toolkit's version (formix.h, pyproject.toml,
js/package.json, the PostgreSQL control file and script, the man page, the
CHANGELOG's latest release) is the one CMakeLists.txt sets.  usage: check_versions.py SOURCE_DIR"""
import os
import re
import sys

root = sys.argv[1]


def found(path, pattern):
    with open(os.path.join(root, path), encoding="utf-8") as f:
        return ".".join(re.findall(pattern, f.read()))


version = found("CMakeLists.txt", r"set\(FORMIX_TOOLKIT_VERSION (\S+)\)")
copies = {"include/formix.h": found("include/formix.h", r"#define FORMIX_VERSION_(?:MAJOR|MINOR|PATCH) (\d+)"),
          "pyproject.toml": found("pyproject.toml", r'(?m)^version = "([^"]+)"'),
          "js/package.json": found("js/package.json", r'"version": "([^"]+)"'),
          "sql/postgres/formix.control": found("sql/postgres/formix.control", r"default_version = '([^']+)'"),
          "sql/postgres/": ".".join(re.findall(r"^formix--(.+)\.sql$", "\n".join(os.listdir(
              os.path.join(root, "sql/postgres"))), re.M)),
          "docs/formix.1": found("docs/formix.1", r'"formix ([^"]+)"'),
          "CHANGELOG.md": found("CHANGELOG.md", r"(?m)\A(?:.*\n)*?## (\d+\.\d+\.\d+) — \d{4}-\d\d-\d\d$")}
wrong = {path: v for path, v in copies.items() if v != version}
print(f"the version is {version}; " + (f"copies that differ: {wrong}" if wrong else "every copy agrees"))
sys.exit(1 if wrong else 0)
