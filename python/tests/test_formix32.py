"""The Python interface, over the toolkit named by FORMIX_LIBRARY."""
import ctypes
import doctest
import math
import os
import struct
import tempfile
import threading
import unittest
import warnings

import formix32

DATA = os.environ.get("FORMIX_DATA", os.path.join(os.path.dirname(__file__), "..", "..", "data"))
CLASSIC = os.environ.get("FORMIX32_LIBRARY")


def quietly(function, *args, **kwargs):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = function(*args, **kwargs)
    return result, [w.message for w in caught]


class Calculations(unittest.TestCase):
    @unittest.skipUnless(CLASSIC, "the classic library is not named")
    def test_molar_mass_is_the_classic_library_value(self):
        lib = ctypes.CDLL(CLASSIC)
        lib.MolarMass.restype = ctypes.c_double
        lib.MolarMass.argtypes = [ctypes.c_char_p]
        for formula in ("CuSO4*5H2O", "K4[Fe(CN)6]", "Ph2CO", "C1.5H3O"):
            self.assertEqual(formix32.molar_mass(formula), lib.MolarMass(formula.encode()))

    def test_pasted_notations_and_ions(self):
        self.assertEqual(formix32.molar_mass("CuSO4·5H₂O"), formix32.molar_mass("CuSO4*5H2O"))
        self.assertEqual(formix32.molar_mass("СO"), formix32.molar_mass("CO"))  # Cyrillic ES
        # 2 electrons added to sulfate: 32.06 + 4 * 15.999 + 2 * 0.000548...
        reading = formix32.read("SO4^2-")
        self.assertEqual(reading.charge, -2)
        self.assertEqual(reading.molar_mass, formix32.molar_mass("SO4") + 2 * 5.485799090441e-4)
        self.assertEqual([d.code for d in reading.diagnostics], ["charge"])
        self.assertEqual((reading.hill, formix32.read("C6H12O6").empirical), ("O4S^2-", "CH2O"))
        # Another reading, with its formula and molar mass: 13C6H12O6 as the
        # labelled glucose, 6 x 13.00335483534 (13C) + 12 x 1.008 + 6 x 15.999.
        other = formix32.read("13C6H12O6").diagnostics[0]
        self.assertEqual((other.code, other.other), ("mass-number", "[13C]6H12O6"))
        self.assertAlmostEqual(other.other_molar_mass, 6 * 13.00335483534 + 12 * 1.008 + 6 * 15.999, places=9)

    def test_many_at_once_match_one_at_a_time(self):
        formulas = ["H2O", "CuSO4·5H₂O", "SO4^2-", "co(NO3)2", "NaXx", "C1.5H3O", ""]
        masses, caught = quietly(formix32.molar_masses, formulas)
        singly, _ = quietly(lambda: [formix32.molar_mass(f) for f in formulas])
        self.assertEqual(len(masses), len(formulas))
        for batch, one, formula in zip(masses, singly, formulas):
            self.assertTrue(batch == one or (math.isnan(batch) and math.isnan(one)), formula)
        self.assertTrue(math.isnan(masses[4]))
        # One warning for the call, naming the rows: co(NO3)2 (row 3) read with a warning, NaXx and ""
        # (rows 4 and 6) with no number; the mask marks the flagged numbers.
        self.assertEqual([(w.warned, w.failed) for w in caught], [([3], [4, 6])])
        flagged_masses, mask = quietly(formix32.molar_masses, formulas, flags=True)[0]
        self.assertEqual(list(mask), [False, False, False, True, False, False, False])
        # A warning quotes a long formula by its start.
        _, caught = quietly(formix32.molar_mass, "C" * 100000 + "Xx")
        self.assertTrue(str(caught[0]).startswith("C" * 60 + "... (100002 bytes)"), str(caught[0])[:100])
        # A million rows are one warning, not a million.
        _, caught = quietly(formix32.molar_masses, ["CuSO4.5H2O"] * 1000 + ["H2O"])
        self.assertEqual((len(caught), len(caught[0].warned), caught[0].warned[-1]), (1, 1000, 999))
        with formix32.strict(), self.assertRaises(formix32.FormulaError):
            formix32.molar_masses(["H2O", "NaXx"])
        self.assertEqual(list(formix32.molar_masses([])), [])
        # A data frame's missing values (None, NaN) have no mass; another type is refused.
        missing, _ = quietly(formix32.molar_masses, ["H2O", None, float("nan")])
        self.assertEqual([math.isnan(m) for m in missing], [False, True, True])
        with self.assertRaises(TypeError):
            formix32.molar_masses(["H2O", 18])
        # In bulk: 1H, 16O of AME2020; None and NaN for an error and a missing value.
        mono, _ = quietly(formix32.monoisotopic_masses, ["H2O", "Xx", None])
        self.assertEqual(mono[0], 2 * 1.007825031898 + 15.99491461926)
        self.assertTrue(math.isnan(mono[1]) and math.isnan(mono[2]))
        (hill, mask), caught = quietly(formix32.hill_formulas, ["CH3COOH", "SO4^2-", "Xx", None, "co(NO3)2",
                                                               "FeSO4,7H2O"], flags=True)
        self.assertEqual((list(hill), list(mask), [(w.warned, w.failed) for w in caught]),
                         (["C2H4O2", "O4S^2-", None, None, "N2O6", "FeH2O5.7S"],
                          [False, False, False, False, True, True], [([4, 5], [2])]))

    def test_composition(self):
        parts = formix32.composition("C1.5H3O")
        self.assertEqual(list(parts), ["H", "C", "O"])
        self.assertEqual(parts["C"].atoms, 1.5)
        self.assertAlmostEqual(sum(p.percent for p in parts.values()), 100.0)
        self.assertEqual(parts["O"].percent, formix32.percent_of_element("C1.5H3O", "O"))
        self.assertEqual(formix32.number_of_atoms("CuSO4*5H2O", "O"), 9.0)

    def test_one_call_answers_match_the_reading(self):
        # molar_mass and composition answer plain formulas in one call; the
        # rest go through read(): both must give what read() gives.
        formulas = ["C6H12O6", "CuSO4*5H2O", "K4[Fe(CN)6]", "Ph3P", "[Co(en)3]Cl3", "(NH4)2SO4",
                    "CH3(CH2)4OH", "SO4^2-", "co", "Ac2O", "H2O.", "C1.5H3O", "CuSO4·5H₂O", "Xx"]
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            for f in formulas:
                reading = formix32.read(f)
                mass = formix32.molar_mass(f)
                if reading.molar_mass is None:
                    self.assertTrue(math.isnan(mass), f)
                else:
                    self.assertEqual(struct.pack("d", mass), struct.pack("d", reading.molar_mass), f)
                    self.assertEqual(formix32.composition(f), {e.symbol: e for e in reading.elements}, f)

    def test_react_takes_each_amount_as_named(self):
        # By hand: 4.032 g H2 is 2 mol; 1.5 equivalents of O2 are 3 mol, at
        # 2 mol/L 1.5 L; 2 mol of water (36.03 g) at 1 g/mL is 36.03 mL.
        r = formix32.react("2H2 + O2 = 2H2O", given={"H2": "4.032 g"}, equiv={"O2": 1.5}, conc={"O2": 2},
                           density={"H2O": 1.0})
        h2, o2, water = r.participants
        self.assertAlmostEqual(o2.moles, 3.0, places=12)
        self.assertAlmostEqual(o2.volume, 1500.0, places=9)
        self.assertAlmostEqual(water.mass, 2 * 18.015, places=9)
        self.assertAlmostEqual(water.volume, 2 * 18.015, places=9)
        self.assertTrue(h2.limiting and h2.given and not o2.given)
        with formix32.strict(), self.assertRaises(formix32.FormulaError) as raised:
            formix32.molar_masses(["H2O", "co(NO3)2", "Xx"])
        self.assertEqual([d.severity for d in raised.exception.diagnostics], ["warning", "error"])

    def test_reaction_masses(self):
        masses = formix32.reaction_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)
        factor = 36.03 / formix32.molar_mass("H2O") / 2
        self.assertEqual(masses, [formix32.molar_mass("H2") * factor * 2,
                                  formix32.molar_mass("O2") * factor * 1, 36.03])
        with self.assertRaises(IndexError):
            formix32.reaction_masses(["H2"], [1], 3, 1.0)
        # No number that is none: NaN given, or a known formula of mass 0.
        with self.assertRaises(ValueError):
            formix32.reaction_masses(["H2", "H2"], [1, 1], 0, math.nan)
        self.assertTrue(all(math.isnan(m) for m in formix32.reaction_masses(["H2", "H0"], [1, 1], 1, 1.0)[:1]))
        with self.assertRaises(TypeError):
            formix32.molar_masses("H2O")  # one str is not three formulas

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

    def test_find_formulas(self):
        # 4-bromobenzoic acid [M-H]-: 7 x 12 + 4 x 1.00782503 + 78.9183376 + 2 x 15.99491462 + e = 198.94002;
        # 81Br/79Br = 0.4931/0.5069 = 97.3 %, M+1 of 7 C 7.6 %.
        found = formix32.find_formulas(198.94002, adduct="[M-H]-",
                                       peaks=[(198.94002, 100), (199.94337, 7.6), (200.93797, 97.3)])
        self.assertEqual((found.candidates[0].hill, found.candidates[0].dbe), ("C7H5BrO2", 5.0))
        self.assertGreater(found.candidates[0].score, found.candidates[1].score)
        self.assertTrue(found.complete)
        self.assertEqual(formix32.read("C6H6").dbe, 4.0)
        self.assertIsNone(formix32.read("CuSO4").dbe)
        self.assertEqual(formix32.exact_masses("C5H6N+").dbe, 3.5)  # pyridinium: 1 + (10 - 6 + 1) / 2
        ion = formix32.find_formulas(74.0964, charge=1, elements="C0-10H0-30N0-2")  # (CH3)4N+, DBE -0.5
        self.assertEqual([(c.formula, c.dbe) for c in ion.candidates], [("C4H12N^+", -0.5)])
        # Nitrate: 14.00307400 + 3 x 15.99491462 + e = 61.98837.
        anion = formix32.find_formulas(61.98837, charge="-", elements="C0-2H0-4N0-2O0-4")  # the toolkit's grammar
        self.assertEqual([c.formula for c in anion.candidates], ["NO3^-"])
        # The journal's line of the formula meant (C7H4BrO2 the [M-H]- ion), or of candidate 2 picked.
        meant = formix32.find_formulas(198.94002, adduct="[M-H]-", formula="C7H5BrO2")
        self.assertTrue(meant.hrms.startswith("HRMS (ESI) m/z: [M - H]- Calcd for C7H4BrO2 198.9400"), meant.hrms)
        self.assertEqual(meant.candidates[meant.given - 1].hill, "C7H5BrO2")
        # Glyphosate [M-H]-: 3 x 12 + 8 x 1.00782503 + 14.00307401 + 5 x 15.99491462 + 30.97376199 - 1.00727646
        # = 168.00673; P/C 0.33 is within the extended ratios, past the common ones.
        glyphosate = dict(adduct="[M-H]-", elements="C0-5H0-12N0-2O0-6P0-2")
        self.assertIn("C3H8NO5P", [c.hill for c in formix32.find_formulas(168.00673, **glyphosate).candidates])
        common = formix32.find_formulas(168.00673, ratios="common", **glyphosate)
        self.assertEqual(common.ratios, "common")
        self.assertNotIn("C3H8NO5P", [c.hill for c in common.candidates])
        self.assertRaises(ValueError, formix32.find_formulas, 168.00673, ratios="strict")
        # PCB-209 (493.6885 u, CDK's): 10 Cl, past the DNP's 8 below 500 u, within Wiley's 10.
        pcb = dict(elements="C0-12Cl0-10", hnops=True)
        dnp = formix32.find_formulas(493.6885, element_limits="dnp", **pcb)
        self.assertEqual((dnp.element_limits, dnp.hnops), ("dnp", True))
        self.assertNotIn("C12Cl10", [c.hill for c in dnp.candidates])
        wiley = formix32.find_formulas(493.6885, element_limits="wiley", **pcb)
        self.assertIn("C12Cl10", [c.hill for c in wiley.candidates])
        self.assertRaises(ValueError, formix32.find_formulas, 493.6885, element_limits="strict")
        # The peaks' error models reach the library: a tighter mass error, a refused intensity error.
        tight = formix32.find_formulas(198.94002, adduct="[M-H]-", intensity_error=3, mass_error=1,
                                       peaks=[(198.94002, 100), (199.94337, 7.6), (200.93797, 97.3)])
        self.assertEqual(tight.candidates[0].hill, "C7H5BrO2")
        self.assertRaises(ValueError, formix32.find_formulas, 198.94002, intensity_error=0)
        picked = formix32.find_formulas(198.94002, adduct="[M-H]-", pick=2)
        self.assertEqual((picked.hrms, picked.chosen), (picked.candidates[1].hrms, picked.candidates[1].hill))
        for bad in (dict(adduct="[M+H]+", charge=1), dict(charge=0), dict(limit=0), dict(elements="Xx0-3"),
                    dict(ppm=-1), dict(adduct="[M-H]-", formula="C7H5BrO2.HCl.H2O"), dict(adduct="[M-H]-", pick=0),
                    dict(adduct="[M-H]-", formula="C7H5BrO2", pick=1), dict(limit=2 ** 64), dict(limit=1000001),
                    dict(ppm=5, mda=2), dict(peaks="198.94:100,bad"), dict(charge="2x")):
            with self.assertRaises(ValueError, msg=repr(bad)):
                formix32.find_formulas(100.0, **bad)

    def test_solution_dilute_sequence(self):
        # NaCl 22.98976928 + 35.45 g/mol; 0.9 % w/v is 9 g/L: at 99.5 %, 9 / 0.995 g in 1 L.
        saline = formix32.solution("NaCl", conc="0.9 % w/v", volume="1 L", purity="99.5 %")
        self.assertAlmostEqual(saline.mass, 9 / 0.995, places=12)
        self.assertAlmostEqual(saline.conc, 9 / (22.98976928 + 35.45), places=12)
        self.assertEqual(formix32.solution("NaCl", mass="9 g", conc="154 mM").solved, "volume")
        diluted = formix32.dilute("10 mg/mL", "1 mg/mL", "10 mL")  # 1 mL of stock, 9 mL of water
        self.assertEqual((round(diluted.stock_volume, 15), round(diluted.solvent_volume, 15)), (0.001, 0.009))
        self.assertIsNone(diluted.conc)  # mol/L needs the formula
        chain = formix32.sequence("pACGT", kind="dna")  # 4 residues C39H49N15O24P4 + H2O
        self.assertEqual((chain.hill, chain.text, chain.residues), ("C39H51N15O25P4", "5'-pACGT-3'", 4))
        ion = formix32.sequence("Ala-Gly-Ser", amide=True, charge=2)  # C8H15N3O5 + NH - O
        self.assertEqual((ion.hill, ion.ion, ion.ion_formula), ("C8H16N4O4", "[M+2H]2+", "C8H18N4O4"))
        self.assertEqual(formix32.sequence("AGS", acetyl=True).hill, "C10H17N3O6")  # + C2H2O
        self.assertEqual(formix32.read("peptide(GGG)").hill, "C6H11N3O4")
        for call in (lambda: formix32.solution("NaCl", conc=5, volume="1 L"),
                     lambda: formix32.solution("NaCl", conc="5 M"),
                     lambda: formix32.dilute("1 M", "2 M", "1 L"),
                     lambda: formix32.sequence("ACDE", kind="lipid"),
                     lambda: formix32.sequence("ACDE", charge=1, adduct="[M+Na]+"),
                     lambda: formix32.sequence("ACDE", disulfides=-1)):
            with self.assertRaises(ValueError):
                call()
        with self.assertRaisesRegex(ValueError, r"'X' is an ambiguity code .* \(at 5\)"):
            formix32.sequence(">é\nAXC")  # the place in characters
        with self.assertRaises(formix32.FormulaError):
            formix32.solution("Xx", conc="1 M", volume="1 L")

    def test_bad_arguments(self):
        for bad in (b"H2O", None, 18, 1.5):
            with self.assertRaises(TypeError, msg=repr(bad)):
                formix32.molar_mass(bad)
        for call in (lambda: formix32.molar_mass("Na\0Cl"), lambda: formix32.set_masses_file("a\0b"),
                     lambda: formix32.molar_mass("H\udcff")):
            with self.assertRaises(ValueError):
                call()


