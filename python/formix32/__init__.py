"""Arithmetic on chemical formulas through the formix32 library.

>>> import formix32
>>> round(formix32.molar_mass("CuSO4*5H2O"), 2)
249.68

Formulas are ``str``; they are converted to Windows-1251 for the library
(so a Cyrillic "С" reads as the Latin "C").  The library reports an unknown
element or a formula that is too complex; each report becomes a
:class:`FormulaWarning` (the default) or, inside :func:`strict`, a
:class:`FormulaError` raised once the call has finished, which carries the
numeric result all the same.

The shared library is looked for, in this order: the file named by the
environment variable ``FORMIX32_LIBRARY``; a ``libformix32.so*`` (or
``formix32.dll``) beside this package; the system's library path.
"""

from __future__ import annotations

import contextlib
import ctypes
import ctypes.util
import glob
import os
import sys
import warnings
from dataclasses import dataclass
from typing import Dict, Iterator, List, Optional, Sequence, Union

__all__ = [
    "FormulaWarning", "FormulaError", "Message", "ElementShare", "strict",
    "molar_mass", "composition", "number_of_atoms", "percent_of_element",
    "reaction_masses", "atom_ratios", "elements", "element_count", "group_count",
    "masses_file", "groups_file", "set_masses_file", "set_groups_file", "library_path",
]

_ENCODING = "cp1251"
_UNKNOWN_SUFFIX = " - неизвестный элемент или группа атомов. Повторите ввод."
_NO_MASS_FILE_CAPTION = "Внимание!"


@dataclass(frozen=True)
class Message:
    """One report of the library: its caption and text, and the symbol it
    names when it is about an unknown element."""

    caption: str
    text: str
    symbol: Optional[str] = None

    def __str__(self) -> str:
        return f"{self.caption}: {self.text}"


class FormulaWarning(UserWarning):
    """A report of the library about a formula or the data files."""

    def __init__(self, message: Message) -> None:
        super().__init__(str(message))
        self.message = message
        self.symbol = message.symbol


class FormulaError(ValueError):
    """Raised in strict mode when the library reported something during a
    call.  ``result`` holds what the call returned all the same."""

    def __init__(self, messages: List[Message], result: object) -> None:
        super().__init__("; ".join(str(m) for m in messages))
        self.messages = messages
        self.result = result
        self.symbols = [m.symbol for m in messages if m.symbol is not None]


@dataclass(frozen=True)
class ElementShare:
    """An element's part of a formula."""

    atoms: float
    mass: float
    percent: float


def _find_library() -> str:
    explicit = os.environ.get("FORMIX32_LIBRARY")
    if explicit:
        return explicit
    here = os.path.dirname(os.path.abspath(__file__))
    names = ["formix32.dll"] if sys.platform == "win32" else ["libformix32.so", "libformix32.so.*"]
    for pattern in names:
        found = sorted(glob.glob(os.path.join(here, pattern)))
        if found:
            return found[0]
    system = ctypes.util.find_library("formix32")
    return system or ("formix32.dll" if sys.platform == "win32" else "libformix32.so.1")


library_path: str = _find_library()
_loader = ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL  # type: ignore[attr-defined]
_lib = _loader(library_path)

