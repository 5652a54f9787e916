"""The formix tool, run as a user would run it, checked against the library."""
import ctypes
import json
import os
import subprocess
import tempfile
import unittest

FORMIX = os.environ["FORMIX"]
DATA = os.environ["FORMIX_TEST_DATA"]
LIB = ctypes.CDLL(os.environ["FORMIX_LIB"])
LIB.MolarMass.restype = ctypes.c_double
LIB.MolarMass.argtypes = [ctypes.c_char_p]
LIB.SetNotifier(None, None, None)


def formix(*args, stdin=None, env=None, cwd=None):
    """Runs formix; returns (exit status, stdout, stderr)."""
    run_env = dict(os.environ)
    run_env.pop("FORMIX32_DATA_DIR", None)
    run_env.update(env or {})
    p = subprocess.run([FORMIX, *args], input=stdin if stdin is not None else "",
                       capture_output=True, text=True, env=run_env, cwd=cwd)
    return p.returncode, p.stdout, p.stderr


def molar_mass(formula):
    return LIB.MolarMass(formula.encode("cp1251"))


UNKNOWN = "Ошибка при вводе: {} - неизвестный элемент или группа атомов. Повторите ввод."


class Mass(unittest.TestCase):
    def test_one_line_per_formula(self):
        status, out, err = formix("CuSO4*5H2O", "H2O")
        self.assertEqual(status, 0, err)
        self.assertEqual(out, "CuSO4*5H2O\t249.6770\nH2O\t18.0150\n")
        self.assertEqual(err, "")
        self.assertEqual(formix("mass", "H2O")[1], "H2O\t18.0150\n")

    def test_precision(self):
        self.assertEqual(formix("--precision", "2", "CuSO4*5H2O")[1], "CuSO4*5H2O\t249.68\n")
        self.assertEqual(formix("--precision=0", "H2O")[1], "H2O\t18\n")
        self.assertEqual(formix("--precision", "x", "H2O")[0], 1)
        self.assertEqual(formix("--precision", "18", "H2O")[0], 1)

    def test_json_carries_exact_values_and_messages(self):
        status, out, _ = formix("--json", "Ph2CO", "HXx")
        self.assertEqual(status, 2)
        doc = json.loads(out)
        self.assertEqual(doc["command"], "mass")
        first, second = doc["results"]
        self.assertEqual(first["molar_mass"], molar_mass("Ph2CO"))
        self.assertEqual(first["messages"], [])
        self.assertEqual(second["messages"], [UNKNOWN.format("Xx")])

    def test_unknown_element_is_reported_and_the_result_still_printed(self):
        status, out, err = formix("HXx", "H2")
        self.assertEqual(status, 2)
        self.assertEqual(out, "HXx\t1.0080\nH2\t2.0160\n")
        self.assertEqual(err, "formix: HXx: " + UNKNOWN.format("Xx") + "\n")

    def test_standard_input_batch(self):
        formulas = [f"C{n}H{2 * n + 2}" for n in range(1, 3001)]
        status, out, err = formix(stdin="\n".join(formulas) + "\n")
        self.assertEqual(status, 0, err)
        lines = out.splitlines()
        self.assertEqual(len(lines), 3000)
        for formula, line in zip(formulas[:50], lines):
            name, value = line.split("\t")
            self.assertEqual(name, formula)
            self.assertEqual(value, f"{molar_mass(formula):.4f}")

    def test_dash_reads_standard_input_in_place(self):
        status, out, _ = formix("mass", "H2", "-", "O2", stdin="H2O\r\n\nNaCl\n")
        self.assertEqual(status, 0)
        self.assertEqual([l.split("\t")[0] for l in out.splitlines()], ["H2", "H2O", "NaCl", "O2"])

    def test_cyrillic_es_typed_in_utf8(self):
        status, out, _ = formix("СO", "Сu")  # Cyrillic ES, then Latin
        self.assertEqual(status, 0)
        self.assertEqual(out, f"СO\t{molar_mass('CO'):.4f}\nСu\t{molar_mass('Cu'):.4f}\n")

    def test_character_outside_windows_1251(self):
        status, out, err = formix("H₂O", "H2O", stdin="")
        self.assertEqual(status, 2)
        self.assertIn("'₂' (U+2082) cannot be written in Windows-1251", err)
        self.assertEqual(out, "H2O\t18.0150\n")
        status, out, err = formix("--json", "H₂O")
        self.assertIn("cannot be written", json.loads(out)["results"][0]["error"])


