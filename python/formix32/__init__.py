"""Arithmetic on chemical formulas, read as chemists write them.

>>> import formix32
>>> round(formix32.molar_mass("CuSO4*5H2O"), 2)
249.68
>>> round(formix32.molar_mass("CuSO4·5H₂O"), 2)
249.68

The package stands on the formix toolkit (``libformix.so``), which reads
formulas as they are pasted from papers and web pages (middle dots,
subscript digits, charges such as ``SO4^2-`` or ``[Fe(CN)6]3-``) and says
what it did.  Everything it has to say about a formula is a
:class:`Diagnostic`: a *note* for an unambiguous rewrite, a *warning* when
the number may not be the one meant, an *error* when there is no
trustworthy number.  Each call turns the warnings and errors of its own
formulas into :class:`FormulaWarning` warnings (the number of a formula
with an error is NaN), or, inside :func:`strict`, raises
:class:`FormulaError` carrying them and the result.  Nothing is kept
between calls: two threads never see each other's reports.

The toolkit library is looked for, in this order: the file named by the
environment variable ``FORMIX_LIBRARY``; the one inside the package
(``formix32/lib``, where the wheel puts it with its data files); a
``libformix.so*`` beside this package; one in the ``lib`` directory of the
prefix the package is installed in; the system's library path.
"""

from __future__ import annotations

import ctypes
import math
import warnings
from typing import Dict, List, Optional, Sequence, Union

try:  # arrays in and out where NumPy is installed
    import numpy as _numpy
except ImportError:  # pragma: no cover - plain lists then
    _numpy = None

from . import _context as _contexts
from ._context import _JSON_PARTS, Context, _buffers, _context, _finish, _set, strict
from ._library import PathLike, _lib, _owned, _quiet_molar_mass, _text, library_path
from .calculations import (atom_ratios, dilute, elemental_analysis, exact_masses, find_formula, find_formulas,
                           find_table,
                           isotope_pattern, react, reaction_masses, sequence, solution)
from .results import (AdductIon, Analysis, Candidate, Chain, Diagnostic, Dilution, ElementShare, ExactMasses,
                      FlaggedRows, FormulaError, FormulaFit, FormulaWarning, FoundFormulas, FoundRatios, IsotopePattern,
                      Participant, Reaction, Reading, Solution, SolvateFit, reading_from)

__all__ = [
    "Diagnostic", "FormulaWarning", "FormulaError", "FlaggedRows", "ElementShare", "Reading", "Context",
    "strict", "read", "molar_mass", "molar_masses", "monoisotopic_masses", "hill_formulas", "composition",
    "number_of_atoms", "percent_of_element",
    "reaction_masses", "atom_ratios", "elemental_analysis", "Analysis", "SolvateFit",
    "react", "Reaction", "Participant", "find_formula", "FormulaFit", "FoundRatios",
    "exact_masses", "ExactMasses", "AdductIon", "isotope_pattern", "IsotopePattern",
    "find_formulas", "find_table", "FoundFormulas", "Candidate",
    "solution", "Solution", "dilute", "Dilution", "sequence", "Chain",
    "elements", "groups", "element_count", "group_count",
    "masses_file", "groups_file", "set_masses_file", "set_groups_file", "library_path",
    "ELECTRON_MOLAR_MASS",
]

ELECTRON_MOLAR_MASS = 5.485799090441e-4
"""The molar mass of the electron, g/mol (CODATA 2022)."""


def _mass(reading: Reading) -> float:
    return reading.molar_mass if reading.molar_mass is not None else math.nan


def read(formula: str) -> Reading:
    """The reading of ``formula`` with the shipped (or last set) data files:
    molar mass, charge, diagnostics, elements.  Never warns or raises for
    what the formula holds."""
    return _context().read(formula)


