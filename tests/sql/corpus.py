"""The formulas the database tests load: plain ones from a fixed seed and
the notations people paste."""
import random


def formulas():
    """Plain formulas from a fixed seed, and the notations people paste."""
    rng = random.Random(25)
    symbols = ["C", "H", "N", "O", "S", "P", "Cl", "Br", "Na", "K", "Fe", "Cu", "Si", "B", "F", "I"]
    out = []
    for _ in range(3000):
        parts = rng.sample(symbols, rng.randint(1, 5))
        out.append("".join(s + (str(rng.randint(1, 40)) if rng.random() < 0.8 else "") for s in parts))
    out += ["CuSO4·5H2O", "CuSO4*5H2O", "SO4^2-", "[Fe(CN)6]3-", "NH4+", "Ph3P", "C6H5Br", "CaSO4*1/2H2O",
            "[13C]6H12O6", "D2O", "co(NO3)2", "Xx", "H2O.", "peptide(GGG)", "dna(ACGT)", "K4[Fe(CN)6]", ""]
    return out


def flagged(result):
    """Whether the tool's reading of a formula (an entry of `formix mass
    --json`'s results) has a number with a warning: SQL gives NULL then."""
    return result["molar_mass"] is not None and any(d["severity"] == "warning" for d in result.get("diagnostics", []))