class Composition(unittest.TestCase):
    def test_table_in_element_order(self):
        status, out, _ = formix("composition", "CuSO4*5H2O")
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual(lines[0], "CuSO4*5H2O\tM = 249.6770")
        self.assertEqual(lines[1].split(), ["element", "atoms", "mass", "percent"])
        rows = [l.split() for l in lines[2:]]
        self.assertEqual([r[0] for r in rows], ["H", "O", "S", "Cu"])
        self.assertEqual([r[1] for r in rows], ["10", "9", "1", "1"])
        self.assertAlmostEqual(sum(float(r[3]) for r in rows), 100.0, places=2)

    def test_fractional_atoms_and_json(self):
        status, out, _ = formix("comp", "--json", "C1.5H3")
        doc = json.loads(out)
        self.assertEqual([(e["symbol"], e["atoms"]) for e in doc["elements"]], [("H", 3), ("C", 1.5)])
        LIB.PercentOfElement.restype = ctypes.c_double
        for e in doc["elements"]:
            self.assertEqual(e["percent"], LIB.PercentOfElement(b"C1.5H3", e["symbol"].encode()))
        self.assertIn("1.5", formix("comp", "C1.5H3")[1])

    def test_needs_exactly_one_formula(self):
        self.assertEqual(formix("composition")[0], 1)
        self.assertEqual(formix("composition", "H2O", "CO2")[0], 1)


class React(unittest.TestCase):
    def library_masses(self, formulas, coefficients, reference, mass):
        n = len(formulas)
        texts = (ctypes.c_char_p * n)(*[f.encode() for f in formulas])
        coefs = (ctypes.c_double * n)(*coefficients)
        masses = (ctypes.c_double * n)()
        masses[reference] = mass
        LIB.ChemEqu(texts, coefs, masses, reference, n)
        return list(masses)

    def test_masses_are_those_of_chem_equ(self):
        status, out, _ = formix("react", "2H2 + O2 = 2H2O", "--given", "H2O=36.03", "--json")
        self.assertEqual(status, 0)
        parts = json.loads(out)["participants"]
        expected = self.library_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)
        self.assertEqual([p["mass"] for p in parts], expected)
        self.assertEqual([p["side"] for p in parts], ["reactant", "reactant", "product"])
        self.assertEqual([p["given"] for p in parts], [False, False, True])
        self.assertEqual(parts[1]["moles"], expected[1] / molar_mass("O2"))

    def test_textbook_spellings(self):
        outs = [formix("react", eq, "--given", "H2O=36.03")[1]
                for eq in ("2H2 + O2 = 2H2O", "2 H2 + O2 -> 2 H2O", "2H2 + O2 → 2H2O")]
        self.assertEqual(outs[0], outs[1])
        self.assertEqual(outs[0], outs[2])
        status, out, _ = formix("react", "2H2", "+", "O2", "=", "2H2O", "--given=H2=4")
        self.assertEqual(status, 0)
        self.assertIn("(given)", out.splitlines()[1])

    def test_text_table(self):
        out = formix("react", "CH4 + 2O2 = CO2 + 2H2O", "--given", "CH4=16.043")[1].splitlines()
        self.assertEqual(out[0].split(), ["side", "coef", "formula", "molar", "mass", "mass", "moles"])
        self.assertEqual([l.split()[2] for l in out[1:]], ["CH4", "O2", "CO2", "H2O"])

    def test_usage_errors(self):
        self.assertEqual(formix("react", "2H2 + O2 = 2H2O")[0], 1)
        self.assertEqual(formix("react", "2H2 + O2 = 2H2O", "--given", "N2=1")[0], 1)
        self.assertEqual(formix("react", "2H2 + O2", "--given", "H2=1")[0], 1)
        self.assertEqual(formix("react", "H2 = = H2", "--given", "H2=1")[0], 1)
        self.assertEqual(formix("react", "2H2 + = H2O", "--given", "H2=x")[0], 1)
        status, _, err = formix("react", "2H2 + O2 = 2H2O", "--given", "H2=abc")
        self.assertEqual(status, 1)
        self.assertIn("Try 'formix --help'", err)


