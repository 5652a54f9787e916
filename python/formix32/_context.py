"""Contexts (the data files a calculation uses), the default one, and how
a call's warnings reach its caller (:func:`strict`)."""

from __future__ import annotations

import contextlib
import contextvars
import ctypes
import os
import threading
import warnings
from typing import Dict, Iterator, Optional, Sequence, Union

from . import _flags
from ._library import PathLike, _lib, _or_default, _owned, _path, _text
from .results import Analysis, FormulaError, FormulaWarning, Reading, analysis_from, reading_from

# formix_reading_json's parts for a Reading: the engine's text, the elements.
_JSON_PARTS = _flags.FORMIX_JSON_TEXT | _flags.FORMIX_JSON_ELEMENTS

_strict: contextvars.ContextVar[bool] = contextvars.ContextVar("formix32_strict", default=False)


class Context:
    """The data files a calculation uses: the mass file and the group file
    (None: the shipped ones), found as the classic library finds them.  A
    context never changes once made, so threads may share it."""

    def __init__(self, masses: Optional[PathLike] = None, groups: Optional[PathLike] = None) -> None:
        status = ctypes.c_int(0)
        handle = _lib.formix_context_new(_path(masses, "masses"), _path(groups, "groups"), None,
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
                           solvents: int = 0) -> Analysis:
        """The elemental analysis of ``formula`` (see :func:`elemental_analysis`)."""
        if isinstance(found, dict):
            found = ",".join(f"{k}={v!r}" for k, v in found.items())
        if elements is not None and not isinstance(elements, str):
            elements = ",".join(elements)
        with self._reading(formula) as reading:
            a = _lib.formix_elemental_analysis(self._handle, reading,
                                               _text(elements, "elements") if elements else None,
                                               _text(found, "found") if found else None, _or_default(tolerance),
                                               int(solvents))
        with _owned(a, "formix_elemental_analysis", _lib.formix_analysis_free):
            return analysis_from(_lib.formix_analysis_json(a))

    @contextlib.contextmanager
    def _reading(self, formula: str) -> Iterator[int]:
        """The handle of ``formula``'s reading, which must have a number
        (else FormulaError), for the block."""
        data = _text(formula, "formula")
        with _owned(_lib.formix_read(self._handle, data, len(data)), "formix_read", _lib.formix_reading_free) as handle:
            if not _lib.formix_reading_has_value(handle):
                reading = reading_from(_lib.formix_reading_json(handle, _JSON_PARTS))
                raise FormulaError([d for d in reading.diagnostics if d.severity == "error"], None)
            yield handle

    def read(self, formula: str) -> Reading:
        """Reads ``formula`` and says everything about it; never warns."""
        data = _text(formula, "formula")
        with _owned(_lib.formix_read(self._handle, data, len(data)), "formix_read", _lib.formix_reading_free) as handle:
            return reading_from(_lib.formix_reading_json(handle, _JSON_PARTS))


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
