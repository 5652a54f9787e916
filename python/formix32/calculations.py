"""The calculations beyond one formula's reading: reaction masses and
reactions, elemental analyses, formulas from found values, exact masses
and isotope patterns.  The arithmetic is the toolkit's; these calls pass
the arguments and build the results from its JSON."""

from __future__ import annotations

import ctypes
import math
from typing import Dict, List, Optional, Sequence, Tuple, Union

from . import _flags
from ._context import _context, _finish
from ._library import _lib, _or_default, _owned, _text
from .results import (Chain, Dilution, FormulaError, Solution, chain_from, dilution_from, solution_from)
from .results import (Analysis, ExactMasses, FoundFormulas, FoundRatios, IsotopePattern, Reaction,
                      exact_masses_from, found_formulas_from, found_ratios_from, isotope_pattern_from, reaction_from)


def reaction_masses(formulas: Sequence[str], coefficients: Sequence[float], known: int,
                    mass: float) -> List[float]:
    """Masses of all participants of a balanced reaction, given the mass of
    participant ``known`` (an index into ``formulas``): the products and
    quotients of the library's ChemEqu, in its order.

    >>> [round(m, 2) for m in reaction_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)]
    [4.03, 32.0, 36.03]
    """
    n = len(formulas)
    if len(coefficients) != n:
        raise ValueError("one coefficient per formula")
    if not 0 <= known < n:
        raise IndexError("known must index a participant")
    if not math.isfinite(float(mass)) or not all(math.isfinite(float(c)) for c in coefficients):
        raise ValueError("the mass and the coefficients must be finite numbers")
    texts = (ctypes.c_char_p * n)(*[_text(f, "formula") for f in formulas])
    numbers = (ctypes.c_double * n)(*[float(c) for c in coefficients])
    masses = (ctypes.c_double * n)()
    context = _context()  # one context for the whole call: another thread may replace the default
    worst = _lib.formix_reaction_masses(context._handle, texts, numbers, n, known, float(mass), masses)
    readings = [context.read(f) for f in formulas] if worst >= 1 else []
    return _finish(readings, list(masses))  # type: ignore[return-value]


def atom_ratios(fractions: Dict[str, float], total: Optional[float] = None,
                reference: Optional[str] = None, atoms: float = 1.0) -> Dict[str, float]:
    """Atom ratios from an elemental analysis: ``fractions`` maps each species
    (an element symbol or any formula) to its mass fraction or percentage.

    With ``total``, the ratios are the atoms of a formula unit of that molar
    mass.  With ``reference``, they are scaled so that that species has
    ``atoms`` atoms.  With neither, the smallest ratio is 1.

    >>> r = atom_ratios({"C": 40.0, "H": 6.7, "O": 53.3}, total=180.16)
    >>> [round(v) for v in r.values()]
    [6, 12, 6]
    """
    if total is not None and reference is not None:
        raise ValueError("give total or reference, not both")
    names = list(fractions)
    if not names:
        return {}
    if not all(math.isfinite(float(fractions[n])) for n in names) or \
            (total is not None and not math.isfinite(float(total))):
        raise ValueError("the fractions and the total must be finite numbers")
    if reference is not None and reference not in fractions:
        raise KeyError(reference)
    species = (ctypes.c_char_p * len(names))(*[_text(n, "species") for n in names])
    values = (ctypes.c_double * len(names))(*[float(fractions[n]) for n in names])
    context = _context()  # one context for the whole call: another thread may replace the default
    handle = _lib.formix_atom_ratios(context._handle, species, values, len(names), None,
                                      float(total) if total is not None else 0.0,
                                      _text(reference, "reference") if reference is not None else None,
                                      float(atoms), math.nan)
    with _owned(handle, "formix_atom_ratios", _lib.formix_ratios_free):
        return {s.species: s.ratio for s in found_ratios_from(_lib.formix_ratios_json(handle)).species}


