"""The results of the formix32 calls: the toolkit's result objects as
frozen dataclasses whose members are named as in its JSON
(docs/formix-json.schema.json; the classes are generated from it into
_types.py), and the warnings and errors the package raises."""

from __future__ import annotations

import json
from typing import Any, List

from ._types import (AdductIon, Analysis, AnalysisElement, Candidate, Chain, Diagnostic, Dilution,  # noqa: F401
                     ElementRange, ElementShare, ExactMasses, FormulaFit, FoundFormulas, FoundRatios,
                     IsotopePattern, Participant, Peak, Reaction, Reading, Solution, SolvateFit, SpeciesRatio)


class FormulaWarning(UserWarning):
    """A warning or an error about a formula, as a Python warning."""

    def __init__(self, formula: str, diagnostic: Diagnostic) -> None:
        # A bounded excerpt of a long formula (the whole is in .formula).
        shown = formula if len(formula) <= 80 else formula[:60] + f"... ({len(formula)} characters)"
        super().__init__(f"{shown}: {diagnostic}")
        self.formula = formula
        self.diagnostic = diagnostic
        self.severity = diagnostic.severity
        self.offset = diagnostic.offset
        self.length = diagnostic.length
        self.text = diagnostic.message
        self.symbol = diagnostic.symbol


class FlaggedRows(UserWarning):
    """One warning for a bulk call (molar_masses and its kin): how many of
    its formulas were read with a warning (``warned``: their numbers may not
    be the ones meant) and how many have no number (``failed``: NaN or
    None), with their row numbers (0-based, in the input's order)."""

    def __init__(self, warned: List[int], failed: List[int], total: int) -> None:
        def rows(indices: List[int]) -> str:
            shown = ", ".join(str(i) for i in indices[:10])
            return f"rows {shown}{', ...' if len(indices) > 10 else ''}"
        parts = []
        if warned:
            parts.append(f"{len(warned)} of {total} read with a warning ({rows(warned)}): their numbers may not "
                         "be the ones meant")
        if failed:
            parts.append(f"{len(failed)} of {total} have no number ({rows(failed)})")
        super().__init__("; ".join(parts) + "; flags=True gives a mask of the flagged rows, read(formula) "
                         "their diagnostics")
        self.warned = warned
        self.failed = failed
        self.total = total


class FormulaError(ValueError):
    """Raised inside :func:`strict` when a formula of the call has a warning
    or an error.  ``result`` holds what the call would have returned."""

    def __init__(self, diagnostics: List[Diagnostic], result: object) -> None:
        super().__init__("; ".join(str(d) for d in diagnostics))
        self.diagnostics = diagnostics
        self.result = result
        self.symbols = [d.symbol for d in diagnostics if d.symbol is not None]


# ---- from the toolkit's JSON ---------------------------------------------------

def _loads(text: bytes) -> Any:
    """The toolkit's JSON, every number a float (the library's doubles: 100.0
    is written 100); the whole-number members are made int where read."""
    return json.loads(text, parse_int=float)


def _checked(text: bytes) -> Any:
    """The document, or ValueError for a result that could not be calculated."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    return d


def reading_from(text: bytes) -> Reading:
    """A Reading from formix_reading_json(..., FORMIX_JSON_TEXT | FORMIX_JSON_ELEMENTS)."""
    return Reading.from_json(_loads(text))


def analysis_from(text: bytes) -> Analysis:
    """An Analysis from formix_analysis_json; ValueError for its error."""
    return Analysis.from_json(_checked(text))


def found_ratios_from(text: bytes) -> FoundRatios:
    """FoundRatios from formix_ratios_json; ValueError for its error."""
    return FoundRatios.from_json(_checked(text))


def reaction_from(text: bytes) -> Reaction:
    """A Reaction from formix_reaction_json; ValueError for its error."""
    return Reaction.from_json(_checked(text))


def exact_masses_from(text: bytes) -> ExactMasses:
    """ExactMasses from formix_exact_json; ValueError for its error."""
    return ExactMasses.from_json(_checked(text))


def isotope_pattern_from(peaks: bytes, fine: bytes) -> IsotopePattern:
    """An IsotopePattern from formix_pattern_json, centroided and fine (its
    isotopologues); ValueError for its error."""
    d = _checked(peaks)
    d["isotopologues"] = _loads(fine)["isotopologues"]
    return IsotopePattern.from_json(d)


def found_formulas_from(text: bytes) -> FoundFormulas:
    """FoundFormulas from formix_find_json; ValueError for its error."""
    return FoundFormulas.from_json(_checked(text))


def solution_from(text: bytes) -> Solution:
    """A Solution from formix_solution_json; ValueError for its error."""
    return Solution.from_json(_checked(text))


def dilution_from(text: bytes) -> Dilution:
    """A Dilution from formix_solution_json of a dilution; ValueError for its error."""
    return Dilution.from_json(_checked(text))


def chain_from(text: bytes, sequence: str) -> Chain:
    """A Chain from formix_sequence_json; ValueError for its error, with the
    place in `sequence` (counted in characters from 1) where there is one."""
    d = _loads(text)
    if "error" in d:
        if "offset" in d:
            column = len(sequence.encode("utf-8")[:int(d["offset"])].decode("utf-8", "replace")) + 1
            raise ValueError(f"{d['error']} (at {column})")
        raise ValueError(d["error"])
    return Chain.from_json(d)
