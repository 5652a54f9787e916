"""The results of the formix32 calls: plain frozen dataclasses, made from
the JSON objects the toolkit writes (docs/formix-json.schema.json)."""

from __future__ import annotations

import json
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional

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
    dbe: Optional[float] = None
    """Rings plus double bonds (None for a formula with a metal or a count
    that is not whole; docs/find.md)."""

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
    diagnostics: List["Diagnostic"] = field(default_factory=list)

    @property
    def flagged(self) -> bool:
        """Whether its formula was read with a warning: its numbers may not be the ones meant."""
        return any(d.severity == "warning" for d in self.diagnostics)


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
    #: Rings plus double bonds (None for a formula with a metal).
    dbe: Optional[float] = None


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


@dataclass(frozen=True)
class Candidate:
    """A formula found for an m/z: in the order of the ranges and in Hill
    order, its monoisotopic mass (u; of M for an adduct ion), the m/z
    searched for, the error (ppm and mDa), its DBE, the rules it passed,
    the rule that removed it (with ``explain``) and its isotope score."""

    formula: str
    hill: str
    monoisotopic: float
    mz: float
    ppm: float
    mda: float
    dbe: Optional[float]
    rules: List[str]
    broken: Optional[str] = None
    score: Optional[float] = None
    hrms: Optional[str] = None


@dataclass(frozen=True)
class FoundFormulas:
    """The formulas within the tolerance of an m/z: the candidates listed,
    how many were within, kept by the rules and not listed, how many each
    rule removed, whether the search was complete (else ``warning`` says
    why), and the journal's HRMS line of the formula chosen: the ``formula``
    or ``pick`` asked for, or the only candidate left; never rank 1 of many
    (each candidate's own line is its ``hrms``).  ``chosen`` is its Hill
    formula and ``given`` 1 + its index among the candidates (0: not
    listed)."""

    candidates: List[Candidate]
    within: int
    passed: int
    unlisted: int
    removed: Dict[str, int]
    complete: bool
    hrms: Optional[str] = None
    warning: Optional[str] = None
    chosen: Optional[str] = None
    given: int = 0


@dataclass(frozen=True)
class Solution:
    """A solution at the bench, in base units: ``mass`` (g, to weigh:
    purity counted), ``pure_mass`` (g), ``conc`` (mol/L), ``mass_conc``
    (g/L), ``volume`` (L); with a density, ``liquid_volume`` (L) of the
    reagent to measure; ``solved`` names the one worked out; ``line`` is the
    bench line."""

    formula: str
    molar_mass: float
    solved: str
    mass: float
    pure_mass: float
    conc: float
    mass_conc: float
    volume: float
    purity: float
    density: Optional[float]
    liquid_volume: Optional[float]
    line: str


@dataclass(frozen=True)
class Dilution:
    """A dilution: ``stock_volume`` (L) of the stock made up to ``volume``
    (L) with ``solvent_volume`` (L); concentrations in mol/L (None where the
    formula was needed and not given) and g/L."""

    stock: Optional[float]
    stock_mass_conc: Optional[float]
    conc: Optional[float]
    mass_conc: Optional[float]
    volume: float
    stock_volume: float
    solvent_volume: float
    molar_mass: Optional[float]
    line: str


@dataclass(frozen=True)
class Chain:
    """A peptide or single strand: the codes read (``sequence``), the chain
    with its ends (``text``: "Ac-ACDE-NH2", "5'-pACGT-3'"), its Hill formula
    and masses, and with a charge or adduct the ion's name, formula and
    m/z."""

    kind: str
    sequence: str
    text: str
    residues: int
    hill: str
    molar_mass: float
    monoisotopic_mass: float
    ion: Optional[str] = None
    ion_formula: Optional[str] = None
    charge: int = 0
    mz: Optional[float] = None


# ---- from the toolkit's JSON ---------------------------------------------------

def _loads(text: bytes) -> Any:
    """The toolkit's JSON, every number a float (the library's doubles: 100.0
    is written 100); the few whole-number members are made int where read."""
    return json.loads(text, parse_int=float)

def _diagnostic(d: Dict[str, Any]) -> Diagnostic:
    return Diagnostic(d["severity"], d["code"], int(d["offset"]), int(d["length"]), d["message"], d.get("symbol"),
                      d.get("library_message"), d.get("other"), d.get("other_molar_mass"))


def reading_from(text: bytes) -> Reading:
    """A Reading from formix_reading_json(..., FORMIX_JSON_TEXT | FORMIX_JSON_ELEMENTS)."""
    d = _loads(text)
    elements: Dict[str, ElementShare] = {}
    for e in d["elements"]:
        elements.setdefault(e["symbol"], _share(e["atoms"], e["mass"], e["percent"]))
    return Reading(d["formula"], d["molar_mass"], int(d.get("charge", 0)), d["text"],
                   [_diagnostic(x) for x in d["diagnostics"]], elements, d.get("hill", ""), d.get("empirical", ""),
                   d.get("dbe"))


