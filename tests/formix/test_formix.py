"""The formix tool, run as a user would run it.  Expected numbers come from
the classic library (an independent path through the engine) or by hand."""
import ctypes
import json
import os
import re
import resource
import shutil
import signal
import subprocess
import tempfile
import unittest

import schema

FORMIX = os.environ["FORMIX"]
DATA = os.environ["FORMIX_TEST_DATA"]
LIB = ctypes.CDLL(os.environ["FORMIX_LIB"])
LIB.MolarMass.restype = ctypes.c_double
LIB.MolarMass.argtypes = [ctypes.c_char_p]
LIB.SetNotifier(None, None, None)
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
with open(os.path.join(ROOT, "docs", "formix-json.schema.json"), encoding="utf-8") as f:
    SCHEMA = json.load(f)
ELECTRON = 5.485799090441e-4


def formix(*args, stdin=None, env=None, cwd=None, binary=False, **kwargs):
    """Runs formix; returns (exit status, stdout, stderr)."""
    run_env = dict(os.environ)
    run_env.pop("FORMIX32_DATA_DIR", None)
    run_env.update(env or {})
    data = stdin if stdin is not None else ("" if not binary else b"")
    if not binary and isinstance(data, str):
        data = data.encode()
    p = subprocess.run([FORMIX, *args], input=data, capture_output=True, env=run_env, cwd=cwd,
                       timeout=60, **kwargs)
    if binary:
        return p.returncode, p.stdout, p.stderr
    return p.returncode, p.stdout.decode(), p.stderr.decode()


def molar_mass(formula):
    return LIB.MolarMass(formula.encode("cp1251"))


def valid_json(test, out):
    doc = json.loads(out)
    test.assertEqual(schema.errors(doc, SCHEMA), [])
    return doc


