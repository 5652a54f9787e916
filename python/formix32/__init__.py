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
environment variable ``FORMIX_LIBRARY``; a ``libformix.so*`` beside this
package; one in the ``lib`` directory of the prefix the package is
installed in; the system's library path.
"""

from __future__ import annotations

import contextlib
import contextvars
import ctypes
import ctypes.util
import glob
import math
import os
import threading
import warnings
from dataclasses import dataclass, field
from typing import Dict, Iterator, List, Optional, Sequence, Union

__all__ = [
    "Diagnostic", "FormulaWarning", "FormulaError", "ElementShare", "Reading", "Context",
    "strict", "read", "molar_mass", "molar_masses", "composition", "number_of_atoms", "percent_of_element",
    "reaction_masses", "atom_ratios", "elemental_analysis", "Analysis", "SolvateFit",
    "react", "Reaction", "Participant", "find_formula", "FormulaFit", "FoundRatios",
    "exact_masses", "ExactMasses", "AdductIon", "isotope_pattern", "IsotopePattern", "elements", "groups", "element_count", "group_count",
    "masses_file", "groups_file", "set_masses_file", "set_groups_file", "library_path",
    "ELECTRON_MOLAR_MASS",
]

ELECTRON_MOLAR_MASS = 5.485799090441e-4
"""The molar mass of the electron, g/mol (CODATA 2022)."""

_SEVERITIES = ("note", "warning", "error")


@dataclass(frozen=True)
class Diagnostic:
    """One thing the reader has to say about a formula.  ``offset`` and
    ``length`` are in bytes of the formula's UTF-8 form; ``library_message``
    is the classic library's own (Russian) text where it spoke."""

    severity: str
    code: str
    offset: int
    length: int
    message: str
    symbol: Optional[str] = None
    library_message: Optional[str] = None
    #: Another reading of the text (``[13C]6H12O6`` for ``13C6H12O6``) and
    #: its molar mass (None when it has no number), where there is one.
    other: Optional[str] = None
    other_molar_mass: Optional[float] = None

    def __str__(self) -> str:
        return f"{self.severity}: {self.message}"


class FormulaWarning(UserWarning):
    """A warning or an error about a formula, as a Python warning."""

    def __init__(self, formula: str, diagnostic: Diagnostic) -> None:
        super().__init__(f"{formula}: {diagnostic}")
        self.formula = formula
        self.diagnostic = diagnostic
        self.severity = diagnostic.severity
        self.offset = diagnostic.offset
        self.length = diagnostic.length
        self.text = diagnostic.message
        self.symbol = diagnostic.symbol


class FormulaError(ValueError):
    """Raised inside :func:`strict` when a formula of the call has a warning
    or an error.  ``result`` holds what the call would have returned."""

    def __init__(self, diagnostics: List[Diagnostic], result: object) -> None:
        super().__init__("; ".join(str(d) for d in diagnostics))
        self.diagnostics = diagnostics
        self.result = result
        self.symbols = [d.symbol for d in diagnostics if d.symbol is not None]


@dataclass(frozen=True)
class ElementShare:
    """An element's part of a formula."""

    atoms: float
    mass: float
    percent: float


def _share(atoms: float, mass: float, percent: float) -> ElementShare:
    """ElementShare(atoms, mass, percent) in half the time: the fields set
    in the instance's dictionary, as the frozen dataclass's __init__ would
    (it goes through object.__setattr__ for each)."""
    share = object.__new__(ElementShare)
    fields = share.__dict__
    fields["atoms"] = atoms
    fields["mass"] = mass
    fields["percent"] = percent
    return share


@dataclass(frozen=True)
class Reading:
    """A formula as read: its molar mass (None when it has an error), the
    charge read off it, the text handed to the engine, the diagnostics and
    the elements in Hill order."""

    formula: str
    molar_mass: Optional[float]
    charge: int
    text: str
    diagnostics: List[Diagnostic] = field(default_factory=list)
    elements: Dict[str, ElementShare] = field(default_factory=dict)
    hill: str = ""
    """The Hill formula (C, H, then alphabetical; charge appended as ``^2-``)."""
    empirical: str = ""
    """The empirical formula in Hill order ("" when a count is not whole)."""

    @property
    def worst(self) -> Optional[str]:
        """The worst severity among the diagnostics, or None."""
        levels = [_SEVERITIES.index(d.severity) for d in self.diagnostics]
        return _SEVERITIES[max(levels)] if levels else None


