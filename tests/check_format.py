"""The code's format: C and C++ as clang-format writes them (.clang-format);
Python and JavaScript with LF line ends, no tabs, no trailing spaces, a
final newline, lines of at most 120 characters, and sources that compile
(python3's compiler, node --check).  usage: check_format.py ROOT [CLANG_FORMAT]"""
import os
import subprocess
import sys

ROOT = sys.argv[1]
CLANG_FORMAT = sys.argv[2] if len(sys.argv) > 2 else ""
SKIP = ("node_modules", "dist", "build")


def files(*suffixes):
    tracked = subprocess.run(["git", "-C", ROOT, "ls-files"], capture_output=True, text=True)
    if tracked.returncode == 0:
        names = tracked.stdout.split()
    else:  # not a git checkout: every file below the root
        names = [os.path.relpath(os.path.join(d, f), ROOT) for d, _, fs in os.walk(ROOT) for f in fs]
    return sorted(n for n in names if n.endswith(suffixes) and not any(p in SKIP for p in n.split(os.sep)))


problems = []
if CLANG_FORMAT:
    sources = files(".c", ".cpp", ".h")
    run = subprocess.run([CLANG_FORMAT, "--dry-run", "--Werror", *sources], cwd=ROOT, capture_output=True, text=True)
    if run.returncode != 0:
        problems.append(run.stderr.strip())
for name in files(".py", ".js", ".mjs"):
    with open(os.path.join(ROOT, name), "rb") as f:
        data = f.read()
    text = data.decode("utf-8")
    if b"\r" in data:
        problems.append(f"{name}: CR line ends")
    if text and not text.endswith("\n"):
        problems.append(f"{name}: no newline at the end")
    for number, line in enumerate(text.split("\n"), 1):
        if "\t" in line:
            problems.append(f"{name}:{number}: a tab")
        if line != line.rstrip():
            problems.append(f"{name}:{number}: trailing spaces")
        if len(line) > 120:
            problems.append(f"{name}:{number}: {len(line)} characters, more than 120")
    if name.endswith(".py"):
        try:
            compile(text, name, "exec")
        except SyntaxError as error:
            problems.append(f"{name}: {error}")
    else:
        check = subprocess.run(["node", "--check", os.path.join(ROOT, name)], capture_output=True, text=True)
        if check.returncode != 0:
            problems.append(f"{name}: {check.stderr.strip()}")
print("\n".join(problems) if problems else "formatted")
sys.exit(1 if problems else 0)