def elemental_analysis(formula: str, found: Union[None, str, Dict[str, float]] = None,
                       elements: Union[None, str, Sequence[str]] = None, tolerance: Optional[float] = None,
                       solvents: int = 0) -> Analysis:
    """The elemental analysis of ``formula``: the journal's Calcd line for
    ``elements`` (default C, H, N and S as far as the formula holds them),
    with ``found`` values (``{"C": 73.21}`` or ``"C=73.21,H=7.75"``) the
    Found line and the verdict at ``tolerance`` (absolute percent; None:
    the library's default, 0.4), and with
    ``solvents`` 1 or 2 the solvate fits.  A formula with an error raises
    :class:`FormulaError`; a bad element or found value ``ValueError``.

    >>> a = elemental_analysis("C20H25NO3", found={"C": 73.21, "H": 7.75, "N": 4.22})
    >>> a.calcd_line
    'Anal. Calcd for C20H25NO3: C, 73.37; H, 7.70; N, 4.28.'
    >>> a.within
    True
    >>> elemental_analysis("C20H25NO3", found="C=71.35,H=7.82,N=4.14", solvents=1).fits[0].label
    'C20H25NO3·0.5H2O'
    """
    return _context().elemental_analysis(formula, found, elements, tolerance, solvents)


def react(equation: str, given: Optional[Dict[str, Union[float, str]]] = None, balance: bool = False,
          check: bool = True, equiv: Optional[Dict[str, float]] = None,
          density: Optional[Dict[str, float]] = None, conc: Optional[Dict[str, float]] = None) -> Reaction:
    """A reaction and its bench amounts.  ``given`` maps participants (as
    written) to amounts: a number of grams, or text with a unit (``"2.5 g"``,
    ``"15 mmol"``); ``equiv``, ``density`` (g/mL), ``conc`` (mol/L) likewise.
    An equation that does not balance (unless ``check=False``), or a bad
    amount, raises ``ValueError``.

    >>> r = react("H2 + O2 = H2O", balance=True)
    >>> r.equation
    '2 H2 + O2 = 2 H2O'
    >>> r = react("PhBr + Mg = PhMgBr", given={"PhBr": "2.5 g"}, equiv={"Mg": 1.2})
    >>> [round(p.moles * 1000, 1) for p in r.participants], r.participants[0].limiting
    ([15.9, 19.1, 15.9], True)
    """
    context = _context()
    handle = _lib.formix_react(context._handle, _text(equation, "equation"), int(balance), int(check))
    with _owned(handle, "formix_react", _lib.formix_reaction_free):
        amounts = False
        for kind, values in ((b"g", given), (b"e", equiv), (b"d", density), (b"c", conc)):
            for name, value in (values or {}).items():
                amounts = True
                if not _lib.formix_reaction_set_amount(handle, _text(f"{name}={value}", "amount"), kind):
                    break  # the reaction's error says why
        if amounts:
            _lib.formix_reaction_solve(handle)
        return reaction_from(_lib.formix_reaction_json(handle))


def find_formula(found: Dict[str, float], by_difference: Optional[str] = None,
                 mass: Optional[float] = None, tolerance: Optional[float] = None) -> FoundRatios:
    """Atom ratios and candidate formulas from found percentages (or mass
    fractions).  A species that does not read without doubt raises
    ``ValueError``; a sum far from 100 % comes back as a warning.

    >>> f = find_formula({"C": 73.21, "H": 7.75, "N": 4.22}, by_difference="O")
    >>> f.candidates[0].formula, f.candidates[0].calcd_line
    ('C20H25NO3', 'Anal. Calcd for C20H25NO3: C, 73.37; H, 7.70; N, 4.28; O, 14.66.')
    """
    names = list(found)
    species = (ctypes.c_char_p * len(names))(*[_text(n, "species") for n in names])
    fractions = (ctypes.c_double * len(names))(*[float(found[n]) for n in names])
    context = _context()  # held through the call: another thread may replace the default
    handle = _lib.formix_atom_ratios(context._handle, species, fractions, len(names),
                                      _text(by_difference, "by_difference") if by_difference else None,
                                      float(mass or 0.0), None, 1.0, _or_default(tolerance))
    with _owned(handle, "formix_atom_ratios", _lib.formix_ratios_free):
        return found_ratios_from(_lib.formix_ratios_json(handle))