class FeatureTables(unittest.TestCase):
    # m/z by hand (12, 1.00782503, 14.00307401, 15.99491462, 22.98976928; an electron 0.00054858): caffeine
    # [M+H]+ 195.08765, glucose [M+Na]+ 203.05261, (CH3)4N+ 74.09643.
    ROWS = {"id": ["F1", "F2", "F3", "F4"], "rt": [1.2, 3.4, 4.1, 5.5],
            "mz": [195.08765, 203.05261, "abc", 74.09643], "adduct": [None, "[M+Na]+", None, None],
            "charge": [None, None, None, "1"]}
    OPTIONS = dict(adduct="[M+H]+", elements="C0-10H0-20N0-5O0-8Na0-1", limit=2)

    def setUp(self):
        try:
            import pandas  # noqa: F401
        except ImportError:
            self.skipTest("pandas is not installed")

    def test_rows_searched_in_order_with_errors_in_place(self):
        import pandas
        table = pandas.DataFrame(self.ROWS)
        out = formix32.find_table(table, **self.OPTIONS)
        self.assertEqual(list(out.columns), ["id", "rt", "mz", "adduct", "charge", "rank", "formula", "mz_calc",
                                             "ppm_error", "dbe", "error"])
        self.assertEqual(list(out["id"]), ["F1", "F2", "F2", "F3", "F4"])
        self.assertEqual(list(out["formula"][:3]), ["C8H10N4O2", "C6H12O6", "C7H11NNaO3"])
        self.assertEqual(out["formula"][4], "C4H12N^+")  # the row's charge
        self.assertTrue(pandas.isna(out["rank"][3]))
        self.assertEqual(out["error"][3], "the m/z 'abc' is no positive number")
        self.assertEqual(out["rt"][2], 3.4)  # carried
        self.assertTrue(out.equals(formix32.find_table(table, jobs=1, **self.OPTIONS)))

    def test_a_dask_cluster_gives_the_pandas_result(self):
        try:
            import dask.dataframe
            from distributed import Client, LocalCluster
        except ImportError:
            self.skipTest("python3-distributed is not installed")
        import pandas
        table = pandas.DataFrame({k: v * 5 for k, v in self.ROWS.items()})
        expected = formix32.find_table(table, **self.OPTIONS)
        with LocalCluster(n_workers=2, processes=True, threads_per_worker=1, dashboard_address=None) as cluster, \
                Client(cluster):
            frame = dask.dataframe.from_pandas(table, npartitions=4)
            meta = formix32.find_table(table.iloc[:0], **self.OPTIONS)
            got = frame.map_partitions(formix32.find_table, meta=meta, **self.OPTIONS).compute()
        pandas.testing.assert_frame_equal(got.reset_index(drop=True), expected)


