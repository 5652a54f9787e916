"""The Python interface, over the library named by FORMIX32_LIBRARY."""
import ctypes
import doctest
import os
import tempfile
import unittest
import warnings

import formix32

DATA = os.environ.get("FORMIX_DATA", os.path.join(os.path.dirname(__file__), "..", "..", "data"))


class Calculations(unittest.TestCase):
    def test_molar_mass_is_the_library_value(self):
        lib = ctypes.CDLL(formix32.library_path)
        lib.MolarMass.restype = ctypes.c_double
        lib.MolarMass.argtypes = [ctypes.c_char_p]
        self.assertEqual(formix32.molar_mass("CuSO4*5H2O"), lib.MolarMass(b"CuSO4*5H2O"))
        self.assertEqual(round(formix32.molar_mass("CuSO4*5H2O"), 2), 249.68)

    def test_str_is_converted_to_windows_1251(self):
        self.assertEqual(formix32.molar_mass("СO"), formix32.molar_mass("CO"))  # Cyrillic ES
        with self.assertRaisesRegex(ValueError, r"U\+2082"):
            formix32.molar_mass("H₂O")

    def test_composition(self):
        parts = formix32.composition("C1.5H3O")
        self.assertEqual(list(parts), ["H", "C", "O"])
        self.assertEqual(parts["C"].atoms, 1.5)
        self.assertAlmostEqual(sum(p.percent for p in parts.values()), 100.0)
        self.assertEqual(parts["O"].percent, formix32.percent_of_element("C1.5H3O", "O"))
        self.assertEqual(formix32.number_of_atoms("CuSO4*5H2O", "O"), 9.0)

    def test_reaction_masses(self):
        masses = formix32.reaction_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)
        factor = 36.03 / formix32.molar_mass("H2O") / 2
        self.assertEqual(masses, [formix32.molar_mass("H2") * factor * 2,
                                  formix32.molar_mass("O2") * factor * 1, 36.03])
        with self.assertRaises(IndexError):
            formix32.reaction_masses(["H2"], [1], 3, 1.0)

    def test_atom_ratios(self):
        analysis = {"C": 40.0, "H": 6.7, "O": 53.3}
        self.assertEqual([round(v) for v in formix32.atom_ratios(analysis, total=180.16).values()],
                         [6, 12, 6])
        smallest = formix32.atom_ratios(analysis)
        self.assertEqual(smallest["C"], 1.0)
        self.assertAlmostEqual(smallest["H"], 2.0, places=1)
        by_oxygen = formix32.atom_ratios(analysis, reference="O", atoms=6)
        self.assertEqual(by_oxygen["O"], 6)
        self.assertAlmostEqual(by_oxygen["C"], 6.0, places=2)
        with self.assertRaises(ValueError):
            formix32.atom_ratios(analysis, total=1.0, reference="C")


class Notifications(unittest.TestCase):
    def test_unknown_symbol_warns_with_the_result_kept(self):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            mass = formix32.molar_mass("H2XxQq")
        self.assertEqual(mass, 2 * formix32.molar_mass("H"))
        self.assertEqual([w.message.symbol for w in caught], ["Xx", "Qq"])
        self.assertTrue(all(isinstance(w.message, formix32.FormulaWarning) for w in caught))

    def test_strict_raises_with_the_result(self):
        with formix32.strict():
            with self.assertRaises(formix32.FormulaError) as raised:
                formix32.composition("NaXx")
        self.assertEqual(raised.exception.symbols, ["Xx"])
        self.assertEqual(list(raised.exception.result), ["Na"])
        self.assertEqual(formix32.molar_mass("NaCl"), formix32.molar_mass("ClNa"))  # no error outside

    def test_no_warning_for_good_formulas(self):
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            formix32.molar_mass("K4[Fe(CN)6]")


class Tables(unittest.TestCase):
    def tearDown(self):
        formix32.set_masses_file(os.path.join(DATA, "mass.elt"))
        formix32.set_groups_file(os.path.join(DATA, "mass.gps"))

    def test_tables(self):
        formix32.molar_mass("H")
        self.assertEqual(formix32.element_count(), 118)
        self.assertEqual(formix32.elements()[:3], ["H", "He", "Li"])
        self.assertGreater(formix32.group_count(), 15)

    def test_data_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "two.elt")
            with open(path, "w") as f:
                f.write("1 A 1\n2 B 2\n")
            self.assertTrue(formix32.set_masses_file(path))
            self.assertEqual(formix32.masses_file(), path)
            self.assertEqual(formix32.elements(), ["A", "B"])
            self.assertEqual(formix32.molar_mass("AB2"), 5.0)
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            self.assertFalse(formix32.set_masses_file(os.path.join(tmp, "gone.elt")))
        self.assertEqual(caught[0].message.message.caption, "Внимание!")
        self.assertEqual(formix32.elements(), ["A", "B"])  # the old tables stay
        # The failed mass path stays set, so a reload for groups fails as well.
        with warnings.catch_warnings(record=True):
            warnings.simplefilter("always")
            self.assertFalse(formix32.set_groups_file("no-such.gps"))
        self.assertEqual(formix32.groups_file(), "no-such.gps")
        with self.assertRaises(ValueError):
            formix32.set_groups_file("x" * 256)


def load_tests(loader, tests, ignore):
    tests.addTests(doctest.DocTestSuite(formix32))
    return tests


if __name__ == "__main__":
    unittest.main()
