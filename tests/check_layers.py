"""Every #include points down the layers: one table of the arrows allowed.

A folder of src/ (and each room of src/toolkit/) may include its own files,
the folders its row names, and the public headers; another room of the
toolkit only through that room's door (toolkit/ROOM/ROOM.h, or
context/context.h and reading/reading.h).  The tool includes only the
public headers and its own files."""
import os
import re
import sys
import unittest

ROOT = sys.argv.pop(1) if len(sys.argv) > 1 else "."
PUBLIC = {"formix32.h", "formix.h", "formix_limits.h"}
# Each layer and the layers it may include, lowest first.
ARROWS = {
    "platform": [],
    "refdata": ["platform"],
    "formula": ["refdata", "platform"],
    "calc": ["formula", "refdata", "platform"],
    "toolkit/base": ["refdata"],
    "toolkit/context": ["toolkit/base", "formula", "refdata", "platform"],
    "toolkit/reading": ["toolkit/context", "toolkit/base", "formula", "refdata", "platform"],
    "toolkit/compound": ["toolkit/reading", "toolkit/context", "toolkit/base", "formula", "refdata"],
    "toolkit/ms": ["toolkit/compound", "toolkit/reading", "toolkit/context", "toolkit/base", "refdata"],
    "toolkit/bench": ["toolkit/ms", "toolkit/reading", "toolkit/context", "toolkit/base", "refdata"],
    "toolkit/api": ["toolkit/bench", "toolkit/ms", "toolkit/compound", "toolkit/reading", "toolkit/context",
                    "toolkit/base"],
}
DOORS = {"toolkit/context": "context.h", "toolkit/reading": "reading.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    """The layer a header named as included belongs to, or None."""
    parts = path.split("/")
    if parts[0] == "toolkit" and len(parts) > 2:
        return "toolkit/" + parts[1]
    return parts[0] if len(parts) > 1 else None


def door(layer):
    return DOORS.get(layer, layer.split("/")[-1] + ".h")


def wrong_arrows(layer, folder):
    """The includes of the files in `folder` (of `layer`) that break the table."""
    wrong = []
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if not name.endswith((".h", ".cpp", ".c")) or not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8") as f:
            for included in INCLUDE.findall(f.read()):
                target = layer_of(included)
                if included in PUBLIC or target == layer:
                    continue
                if layer.startswith("tools/"):
                    ok = "/" not in included and os.path.exists(os.path.join(folder, included))
                elif target not in ARROWS.get(layer, []):
                    ok = False
                else:  # a room of the toolkit is entered through its door
                    ok = not target.startswith("toolkit/") or included.endswith("/" + door(target))
                if not ok:
                    wrong.append(f"{path}: #include \"{included}\"")
    return wrong


class Layers(unittest.TestCase):
    def test_every_folder_has_a_row(self):
        folders = {d for d in os.listdir(f"{ROOT}/src") if os.path.isdir(f"{ROOT}/src/{d}") and d != "toolkit"}
        folders |= {"toolkit/" + d for d in os.listdir(f"{ROOT}/src/toolkit")}
        self.assertEqual(folders, set(ARROWS))
        for room in (r for r in ARROWS if r.startswith("toolkit/")):
            self.assertTrue(os.path.isfile(f"{ROOT}/src/{room}/{door(room)}"), room)

    def test_includes_point_down(self):
        wrong = []
        for layer in ARROWS:
            wrong += wrong_arrows(layer, f"{ROOT}/src/{layer}")
        wrong += wrong_arrows("tools/formix", f"{ROOT}/tools/formix")
        self.assertEqual(wrong, [], "includes against the table of arrows:\n" + "\n".join(wrong))


if __name__ == "__main__":
    unittest.main()
