"""The public headers are the one source of the export lists: the version
script, the list of the shared library's symbols, the Windows export
table in CMakeLists.txt and the Python package's signatures must name
exactly what the headers declare."""
import re
import subprocess
import sys
import unittest

ROOT = sys.argv.pop(1) if len(sys.argv) > 1 else "."
TOOLKIT = sys.argv.pop(1) if len(sys.argv) > 1 else None  # the built libformix.so


def read(path):
    with open(f"{ROOT}/{path}", encoding="utf-8") as f:
        return f.read()


def declared(header, api, call):
    text = re.sub(r"/\*.*?\*/", "", read(header), flags=re.S)
    text = re.sub(r"^\s*#.*$", "", text, flags=re.M)
    return set(re.findall(api + r"\s[^;{}]*?" + call + r"\s*\*?\s*(\w+)\s*\(", text))


class ExportLists(unittest.TestCase):
    def test_classic_library(self):
        names = declared("include/formix32.h", "FORMIX32_API", "FORMIX32_CALL")
        self.assertEqual(len(names), 15)
        version_script = read("src/formix32.map")
        global_part = version_script[version_script.index("global:"):version_script.index("local:")]
        self.assertEqual(set(re.findall(r"(\w+);", global_part)), names)
        self.assertEqual(set(read("tests/exports.txt").split()), names)
        windows = re.search(r"set\(FORMIX32_EXPORTS(.*?)\)", read("CMakeLists.txt"), re.S).group(1)
        self.assertEqual(set(re.findall(r"(\w+):\d+", windows)), names)

    def test_toolkit(self):
        names = declared("include/formix.h", "FORMIX_API", "")
        self.assertGreater(len(names), 20)
        self.assertTrue(all(n.startswith("formix_") for n in names))  # what formix.map exports
        python = "\n".join(read(f"python/formix32/{name}")
                            for name in ("__init__.py", "_library.py", "_context.py", "calculations.py", "results.py"))
        used = set(re.findall(r'"(formix_\w+)": \(', python))
        self.assertTrue(used <= names, used - names)
        # The one value of the electron's molar mass: the header's.
        header = re.search(r"#define FORMIX_ELECTRON_MOLAR_MASS (\S+)", read("include/formix.h")).group(1)
        self.assertEqual(re.search(r"^ELECTRON_MOLAR_MASS = (\S+)$", python, re.M).group(1), header)
        if TOOLKIT:
            nm = subprocess.run(["nm", "-D", "--defined-only", TOOLKIT], capture_output=True, text=True,
                                check=True).stdout
            self.assertEqual({line.split()[-1].split("@")[0] for line in nm.splitlines() if " T " in line}, names)

    def test_every_toolkit_call_is_called(self):
        # The C interface is kept whole for C hosts: each call is reached by a
        # front (tool, Python, npm, SQL) or by a test of its own.
        names = declared("include/formix.h", "FORMIX_API", "")
        callers = subprocess.run(["git", "-C", ROOT, "ls-files", "tools", "python/formix32", "js/core.js", "sql",
                                  "tests/toolkit/api"], capture_output=True, text=True, check=True).stdout.split()
        text = "\n".join(read(path) for path in callers if path.endswith((".c", ".cpp", ".h", ".py", ".js")))
        self.assertEqual(sorted(n for n in names if not re.search(r"\b" + n + r"\b", text)), [])


if __name__ == "__main__":
    unittest.main()