def exact_masses(formula: str, adducts: Optional[Sequence[str]] = None, found: Optional[float] = None,
                 source: str = "ESI") -> ExactMasses:
    """Exact masses of ``formula`` and of its adduct ions (all of the list,
    or those named); with ``found``, each ion carries the journal's line.

    >>> x = exact_masses("C20H25NO3", ["[M+H]+"], found=328.1911)
    >>> round(x.monoisotopic_mass, 6), x.ions[0].hrms
    (327.183444, 'HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.')
    """
    context = _context()
    names = _text(",".join(adducts), "adducts") if adducts else None
    with context._reading(formula) as reading:
        handle = _lib.formix_exact_masses(context._handle, reading, names)
    with _owned(handle, "formix_exact_masses", _lib.formix_exact_free):
        if found is not None:
            _lib.formix_exact_compare(handle, float(found), math.nan, _text(source, "source"))
        return exact_masses_from(_lib.formix_exact_json(handle))


def isotope_pattern(formula: str, resolution: Optional[float] = None,
                    threshold: Optional[float] = None) -> IsotopePattern:
    """The isotope pattern of ``formula`` at a resolving power (None: the
    library's default, 20000) and a relative threshold (None: 1e-6).

    >>> p = isotope_pattern("C6H12O6")
    >>> [(round(q.mz, 4), round(q.intensity, 2)) for q in p.peaks[:3]]
    [(180.0634, 100.0), (181.0668, 6.86), (182.068, 1.43)]
    """
    context = _context()
    with context._reading(formula) as reading:
        handle = _lib.formix_isotope_pattern(context._handle, reading, _or_default(threshold),
                                             _or_default(resolution))
    with _owned(handle, "formix_isotope_pattern", _lib.formix_pattern_free):
        return isotope_pattern_from(_lib.formix_pattern_json(handle, 0), _lib.formix_pattern_json(handle, 1))


def _charge(charge: Union[None, int, str]) -> Optional[int]:
    """A charge as a whole number (2, -1), or as text read by the toolkit's
    one grammar ("2+", "++", "-"); ValueError for anything else."""
    if isinstance(charge, str):
        z = ctypes.c_int(0)
        why = _lib.formix_read_charge(_text(charge, "charge"), ctypes.byref(z)).decode()
        if why:
            raise ValueError(why)
        return z.value
    if charge is not None and (not isinstance(charge, int) or isinstance(charge, bool) or charge == 0):
        raise ValueError("charge must be a whole number other than 0, or a charge such as '2+'")
    return charge


def _choice_flag(value: str, name: str, flags: Dict[str, int]) -> int:
    """The flag of an option naming one of ``flags``' keys; another is refused, the choices listed."""
    if value not in flags:
        names = [f"'{k}'" for k in flags]
        raise ValueError(f"{name} must be {', '.join(names[:-1])} or {names[-1]}")
    return flags[value]