def molar_mass(formula: str) -> float:
    """The molar mass of ``formula`` in g/mol (of the ion, electrons
    counted, when it carries a charge); NaN when it has an error."""
    # Most formulas have nothing to report: one call answers them.
    if type(formula) is str and "\0" not in formula:
        try:
            data = formula.encode("utf-8")
        except UnicodeEncodeError:
            data = None
        if data is not None:
            context = _contexts._default or _context()  # held: another thread may replace the default
            mass = _quiet_molar_mass(context._pointer, data)  # a plain formula: its mass
            if mass == mass:
                return mass
            # Any other: read once, a Reading made only when there is
            # something to say.
            with _owned(_lib.formix_read(context._handle, data, len(data)), "formix_read",
                        _lib.formix_reading_free) as handle:
                if _lib.formix_reading_worst(handle) < 1:  # nothing, or notes only
                    return _lib.formix_reading_molar_mass(handle)
                reading = reading_from(_lib.formix_reading_json(handle, _JSON_PARTS))
            return _finish([reading], _mass(reading))  # type: ignore[return-value]
    reading = read(formula)
    return _finish([reading], _mass(reading))  # type: ignore[return-value]


def _missing(value: object) -> bool:
    """Whether a value of a sequence is a missing value as pandas and NumPy
    write one: None, any float NaN (NumPy's float32 and float64 too),
    pandas' NA and NaT."""
    if value is None:
        return True
    if isinstance(value, str):
        return False
    kind = type(value).__name__
    if kind in ("NAType", "NaTType"):
        return True
    try:
        return bool(value != value)  # NaN, of any float type
    except (TypeError, ValueError):
        return False


def _said(severities: Sequence[int], missing: Sequence[int], formulas: Sequence[object]) -> List[bool]:
    """The rows a bulk call flags, said once: one :class:`FlaggedRows`
    warning naming how many were read with a warning and how many have no
    number, and where (inside :func:`strict`, a :class:`FormulaError` with
    the diagnostics of the first hundred).  Returns the mask of the rows
    read with a warning."""
    absent = set(missing)
    warned = [i for i, w in enumerate(severities) if w == 1 and i not in absent]
    failed = [i for i, w in enumerate(severities) if w >= 2 and i not in absent]
    if warned or failed:
        if _contexts._strict.get():
            _finish([read(formulas[i]) for i in sorted(warned + failed)[:100]], None)  # type: ignore[arg-type]
        else:
            warnings.warn(FlaggedRows(warned, failed, len(severities)), stacklevel=3)
    mask = [False] * len(severities)
    for i in warned:
        mask[i] = True
    return mask


def _with_flags(values, mask: List[bool], flags: bool):
    if not flags:
        return values
    return values, (_numpy.array(mask, dtype=bool) if _numpy is not None else mask)