def analysis_from(text: bytes) -> Analysis:
    """An Analysis from formix_analysis_json; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    symbols = [e["symbol"] for e in d["elements"]]
    fits = [SolvateFit(f["label"], f["worst"], dict(zip(symbols, f["calcd"])), f["calcd_line"]) for f in d["fits"]]
    return Analysis({e["symbol"]: e["calcd"] for e in d["elements"]},
                    {e["symbol"]: e["found"] for e in d["elements"] if "found" in e},
                    d.get("within", True), d["calcd_line"], d.get("found_line", ""), fits)


def found_ratios_from(text: bytes) -> FoundRatios:
    """FoundRatios from formix_ratios_json; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    return FoundRatios({s["species"]: s["ratio"] for s in d["species"]}, d["formula"],
                       [FormulaFit(c["formula"], c["molar_mass"], c["worst"], c["calcd_line"])
                        for c in d["candidates"]],
                       d["warnings"])


def reaction_from(text: bytes) -> Reaction:
    """A Reaction from formix_reaction_json; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    return Reaction(d["equation"], [
        Participant(p["formula"], p["side"], p["coefficient"], p["molar_mass"], p.get("moles"), p.get("mass"),
                    p.get("volume"), p.get("equiv"), p.get("given", False), p.get("limiting", False),
                    [_diagnostic(x) for x in p.get("diagnostics", [])])
        for p in d["participants"]])


def exact_masses_from(text: bytes, lines: List[Optional[str]]) -> ExactMasses:
    """ExactMasses from formix_exact_json (each ion's HRMS line in `lines`);
    ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    ions = [AdductIon(i["adduct"], i["formula"], int(i["charge"]), i["mz"], i["possible"], line)
            for i, line in zip(d["ions"], lines)]
    return ExactMasses(d["monoisotopic_mass"], d["nominal_mass"], d.get("mz"), ions, d.get("dbe"))


def isotope_pattern_from(peaks: bytes, fine: bytes) -> IsotopePattern:
    """An IsotopePattern from formix_pattern_json, centroided and fine;
    ValueError for its error."""
    p, f = _loads(peaks), _loads(fine)
    if "error" in p:
        raise ValueError(p["error"])
    return IsotopePattern([(x["mz"], x["intensity"]) for x in p["peaks"]],
                          [(x["mz"], x["intensity"]) for x in f["isotopologues"]],
                          p["most_abundant_mz"], p["pruned"], p.get("warning"))


def found_formulas_from(text: bytes) -> FoundFormulas:
    """FoundFormulas from formix_find_json; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    candidates = [Candidate(c["formula"], c["hill"], c["monoisotopic_mass"], c["mz"], c["ppm"], c["error_mda"],
                            c["dbe"], c["rules"], c.get("broken"), c.get("score"), c.get("hrms"))
                  for c in d["candidates"]]
    return FoundFormulas(candidates, int(d["within"]), int(d["passed"]), int(d["unlisted"]),
                         {k: int(v) for k, v in d["removed"].items()}, d["complete"], d.get("hrms"),
                         d.get("warning"), d.get("chosen"), int(d.get("given", 0)))


def solution_from(text: bytes) -> Solution:
    """A Solution from formix_solution_json; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    return Solution(d["formula"], d["molar_mass"], d["solved"], d["mass"], d["pure_mass"], d["conc"],
                    d["mass_conc"], d["volume"], d["purity"], d["density"], d["liquid_volume"], d["line"])


def dilution_from(text: bytes) -> Dilution:
    """A Dilution from formix_solution_json of a dilution; ValueError for its error."""
    d = _loads(text)
    if "error" in d:
        raise ValueError(d["error"])
    return Dilution(d["stock"], d["stock_mass_conc"], d["conc"], d["mass_conc"], d["volume"], d["stock_volume"],
                    d["solvent_volume"], d["molar_mass"], d["line"])


def chain_from(text: bytes, sequence: str) -> Chain:
    """A Chain from formix_sequence_json; ValueError for its error, with the
    place in `sequence` (counted in characters from 1) where there is one."""
    d = _loads(text)
    if "error" in d:
        if "offset" in d:
            column = len(sequence.encode("utf-8")[:int(d["offset"])].decode("utf-8", "replace")) + 1
            raise ValueError(f"{d['error']} (at {column})")
        raise ValueError(d["error"])
    return Chain(d["kind"], d["sequence"], d["text"], int(d["residues"]), d["hill"], d["molar_mass"],
                 d["monoisotopic_mass"], d.get("ion"), d.get("ion_formula"), int(d.get("charge", 0)), d.get("mz"))