class Diagnostics(unittest.TestCase):
    def test_warnings_carry_severity_offset_and_text(self):
        mass, caught = quietly(formix32.molar_mass, "co(NO3)2")
        self.assertEqual(mass, formix32.molar_mass("(NO3)2"))
        (w,) = caught
        self.assertIsInstance(w, formix32.FormulaWarning)
        self.assertEqual((w.severity, w.offset, w.length), ("warning", 0, 2))
        self.assertIn("Co", w.text)

    def test_an_error_gives_nan_and_strict_raises(self):
        mass, caught = quietly(formix32.molar_mass, "NaXx")
        self.assertTrue(math.isnan(mass))
        self.assertEqual([(w.severity, w.symbol) for w in caught], [("error", "Xx")])
        with formix32.strict():
            with self.assertRaises(formix32.FormulaError) as raised:
                formix32.composition("NaXx")
            with self.assertRaises(formix32.FormulaError):
                formix32.molar_mass("AcOH")  # a warning is enough
        self.assertEqual(raised.exception.symbols, ["Xx"])
        self.assertIn("неизвестный", raised.exception.diagnostics[0].library_message)
        _, caught = quietly(formix32.molar_mass, "K4[Fe(CN)6]")
        self.assertEqual(caught, [])

    def test_reports_belong_to_their_thread(self):
        errors = []

        def worker(formula, expect_warning, strict):
            for _ in range(300):
                try:
                    with warnings.catch_warnings(record=True):
                        warnings.simplefilter("always")
                        if strict:
                            with formix32.strict():
                                formix32.molar_mass(formula)
                        else:
                            formix32.molar_mass(formula)
                    if strict and expect_warning:
                        errors.append("no error for " + formula)
                except formix32.FormulaError as error:
                    if not expect_warning:
                        errors.append(f"{formula}: {error}")

        threads = [threading.Thread(target=worker, args=args)
                   for args in (("NaCl", False, True), ("NaXx", True, True), ("H2O", False, True),
                                ("co", True, False))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])


    def test_values_come_from_one_table_set_while_another_thread_reloads(self):
        with tempfile.TemporaryDirectory() as tmp:
            doubled = os.path.join(tmp, "doubled.elt")
            with open(os.path.join(DATA, "mass.elt")) as f, open(doubled, "w") as out:
                for line in f:
                    number, symbol, mass = line.split()  # every mass doubled but hydrogen's
                    out.write(f"{number} {symbol} {(1 if symbol == 'H' else 2) * float(mass)!r}\n")
            shipped = os.path.join(DATA, "mass.elt")
            # Calls over several formulas read them all over one table set:
            # a mix would give a third value.
            calls = {"CuSO4*5H2O": lambda: formix32.molar_mass("CuSO4*5H2O"),
                     "K4[Fe(CN)6]": lambda: formix32.molar_mass("K4[Fe(CN)6]"),
                     "Ph2CO": lambda: formix32.molar_mass("Ph2CO"),
                     "reaction": lambda: tuple(formix32.reaction_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)),
                     "ratios": lambda: tuple(formix32.atom_ratios({"C": 40.0, "H": 6.7, "O": 53.3}).values())}
            formulas = list(calls)
            expected = {f: {calls[f]()} for f in formulas}
            formix32.set_masses_file(doubled)
            for f in formulas:
                expected[f].add(calls[f]())
                self.assertEqual(len(expected[f]), 2, f)
            stop, wrong = threading.Event(), []

            def reload():
                k = 0
                while not stop.is_set():
                    formix32.set_masses_file((shipped, doubled)[k % 2])
                    k += 1

            def compute():
                for k in range(3000):
                    f = formulas[k % len(formulas)]
                    value = calls[f]()
                    if value not in expected[f]:
                        wrong.append((f, value))

            reloader = threading.Thread(target=reload)
            workers = [threading.Thread(target=compute) for _ in range(3)]
            reloader.start()
            for w in workers:
                w.start()
            for w in workers:
                w.join()
            stop.set()
            reloader.join()
            formix32.set_masses_file(shipped)
        self.assertEqual(wrong, [])