def find_formulas(mz: float, adduct: Optional[str] = None, charge: Union[None, int, str] = None,
                  ppm: Optional[float] = None, mda: Optional[float] = None, elements: Optional[str] = None,
                  rules: bool = True, radical: bool = False, explain: bool = False, ratios: str = "extended",
                  element_limits: str = "none", hnops: bool = False,
                  peaks: Optional[Sequence[Tuple[float, float]]] = None, resolution: Optional[float] = None,
                  intensity_error: Optional[float] = None, mass_error: Optional[float] = None,
                  limit: Optional[int] = None, source: str = "ESI", formula: Optional[str] = None,
                  pick: Optional[int] = None) -> FoundFormulas:
    """Every formula within ``ppm`` (default 5) or ``mda`` of a found m/z,
    as an ``adduct`` ion of M, an ion of ``charge`` of its own, or with
    neither a neutral mass; within element ranges (``elements``, such as
    "C0-30H0-60N0-5O0-10"; None: the organic default), held to the chemical
    rules unless ``rules`` is False (their element ratios: ``ratios``
    "extended", "common" or "none"; the element counts by mass range:
    ``element_limits`` "dnp", "wiley" or "none"; the HNOPS check: ``hnops``), scored against found isotope ``peaks``
    ((m/z, intensity) pairs) when given, under their errors (``intensity_error``
    in percent of an intensity, default 5; ``mass_error`` in ppm, default the
    tolerance / 2.5; docs/find.md).  The HRMS line
    (``hrms``) is that of the ``formula`` meant (marked by ``given``), of
    candidate ``pick`` (1-based), or of the only candidate left; never of
    rank 1 of many.

    >>> f = find_formulas(328.1911, adduct="[M+H]+", elements="C0-30H0-50N0-3O0-6")
    >>> [(c.hill, c.dbe) for c in f.candidates], f.hrms
    ([('C20H25NO3', 9.0)], 'HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.')
    """
    if adduct is not None and charge is not None:
        raise ValueError("give adduct or charge, not both")
    charge = _charge(charge)
    if limit is not None and (not isinstance(limit, int) or isinstance(limit, bool) or not 1 <= limit <= 1000000):
        raise ValueError("limit must be a whole number from 1 to 1000000")
    if ppm is not None and mda is not None:
        raise ValueError("give ppm or mda, not both")
    peak_text = None
    if isinstance(peaks, str):  # as the tool takes them: "328.1911:100,329.1944:22.6"
        peak_text = _text(peaks, "peaks")
    elif peaks is not None:
        peak_text = ",".join(f"{float(m)!r}:{float(i)!r}" for m, i in peaks).encode()
    flags = ((0 if rules else _flags.FORMIX_FIND_NO_RULES) | (_flags.FORMIX_FIND_RADICAL if radical else 0)
             | (_flags.FORMIX_FIND_EXPLAIN if explain else 0)
             | _choice_flag(ratios, "ratios", {"extended": 0, "common": _flags.FORMIX_FIND_COMMON_RATIOS,
                                               "none": _flags.FORMIX_FIND_NO_RATIOS})
             | _choice_flag(element_limits, "element_limits", {"dnp": _flags.FORMIX_FIND_DNP_LIMITS,
                                                               "wiley": _flags.FORMIX_FIND_WILEY_LIMITS, "none": 0})
             | (_flags.FORMIX_FIND_HNOPS if hnops else 0))
    context = _context()
    handle = _lib.formix_find_formulas(context._handle, float(mz),
                                       _text(adduct, "adduct") if adduct is not None else None, charge or 0,
                                       _or_default(ppm), _or_default(mda),
                                       _text(elements, "elements") if elements is not None else None, peak_text,
                                       _or_default(resolution), _or_default(intensity_error), _or_default(mass_error),
                                       limit or 0, flags, _text(source, "source"))
    if formula is not None and pick is not None:
        raise ValueError("give formula or pick, not both")
    if pick is not None and (not isinstance(pick, int) or isinstance(pick, bool) or pick < 1):
        raise ValueError("pick must be a whole number of at least 1")
    with _owned(handle, "formix_find_formulas", _lib.formix_find_free):
        if formula is not None or pick is not None:
            why = _lib.formix_find_choose(handle, context._handle,
                                          _text(formula, "formula") if formula is not None else None, pick or 0)
            if why:
                raise ValueError(why.decode())
        return found_formulas_from(_lib.formix_find_json(handle))


def _quantity(value: Optional[str], what: str) -> Optional[bytes]:
    """A quantity with its unit ("50 mM") for the library; None stays None."""
    if value is None:
        return None
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        raise ValueError(f"{what} {value!r} has no unit: write it as text with its unit, such as '50 mM'")
    return _text(value, what)


def _checked_reading(formula: str):
    """The reading of ``formula``, which must have a number (else FormulaError)."""
    reading = _context().read(formula)
    if reading.molar_mass is None:
        raise FormulaError([d for d in reading.diagnostics if d.severity == "error"], None)
    return reading


