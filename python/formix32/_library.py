"""The toolkit library, ``libformix``: found, loaded, and its calls given
their C signatures (the names the export check holds to include/formix.h);
and the conversions of Python values for it."""

from __future__ import annotations

import contextlib
import ctypes
import ctypes.util
import glob
import math
import os
from typing import Iterator, Optional, Union


def _find_library() -> str:
    explicit = os.environ.get("FORMIX_LIBRARY")
    if explicit:
        return explicit
    here = os.path.dirname(os.path.abspath(__file__))
    # Inside the package (a wheel's), beside it, then <prefix>/lib for
    # <prefix>/lib/python3*/dist-packages/formix32.
    for directory in (os.path.join(here, "lib"), here, os.path.normpath(os.path.join(here, "..", "..", ".."))):
        for pattern in ("libformix.so", "libformix.so.*"):
            found = sorted(glob.glob(os.path.join(directory, pattern)))
            if found:
                return found[0]
    return ctypes.util.find_library("formix") or "libformix.so.0"


library_path: str = _find_library()
_lib = ctypes.CDLL(library_path)
_p = ctypes.c_void_p
_signatures = {
    "formix_context_new": (_p, [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int)]),
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
    "formix_react": (_p, [_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int]),
    "formix_reaction_free": (None, [_p]),
    "formix_reaction_set_amount": (ctypes.c_int, [_p, ctypes.c_char_p, ctypes.c_char]),
    "formix_reaction_solve": (ctypes.c_int, [_p]),
    "formix_reaction_masses": (ctypes.c_int, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_double),
                                              ctypes.c_size_t, ctypes.c_size_t, ctypes.c_double,
                                              ctypes.POINTER(ctypes.c_double)]),
    "formix_atom_ratios": (_p, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_double),
                                 ctypes.c_size_t, ctypes.c_char_p, ctypes.c_double, ctypes.c_char_p,
                                 ctypes.c_double, ctypes.c_double]),
    "formix_ratios_free": (None, [_p]),
    "formix_ratios_count": (ctypes.c_size_t, [_p]),
    "formix_ratios_ratio": (ctypes.c_double, [_p, ctypes.c_size_t]),
    "formix_quiet_molar_mass": (ctypes.c_double, [_p, ctypes.c_char_p]),
    "formix_reading_worst": (ctypes.c_int, [_p]),
    "formix_reading_hill": (ctypes.c_char_p, [_p]),
    "formix_monoisotopic_mass": (ctypes.c_double, [_p, _p]),
    "formix_quiet_composition": (ctypes.c_long, [_p, ctypes.c_char_p, ctypes.POINTER(ctypes.c_double),
                                                 ctypes.c_size_t, ctypes.c_char_p, ctypes.c_size_t]),
    "formix_molar_masses_block": (ctypes.c_size_t, [_p, ctypes.c_char_p, ctypes.c_size_t,
                                                    ctypes.POINTER(ctypes.c_double), ctypes.POINTER(ctypes.c_int)]),
    "formix_molar_masses": (ctypes.c_size_t, [_p, ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
                                              ctypes.c_size_t, ctypes.POINTER(ctypes.c_double),
                                              ctypes.POINTER(ctypes.c_int)]),
    "formix_isotope_pattern": (_p, [_p, _p, ctypes.c_double, ctypes.c_double]),
    "formix_pattern_free": (None, [_p]),
    "formix_exact_masses": (_p, [_p, _p, ctypes.c_char_p]),
    "formix_exact_free": (None, [_p]),
    "formix_exact_ion_count": (ctypes.c_size_t, [_p]),
    "formix_exact_compare": (ctypes.c_int, [_p, ctypes.c_double, ctypes.c_double, ctypes.c_char_p]),
    "formix_elemental_analysis": (_p, [_p, _p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_double, ctypes.c_int]),
    "formix_analysis_free": (None, [_p]),
    "formix_reading_json": (ctypes.c_char_p, [_p, ctypes.c_int]),
    "formix_analysis_json": (ctypes.c_char_p, [_p]),
    "formix_ratios_json": (ctypes.c_char_p, [_p]),
    "formix_exact_json": (ctypes.c_char_p, [_p]),
    "formix_pattern_json": (ctypes.c_char_p, [_p, ctypes.c_int]),
    "formix_reaction_json": (ctypes.c_char_p, [_p]),
    "formix_find_formulas": (_p, [_p, ctypes.c_double, ctypes.c_char_p, ctypes.c_int, ctypes.c_double,
                                  ctypes.c_double, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_double, ctypes.c_double,
                                  ctypes.c_double, ctypes.c_size_t, ctypes.c_int, ctypes.c_char_p]),
    "formix_find_free": (None, [_p]),
    "formix_feature_column": (ctypes.c_int, [ctypes.c_char_p]),
    "formix_read_charge": (ctypes.c_char_p, [ctypes.c_char_p, ctypes.POINTER(ctypes.c_int)]),
    "formix_find_choose": (ctypes.c_char_p, [_p, _p, ctypes.c_char_p, ctypes.c_size_t]),
    "formix_find_json": (ctypes.c_char_p, [_p]),
    "formix_solution_new": (_p, [_p] + [ctypes.c_char_p] * 7),
    "formix_dilution": (_p, [_p] + [ctypes.c_char_p] * 6),
    "formix_solution_free": (None, [_p]),
    "formix_solution_json": (ctypes.c_char_p, [_p]),
    "formix_sequence_read": (_p, [_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_long, ctypes.c_int,
                                  ctypes.c_char_p]),
    "formix_sequence_free": (None, [_p]),
    "formix_sequence_json": (ctypes.c_char_p, [_p]),
}
for _name, (_restype, _argtypes) in _signatures.items():
    _function = getattr(_lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes
# molar_mass's one call, without argument conversions: a c_void_p handle and
# bytes go to C as they are.
_quiet_molar_mass = _lib._FuncPtr(("formix_quiet_molar_mass", _lib))
_quiet_molar_mass.restype = ctypes.c_double


@contextlib.contextmanager
def _owned(handle: Optional[int], what: str, free) -> Iterator[int]:
    """A handle the library made (MemoryError when it could not), freed
    after the block."""
    if not handle:
        raise MemoryError(what)
    try:
        yield handle
    finally:
        free(handle)

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