class Analyze(unittest.TestCase):
    def test_glucose_to_total_mass(self):
        status, out, _ = formix("analyze", "C=40.0", "H=6.7", "O=53.3", "--mass", "180.16")
        self.assertEqual(status, 0)
        self.assertEqual(out.splitlines()[-1], "nearest formula: C6H12O6")

    def test_ratios_are_those_of_get_formula(self):
        out = formix("analyze", "C=40.0", "H=6.7", "O=53.3", "--mass", "180.16", "--json")[1]
        doc = json.loads(out)
        texts = (ctypes.c_char_p * 3)(b"C", b"H", b"O")
        fractions = (ctypes.c_double * 3)(40.0, 6.7, 53.3)
        ratios = (ctypes.c_double * 3)()
        LIB.GetFormula(texts, fractions, 3, -1, ctypes.c_double(180.16), ratios)
        self.assertEqual([s["ratio"] for s in doc["species"]], list(ratios))
        self.assertEqual(doc["formula"], "C6H12O6")

    def test_smallest_ratio_one_and_reference(self):
        self.assertEqual(formix("analyze", "C=40", "H=6.7", "O=53.3")[1].splitlines()[-1],
                         "nearest formula: CH2O")
        out = formix("analyze", "C=40", "H=6.7", "O=53.3", "--ref", "O=6", "--json")[1]
        doc = json.loads(out)
        self.assertEqual(doc["species"][2]["ratio"], 6)
        self.assertEqual(doc["formula"], "C6H12O6")

    def test_multiplier_for_non_integer_ratios(self):
        # Fe2O3: ratios 1 : 1.5 need the factor 2.
        fe, o = 2 * molar_mass("Fe"), 3 * molar_mass("O")
        out = formix("analyze", f"Fe={fe}", f"O={o}")[1].splitlines()
        self.assertEqual(out[-2:], ["ratios multiplied by 2", "nearest formula: Fe2O3"])

    def test_species_may_be_formulas(self):
        out = formix("analyze", f"CuSO4={molar_mass('CuSO4')}", f"H2O={5 * molar_mass('H2O')}")[1]
        self.assertEqual(out.splitlines()[-1], "nearest formula: (CuSO4)(H2O)5")

    def test_usage_errors(self):
        self.assertEqual(formix("analyze")[0], 1)
        self.assertEqual(formix("analyze", "C40")[0], 1)
        self.assertEqual(formix("analyze", "C=40", "--mass", "1", "--ref", "C=1")[0], 1)
        self.assertEqual(formix("analyze", "C=40", "--ref", "N=1")[0], 1)


class Tables(unittest.TestCase):
    def test_elements(self):
        status, out, _ = formix("elements")
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual(len(lines), 119)
        self.assertEqual(lines[1].split(), ["0", "H", "1.008"])
        self.assertEqual(len(json.loads(formix("elements", "--json")[1])["elements"]), 118)

    def test_groups(self):
        status, out, _ = formix("groups", "--json")
        groups = json.loads(out)["groups"]
        self.assertEqual(len(groups), 26)
        self.assertEqual(groups[3]["name"], "Ph")
        self.assertEqual(groups[3]["formula"], "C6H5")
        self.assertEqual(groups[3]["molar_mass"], molar_mass("C6H5"))

    def test_other_data_files(self):
        out = formix("elements", "--masses", os.path.join(DATA, "letters.elt"))[1]
        self.assertEqual([l.split()[1] for l in out.splitlines()[1:]], list("ABCDXYZ"))
        out = formix("groups", "--groups", os.path.join(DATA, "organic.gps"))[1]
        self.assertEqual([l.split()[0] for l in out.splitlines()[1:]], ["Ph", "Me", "Et"])
        self.assertEqual(formix("--masses", os.path.join(DATA, "letters.elt"), "AB2")[1], "AB2\t5.0000\n")

    def test_mass_file_not_found(self):
        status, out, err = formix("--masses", "/nonexistent/mass.elt", "H2O")
        self.assertEqual(status, 3)
        self.assertEqual(out, "")
        self.assertIn("Невозможно открыть файл данных по атомным массам", err)
        self.assertEqual(formix("--masses", "x" * 300, "H2O")[0], 3)
        self.assertEqual(formix("--groups", "g.gps", "--masses", "/nonexistent", "H2O")[0], 3)


class Help(unittest.TestCase):
    def test_help_lists_every_command_and_option(self):
        status, out, _ = formix("--help")
        self.assertEqual(status, 0)
        for word in ("mass", "composition", "react", "analyze", "elements", "groups", "--masses",
                     "--groups", "--precision", "--json", "--help", "--version", "--given",
                     "--mass", "--ref"):
            self.assertIn(word, out)

    def test_version(self):
        self.assertRegex(formix("--version")[1], r"^formix \d+\.\d+\.\d+\n$")

    def test_unknown_option(self):
        status, out, err = formix("--frobnicate", "H2O")
        self.assertEqual(status, 1)
        self.assertEqual(err.count("\n"), 2)


if __name__ == "__main__":
    unittest.main()