def solution(formula: str, conc: Optional[str] = None, volume: Optional[str] = None, mass: Optional[str] = None,
             purity: Optional[str] = None, density: Optional[str] = None, solvent: Optional[str] = None) -> Solution:
    """A solution of ``formula`` from two of ``conc``, ``volume`` and ``mass``
    (texts with units: "50 mM", "100 mL", "1.25 g"), the third worked out;
    ``purity`` ("98 %" or "0.98") and a liquid reagent's ``density``
    ("1.18 g/mL") as the bench needs them (docs/solutions.md).

    >>> solution("CuSO4*5H2O", conc="50 mM", volume="100 mL").line
    'Dissolve 1.248 g of CuSO4*5H2O (249.68 g/mol) in water to 100.0 mL (50.00 mM).'
    """
    reading = _checked_reading(formula)
    args = [_quantity(conc, "conc"), _quantity(volume, "volume"), _quantity(mass, "mass"),
            _quantity(purity, "purity"), _quantity(density, "density"),
            _text(solvent, "solvent") if solvent is not None else None]
    handle = _lib.formix_solution_new(_context()._handle, _text(formula, "formula"), *args)
    with _owned(handle, "formix_solution_new", _lib.formix_solution_free):
        return _finish([reading], solution_from(_lib.formix_solution_json(handle)))  # type: ignore[return-value]


def dilute(stock: str, conc: str, volume: str, formula: Optional[str] = None, density: Optional[str] = None,
           solvent: Optional[str] = None) -> Dilution:
    """The volume of ``stock`` that makes ``volume`` of ``conc`` (C1V1 =
    C2V2) and the solvent to add; ``formula`` converts between mol/L and
    g/L; a "% w/w" stock needs its ``density``.

    >>> round(dilute("12 M", "1 M", "500 mL").stock_volume * 1000, 2)
    41.67
    """
    readings = [_checked_reading(formula)] if formula is not None else []
    handle = _lib.formix_dilution(_context()._handle, _text(formula, "formula") if formula is not None else None,
                                  _quantity(stock, "stock"), _quantity(conc, "conc"), _quantity(volume, "volume"),
                                  _quantity(density, "density"), _text(solvent, "solvent") if solvent else None)
    with _owned(handle, "formix_dilution", _lib.formix_solution_free):
        return _finish(readings, dilution_from(_lib.formix_solution_json(handle)))  # type: ignore[return-value]


def sequence(text: str, kind: str = "protein", acetyl: bool = False, amide: bool = False, disulfides: int = 0,
             five_phosphate: bool = False, charge: Union[None, int, str] = None,
             adduct: Optional[str] = None) -> Chain:
    """The formula and masses of a peptide (``kind`` "protein": ACDE,
    Ala-Gly-Ser, Ac-ACDE-NH2) or a single strand ("dna", "rna"; pACGT for a
    5'-phosphate); with ``charge`` z the ion [M+zH]z+, or an ``adduct``.

    >>> c = sequence("GGG")
    >>> c.hill, round(c.monoisotopic_mass, 4)
    ('C6H11N3O4', 189.075)
    """
    if kind not in ("protein", "dna", "rna"):
        raise ValueError(f"kind must be 'protein', 'dna' or 'rna', not {kind!r}")
    if not isinstance(disulfides, int) or isinstance(disulfides, bool) or not 0 <= disulfides <= 1000000:
        raise ValueError("disulfides must be a whole number from 0 to 1000000")
    charge = _charge(charge)
    if charge is not None and abs(charge) > 100:
        raise ValueError("charge must be a whole number from -100 to 100 other than 0")
    if charge is not None and adduct is not None:
        raise ValueError("give charge or adduct, not both")
    flags = ((_flags.FORMIX_SEQUENCE_ACETYL if acetyl else 0) | (_flags.FORMIX_SEQUENCE_AMIDE if amide else 0)
             | (_flags.FORMIX_SEQUENCE_5PHOSPHATE if five_phosphate else 0))
    handle = _lib.formix_sequence_read(_context()._handle, kind.encode(), _text(text, "sequence"), flags, disulfides,
                                       charge or 0, _text(adduct, "adduct") if adduct is not None else None)
    with _owned(handle, "formix_sequence_read", _lib.formix_sequence_free):
        return chain_from(_lib.formix_sequence_json(handle), text)


# The output columns find_table appends, as the tool's find --table writes them,
# and the roles formix_feature_column gives a table's columns.
_TABLE_COLUMNS = ("rank", "formula", "mz_calc", "ppm_error", "dbe")
_MZ, _ADDUCT, _CHARGE = _flags.FORMIX_COLUMN_MZ, _flags.FORMIX_COLUMN_ADDUCT, _flags.FORMIX_COLUMN_CHARGE
_PPM, _PEAKS = _flags.FORMIX_COLUMN_PPM, _flags.FORMIX_COLUMN_PEAKS