@dataclass(frozen=True)
class SolvateFit:
    """The compound with solvent: its label (``C20H25NO3·0.5H2O``), largest
    deviation from the found values, calculated percentages and Calcd line."""

    label: str
    worst: float
    calcd: Dict[str, float]
    calcd_line: str


@dataclass(frozen=True)
class Analysis:
    """An elemental analysis: calculated (and found) percentages in Hill
    order, whether every found value is within the tolerance, the journal's
    lines and the solvate fits, best first."""

    calcd: Dict[str, float]
    found: Dict[str, float]
    within: bool
    calcd_line: str
    found_line: str
    fits: List[SolvateFit]


@dataclass(frozen=True)
class Participant:
    """One participant of a reaction; amounts (mol, g, mL, equivalents) are
    None where unknown."""

    formula: str
    side: str
    coefficient: float
    molar_mass: float
    moles: Optional[float] = None
    mass: Optional[float] = None
    volume: Optional[float] = None
    equiv: Optional[float] = None
    given: bool = False
    limiting: bool = False


@dataclass(frozen=True)
class Reaction:
    """A reaction: the equation with its coefficients and its participants."""

    equation: str
    participants: List[Participant]


@dataclass(frozen=True)
class FormulaFit:
    """A candidate formula for found values."""

    formula: str
    molar_mass: float
    worst: float
    calcd_line: str


@dataclass(frozen=True)
class FoundRatios:
    """Atom ratios from found values, the nearest formula, the candidates
    (those within the tolerance first, smallest first) and warnings."""

    ratios: Dict[str, float]
    nearest: str
    candidates: List[FormulaFit]
    warnings: List[str]


@dataclass(frozen=True)
class AdductIon:
    """An adduct ion: its name, Hill formula (no charge), charge, m/z, and
    the journal's HRMS line when a found m/z was given."""

    name: str
    formula: str
    charge: int
    mz: float
    possible: bool
    hrms: Optional[str] = None


@dataclass(frozen=True)
class ExactMasses:
    """Monoisotopic mass (u; of an ion, electrons counted), nominal mass,
    an ion's m/z (None for a neutral formula) and the adduct ions."""

    monoisotopic: float
    nominal: float
    mz: Optional[float]
    ions: List[AdductIon]


@dataclass(frozen=True)
class IsotopePattern:
    """An isotope pattern: centroided peaks and the isotopologues as
    (m/z, percent of the most intense) pairs, the most abundant
    isotopologue's m/z and the probability dropped by pruning."""

    peaks: List[tuple]
    isotopologues: List[tuple]
    most_abundant: float
    pruned: float
    #: Present when the intensities may be off by more than they show.
    warning: Optional[str] = None


# ---- the library ------------------------------------------------------------

def _find_library() -> str:
    explicit = os.environ.get("FORMIX_LIBRARY")
    if explicit:
        return explicit
    here = os.path.dirname(os.path.abspath(__file__))
    # Beside the package, then <prefix>/lib for <prefix>/lib/python3*/dist-packages/formix32.
    for directory in (here, os.path.normpath(os.path.join(here, "..", "..", ".."))):
        for pattern in ("libformix.so", "libformix.so.*"):
            found = sorted(glob.glob(os.path.join(directory, pattern)))
            if found:
                return found[0]
    return ctypes.util.find_library("formix") or "libformix.so.0"


class _Diagnostic(ctypes.Structure):
    _fields_ = [("severity", ctypes.c_int), ("offset", ctypes.c_size_t), ("length", ctypes.c_size_t),
                ("code", ctypes.c_char_p), ("symbol", ctypes.c_char_p), ("message", ctypes.c_char_p),
                ("library_caption", ctypes.c_char_p), ("library_message", ctypes.c_char_p),
                ("other", ctypes.c_char_p), ("other_molar_mass", ctypes.c_double)]


class _Element(ctypes.Structure):
    _fields_ = [("index", ctypes.c_int), ("symbol", ctypes.c_char_p), ("atoms", ctypes.c_double),
                ("mass", ctypes.c_double), ("percent", ctypes.c_double)]