_c_char_pp = ctypes.POINTER(ctypes.c_char_p)
_c_double_p = ctypes.POINTER(ctypes.c_double)
_signatures = {
    "MolecularMass": (ctypes.c_double, [ctypes.c_char_p, _c_double_p, _c_double_p,
                                        ctypes.POINTER(ctypes.c_int), _c_char_pp]),
    "MolarMass": (ctypes.c_double, [ctypes.c_char_p]),
    "NumberOfAtoms": (ctypes.c_double, [ctypes.c_char_p, ctypes.c_char_p]),
    "PercentOfElement": (ctypes.c_double, [ctypes.c_char_p, ctypes.c_char_p]),
    "ChemEqu": (None, [_c_char_pp, _c_double_p, _c_double_p, ctypes.c_int, ctypes.c_int]),
    "GetFormula": (None, [_c_char_pp, _c_double_p, ctypes.c_int, ctypes.c_int, ctypes.c_double,
                          _c_double_p]),
    "ElementsInTable": (ctypes.c_int, []),
    "GroupsInTable": (ctypes.c_int, []),
    "GetElement": (ctypes.c_char_p, [ctypes.c_char_p, ctypes.c_int]),
    "ChemIndex": (ctypes.c_int, [_c_char_pp, ctypes.c_char_p, ctypes.c_int]),
    "GetMassesFile": (ctypes.c_char_p, [ctypes.c_char_p]),
    "SetNewMassesFile": (ctypes.c_int, [ctypes.c_char_p]),
    "GetGroupsFile": (ctypes.c_char_p, [ctypes.c_char_p]),
    "SetNewGroupsFile": (ctypes.c_int, [ctypes.c_char_p]),
}
for _name, (_restype, _argtypes) in _signatures.items():
    _function = getattr(_lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes

_callback = ctypes.WINFUNCTYPE if sys.platform == "win32" else ctypes.CFUNCTYPE  # type: ignore[attr-defined]
_MESSAGE_FN = _callback(None, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p)
_BEEP_FN = _callback(None, ctypes.c_void_p)

# Reports of the call in progress; the library calls back on this thread.
_pending: List[Message] = []
_strict_depth = 0


def _on_message(text: bytes, caption: bytes, _context: object) -> None:
    text_str = text.decode(_ENCODING, "replace")
    caption_str = caption.decode(_ENCODING, "replace")
    symbol = text_str[: -len(_UNKNOWN_SUFFIX)] if text_str.endswith(_UNKNOWN_SUFFIX) else None
    _pending.append(Message(caption_str, text_str, symbol))


def _on_beep(_context: object) -> None:
    pass


_message_callback = _MESSAGE_FN(_on_message)
_beep_callback = _BEEP_FN(_on_beep)
_lib.SetNotifier.restype = None
_lib.SetNotifier.argtypes = [_MESSAGE_FN, _BEEP_FN, ctypes.c_void_p]
_lib.SetNotifier(_message_callback, _beep_callback, None)


@contextlib.contextmanager
def strict() -> Iterator[None]:
    """Within this block, a call during which the library reported anything
    raises :class:`FormulaError` (with the result) instead of warning."""
    global _strict_depth
    _strict_depth += 1
    try:
        yield
    finally:
        _strict_depth -= 1


def _finish(result: object) -> object:
    """Turns the reports of the call just made into warnings or an error."""
    messages = list(_pending)
    _pending.clear()
    if messages:
        if _strict_depth > 0:
            raise FormulaError(messages, result)
        for message in messages:
            warnings.warn(FormulaWarning(message), stacklevel=3)
    return result


def _encode(text: str) -> bytes:
    try:
        return text.encode(_ENCODING)
    except UnicodeEncodeError as error:
        bad = text[error.start]
        raise ValueError(f"{bad!r} (U+{ord(bad):04X}) cannot be written in Windows-1251") from None


def _decode(data: bytes) -> str:
    return data.decode(_ENCODING, "replace")


def molar_mass(formula: str) -> float:
    """The molar mass of ``formula``, in the units of the mass file (g/mol
    with the shipped one)."""
    _pending.clear()
    return _finish(_lib.MolarMass(_encode(formula)))  # type: ignore[return-value]


def composition(formula: str) -> Dict[str, ElementShare]:
    """The elements of ``formula`` in the order of the element table, each
    with its number of atoms, mass contribution and mass percent."""
    _pending.clear()
    contributions = (ctypes.c_double * 200)()
    atoms = (ctypes.c_double * 200)()
    count = ctypes.c_int(0)
    buffers = [ctypes.create_string_buffer(4) for _ in range(200)]
    symbols = (ctypes.c_char_p * 200)(*[ctypes.cast(b, ctypes.c_char_p) for b in buffers])
    mass = _lib.MolecularMass(_encode(formula), contributions, atoms, ctypes.byref(count), symbols)
    result: Dict[str, ElementShare] = {}
    for i in range(count.value):
        if atoms[i] != 0.0:
            percent = contributions[i] / mass * 100.0 if mass != 0.0 else 0.0
            result[_decode(buffers[i].value)] = ElementShare(atoms[i], contributions[i], percent)
    return _finish(result)  # type: ignore[return-value]


def number_of_atoms(formula: str, symbol: str) -> float:
    """Atoms of the element ``symbol`` in ``formula`` (0 when it is not in
    the element table)."""
    _pending.clear()
    return _finish(_lib.NumberOfAtoms(_encode(formula), _encode(symbol)))  # type: ignore[return-value]


def percent_of_element(formula: str, symbol: str) -> float:
    """Mass percent of the element ``symbol`` in ``formula``."""
    _pending.clear()
    return _finish(_lib.PercentOfElement(_encode(formula), _encode(symbol)))  # type: ignore[return-value]


def _formula_array(formulas: Sequence[str]) -> "ctypes.Array[ctypes.c_char_p]":
    return (ctypes.c_char_p * len(formulas))(*[_encode(f) for f in formulas])


def reaction_masses(formulas: Sequence[str], coefficients: Sequence[float], known: int,
                    mass: float) -> List[float]:
    """Masses of all participants of a balanced reaction, given the mass of
    participant ``known`` (an index into ``formulas``).

    >>> [round(m, 2) for m in reaction_masses(["H2", "O2", "H2O"], [2, 1, 2], 2, 36.03)]
    [4.03, 32.0, 36.03]
    """
    n = len(formulas)
    if len(coefficients) != n:
        raise ValueError("one coefficient per formula")
    if not 0 <= known < n:
        raise IndexError("known must index a participant")
    _pending.clear()
    masses = (ctypes.c_double * n)()
    masses[known] = mass
    _lib.ChemEqu(_formula_array(formulas), (ctypes.c_double * n)(*coefficients), masses, known, n)
    return _finish(list(masses))  # type: ignore[return-value]


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
    n = len(names)
    if n == 0:
        return {}
    _pending.clear()
    species = _formula_array(names)
    values = (ctypes.c_double * n)(*[fractions[k] for k in names])
    ratios = (ctypes.c_double * n)()
    if total is not None:
        _lib.GetFormula(species, values, n, -1, total, ratios)
        return _finish(dict(zip(names, ratios)))  # type: ignore[return-value]
    if reference is None:
        _lib.GetFormula(species, values, n, -1, 1.0, ratios)
        index = min(range(n), key=lambda i: ratios[i])
    else:
        if reference not in fractions:
            raise KeyError(reference)
        index = names.index(reference)
    _pending.clear()  # the first pass evaluated the same species
    _lib.GetFormula(species, values, n, index, atoms, ratios)
    result = dict(zip(names, ratios))
    result[names[index]] = atoms  # the library leaves the reference unscaled
    return _finish(result)  # type: ignore[return-value]


def _load_tables() -> None:
    _lib.MolarMass(b"")
    _finish(None)


def elements() -> List[str]:
    """The symbols of the element table, in table order (loads the tables)."""
    _pending.clear()
    _load_tables()
    buffer = ctypes.create_string_buffer(4)
    return [_decode(_lib.GetElement(buffer, i)) for i in range(_lib.ElementsInTable())]


def element_count() -> int:
    """Elements in the table as it stands (0 before the first calculation)."""
    return int(_lib.ElementsInTable())


def group_count() -> int:
    """Groups in the table as it stands (0 before the first calculation)."""
    return int(_lib.GroupsInTable())


def masses_file() -> str:
    """The mass file path setting."""
    buffer = ctypes.create_string_buffer(256)
    return os.fsdecode(_lib.GetMassesFile(buffer))


def groups_file() -> str:
    """The group file path setting."""
    buffer = ctypes.create_string_buffer(256)
    return os.fsdecode(_lib.GetGroupsFile(buffer))


def _set_file(setter: object, path: Union[str, "os.PathLike[str]"]) -> bool:
    encoded = os.fsencode(path)
    if len(encoded) >= 256:
        raise ValueError("paths of 256 bytes or more are refused")
    _pending.clear()
    return bool(_finish(setter(encoded)))  # type: ignore[operator]


def set_masses_file(path: Union[str, "os.PathLike[str]"]) -> bool:
    """Use another mass file and reload both tables at once; False (with a
    warning) when the file is found nowhere."""
    return _set_file(_lib.SetNewMassesFile, path)


def set_groups_file(path: Union[str, "os.PathLike[str]"]) -> bool:
    """Use another group file and reload both tables at once; the result
    tells whether the mass file was read."""
    return _set_file(_lib.SetNewGroupsFile, path)