def molar_masses(formulas: Sequence[str], *, flags: bool = False):
    """Molar masses of many formulas in one call (any sequence: a list, a
    NumPy array of strings, a pandas Series): NaN for a formula with an
    error and for a missing value (None or NaN, as a data frame holds one).
    A NumPy float array when NumPy is installed, else a list.  A number is
    right or flagged: the rows read with a warning (perhaps not the number
    meant) and those with an error are said in one :class:`FlaggedRows`
    warning, however many there are (inside :func:`strict`, a
    :class:`FormulaError`); with ``flags=True`` the call returns
    ``(masses, flagged)``, ``flagged`` True where a row's number has a
    warning, to keep beside the numbers (``df["flagged"] = ...``).  Read
    one formula with :func:`read` for its diagnostics.

    >>> [round(m, 3) for m in molar_masses(["H2O", "CuSO4·5H₂O", "NaCl"])]
    [18.015, 249.677, 58.44]
    >>> masses, flagged = molar_masses(["H2O", "CuSO4.5H2O"], flags=True)  # doctest: +SKIP
    >>> list(flagged)  # doctest: +SKIP
    [False, True]
    """
    if isinstance(formulas, (str, bytes)):
        raise TypeError("formulas must be a sequence of str, not one " + type(formulas).__name__ +
                        " (for one formula use molar_mass)")
    formulas = list(formulas)
    n = len(formulas)
    # One block of NUL-terminated texts, checked and encoded at once; the
    # formula at fault named when that fails.
    missing: List[int] = []
    try:
        joined = "\0".join(formulas)
    except TypeError:
        missing = [i for i, f in enumerate(formulas) if _missing(f)]
        for i in missing:
            formulas[i] = "H"  # a stand-in, its mass replaced by NaN below
        for f in formulas:
            _text(f, "formula")
        joined = "\0".join(formulas)
    try:
        if joined.count("\0") != max(n - 1, 0):
            raise ValueError
        block = joined.encode("utf-8")
    except (ValueError, UnicodeEncodeError):
        for f in formulas:
            _text(f, "formula")
        raise
    if _numpy is not None:
        array = _numpy.empty(n, dtype=_numpy.float64)
        masses = array.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
    else:
        masses = (ctypes.c_double * n)()
    worst = (ctypes.c_int * n)()
    context = _context()  # held through the call: another thread may replace the default
    _lib.formix_molar_masses_block(context._handle, block, n, masses, worst)
    severities = memoryview(worst).cast("B").cast("i")
    mask = _said(severities, missing, formulas) if n and max(severities) >= 1 else [False] * n
    if _numpy is not None:
        array[missing] = math.nan
        return _with_flags(array, mask, flags)
    values = memoryview(masses).cast("B").cast("d").tolist()
    for i in missing:
        values[i] = math.nan
    return _with_flags(values, mask, flags)


def _each(formulas: Sequence[str], what, empty):
    """`what(handle)` of each formula's reading (`empty` for a missing value,
    None or NaN, and for a formula without a number), and the mask of the
    rows read with a warning; the flagged rows said as molar_masses says
    them."""
    if isinstance(formulas, (str, bytes)):
        raise TypeError("formulas must be a sequence of str, not one " + type(formulas).__name__)
    formulas = list(formulas)
    context = _context()
    values: List[object] = []
    severities: List[int] = []
    missing: List[int] = []
    for i, f in enumerate(formulas):
        if _missing(f):
            values.append(empty)
            severities.append(-1)
            missing.append(i)
            continue
        data = _text(f, "formula")
        with _owned(_lib.formix_read(context._handle, data, len(data)), "formix_read",
                    _lib.formix_reading_free) as handle:
            values.append(what(context, handle) if _lib.formix_reading_has_value(handle) else empty)
            severities.append(_lib.formix_reading_worst(handle))
    mask = _said(severities, missing, formulas) if severities and max(severities) >= 1 else [False] * len(values)
    return values, mask


def monoisotopic_masses(formulas: Sequence[str], *, flags: bool = False):
    """Monoisotopic masses (u) of many formulas, as :func:`molar_masses`
    takes and gives them: a NumPy float array where NumPy is installed, NaN
    for an error, a missing value or an element without isotope data; the
    flagged rows said once, and with ``flags=True`` their mask returned too.

    >>> [round(m, 4) for m in monoisotopic_masses(["H2O", "C6H12O6"])]
    [18.0106, 180.0634]
    """
    values, mask = _each(formulas, lambda c, handle: _lib.formix_monoisotopic_mass(c._handle, handle), math.nan)
    array = _numpy.array(values, dtype=_numpy.float64) if _numpy is not None else values
    return _with_flags(array, mask, flags)


def hill_formulas(formulas: Sequence[str], *, flags: bool = False):
    """The Hill formulas of many formulas (charge appended), None for an
    error or a missing value; the flagged rows as :func:`molar_masses` says
    them, and with ``flags=True`` their mask returned too.

    >>> hill_formulas(["CH3COOH", "SO4^2-"])
    ['C2H4O2', 'O4S^2-']
    """
    values, mask = _each(formulas, lambda _, handle: _lib.formix_reading_hill(handle).decode(), None)
    return _with_flags(values, mask, flags)