def find_table(table, *, adduct: Optional[str] = None, charge: Union[None, int, str] = None,
               ppm: Optional[float] = None, elements: Optional[str] = None, peaks: Optional[str] = None,
               limit: int = 5, jobs: Optional[int] = None, **options):
    """Formulas for every row of a feature table, as ``formix find --table``
    writes them: ``table`` a pandas DataFrame (or anything
    ``pandas.DataFrame`` takes) with an m/z column (``mz``, ``m/z``,
    ``mzmed``, ``row m/z``) and optionally ``adduct``, ``charge``, ``ppm`` and
    ``peaks`` columns, whose values in a row override the arguments.
    Returns a DataFrame of the input's columns, then ``rank``, ``formula``
    (Hill), ``mz_calc``, ``ppm_error``, ``dbe``, ``score`` (where peaks are
    given) and ``error``: one row per candidate up to ``limit``, in the
    input's order; a row with no candidate once, a row that cannot be
    searched with its reason in ``error``.  The rows are searched on
    ``jobs`` threads (default: the processors available), the output the
    same for any number.  Other keyword arguments are find_formulas's
    (``rules``, ``ratios``, ``resolution``, ``intensity_error``,
    ``mass_error``).  With Dask: ``ddf.map_partitions(find_table, ...)``
    (docs/install.md)."""
    import os
    from concurrent.futures import ThreadPoolExecutor

    import pandas

    frame = table if isinstance(table, pandas.DataFrame) else pandas.DataFrame(table)
    roles: Dict[int, str] = {}
    for name in frame.columns:
        role = _lib.formix_feature_column(str(name).encode())
        if role and role not in roles:
            roles[role] = name
    if _MZ not in roles:
        raise ValueError("the table has no m/z column: name one mz, m/z, mzmed or 'row m/z'")
    scored = _PEAKS in roles or peaks is not None
    added = _TABLE_COLUMNS + (("score",) if scored else ()) + ("error",)

    def value(row, role):
        v = row[roles[role]] if role in roles else None
        if v is None or (not isinstance(v, str) and v != v):  # missing (None, NaN)
            return None
        return str(v).strip() or None

    def search(row):
        try:
            row_adduct, row_charge = adduct, charge
            if value(row, _ADDUCT) is not None:
                row_adduct, row_charge = value(row, _ADDUCT), None
            if value(row, _CHARGE) is not None:
                row_charge = value(row, _CHARGE)
                if value(row, _ADDUCT) is None:
                    row_adduct = None
            row_ppm = float(value(row, _PPM)) if value(row, _PPM) is not None else ppm
            try:
                mz = float(row[roles[_MZ]])
            except (TypeError, ValueError):
                mz = math.nan
            if not mz > 0:
                raise ValueError(f"the m/z '{row[roles[_MZ]]}' is no positive number")
            found = find_formulas(float(mz), adduct=row_adduct, charge=row_charge, ppm=row_ppm, elements=elements,
                                  peaks=value(row, _PEAKS) or peaks, limit=limit, **options)
            if found.error:
                raise ValueError(found.error)
        except (ValueError, TypeError) as e:
            return [(None,) * (len(added) - 1) + (str(e),)]
        out = []
        for rank, c in enumerate(found.candidates, 1):
            values = (rank, c.hill, c.mz, c.ppm, c.dbe) + ((c.score,) if scored else ()) + (None,)
            out.append(values)
        return out or [(None,) * len(added)]

    rows = [row for _, row in frame.iterrows()]
    with ThreadPoolExecutor(max_workers=jobs or os.cpu_count() or 1) as pool:
        results = list(pool.map(search, rows))
    index, records = [], []
    for i, found in enumerate(results):
        for values in found:
            index.append(i)
            records.append(values)
    out = frame.iloc[index].reset_index(drop=True)
    extra = pandas.DataFrame.from_records(records, columns=list(added))
    extra["rank"] = extra["rank"].astype("Int64")  # missing where a row has no candidate
    return pandas.concat([out, extra], axis=1)