class Mass(unittest.TestCase):
    def test_one_line_per_formula(self):
        status, out, err = formix("CuSO4*5H2O", "H2O")
        self.assertEqual((status, err), (0, ""))
        self.assertEqual(out, "CuSO4*5H2O\t249.6770\nH2O\t18.0150\n")
        self.assertEqual(formix("mass", "H2O")[1], "H2O\t18.0150\n")

    def test_precision(self):
        self.assertEqual(formix("--precision", "2", "CuSO4*5H2O")[1], "CuSO4*5H2O\t249.68\n")
        self.assertEqual(formix("--precision=0", "H2O")[1], "H2O\t18\n")
        self.assertEqual(formix("--precision", "17", "H2O")[1], f"H2O\t{molar_mass('H2O'):.17f}\n")
        for bad in ("x", "18", "-1", ""):
            self.assertEqual(formix("--precision", bad, "H2O")[0], 1, bad)

    def test_pasted_notations_read_right(self):
        # Each against the library's own notation; the ion by hand: 2 electrons more.
        for pasted, plain in (("CuSO4·5H2O", "CuSO4*5H2O"), ("CaSO4*1/2H2O", "CaSO4*0.5H2O"),
                              ("H₂SO₄", "H2SO4"), ("СO", "CO")):
            status, out, err = formix(pasted)
            self.assertEqual(status, 0, err)
            self.assertEqual(out, f"{pasted}\t{molar_mass(plain):.4f}\n")
        status, out, err = formix("--json", "SO4^2-")
        doc = valid_json(self, out)["results"][0]
        self.assertEqual(doc["charge"], -2)
        self.assertAlmostEqual(doc["molar_mass"], molar_mass("SO4") + 2 * ELECTRON, places=12)
        self.assertEqual(formix("SO4^2-")[1], f"SO4^2-\t{molar_mass('SO4') + 2 * ELECTRON:.4f}\tion, charge 2-\n")

    def test_misreadings_are_flagged(self):
        for formula, code, column in (("CuSO4.5H2O", "hydrate-dot", 5), ("CuSO4 5H2O", "joined-digits", 5),
                                      ("co(NO3)2", "ignored", 1), ("AcOH", "abbreviation", 1),
                                      ("NaXx", "unknown-element", 3), ("nacl", "no-element", 1),
                                      ("SO42-", "ambiguous-charge", 3)):
            status, out, err = formix("--", formula)
            self.assertEqual(status, 2, formula)
            self.assertIn(f"formix: {formula}:{column}: ", err)
            doc = valid_json(self, formix("--json", "--", formula)[1])["results"][0]
            self.assertIn(code, [d["code"] for d in doc["diagnostics"]], formula)
        self.assertIn("did you mean 'NaCl'", formix("--", "nacl")[2])
        self.assertEqual(formix("nacl")[0], 1)  # a lowercase word is taken for a mistyped command

    def test_strict_and_severities(self):
        self.assertEqual(formix("co(NO3)2")[1], f"co(NO3)2\t{molar_mass('(NO3)2'):.4f}\n")
        self.assertEqual(formix("--strict", "co(NO3)2")[1], "co(NO3)2\t\n")
        status, out, err = formix("H₂O")  # a note only
        self.assertEqual(status, 0)
        self.assertIn("H₂O:2: note: subscript digits read as digits", err)
        status, out, err = formix("--messages=ru", "HXx")
        self.assertEqual((status, out), (2, "HXx\t\n"))
        self.assertIn("HXx:2: error: Ошибка при вводе: Xx - неизвестный элемент", err)

    def test_batch_gives_one_line_per_input_line(self):
        stdin = b"NaCl\nNa\0Cl\n\nHXx\r\n\xff\xfe\nH2O\n"
        status, out, err = formix(stdin=stdin, binary=True)
        self.assertEqual(status, 2)
        lines = out.decode().split("\n")[:-1]
        self.assertEqual([l.split("\t")[0] for l in lines], ["NaCl", "Na\\x00Cl", "", "HXx", "\\xFF\\xFE", "H2O"])
        self.assertEqual([l.split("\t")[1] != "" for l in lines], [True, False, False, False, False, True])
        err = err.decode()
        self.assertIn("Na\\x00Cl:3: error: a NUL byte at byte 2", err)
        self.assertIn("the byte 0xFF at byte 0 is not valid UTF-8", err)
        overlong = json.loads(formix("--json", stdin=b"\xc0\xaf\n", binary=True)[1])["results"][0]
        self.assertEqual(overlong["formula"], "\ufffd\ufffd")  # JSON holds UTF-8 only
        self.assertIn("0xC0 at byte 0", overlong["diagnostics"][0]["message"])

    def test_dash_reads_standard_input_in_place(self):
        status, out, _ = formix("mass", "H2", "-", "O2", stdin="H2O\r\nNaCl\n")
        self.assertEqual(status, 0)
        self.assertEqual([l.split("\t")[0] for l in out.splitlines()], ["H2", "H2O", "NaCl", "O2"])

    @unittest.skipIf("ASAN_OPTIONS" in os.environ, "the sanitizer's quarantine keeps freed memory")
    def test_json_escapes_and_streams_in_flat_memory(self):
        doc = valid_json(self, formix("--json", "H\\2O", 'H"O', "H2O\x01\x1b")[1])
        self.assertEqual([r["formula"] for r in doc["results"]], ["H\\2O", 'H"O', "H2O\x01\x1b"])
        # The 16-digit shortcut: 12345678901234567 x 1.008 as a double, to 4 places.
        self.assertEqual(formix("H12345678901234567")[1], "H12345678901234567\t%.4f\n" % (12345678901234567 * 1.008))

        def peak(lines):
            with tempfile.TemporaryFile() as f:
                f.write(b"C6H12O6\n" * lines)
                f.seek(0)
                subprocess.run([FORMIX, "--json"], stdin=f, stdout=subprocess.DEVNULL, check=True)
            return resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        small = peak(2000)
        self.assertLess(peak(300000) - small, 8 * 1024)  # KiB: far below one result each
        # A line of 16 MB is refused as it is read, never held: the lines
        # after it are read as before, in the memory of a short run.
        with tempfile.TemporaryFile() as f:
            block = b"H" * 1_000_000  # written in blocks: this process stays small, as its fork does
            for _ in range(16):
                f.write(block)
            f.write(b"\nH2O\n")
            f.seek(0)
            p = subprocess.run([FORMIX], stdin=f, capture_output=True)
        self.assertEqual(p.returncode, 2)
        self.assertEqual(p.stdout.splitlines()[1], b"H2O\t18.0150")
        self.assertIn(b"read up to 4096 bytes", p.stderr)
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss - small, 8 * 1024)
        # Solvate fits keep the best ten while searching: 80 solvents, two
        # at once, every one of 5 million mixtures within the tolerance.
        with tempfile.TemporaryDirectory() as data:
            shipped = os.path.join(os.path.dirname(os.path.dirname(FORMIX)), "share", "formix32")
            for name in os.listdir(shipped):
                shutil.copy(os.path.join(shipped, name), data)
            with open(os.path.join(data, "solvents.txt"), "w") as f:
                f.writelines(f"alkane {n}\tC{n}H{2 * n + 2}\n" for n in range(1, 81))
            status, out, _ = formix("composition", "C20H25NO3", "--found", "C=73.21,H=7.75,N=4.22",
                                    "--solvate=2", "--tolerance", "100", env={"FORMIX32_DATA_DIR": data})
        self.assertEqual(out.count("largest deviation"), 10)
        self.assertLess(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss - small, 8 * 1024)

    def test_bench_amounts_in_their_units(self):
        # 1 fmol of H2: 2.016 fg; 2 H2 + O2: half as much O2, 16.0 fg.
        status, out, _ = formix("react", "2H2 + O2 = 2H2O", "--given", "H2=1e-15mol")
        self.assertEqual(status, 0)
        self.assertIn("1.00 fmol", out)
        self.assertIn("16.0 fg", out)
        self.assertNotIn("0.000", out)
        # 1 nmol of water, 18.0 ng, at 1 g/mL is 1.8e-8 mL: 18.0 pL.
        out = formix("react", "2H2 + O2 = 2H2O", "--given", "H2=1e-9mol", "--density", "H2O=1")[1]
        self.assertIn("18.0 ng  18.0 pL", out)

    def test_io_errors_end_the_run(self):
        for args in (["H2O"], ["--json", "H2O"], []):
            with open("/dev/full", "wb") as full:
                p = subprocess.run([FORMIX, *args], input=b"H2O\n", stdout=full, stderr=subprocess.PIPE)
            self.assertEqual(p.returncode, 4, args)
            self.assertIn(b"error writing standard output", p.stderr)
        with open("/dev/full", "wb") as full:  # diagnostics that cannot be written
            p = subprocess.run([FORMIX, "H2O."], stdout=subprocess.PIPE, stderr=full)
        self.assertEqual(p.returncode, 4)
        directory = os.open("/", os.O_RDONLY)
        p = subprocess.run([FORMIX], stdin=directory, capture_output=True)
        os.close(directory)
        self.assertEqual(p.returncode, 4)
        self.assertIn(b"error reading standard input", p.stderr)
        # A closed pipe: SIGPIPE, as for other Unix tools (`formix | head`);
        # with SIGPIPE ignored, the write error, not silence.
        p = subprocess.Popen([FORMIX], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        p.stdout.close()
        _, err = p.communicate(b"H2O\n" * 200000)
        self.assertEqual((p.returncode, err), (-signal.SIGPIPE, b""))
        p = subprocess.Popen([FORMIX], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             restore_signals=False, preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
        p.stdout.close()
        _, err = p.communicate(b"H2O\n" * 200000)
        self.assertEqual(p.returncode, 4)
        self.assertIn(b"Broken pipe", err)


class Commands(unittest.TestCase):
    def test_mistyped_command_and_usage(self):
        status, out, err = formix("compositon", "NaCl")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("did you mean 'composition'", err)
        for args in (["H2O", "--masses"], ["--given", "H2=1", "H2"], ["--json=yes", "H2O"],
                     ["--groups", "x" * 300, "H2O"], ["--frobnicate", "H2O"]):
            status, _, err = formix(*args)
            self.assertEqual(status, 1, args)
            self.assertIn("Try 'formix --help'", err)
        self.assertIn("at most 255", formix("--groups", "x" * 300, "H2O")[2])

    def test_help_describes_syntax_commands_and_statuses(self):
        status, out, _ = formix("--help")
        self.assertEqual(status, 0)
        for word in ("composition", "react", "analyze", "elements", "groups", "--strict", "--messages",
                     "SO4^2-", "CuSO4.5H2O", "Exit status", "--json"):
            self.assertIn(word, out)
        self.assertRegex(formix("--version")[1], r"^formix \d+\.\d+\.\d+\n$")

    def test_one_option_table(self):
        # The man page's options of the commands are the tool's own table (--help=roff), and
        # docs/tool.md names every option --help lists.
        with open(os.path.join(ROOT, "docs", "formix.1"), encoding="utf-8") as f:
            man = f.read()
        start = "(tests/formix/test_formix.py holds this copy to it).\n"
        generated = man[man.index(start) + len(start):man.index('.\\" End of the options of the commands.')]
        self.assertEqual(generated, formix("--help=roff")[1])
        with open(os.path.join(ROOT, "docs", "tool.md"), encoding="utf-8") as f:
            tool_md = f.read()
        options = set(re.findall(r"(?<![\w-])--[a-z0-9][a-z0-9-]*", formix("--help")[1]))
        self.assertEqual(sorted(o for o in options if not re.search(r"(?<![\w-])" + o + r"(?![\w-])", tool_md)), [])

    def test_composition(self):
        status, out, _ = formix("composition", "CuSO4*5H2O")
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual(lines[0], "CuSO4*5H2O\tM = 249.6770 g/mol")
        self.assertEqual(lines[1], "Hill formula CuH10O9S")
        rows = [l.split() for l in lines[3:7]]
        self.assertEqual([(r[0], r[1]) for r in rows], [("Cu", "1"), ("H", "10"), ("O", "9"), ("S", "1")])
        doc = valid_json(self, formix("comp", "--json", "C1.5H3")[1])
        LIB.PercentOfElement.restype = ctypes.c_double
        for e in doc["elements"]:
            self.assertEqual(e["percent"], LIB.PercentOfElement(b"C1.5H3", e["symbol"].encode()))
        self.assertEqual(formix("composition", "H2O", "CO2")[0], 1)
        # Found values: exit 2 outside the tolerance, 0 within; bad ones are usage errors.
        status, out, _ = formix("ea", "C20H25NO3", "--found", "C=71.35,H=7.82,N=4.14", "--solvate", "--json")
        self.assertEqual(status, 2)
        analysis = valid_json(self, out)["analysis"]
        self.assertEqual((analysis["within"], analysis["fits"][0]["label"]), (False, "C20H25NO3·0.5H2O"))
        self.assertEqual(formix("ea", "C20H25NO3", "--found", "C=73.21,H=7.75,N=4.22")[0], 0)
        for bad in (["--found", "c=40"], ["--found", "C=x"], ["--solvate"], ["--tolerance", "-1"]):
            self.assertEqual(formix("ea", "C20H25NO3", *bad)[0], 1, bad)

    def test_react(self):
        status, out, _ = formix("react", "CH2=CH2 + H2 = C2H6", "--given", "CH2=CH2=28.05", "--json")
        self.assertEqual(status, 0)
        parts = valid_json(self, out)["participants"]
        n = 3
        masses = (ctypes.c_double * n)(28.05, 0, 0)
        LIB.ChemEqu((ctypes.c_char_p * n)(b"CH2=CH2", b"H2", b"C2H6"), (ctypes.c_double * n)(1, 1, 1),
                    masses, 0, n)
        self.assertEqual([p["mass"] for p in parts], list(masses))
        self.assertEqual([p["given"] for p in parts], [True, False, False])
        for args in (["2H2 + O2 = 2H2O", "--given", "N2=1"], ["2H2 + O2 = 2H2O", "--given", "H2=1", "--given", "H2=2"],
                     ["2H2 + O2 = 2H2O", "--given", "H2=1stone"], ["2H2 + O2 = 2H2O", "--equiv", "O2=2"]):
            self.assertEqual(formix("react", *args)[0], 1, args)
        for args in (["2H2 + Xx = 2H2O", "--given", "H2=1"], ["H2 + O2 = H2O"], ["2H2 + O2", "--given", "H2=1"]):
            self.assertEqual(formix("react", *args)[0], 2, args)
        status, _, err = formix("react", "H2 + O2 = H2O")
        self.assertIn("does not balance: O 2 on the left, 1 on the right", err)
        self.assertEqual(formix("react", "H2 + O2 = H2O", "--no-check")[0], 0)
        # Limiting reagent, by hand: H2 4 g = 1.984 mol (0.992 per coefficient),
        # O2 16 g = 0.50003 mol: oxygen limits; water 2 x 16/31.998 mol.
        doc = valid_json(self, formix("react", "2H2+O2=2H2O", "--given", "H2=4", "--given", "O2=16g", "--json")[1])
        parts = doc["participants"]
        self.assertEqual([p.get("limiting", False) for p in parts], [False, True, False])
        self.assertAlmostEqual(parts[2]["mass"], 2 * 16 / (2 * 15.999) * (2 * 1.008 + 15.999), places=9)
        # The redox textbook example, balanced with its charges.
        out = formix("react", "MnO4^- + Fe^2+ + H^+ = Mn^2+ + Fe^3+ + H2O", "--balance")[1]
        self.assertEqual(out.splitlines()[0], "MnO4^- + 5 Fe^2+ + 8 H^+ = Mn^2+ + 5 Fe^3+ + 4 H2O")
        # A liquid by volume: 1.06 g of benzaldehyde at 1.044 g/mL is 1.015 mL.
        out = formix("react", "PhCHO + NaBH4 = PhCH2OH + NaBH3", "--no-check", "--given", "PhCHO=1.06g",
                     "--density", "PhCHO=1.044")[1]
        self.assertIn("1.02 mL", out.splitlines()[2])

    def test_analyze(self):
        out = formix("ratios", "C=40.0", "H=6.7", "O=53.3", "--mass", "180.16", "--json")[1]
        doc = valid_json(self, out)
        texts = (ctypes.c_char_p * 3)(b"C", b"H", b"O")
        ratios = (ctypes.c_double * 3)()
        LIB.GetFormula(texts, (ctypes.c_double * 3)(40.0, 6.7, 53.3), 3, -1, ctypes.c_double(180.16), ratios)
        self.assertEqual([s["ratio"] for s in doc["species"]], list(ratios))
        self.assertEqual(doc["formula"], "C6H12O6")
        # Fe2O3 needs the factor 2; a trace of N stays in the formula.
        fe, o = 2 * molar_mass("Fe"), 3 * molar_mass("O")
        lines = formix("analyze", f"Fe={fe}", f"O={o}")[1].splitlines()
        self.assertEqual(lines[3:5], ["ratios multiplied by 2", "nearest formula: Fe2O3"])
        nearest = [l for l in formix("analyze", "C=85.0", "H=14.0", "N=0.4", "--mass", "100")[1].splitlines()
                   if l.startswith("nearest formula")]
        self.assertRegex(nearest[0], r"^nearest formula: C\d*H\d*N\d*$")
        self.assertEqual(formix("analyze", "C=40", "--ref", "N=1")[0], 1)
        # Lowercase or unknown species are usage errors, never nan; a sum far
        # from 100 % is a warning; the missing element by difference.
        status, out, err = formix("analyze", "c=40", "h=6.7", "o=53.3")
        self.assertEqual((status, out), (1, ""))
        self.assertIn("did you mean 'C'?", err)
        status, out, err = formix("analyze", "C=73.21", "H=7.75", "N=4.22")
        self.assertEqual(status, 2)
        self.assertIn("sum to 85.18 %", err)
        doc = valid_json(self, formix("ratios", "C=73.21", "H=7.75", "N=4.22", "--by-difference", "O", "--json")[1])
        self.assertEqual(doc["candidates"][0]["formula"], "C20H25NO3")
        self.assertEqual(doc["candidates"][0]["calcd_line"],
                         "Anal. Calcd for C20H25NO3: C, 73.37; H, 7.70; N, 4.28; O, 14.66.")

    def test_ms(self):
        status, out, _ = formix("ms", "C20H25NO3", "--found", "328.1911", "--adduct", "[M+H]+", "--json")
        self.assertEqual(status, 0)
        doc = valid_json(self, out)
        self.assertEqual(doc["hrms"], "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.")
        self.assertAlmostEqual(doc["ions"][0]["error_ppm"], 1.2, places=1)
        self.assertEqual(formix("ms", "C20H25NO3", "--found", "329.5")[0], 2)  # nothing within 5 ppm
        self.assertEqual(formix("ms", "C20H25NO3", "--adduct", "[M+Xx]+")[0], 1)
        self.assertIn("m/z 47.9764", formix("ms", "SO4^2-")[1])

    def test_one_charge_grammar(self):
        # --charge as every command reads it: the same charges for sequence and find, one message.
        for text, z in (("2", 2), ("+2", 2), ("2+", 2), ("++", 2), ("-", -1), ("1-", -1), ("--", -2), ("-3", -3)):
            status, out, _ = formix("sequence", "--protein", "GGGG", "--charge", text)
            self.assertEqual(status, 0, text)
            self.assertIn(f"[M{'+' if z > 0 else '-'}{abs(z) if abs(z) > 1 else ''}H]", out, text)
            status, out, _ = formix("find", "100.5", "--charge", text, "--elements", "C0-5H0-10")
            self.assertIn(f"as an ion {abs(z)}{'+' if z > 0 else '-'},", out, text)
        for text in ("0", "101", "+-", "2x", ""):
            for command in (("sequence", "--protein", "GG"), ("find", "100.5")):
                status, _, err = formix(*command, "--charge", text)
                self.assertEqual(status, 1, (command, text))
                self.assertIn("--charge: a charge is a whole number from 1 to 100 with its sign", err)

    def test_find_rule_choices(self):
        # Each choice reaches the library: the rule that removes the formula, named by --explain.
        # Glyphosate [M-H]- 168.00673 (by hand in the Python tests): P/C 0.33, past the common ratios' 0.3.
        # PCB-209 C12Cl10, 493.6885 u (CDK's): 10 Cl, past the DNP's 8 below 500 u, within Wiley's 10.
        # C20H30N4O10P2S3: N, O, P and S each above 1 and S 3, not below 3 (the HNOPS check).
        cases = [(["168.00673", "--adduct", "[M-H]-", "--elements", "C3H8NO5P"], [], "C3H8NO5P", ""),
                 (["168.00673", "--adduct", "[M-H]-", "--elements", "C3H8NO5P"], ["--ratios", "common"], "C3H8NO5P",
                  "p/c"),
                 (["493.6885", "--elements", "C12Cl10"], ["--element-limits", "wiley"], "C12Cl10", ""),
                 (["493.6885", "--elements", "C12Cl10"], ["--element-limits", "dnp"], "C12Cl10", "cl-limit"),
                 (["C20H30N4O10P2S3", "--elements", "C20H30N4O10P2S3"], ["--ratios", "none"], "C20H30N4O10P2S3", ""),
                 (["C20H30N4O10P2S3", "--elements", "C20H30N4O10P2S3"], ["--ratios", "none", "--hnops"],
                  "C20H30N4O10P2S3", "hnops")]
        for query, choice, hill, removed in cases:
            doc = valid_json(self, formix("find", *query, *choice, "--explain", "--json")[1])
            found = {c["hill"]: c.get("broken", "") for c in doc["candidates"]}
            self.assertEqual(found.get(hill), removed, (query, choice))
        self.assertEqual(formix("find", "168", "--element-limits", "x")[0], 1)

    def test_find(self):
        # C20H25NO3 [M+H]+: 20 x 12 + 26 x 1.00782503 + 14.00307401 + 3 x 15.99491462 - e = 328.19072.
        status, out, _ = formix("find", "328.1911", "--adduct", "[M+H]+", "--elements", "C0-30H0-50N0-3O0-6",
                                "--json")
        self.assertEqual(status, 0)
        doc = valid_json(self, out)
        self.assertEqual([c["hill"] for c in doc["candidates"]], ["C20H25NO3"])
        self.assertEqual((doc["candidates"][0]["dbe"], doc["passed"]), (9, 1))
        self.assertEqual(doc["hrms"], "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.")
        # The journal's line only for a formula chosen: with the default ranges the first of 15 by
        # error is C12H27ClFN5O2, not the user's; none gets a line unasked, each has its own in JSON.
        line = "HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911."
        doc = valid_json(self, formix("find", "328.1911", "--adduct", "[M+H]+", "--json")[1])
        self.assertEqual(("hrms" in doc, doc["candidates"][0]["hill"] != "C20H25NO3"), (False, True))
        self.assertIn(line, [c.get("hrms") for c in doc["candidates"]])
        status, out, _ = formix("find", "328.1911", "--adduct", "[M+H]+", "--formula", "C20H25NO3")
        self.assertEqual((status, out.count("HRMS"), out.strip().splitlines()[-1]), (0, 1, line))
        self.assertIn("C20H25NO3", [r.split()[2] for r in out.splitlines() if r.split()[1:2] == ["<"]])
        doc = valid_json(self, formix("find", "328.1911", "--adduct", "[M+H]+", "--pick", "2", "--json")[1])
        self.assertEqual((doc["chosen"], doc["given"]), (doc["candidates"][1]["hill"], 2))
        self.assertEqual(doc["hrms"], doc["candidates"][1]["hrms"])
        # A flagged formula is refused with its diagnostics; one not listed is said.
        status, _, err = formix("find", "328.1911", "--adduct", "[M+H]+", "--formula", "C20H25NO3.HBr.2H2O")
        self.assertEqual(status, 2)
        self.assertIn("joins two parts", err)
        status, out, _ = formix("find", "328.1911", "--adduct", "[M+H]+", "--formula", "C6H12O6")
        self.assertEqual(status, 2)
        self.assertIn("C6H12O6 is not among the formulas listed", out)
        status, out, _ = formix("find", "328.1911", "--adduct", "[M+H]+", "--elements", "C0-30H0-50N0-3O0-6",
                                "--no-rules", "--limit", "1", "--ppm", "50")
        self.assertEqual(status, 0)
        self.assertIn("more not listed (--limit 1)", out)
        doc = valid_json(self, formix("find", "328.1911", "--adduct", "[M+H]+", "--elements", "C0-30H0-50N0-3O0-6",
                                      "--no-rules", "--ppm", "50", "--json")[1])
        self.assertEqual((doc["rules"], doc["passed"], doc["removed"]), (False, doc["within"], {}))
        self.assertGreater(doc["within"], 1)
        # --explain lists every formula in the window, each removed one naming its rule: the counts agree.
        doc = valid_json(self, formix("find", "328.1911", "--adduct", "[M+H]+", "--elements",
                                      "C0-30H0-50N0-3O0-6S0-2", "--explain", "--json")[1])
        kept = [c for c in doc["candidates"] if "broken" not in c]
        self.assertEqual((doc["within"], doc["passed"]), (len(doc["candidates"]), len(kept)))
        self.assertEqual(sum(doc["removed"].values()), doc["within"] - doc["passed"])
        self.assertGreater(doc["within"], doc["passed"])
        self.assertIn("C20H25NO3", valid_json(self, formix("comp", "--json", "C20H25NO3")[1])["hill"])
        self.assertEqual(valid_json(self, formix("comp", "--json", "C6H6")[1])["dbe"], 4)
        self.assertIsNone(valid_json(self, formix("comp", "--json", "CuSO4")[1])["dbe"])
        self.assertEqual(formix("find", "12.5", "--elements", "C0-1")[0], 2)  # nothing within 5 ppm
        for bad in (["--elements", "C0-10Xx"], ["--ppm", "-1"], ["--ppm", "1", "--mda", "1"], ["--charge", "x"],
                    ["--charge", "2+3"], ["--adduct", "[M+H]+", "--charge", "1"], ["--peaks", "328:1,329"],
                    ["--limit", "0"]):
            self.assertEqual(formix("find", "328.1911", *bad)[0], 1, bad)

    def test_solution_dilute_sequence(self):
        # CuSO4·5H2O, 63.546 + 32.06 + 9 x 15.999 + 10 x 1.008 = 249.677 g/mol: 50 mM x 100 mL = 1.2484 g.
        status, out, err = formix("solution", "CuSO4·5H2O", "--conc", "50mM", "--volume", "100 mL")
        self.assertEqual((status, out),
                         (0, "Dissolve 1.248 g of CuSO4·5H2O (249.68 g/mol) in water to 100.0 mL (50.00 mM).\n"))
        self.assertIn("note: '·' read as '*'", err)
        # Quantities as typed: the number and its unit as two words (a percent's three), a decimal comma
        # with a note; the same bench line.
        status, out, err = formix("solution", "CuSO4·5H2O", "--conc", "50", "mM", "--volume", "0,1", "L",
                                  "--purity", "100", "%")
        self.assertEqual((status, out),
                         (0, "Dissolve 1.248 g of CuSO4·5H2O (249.68 g/mol) in water to 100.0 mL (50.00 mM).\n"))
        self.assertIn("note: the volume '0,1 L' read with a decimal comma: 0.1 L", err)
        doc = valid_json(self, formix("solution", "CuSO4*5H2O", "--mass", "2.4968g", "--volume", "0.1L", "--json")[1])
        self.assertEqual(doc["solved"], "conc")
        self.assertAlmostEqual(doc["conc"], 2.4968 / 249.677 / 0.1, places=12)
        # 37 % HCl of 1.18 g/mL to 500 mL of 1 M: 0.5 mol x 36.458 g/mol / (0.37 x 1180 g/L).
        doc = valid_json(self, formix("dilute", "HCl", "--stock", "37 % w/w", "--density", "1.18g/mL", "--conc", "1M",
                                      "--volume", "500mL", "--json")[1])
        self.assertAlmostEqual(doc["stock_volume"], 0.5 * 36.458 / (0.37 * 1180), places=15)
        self.assertAlmostEqual(doc["solvent_volume"], 0.5 - doc["stock_volume"], places=15)
        # GGG: 3 x C2H3NO + H2O; its [M+H]+ from 1H, 12C, 14N, 16O (AME2020) and the electron.
        mono = 72 + 11 * 1.007825031898 + 3 * 14.00307400425 + 4 * 15.99491461926
        doc = valid_json(self, formix("sequence", "--protein", "Gly-Gly-Gly", "--charge", "1", "--json")[1])
        self.assertEqual((doc["hill"], doc["text"], doc["ion"], doc["ion_formula"]),
                         ("C6H11N3O4", "H-GGG-OH", "[M+H]+", "C6H12N3O4"))
        self.assertAlmostEqual(doc["mz"], mono + 1.007825031898 - ELECTRON, places=9)
        for charge in ("1-", "-1"):
            doc = valid_json(self, formix("sequence", "--protein", "GGG", "--charge", charge, "--json")[1])
            self.assertEqual((doc["ion"], doc["ion_formula"]), ("[M-H]-", "C6H10N3O4"))
        self.assertIn(f"C6H12N3O4    {mono + 1.007825031898 - ELECTRON:.4f}",
                      formix("ms", "peptide(GGG)", "--adduct", "[M+H]+")[1])
        self.assertEqual(valid_json(self, formix("comp", "--json", "dna(pACGT)")[1])["hill"], "C39H51N15O25P4")
        # A formula for find: its ion's m/z searched, and no HRMS line (nothing was found).
        doc = valid_json(self, formix("find", "peptide(GGG)", "--adduct", "[M+H]+", "--elements",
                                      "C0-10H0-20N0-5O0-6", "--json")[1])
        self.assertAlmostEqual(doc["mz"], mono + 1.007825031898 - ELECTRON, places=9)
        self.assertEqual(([c["hill"] for c in doc["candidates"]], "hrms" in doc), (["C6H11N3O4"], False))
        status, out, _ = formix("sequence", "--dna", "-", stdin=">oligo\nACGT\n")
        self.assertEqual((status, out.split("\t")[0]), (0, "dna 5'-ACGT-3'"))
        status, _, err = formix("sequence", "--protein", "AXC")
        self.assertEqual((status, err), (2, "formix: protein:2: error: 'X' is an ambiguity code (any amino acid): "
                                            "it has no one formula\n"))
        self.assertEqual(formix("solution", "Xx", "--conc", "1M", "--volume", "1L")[0], 2)
        for bad in (["solution", "NaCl", "--conc", "1", "--volume", "1L"],
                    ["solution", "NaCl", "--conc", "1M", "--volume", "1L", "--mass", "1g"],
                    ["solution", "NaCl", "--conc", "1M", "--conc", "2M", "--volume", "1L"],
                    ["dilute", "--stock", "1M", "--conc", "2M", "--volume", "1L"],
                    ["dilute", "--stock", "1M", "--conc", "0.5M"],
                    ["sequence", "ACDE"], ["sequence", "--protein", "A", "--dna", "A"],
                    ["sequence", "--protein", "A", "--charge", "0"],
                    ["sequence", "--protein", "A", "--disulfides", "x"],
                    ["sequence", "--protein", "GG", "--adduct", "[M+Xx]+"], ["solution", "NaCl", "--protein", "A"]):
            self.assertEqual(formix(*bad)[0], 1, bad)

    def test_pattern(self):
        # C100: the intensities of the binomial distribution of 13C (abundance 0.0107).
        from math import comb
        doc = valid_json(self, formix("pattern", "C100", "--json")[1])
        binomial = [comb(100, k) * 0.0107 ** k * 0.9893 ** (100 - k) for k in range(5)]
        for peak, expected in zip(doc["peaks"], binomial):
            self.assertAlmostEqual(peak["intensity"], expected / max(binomial) * 100, delta=0.01)
        with tempfile.TemporaryDirectory() as tmp:
            plot = os.path.join(tmp, "p.svg")
            self.assertEqual(formix("pattern", "C6H12O6", "--plot", plot)[0], 0)
            with open(plot) as f:
                self.assertIn("<svg", f.read())
            self.assertEqual(formix("pattern", "C6H12O6", "--plot", os.path.join(tmp, "no", "p.svg"))[0], 4)
        self.assertEqual(formix("pattern", "C1.5H3")[0], 2)  # fractional counts

    def test_tables(self):
        doc = valid_json(self, formix("elements", "--json")[1])
        self.assertEqual((len(doc["elements"]), doc["elements"][0]["symbol"]), (118, "H"))
        doc = valid_json(self, formix("groups", "--json")[1])
        ph = [g for g in doc["groups"] if g["name"] == "Ph"][0]
        self.assertEqual((ph["formula"], ph["molar_mass"]), ("C6H5", molar_mass("C6H5")))
        out = formix("groups", "--groups", os.path.join(DATA, "organic.gps"))[1]
        self.assertEqual([l.split()[0] for l in out.splitlines()[1:]], ["Ph", "Me", "Et"])
        self.assertEqual(formix("--masses", os.path.join(DATA, "letters.elt"), "AB2")[1], "AB2\t5.0000\n")


class FeatureTables(unittest.TestCase):
    # m/z by hand (12, 1.00782503, 14.00307401, 15.99491462, 22.98976928, 78.9183376; an electron 0.00054858):
    # caffeine C8H10N4O2 [M+H]+ 195.08765; glucose C6H12O6 [M+Na]+ 203.05261; (CH3)4N+ 74.09643;
    # 4-bromobenzoic acid C7H5BrO2 [M-H]- 198.94002 with its 81Br peak (97.3 %).
    TABLE = ("id,rt,mz,intensity,adduct,charge,peaks\n"
             "F1,1.20,195.08765,1.2e6,,,\n"
             "F2,3.40,203.05261,5.0e5,[M+Na]+,,\n"
             "F3,4.10,abc,1000,,,\n"
             "F4,\"5,5\",74.09643,2.0e4,,1,\n"
             "F5,6.00,198.94002,3.0e5,[M-H]-,,\"198.94002:100,199.94337:7.6,200.93797:97.3\"\n"
             "F6,7.00,195.08765,1.0e4,[M+X]+,,\n"
             "F7,8.00,195.08765\n")

    def run_table(self, *extra, table=None):
        return formix("find", "--table", "-", "--adduct", "[M+H]+", "--elements", "C0-10H0-20N0-5O0-8Na0-1Br0-1",
                      "--limit", "1", *extra, stdin=table or self.TABLE)

    def test_rows_searched_columns_carried_errors_in_place(self):
        status, out, err = self.run_table()
        self.assertEqual(status, 2)
        self.assertIn("3 of 7 rows could not be searched", err)
        lines = out.splitlines()
        self.assertEqual(lines[0], "id,rt,mz,intensity,adduct,charge,peaks,"
                                   "rank,formula,mz_calc,ppm_error,dbe,score,error")
        rows = {line.split(",")[0]: line for line in lines[1:]}
        self.assertEqual(list(rows), ["F1", "F2", "F3", "F4", "F5", "F6", "F7"])  # the input's order
        self.assertTrue(rows["F1"].startswith("F1,1.20,195.08765,1.2e6,,,,1,C8H10N4O2,195.0877,"))
        self.assertIn(",1,C6H12O6,203.0526,", rows["F2"])  # the row's own adduct
        self.assertTrue(rows["F3"].endswith(",the m/z 'abc' is no positive number"))
        self.assertTrue(rows["F4"].startswith('F4,"5,5",74.09643,2.0e4,,1,,1,C4H12N^+,74.0964,'))  # a charge
        self.assertIn(",1,C7H5BrO2,198.9400,", rows["F5"])  # scored against its peaks
        self.assertIn("unknown adduct", rows["F6"])
        self.assertIn("the row has 3 fields; the header 7", rows["F7"])
        # The same output on two threads; JSON lines with the same candidates; TSV in, TSV out.
        self.assertEqual(self.run_table("--jobs", "2")[1], out)
        self.assertEqual(self.run_table("--jobs", "1")[1], out)
        docs = [json.loads(line) for line in self.run_table("--json")[1].splitlines()]
        self.assertEqual([(d["id"], d["formula"]) for d in docs][:2], [("F1", "C8H10N4O2"), ("F2", "C6H12O6")])
        self.assertIsNone(docs[2]["rank"])
        tsv = "id\trow m/z\nA\t195.08765\n"
        self.assertTrue(self.run_table(table=tsv)[1].splitlines()[1].startswith("A\t195.08765\t1\tC8H10N4O2\t"))
        self.assertEqual(self.run_table(table="id,rt\nA,1\n")[0], 1)  # no m/z column: a usage error

    def test_memory_does_not_grow_with_the_table(self):
        def peak(rows):
            table = "id,mz\n" + "".join(f"R{i},195.08765\n" for i in range(rows))
            p = subprocess.run(["/usr/bin/time", "-f", "%M", FORMIX, "find", "--table", "-", "--adduct", "[M+H]+",
                                "--elements", "C0-10H0-12N0-4O0-2", "--jobs", "2"], input=table.encode(),
                               capture_output=True, timeout=120)
            self.assertEqual(p.returncode, 0, p.stderr[-300:])
            self.assertEqual(p.stdout.count(b"\n"), rows + 1)
            return int(p.stderr.decode().strip().splitlines()[-1])  # kB
        if not os.path.exists("/usr/bin/time"):
            self.skipTest("no /usr/bin/time")
        if os.environ.get("FORMIX_SANITIZED"):
            self.skipTest("built with a sanitizer, whose allocator holds freed memory")
        small, large = peak(2000), peak(20000)
        self.assertLess(large - small, 4096, (small, large))  # 18,000 more rows, under 4 MB more


class DataFiles(unittest.TestCase):
    def test_only_regular_files_are_data_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            os.mkdir(os.path.join(tmp, "mass.gps"))  # found first by its path setting
            status, out, err = formix("groups", cwd=tmp)
            self.assertEqual(status, 0, err)
            self.assertIn("Ph", out)  # the installed group file instead
            fifo = os.path.join(tmp, "fifo")
            os.mkfifo(fifo)
            for path in (tmp, fifo, "/dev/zero"):
                status, out, err = formix("groups", "--groups", path)
                self.assertEqual(status, 3, path)
                self.assertIn("group file was found nowhere", err)

    def test_mass_file_found_nowhere(self):
        status, out, err = formix("--masses", "/nonexistent/mass.elt", "H2O")
        self.assertEqual((status, out), (3, ""))
        self.assertIn("/nonexistent/mass.elt: the mass file was found nowhere", err)
        # The default file, in a copy of the tool with no data directory beside it.
        with tempfile.TemporaryDirectory() as tmp:
            build = os.path.dirname(os.path.dirname(FORMIX))
            shutil.copytree(os.path.join(build, "lib"), os.path.join(tmp, "lib"), symlinks=True)
            os.mkdir(os.path.join(tmp, "bin"))
            shutil.copy(FORMIX, os.path.join(tmp, "bin"))
            p = subprocess.run([os.path.join(tmp, "bin", "formix"), "H2O"], capture_output=True, cwd=tmp,
                               env={k: v for k, v in os.environ.items() if k != "FORMIX32_DATA_DIR"})
            self.assertEqual(p.returncode, 3)
            self.assertIn(b"mass.elt: the mass file was found nowhere", p.stderr)

    def test_lists_never_from_the_working_directory_and_bad_values_refused(self):
        shipped = os.path.join(os.path.dirname(os.path.dirname(FORMIX)), "share", "formix32")
        with tempfile.TemporaryDirectory() as cwd, tempfile.TemporaryDirectory() as data:
            # Lists in the working directory change nothing (glucose's
            # monoisotopic mass: 6 x 12 + 12 x 1.007825031898 + 6 x 15.99491461926).
            with open(os.path.join(cwd, "isotopes.txt"), "w") as f:
                f.write("H\t1\t2.5\t1\n")
            open(os.path.join(cwd, "abbrev.txt"), "w").close()
            status, out, err = formix("--json", "--verbose", "ms", "C6H12O6", cwd=cwd)
            doc = json.loads(out)
            self.assertAlmostEqual(doc["monoisotopic_mass"], 72 + 12 * 1.007825031898 + 6 * 15.99491461926, places=9)
            self.assertEqual(os.path.realpath(doc["data_files"]["isotopes.txt"]),
                             os.path.join(os.path.realpath(shipped), "isotopes.txt"))
            self.assertIn("isotopes.txt from ", err)
            self.assertEqual(formix("AcOH", cwd=cwd)[0], 2)  # the shipped abbreviations still warn
            # Bad values in $FORMIX32_DATA_DIR: each refused at its file and line.
            for name in os.listdir(shipped):
                shutil.copy(os.path.join(shipped, name), data)
            def edit(name, old, new):
                path = os.path.join(data, name)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                self.assertIn(old, text)
                with open(path, "w", encoding="utf-8") as f:
                    f.write(text.replace(old, new, 1))
                return text.replace(old, new, 1)
            # A byte order mark before the first line, an isotope, hides nothing.
            with open(os.path.join(data, "isotopes.txt"), encoding="utf-8") as f:
                lines = [l for l in f.read().splitlines() if not l.startswith("#")]
            with open(os.path.join(data, "isotopes.txt"), "w", encoding="utf-8") as f:
                f.write("\ufeff" + "\n".join(lines) + "\n")
            edit("isotopes.txt", "C\t13\t13.00335483534", "C\t13\tnan")
            text = edit("isotopes.txt", "O\t18\t17.99915961214", "O\t18\t1e400").splitlines()
            at = {key.replace("\t", ""): 1 + next(i for i, l in enumerate(text) if l.startswith(key))
                  for key in ("C\t12", "C\t13", "O\t18")}
            edit("adducts.txt", "[M+Na]+\t1\tNa\t\t1", "[M+Na]+\t1\tNa\t\t-2147483648")
            edit("adducts.txt", "[M+K]+\t1\tK\t\t1", "[M+K]+\t1\tK\t\t12")
            edit("residues.txt", "protein\tR\tArg", "peptide\tR\tArg")
            edit("residues.txt", "rna\tPsi", "rna\tP-i")
            edit("residues.txt", "protein\tA\tAla", "protein\ta\tAla")
            def append(name, text):  # the number of the last line after appending
                with open(os.path.join(data, name), "a", encoding="utf-8") as f:
                    f.write(text)
                with open(os.path.join(data, name), encoding="utf-8") as f:
                    return len(f.read().splitlines())
            # A residue that names itself, a solvent that is a sequence (read, they would recurse without
            # end); masses 0.6 u and 1 u from their mass numbers, an isotope twice; an adduct of no
            # element, and one named twice.
            residue = append("residues.txt", "protein\tLoop\t-\tloop\tpeptide([Loop])\n")
            solvent = append("solvents.txt", "loop\tpeptide([Loop])\n")
            isotope = append("isotopes.txt", "N\t16\t16.6\nHe\t5\t1e-300\nC\t12\t12\t0\n")
            adduct = append("adducts.txt", "[M+Xx]+\t1\tXx\t\t1\n[M+H]+\t1\tH\t\t1\n")
            edit("mass.elt", "8 O 15.999", "8 O +INF")
            edit("mass.elt", "1 H 1.0080", "1 H 0")
            status, out, err = formix("--masses", os.path.join(data, "mass.elt"), "H2O", "NaCl",
                                      env={"FORMIX32_DATA_DIR": data})
            self.assertEqual(status, 2)
            self.assertEqual(out.splitlines(), ["H2O\t", "NaCl\t58.4398"])  # no number from O's +INF, H's 0
            for said in (f"isotopes.txt:{at['C13']}: the mass 'nan'", f"isotopes.txt:{at['O18']}: the mass '1e400'",
                         f"isotopes.txt:{at['C12']}: the abundances of C sum to 0.9893",
                         "adducts.txt:7: the charge '-2147483648'", "adducts.txt:8: the charge '12'",
                         "the kind 'peptide' is none of protein, dna, rna", "the code 'P-i' is neither",
                         "the code 'a' is neither",
                         "mass.elt:8: the mass of O (inf)", "mass.elt:1: the mass of H (0)",
                         "H2O:1: error: the mass of H",
                         f"residues.txt:{residue}: a formula of a list is no sequence",
                         f"solvents.txt:{solvent}: a formula of a list is no sequence",
                         f"isotopes.txt:{isotope - 2}: the mass '16.6' is no number within 0.5 u",
                         f"isotopes.txt:{isotope - 1}: the mass '1e-300' is no number within 0.5 u",
                         f"isotopes.txt:{isotope}: the isotope 12C is given twice",
                         f"adducts.txt:{adduct - 1}: the formula 'Xx': unknown element symbol 'Xx'",
                         f"adducts.txt:{adduct}: the adduct [M+H]+ is given twice"):
                self.assertIn(said, err)
            for args in (("peptide([Loop])",), ("sequence", "--protein", "[Loop]"),
                         ("composition", "C6H6", "--found", "C=80,H=8", "--solvate")):
                status, _, err = formix(*args, env={"FORMIX32_DATA_DIR": data})
                self.assertIn(status, (0, 2), f"{args}: {err[-300:]}")  # said, never a crash
            self.assertNotIn("no element symbol", err)  # H, behind the mark, read

    def test_control_characters_never_reach_the_terminal(self):
        # ESC c resets a terminal; U+009B is a C1 control (CSI). From a
        # formula, a data file's symbol or group name, or an argument, each
        # is shown escaped in text output (JSON escapes its own).
        with tempfile.TemporaryDirectory() as tmp:
            masses, groups = os.path.join(tmp, "mass.elt"), os.path.join(tmp, "mass.gps")
            shutil.copy(os.path.join(ROOT, "data", "mass.elt"), masses)
            with open(masses, "ab") as f:
                f.write(b"119 \x1bc 1.0\n")
            with open(groups, "wb") as f:
                f.write(b"\xc2\x9b CH3\nMe C\x1bc\n")
            runs = [("--masses", masses, "elements"), ("--masses", masses, "--groups", groups, "groups"),
                    ("H2O\x1bc",), ("ms", "H\x1b[31m"), ("react", "H2\x1bc = H2"), ("pattern", "\x1bcH"),
                    ("composition", "C\u009bH4"), ("\x1bc-not-a-command",)]
            for args in runs:
                status, out, err = formix(*args, binary=True)
                for shown in (out, err):
                    self.assertNotIn(b"\x1b", shown, args)
                    self.assertNotIn(b"\xc2\x9b", shown, args)
                self.assertTrue(b"\\x1B" in out + err or b"\\u009B" in out + err, args)


class Readme(unittest.TestCase):
    def test_tool_examples_print_what_the_reference_shows(self):
        import re
        import shlex
        examples = []
        for page in ("tool.md", "sequences.md", "solutions.md", "find.md"):
            with open(os.path.join(ROOT, "docs", page), encoding="utf-8") as f:
                examples += re.findall(r"```\n\$ (.*?)```", f.read(), re.S)
        self.assertGreater(len(examples), 9)
        for example in examples:
            for command in re.split(r"^\$ ", example, flags=re.M):
                line, _, shown = command.partition("\n")
                stdin = None
                if line.startswith("printf "):
                    printf, line = line.split(" | ")
                    stdin = shlex.split(printf)[1].encode().decode("unicode_escape")
                args = shlex.split(line)[1:]
                status, out, err = formix(*args, stdin=stdin)
                expected = shown.split("...\n")[0]
                # A diagnostic line shown under the output is standard error.
                diagnostics = "".join(l + "\n" for l in expected.splitlines() if l.startswith("formix: "))
                expected = "".join(l + "\n" for l in expected.splitlines() if not l.startswith("formix: "))
                self.assertTrue(out.startswith(expected), f"{line}\n{out}")
                self.assertEqual(err if diagnostics else "", diagnostics, line)


if __name__ == "__main__":
    unittest.main()