library_path: str = _find_library()
_lib = ctypes.CDLL(library_path)
_p = ctypes.c_void_p
_signatures = {
    "formix_context_new": (_p, [ctypes.c_char_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int)]),
    "formix_context_free": (None, [_p]),
    "formix_status_text": (ctypes.c_char_p, [ctypes.c_int]),
    "formix_context_masses_file": (ctypes.c_char_p, [_p]),
    "formix_context_groups_file": (ctypes.c_char_p, [_p]),
    "formix_element_count": (ctypes.c_int, [_p]),
    "formix_element_symbol": (ctypes.c_char_p, [_p, ctypes.c_int]),
    "formix_element_mass": (ctypes.c_double, [_p, ctypes.c_int]),
    "formix_group_count": (ctypes.c_int, [_p]),
    "formix_group_name": (ctypes.c_char_p, [_p, ctypes.c_int]),
    "formix_group_formula": (ctypes.c_char_p, [_p, ctypes.c_int]),
    "formix_read": (_p, [_p, ctypes.c_char_p, ctypes.c_size_t]),
    "formix_reading_free": (None, [_p]),
    "formix_reading_has_value": (ctypes.c_int, [_p]),
    "formix_reading_molar_mass": (ctypes.c_double, [_p]),
    "formix_reading_charge": (ctypes.c_int, [_p]),
    "formix_reading_text": (ctypes.c_char_p, [_p]),
    "formix_reading_hill": (ctypes.c_char_p, [_p]),
    "formix_reading_empirical": (ctypes.c_char_p, [_p]),
    "formix_reading_diagnostic_count": (ctypes.c_size_t, [_p]),
    "formix_reading_diagnostic": (ctypes.POINTER(_Diagnostic), [_p, ctypes.c_size_t]),
    "formix_reading_element_count": (ctypes.c_size_t, [_p]),
    "formix_reading_element": (ctypes.POINTER(_Element), [_p, ctypes.c_size_t]),
    "formix_reading_element_in_hill_order": (ctypes.POINTER(_Element), [_p, ctypes.c_size_t]),
    "formix_react": (_p, [_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int]),
    "formix_reaction_free": (None, [_p]),
    "formix_reaction_error": (ctypes.c_char_p, [_p]),
    "formix_reaction_equation": (ctypes.c_char_p, [_p]),
    "formix_reaction_set_amount": (ctypes.c_int, [_p, ctypes.c_char_p, ctypes.c_char]),
    "formix_reaction_solve": (ctypes.c_int, [_p]),
    "formix_reaction_count": (ctypes.c_size_t, [_p]),
    "formix_reaction_reading": (_p, [_p, ctypes.c_size_t]),
    "formix_reaction_formula": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_reaction_side": (ctypes.c_int, [_p, ctypes.c_size_t]),
    "formix_reaction_coefficient": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_reaction_given": (ctypes.c_int, [_p, ctypes.c_size_t]),
    "formix_reaction_moles": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_reaction_mass": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_reaction_volume": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_reaction_equiv": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_reaction_limiting": (ctypes.c_int, [_p]),
    "formix_reaction_masses": (ctypes.c_int, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_double),
                                              ctypes.c_size_t, ctypes.c_size_t, ctypes.c_double,
                                              ctypes.POINTER(ctypes.c_double)]),
    "formix_atom_ratios": (_p, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_double),
                                 ctypes.c_size_t, ctypes.c_char_p, ctypes.c_double, ctypes.c_char_p,
                                 ctypes.c_double, ctypes.c_double]),
    "formix_ratios_free": (None, [_p]),
    "formix_ratios_error": (ctypes.c_char_p, [_p]),
    "formix_ratios_warning_count": (ctypes.c_size_t, [_p]),
    "formix_ratios_warning": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_ratios_count": (ctypes.c_size_t, [_p]),
    "formix_ratios_species": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_ratios_ratio": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_ratios_nearest": (ctypes.c_char_p, [_p]),
    "formix_ratios_candidate_count": (ctypes.c_size_t, [_p]),
    "formix_ratios_candidate": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_ratios_candidate_worst": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_ratios_candidate_mass": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_ratios_candidate_line": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_quiet_molar_mass": (ctypes.c_double, [_p, ctypes.c_char_p]),
    "formix_reading_worst": (ctypes.c_int, [_p]),
    "formix_quiet_composition": (ctypes.c_long, [_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_double),
                                                 ctypes.c_size_t, ctypes.c_char_p, ctypes.c_size_t]),
    "formix_molar_masses_block": (ctypes.c_size_t, [_p, ctypes.c_char_p, ctypes.c_size_t,
                                                    ctypes.POINTER(ctypes.c_double), ctypes.POINTER(ctypes.c_int)]),
    "formix_molar_masses": (ctypes.c_size_t, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                                              ctypes.c_size_t, ctypes.POINTER(ctypes.c_double),
                                              ctypes.POINTER(ctypes.c_int)]),
    "formix_isotope_pattern": (_p, [_p, _p, ctypes.c_double, ctypes.c_double]),
    "formix_pattern_free": (None, [_p]),
    "formix_pattern_error": (ctypes.c_char_p, [_p]),
    "formix_pattern_pruned": (ctypes.c_double, [_p]),
    "formix_pattern_most_abundant": (ctypes.c_double, [_p]),
    "formix_pattern_warning": (ctypes.c_char_p, [_p]),
    "formix_pattern_fine_count": (ctypes.c_size_t, [_p]),
    "formix_pattern_fine_mz": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_pattern_fine_intensity": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_pattern_peak_count": (ctypes.c_size_t, [_p]),
    "formix_pattern_peak_mz": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_pattern_peak_intensity": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_exact_masses": (_p, [_p, _p, ctypes.c_char_p]),
    "formix_exact_free": (None, [_p]),
    "formix_exact_error": (ctypes.c_char_p, [_p]),
    "formix_exact_monoisotopic": (ctypes.c_double, [_p]),
    "formix_exact_nominal": (ctypes.c_double, [_p]),
    "formix_exact_charge": (ctypes.c_int, [_p]),
    "formix_exact_mz": (ctypes.c_double, [_p]),
    "formix_exact_ion_count": (ctypes.c_size_t, [_p]),
    "formix_exact_ion_name": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_exact_ion_formula": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_exact_ion_charge": (ctypes.c_int, [_p, ctypes.c_size_t]),
    "formix_exact_ion_mz": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_exact_ion_possible": (ctypes.c_int, [_p, ctypes.c_size_t]),
    "formix_exact_hrms_line": (ctypes.c_char_p, [_p, ctypes.c_size_t, ctypes.c_double, ctypes.c_char_p]),
    "formix_elemental_analysis": (_p, [_p, _p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_double, ctypes.c_int]),
    "formix_analysis_free": (None, [_p]),
    "formix_analysis_error": (ctypes.c_char_p, [_p]),
    "formix_analysis_element_count": (ctypes.c_size_t, [_p]),
    "formix_analysis_element": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_analysis_calcd": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_analysis_found": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_analysis_within": (ctypes.c_int, [_p]),
    "formix_analysis_calcd_line": (ctypes.c_char_p, [_p]),
    "formix_analysis_found_line": (ctypes.c_char_p, [_p]),
    "formix_analysis_fit_count": (ctypes.c_size_t, [_p]),
    "formix_analysis_fit_label": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
    "formix_analysis_fit_worst": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_analysis_fit_calcd": (ctypes.c_double, [_p, ctypes.c_size_t, ctypes.c_size_t]),
    "formix_analysis_fit_line": (ctypes.c_char_p, [_p, ctypes.c_size_t]),
}
for _name, (_restype, _argtypes) in _signatures.items():
    _function = getattr(_lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes
# molar_mass's one call, without argument conversions: a c_void_p handle and
# bytes go to C as they are.
_quiet_molar_mass = _lib._FuncPtr(("formix_quiet_molar_mass", _lib))
_quiet_molar_mass.restype = ctypes.c_double

_strict: contextvars.ContextVar[bool] = contextvars.ContextVar("formix32_strict", default=False)

PathLike = Union[str, "os.PathLike[str]"]


def _or_default(value: Optional[float]) -> float:
    """A number for the library, NaN (the library's default) for None."""
    return math.nan if value is None else float(value)


def _text(value: object, what: str) -> bytes:
    """``value`` as UTF-8 for the toolkit, or a clear TypeError/ValueError."""
    if not isinstance(value, str):
        raise TypeError(f"{what} must be str, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{what} holds a NUL character")
    try:
        return value.encode("utf-8")
    except UnicodeEncodeError:
        raise ValueError(f"{what} is not valid Unicode text (a lone surrogate)") from None


def _path(value: Optional[PathLike], what: str) -> Optional[bytes]:
    if value is None:
        return None
    if not isinstance(value, (str, bytes, os.PathLike)):
        raise TypeError(f"{what} must be a path, not {type(value).__name__}")
    encoded = os.fsencode(value)
    if b"\0" in encoded:
        raise ValueError(f"{what} holds a NUL character")
    return encoded


class Context:
    """The data files a calculation uses: the mass file and the group file
    (None: the shipped ones), found as the classic library finds them.  A
    context never changes once made, so threads may share it."""

    def __init__(self, masses: Optional[PathLike] = None, groups: Optional[PathLike] = None) -> None:
        status = ctypes.c_int(0)
        handle = _lib.formix_context_new(_path(masses, "masses"), _path(groups, "groups"),
                                         ctypes.byref(status))
        if not handle:
            text = _lib.formix_status_text(status.value).decode()
            raise FileNotFoundError(f"{text}: {os.fsdecode(masses or groups or 'mass.elt')}")
        self._handle = handle
        self._pointer = ctypes.c_void_p(handle)  # the handle as C receives it, made once

    def __del__(self) -> None:
        handle = getattr(self, "_handle", None)
        if handle:
            _lib.formix_context_free(handle)
            self._handle = None

    @property
    def masses_file(self) -> str:
        """The mass file as opened."""
        return os.fsdecode(_lib.formix_context_masses_file(self._handle))

    @property
    def groups_file(self) -> str:
        """The group file as opened, "" when there is none."""
        return os.fsdecode(_lib.formix_context_groups_file(self._handle))

    def elements(self) -> Dict[str, float]:
        """The element table: symbol to atomic mass, in file order (the first
        of two equal symbols is the one formulas use)."""
        table: Dict[str, float] = {}
        for i in range(_lib.formix_element_count(self._handle)):
            symbol = _lib.formix_element_symbol(self._handle, i).decode()
            table.setdefault(symbol, _lib.formix_element_mass(self._handle, i))
        return table

    def groups(self) -> Dict[str, str]:
        """The group table: name to formula, in file order."""
        return {_lib.formix_group_name(self._handle, i).decode():
                _lib.formix_group_formula(self._handle, i).decode()
                for i in range(_lib.formix_group_count(self._handle))}

    def elemental_analysis(self, formula: str, found: Union[None, str, Dict[str, float]] = None,
                elements: Union[None, str, Sequence[str]] = None, tolerance: Optional[float] = None,
                solvents: int = 0) -> "Analysis":
        """The elemental analysis of ``formula`` (see :func:`elemental_analysis`)."""
        data = _text(formula, "formula")
        if isinstance(found, dict):
            found = ",".join(f"{k}={v!r}" for k, v in found.items())
        if elements is not None and not isinstance(elements, str):
            elements = ",".join(elements)
        reading = _lib.formix_read(self._handle, data, len(data))
        if not reading:
            raise MemoryError("formix_read")
        try:
            if not _lib.formix_reading_has_value(reading):
                raise FormulaError([d for d in self.read(formula).diagnostics if d.severity == "error"], None)
            a = _lib.formix_elemental_analysis(self._handle, reading, _text(elements, "elements") if elements else None,
                                    _text(found, "found") if found else None, _or_default(tolerance), int(solvents))
        finally:
            _lib.formix_reading_free(reading)
        if not a:
            raise MemoryError("formix_elemental_analysis")
        try:
            error = _lib.formix_analysis_error(a).decode()
            if error:
                raise ValueError(error)
            n = _lib.formix_analysis_element_count(a)
            symbols = [_lib.formix_analysis_element(a, i).decode() for i in range(n)]
            fits = [SolvateFit(_lib.formix_analysis_fit_label(a, k).decode(), _lib.formix_analysis_fit_worst(a, k),
                               {symbols[i]: _lib.formix_analysis_fit_calcd(a, k, i) for i in range(n)},
                               _lib.formix_analysis_fit_line(a, k).decode())
                    for k in range(_lib.formix_analysis_fit_count(a))]
            found_values = {symbols[i]: _lib.formix_analysis_found(a, i) for i in range(n)}
            return Analysis({symbols[i]: _lib.formix_analysis_calcd(a, i) for i in range(n)},
                            {k: v for k, v in found_values.items() if not math.isnan(v)},
                            bool(_lib.formix_analysis_within(a)), _lib.formix_analysis_calcd_line(a).decode(),
                            _lib.formix_analysis_found_line(a).decode(), fits)
        finally:
            _lib.formix_analysis_free(a)

    def read(self, formula: str) -> Reading:
        """Reads ``formula`` and says everything about it; never warns."""
        data = _text(formula, "formula")
        handle = _lib.formix_read(self._handle, data, len(data))
        if not handle:
            raise MemoryError("formix_read")
        try:
            diagnostics = []
            for i in range(_lib.formix_reading_diagnostic_count(handle)):
                d = _lib.formix_reading_diagnostic(handle, i).contents
                diagnostics.append(Diagnostic(
                    _SEVERITIES[d.severity], d.code.decode(), d.offset, d.length, d.message.decode(),
                    d.symbol.decode() or None, d.library_message.decode() or None,
                    d.other.decode() or None,
                    d.other_molar_mass if d.other and d.other_molar_mass == d.other_molar_mass else None))
            elements = {}
            for i in range(_lib.formix_reading_element_count(handle)):
                e = _lib.formix_reading_element_in_hill_order(handle, i).contents
                elements.setdefault(e.symbol.decode(), ElementShare(e.atoms, e.mass, e.percent))
            has_value = bool(_lib.formix_reading_has_value(handle))
            return Reading(formula, _lib.formix_reading_molar_mass(handle) if has_value else None,
                           _lib.formix_reading_charge(handle), _lib.formix_reading_text(handle).decode(),
                           diagnostics, elements, _lib.formix_reading_hill(handle).decode(),
                           _lib.formix_reading_empirical(handle).decode())
        finally:
            _lib.formix_reading_free(handle)


_default: Optional[Context] = None
_default_lock = threading.Lock()
_buffers = threading.local()  # each thread's buffers for calls made often


def _context() -> Context:
    global _default
    context = _default
    if context is None:
        with _default_lock:
            if _default is None:
                _default = Context()
            context = _default
    return context


@contextlib.contextmanager
def strict() -> Iterator[None]:
    """Within this block (in this thread or task only), a call whose formula
    has a warning or an error raises :class:`FormulaError` instead of
    warning."""
    token = _strict.set(True)
    try:
        yield
    finally:
        _strict.reset(token)


def _finish(readings: Sequence[Reading], result: object) -> object:
    """Raises or warns about the warnings and errors of this call's readings."""
    flagged = [(r.formula, d) for r in readings for d in r.diagnostics if d.severity != "note"]
    if flagged:
        if _strict.get():
            raise FormulaError([d for _, d in flagged], result)
        for formula, diagnostic in flagged:
            warnings.warn(FormulaWarning(formula, diagnostic), stacklevel=3)
    return result


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
            context = _default or _context()  # held: another thread may replace the default
            mass = _quiet_molar_mass(context._pointer, data)
            if mass == mass:
                return mass
    reading = read(formula)
    return _finish([reading], _mass(reading))  # type: ignore[return-value]


def molar_masses(formulas: Sequence[str]) -> List[float]:
    """Molar masses of many formulas in one call (a list, or a pandas
    column): NaN for a formula with an error.  Warnings and errors become
    one :class:`FormulaWarning` each (or, inside :func:`strict`, a
    :class:`FormulaError`) naming the formula; read one formula with
    :func:`read` for its diagnostics.

    >>> [round(m, 3) for m in molar_masses(["H2O", "CuSO4·5H₂O", "NaCl"])]
    [18.015, 249.677, 58.44]
    """
    if isinstance(formulas, (str, bytes)):
        raise TypeError("formulas must be a sequence of str, not one " + type(formulas).__name__ +
                        " (for one formula use molar_mass)")
    formulas = list(formulas)
    n = len(formulas)
    # One block of NUL-terminated texts, checked and encoded at once; the
    # formula at fault named when that fails.
    try:
        joined = "\0".join(formulas)
        if joined.count("\0") != max(n - 1, 0):
            raise ValueError
        block = joined.encode("utf-8")
    except (TypeError, ValueError, UnicodeEncodeError):
        for f in formulas:
            _text(f, "formula")
        raise
    masses = (ctypes.c_double * n)()
    worst = (ctypes.c_int * n)()
    context = _context()  # held through the call: another thread may replace the default
    _lib.formix_molar_masses_block(context._handle, block, n, masses, worst)
    severities = memoryview(worst).cast("B").cast("i")
    if n and max(severities) >= 1:
        flagged = [formulas[i] for i, w in enumerate(severities) if w >= 1]
        readings = [read(f) for f in flagged[:100]]  # the reports of the first hundred
        _finish(readings, None)
    return memoryview(masses).cast("B").cast("d").tolist()


def composition(formula: str) -> Dict[str, ElementShare]:
    """The elements of ``formula`` in the order of the element table, each
    with its number of atoms, mass contribution and mass percent."""
    # A formula with nothing to report: the shares in one call, into this
    # thread's buffers (made once).
    data = _text(formula, "formula")
    context = _default or _context()  # held: another thread may replace the default
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
                shares[symbol] = _share(v[3 * i], v[3 * i + 1], v[3 * i + 2])
        return shares
    reading = read(formula)
    return _finish([reading], dict(reading.elements))  # type: ignore[return-value]


def number_of_atoms(formula: str, symbol: str) -> float:
    """Atoms of the element ``symbol`` in ``formula`` (0 when absent)."""
    _text(symbol, "symbol")
    reading = read(formula)
    share = reading.elements.get(symbol)
    return _finish([reading], share.atoms if share else 0.0)  # type: ignore[return-value]


def percent_of_element(formula: str, symbol: str) -> float:
    """Mass percent of the element ``symbol`` in ``formula`` (0 when absent)."""
    _text(symbol, "symbol")
    reading = read(formula)
    share = reading.elements.get(symbol)
    return _finish([reading], share.percent if share else 0.0)  # type: ignore[return-value]


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
    if not all(math.isfinite(float(fractions[n])) for n in names) or (total is not None and not math.isfinite(float(total))):
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
    if not handle:
        raise MemoryError("formix_atom_ratios")
    try:
        if _lib.formix_ratios_error(handle):
            raise ValueError(_lib.formix_ratios_error(handle).decode())
        return {_lib.formix_ratios_species(handle, i).decode(): _lib.formix_ratios_ratio(handle, i)
                for i in range(_lib.formix_ratios_count(handle))}
    finally:
        _lib.formix_ratios_free(handle)


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


def _number(value: float) -> Optional[float]:
    return None if math.isnan(value) else value


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
    if not handle:
        raise MemoryError("formix_react")
    try:
        if _lib.formix_reaction_error(handle):
            raise ValueError(_lib.formix_reaction_error(handle).decode())
        amounts = False
        for kind, values in ((b"g", given), (b"e", equiv), (b"d", density), (b"c", conc)):
            for name, value in (values or {}).items():
                amounts = True
                if not _lib.formix_reaction_set_amount(handle, _text(f"{name}={value}", "amount"), kind):
                    raise ValueError(_lib.formix_reaction_error(handle).decode())
        if amounts and not _lib.formix_reaction_solve(handle):
            raise ValueError(_lib.formix_reaction_error(handle).decode())
        limiting = _lib.formix_reaction_limiting(handle)
        participants = []
        for i in range(_lib.formix_reaction_count(handle)):
            reading = _lib.formix_reaction_reading(handle, i)
            participants.append(Participant(
                _lib.formix_reaction_formula(handle, i).decode(),
                "product" if _lib.formix_reaction_side(handle, i) else "reactant",
                _lib.formix_reaction_coefficient(handle, i), _lib.formix_reading_molar_mass(reading),
                _number(_lib.formix_reaction_moles(handle, i)), _number(_lib.formix_reaction_mass(handle, i)),
                _number(_lib.formix_reaction_volume(handle, i)), _number(_lib.formix_reaction_equiv(handle, i)),
                bool(_lib.formix_reaction_given(handle, i)), i == limiting))
        return Reaction(_lib.formix_reaction_equation(handle).decode(), participants)
    finally:
        _lib.formix_reaction_free(handle)


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
    if not handle:
        raise MemoryError("formix_atom_ratios")
    try:
        if _lib.formix_ratios_error(handle):
            raise ValueError(_lib.formix_ratios_error(handle).decode())
        return FoundRatios(
            {_lib.formix_ratios_species(handle, i).decode(): _lib.formix_ratios_ratio(handle, i)
             for i in range(_lib.formix_ratios_count(handle))},
            _lib.formix_ratios_nearest(handle).decode(),
            [FormulaFit(_lib.formix_ratios_candidate(handle, k).decode(), _lib.formix_ratios_candidate_mass(handle, k),
                        _lib.formix_ratios_candidate_worst(handle, k),
                        _lib.formix_ratios_candidate_line(handle, k).decode())
             for k in range(_lib.formix_ratios_candidate_count(handle))],
            [_lib.formix_ratios_warning(handle, i).decode()
             for i in range(_lib.formix_ratios_warning_count(handle))])
    finally:
        _lib.formix_ratios_free(handle)


def exact_masses(formula: str, adducts: Optional[Sequence[str]] = None, found: Optional[float] = None,
                 source: str = "ESI") -> ExactMasses:
    """Exact masses of ``formula`` and of its adduct ions (all of the list,
    or those named); with ``found``, each ion carries the journal's line.

    >>> x = exact_masses("C20H25NO3", ["[M+H]+"], found=328.1911)
    >>> round(x.monoisotopic, 6), x.ions[0].hrms
    (327.183444, 'HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.')
    """
    context = _context()
    data = _text(formula, "formula")
    reading = _lib.formix_read(context._handle, data, len(data))
    if not reading:
        raise MemoryError("formix_read")
    try:
        if not _lib.formix_reading_has_value(reading):
            raise FormulaError([d for d in context.read(formula).diagnostics if d.severity == "error"], None)
        names = _text(",".join(adducts), "adducts") if adducts else None
        handle = _lib.formix_exact_masses(context._handle, reading, names)
    finally:
        _lib.formix_reading_free(reading)
    if not handle:
        raise MemoryError("formix_exact_masses")
    try:
        if _lib.formix_exact_error(handle):
            raise ValueError(_lib.formix_exact_error(handle).decode())
        ions = []
        for i in range(_lib.formix_exact_ion_count(handle)):
            line = (_lib.formix_exact_hrms_line(handle, i, float(found), _text(source, "source")).decode()
                    if found is not None else None)
            ions.append(AdductIon(_lib.formix_exact_ion_name(handle, i).decode(),
                                  _lib.formix_exact_ion_formula(handle, i).decode(), _lib.formix_exact_ion_charge(handle, i),
                                  _lib.formix_exact_ion_mz(handle, i), bool(_lib.formix_exact_ion_possible(handle, i)), line))
        charge = _lib.formix_exact_charge(handle)
        return ExactMasses(_lib.formix_exact_monoisotopic(handle), _lib.formix_exact_nominal(handle),
                           _lib.formix_exact_mz(handle) if charge else None, ions)
    finally:
        _lib.formix_exact_free(handle)


def isotope_pattern(formula: str, resolution: Optional[float] = None,
                    threshold: Optional[float] = None) -> IsotopePattern:
    """The isotope pattern of ``formula`` at a resolving power (None: the
    library's default, 20000) and a relative threshold (None: 1e-6).

    >>> p = isotope_pattern("C6H12O6")
    >>> [(round(mz, 4), round(i, 2)) for mz, i in p.peaks[:3]]
    [(180.0634, 100.0), (181.0668, 6.86), (182.068, 1.43)]
    """
    context = _context()
    data = _text(formula, "formula")
    reading = _lib.formix_read(context._handle, data, len(data))
    if not reading:
        raise MemoryError("formix_read")
    try:
        if not _lib.formix_reading_has_value(reading):
            raise FormulaError([d for d in context.read(formula).diagnostics if d.severity == "error"], None)
        handle = _lib.formix_isotope_pattern(context._handle, reading, _or_default(threshold), _or_default(resolution))
    finally:
        _lib.formix_reading_free(reading)
    if not handle:
        raise MemoryError("formix_isotope_pattern")
    try:
        if _lib.formix_pattern_error(handle):
            raise ValueError(_lib.formix_pattern_error(handle).decode())
        return IsotopePattern(
            [(_lib.formix_pattern_peak_mz(handle, i), _lib.formix_pattern_peak_intensity(handle, i))
             for i in range(_lib.formix_pattern_peak_count(handle))],
            [(_lib.formix_pattern_fine_mz(handle, i), _lib.formix_pattern_fine_intensity(handle, i))
             for i in range(_lib.formix_pattern_fine_count(handle))],
            _lib.formix_pattern_most_abundant(handle), _lib.formix_pattern_pruned(handle),
            _lib.formix_pattern_warning(handle).decode() or None)
    finally:
        _lib.formix_pattern_free(handle)


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


_settings: Dict[str, Optional[PathLike]] = {"masses": None, "groups": None}


def _set(key: str, path: PathLike) -> bool:
    global _default
    _path(path, key)
    settings = dict(_settings, **{key: path})
    try:
        context = Context(settings["masses"], settings["groups"])
    except FileNotFoundError as error:
        warnings.warn(str(error), UserWarning, stacklevel=3)
        return False
    with _default_lock:
        _settings.update(settings)
        _default = context
    return True


def set_masses_file(path: PathLike) -> bool:
    """Use another mass file from now on (all threads); False, with a
    warning and nothing changed, when it is found nowhere."""
    return _set("masses", path)


def set_groups_file(path: PathLike) -> bool:
    """Use another group file from now on (all threads); False, with a
    warning and nothing changed, when it is found nowhere."""
    return _set("groups", path)