class Tables(unittest.TestCase):
    def tearDown(self):
        formix32.set_masses_file(os.path.join(DATA, "mass.elt"))
        formix32.set_groups_file(os.path.join(DATA, "mass.gps"))

    def test_tables(self):
        self.assertEqual(formix32.element_count(), 118)
        self.assertEqual(formix32.elements()[:3], ["H", "He", "Li"])
        self.assertEqual(formix32.groups()["Ph"], "C6H5")
        self.assertEqual(formix32.group_count(), len(formix32.groups()))

    def test_data_files(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "two.elt")
            with open(path, "w") as f:
                f.write("1 A 1\n2 B 2\n")
            self.assertTrue(formix32.set_masses_file(path))
            self.assertEqual(formix32.masses_file(), path)
            self.assertEqual(formix32.elements(), ["A", "B"])
            self.assertEqual(formix32.molar_mass("AB2"), 5.0)
            ok, caught = quietly(formix32.set_masses_file, os.path.join(tmp, "gone.elt"))
            self.assertFalse(ok)
            self.assertIn("found nowhere", str(caught[0]))
            self.assertEqual(formix32.elements(), ["A", "B"])  # nothing changed
            ok, _ = quietly(formix32.set_groups_file, tmp)  # a directory is no data file
            self.assertFalse(ok)
            # One setting never forgets the other: a group file of A2 as "X".
            groups = os.path.join(tmp, "x.gps")
            with open(groups, "w") as f:
                f.write("X A2\n")
            self.assertTrue(formix32.set_groups_file(groups))
            self.assertEqual(formix32.masses_file(), path)
            self.assertEqual(formix32.molar_mass("XB"), 4.0)  # 2 x 1 + 2
            self.assertTrue(formix32.set_groups_file(os.path.join(DATA, "mass.gps")))  # before tmp goes


def load_tests(loader, tests, ignore):
    for module in (formix32, formix32.calculations):
        tests.addTests(doctest.DocTestSuite(module))
    return tests


if __name__ == "__main__":
    unittest.main()
