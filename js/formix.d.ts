// formix.d.ts -- the package's types: plain objects shaped as the formix
// tool's JSON (docs/formix-json.schema.json).

// The result objects: generated from docs/formix-json.schema.json (scripts/generate_types.py).
import type { Diagnostic, ElementShare, Reading, Analysis, ExactMasses, Candidate, FoundFormulas, Solution, Dilution, Chain, Peak, IsotopePattern, Participant, Reaction, FoundRatios } from './formix-results';
export * from './formix-results';

/** Loads the WebAssembly module and the shipped data files; every other call needs it done. */
export function init(): Promise<unknown>;
/** Everything about a formula: molar mass, charge, Hill formula, elements, diagnostics. */
export function read(formula: string): Reading;
/** The molar mass in g/mol; NaN when the formula has an error (read it for why). */
export function molarMass(formula: string): number;
/** read() and, where the formula has a value, its elemental analysis (the tool's composition document). */
export function composition(formula: string, options?: {
  elements?: string; found?: string | Record<string, number>; tolerance?: number; solvents?: 0 | 1 | 2;
}): Reading & { analysis?: Analysis };
/** Replaces the mass file, the group file or both for the calls from now on. */
export function useDataFiles(files: { 'mass.elt'?: string | Uint8Array; 'mass.gps'?: string | Uint8Array }): void;
export function elements(): { index: number; symbol: string; mass: number }[];
/** Each group with its molar mass (null when its formula has none). */
export function groups(): { name: string; formula: string; molar_mass: number | null }[];

/** Elemental analysis: Calcd (and Found) lines, deviations, solvate fits. */
export function elementalAnalysis(formula: string, options?: {
  elements?: string; found?: string | Record<string, number>; tolerance?: number; solvents?: 0 | 1 | 2;
}): Analysis;

/** Monoisotopic and nominal masses, an ion's m/z, the adduct ions ("[M+H]+,[M+Na]+"); with
 * found (an m/z) the errors and the HRMS line (ppm: the window, the library's default 5; source: "ESI"). */
export function exactMasses(formula: string, options?: { adducts?: string; found?: number; ppm?: number; source?: string }): ExactMasses;

/** Every formula within the tolerance of a found m/z (docs/find.md): as an adduct ion of M, an ion of
 * its own charge, or a neutral mass; held to the chemical rules; scored against found peaks. */
export function findFormulas(mz: number, options?: {
  adduct?: string; charge?: number | string; ppm?: number; mda?: number; elements?: string; rules?: boolean;
  ratios?: 'extended' | 'common' | 'none';
  elementLimits?: 'dnp' | 'wiley' | 'none'; hnops?: boolean;
  radical?: boolean; explain?: boolean; peaks?: [number, number][] | string; resolvingPower?: number;
  intensityError?: number; massError?: number;
  limit?: number; source?: string; formula?: string; pick?: number;
}): FoundFormulas;

/** A charge as every front writes it: 2 -> "2+", -1 -> "1-" ("ion, charge 1-"). */
export function chargeText(charge: number): string;

/** The third of a solution's mass, concentration and volume from the other two (texts with units). */
export function solution(formula: string, options: {
  conc?: string; volume?: string; mass?: string; purity?: string; density?: string; solvent?: string;
}): Solution;
/** The volume of stock and of solvent for a dilution (C1V1 = C2V2). */
export function dilute(options: {
  stock: string; conc: string; volume: string; formula?: string; density?: string; solvent?: string;
}): Dilution;
/** The formula and masses of a peptide or single strand (docs/sequences.md). */
export function sequence(text: string, options?: {
  kind?: 'protein' | 'dna' | 'rna'; acetyl?: boolean; amide?: boolean; disulfides?: number;
  fivePhosphate?: boolean; charge?: number; adduct?: string;
}): Chain;

/** The isotope pattern, centroided at the resolving power (or the isotopologues with fine). */
export function isotopePattern(formula: string, options?: { resolvingPower?: number; threshold?: number; fine?: boolean }): IsotopePattern;

type Amounts = string[] | Record<string, string | number>;
/** An equation, checked or balanced, and the bench table from given amounts. */
export function react(equation: string, options?: {
  balance?: boolean; check?: boolean; given?: Amounts; equiv?: Amounts; density?: Amounts; conc?: Amounts;
}): Reaction;

/** Atom ratios and candidate formulas from found values ({C: 40.0, H: 6.7, O: 53.3}). */
export function atomRatios(found: string | Record<string, number>, options?: {
  byDifference?: string; mass?: number; ref?: { species: string; count: number }; tolerance?: number;
}): FoundRatios;