def _share(symbol: str, atoms: float, mass: float, percent: float) -> ElementShare:
    """ElementShare(symbol, atoms, mass, percent) in half the time: the
    fields set in the instance's dictionary, as the frozen dataclass's
    __init__ would (it goes through object.__setattr__ for each)."""
    share = object.__new__(ElementShare)
    fields = share.__dict__
    fields["symbol"] = symbol
    fields["atoms"] = atoms
    fields["mass"] = mass
    fields["percent"] = percent
    return share


def _shares(reading: Reading) -> Dict[str, ElementShare]:
    """A reading's elements by symbol (the first of a symbol given twice)."""
    shares: Dict[str, ElementShare] = {}
    for e in reading.elements or ():
        shares.setdefault(e.symbol, e)
    return shares


def composition(formula: str) -> Dict[str, ElementShare]:
    """The elements of ``formula`` in the order of the element table, each
    with its number of atoms, mass contribution and mass percent."""
    # A formula with nothing to report: the shares in one call, into this
    # thread's buffers (made once).
    data = _text(formula, "formula")
    context = _contexts._default or _context()  # held: another thread may replace the default
    buffers = _buffers.__dict__.get("composition")
    if buffers is None:
        buffers = _buffers.composition = ((ctypes.c_double * 96)(), ctypes.create_string_buffer(512))
    values, symbols = buffers
    count = _lib.formix_quiet_composition(context._handle, data, values, 96, symbols, 512)
    if count >= 0:
        v = memoryview(values).cast("B").cast("d")[:3 * count].tolist()
        shares: Dict[str, ElementShare] = {}
        for i, symbol in enumerate(symbols.value.decode().split(" ") if count else ()):
            if symbol not in shares:
                shares[symbol] = _share(symbol, v[3 * i], v[3 * i + 1], v[3 * i + 2])
        return shares
    reading = read(formula)
    return _finish([reading], _shares(reading))  # type: ignore[return-value]


def number_of_atoms(formula: str, symbol: str) -> float:
    """Atoms of the element ``symbol`` in ``formula`` (0 when absent)."""
    _text(symbol, "symbol")
    reading = read(formula)
    share = _shares(reading).get(symbol)
    return _finish([reading], share.atoms if share else 0.0)  # type: ignore[return-value]


def percent_of_element(formula: str, symbol: str) -> float:
    """Mass percent of the element ``symbol`` in ``formula`` (0 when absent)."""
    _text(symbol, "symbol")
    reading = read(formula)
    share = _shares(reading).get(symbol)
    return _finish([reading], share.percent if share else 0.0)  # type: ignore[return-value]


def elements() -> List[str]:
    """The symbols of the element table, in table order."""
    context = _context()
    return [_lib.formix_element_symbol(context._handle, i).decode()
            for i in range(_lib.formix_element_count(context._handle))]


def groups() -> Dict[str, str]:
    """The group table: name to formula."""
    return _context().groups()


def element_count() -> int:
    """Elements in the table."""
    context = _context()  # held through the call
    return int(_lib.formix_element_count(context._handle))


def group_count() -> int:
    """Groups in the table."""
    context = _context()  # held through the call
    return int(_lib.formix_group_count(context._handle))


def masses_file() -> str:
    """The mass file in use, as opened."""
    return _context().masses_file


def groups_file() -> str:
    """The group file in use, as opened ("" for none)."""
    return _context().groups_file


def set_masses_file(path: PathLike) -> bool:
    """Use another mass file from now on (all threads); False, with a
    warning and nothing changed, when it is found nowhere."""
    return _set("masses", path)


def set_groups_file(path: PathLike) -> bool:
    """Use another group file from now on (all threads); False, with a
    warning and nothing changed, when it is found nowhere."""
    return _set("groups", path)
