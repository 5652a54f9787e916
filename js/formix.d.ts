// formix.d.ts -- the package's types: plain objects shaped as the formix
// tool's JSON (docs/formix-json.schema.json).

export interface Diagnostic {
  severity: 'note' | 'warning' | 'error';
  code: string;
  /** First UTF-8 byte concerned, in the formula as given. */
  offset: number;
  /** UTF-8 bytes concerned (0: the end of the formula). */
  length: number;
  message: string;
  symbol?: string;
  library_caption?: string;
  library_message?: string;
  /** Another reading of the text ([13C]6H12O6 for 13C6H12O6), where there is one. */
  other?: string;
  /** g/mol of the other reading; null when it has no number. */
  other_molar_mass?: number | null;
}

export interface ElementShare {
  symbol: string;
  atoms: number;
  /** Mass contributed, g/mol. */
  mass: number;
  /** Mass share of the neutral formula, percent. */
  percent: number;
}

export interface Reading {
  formula: string;
  /** The formula in the engine's notation. */
  text: string;
  /** g/mol (of the ion, electrons counted, when charged); null when the formula has an error. */
  molar_mass: number | null;
  charge?: number;
  hill?: string;
  empirical?: string;
  /** Rings plus double bonds (composition; null for a formula with a metal or a count that is not whole). */
  dbe?: number | null;
  /** In Hill order: C, H, then by symbol (all by symbol without carbon). */
  elements: ElementShare[];
  diagnostics: Diagnostic[];
}

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

export interface Analysis {
  error?: string;
  tolerance?: number;
  elements?: { symbol: string; calcd: number; found?: number; difference?: number }[];
  /** "Anal. Calcd for C20H25NO3: C, 73.37; H, 7.70; N, 4.28." */
  calcd_line?: string;
  found_line?: string;
  within?: boolean;
  /** Solvate fits within the tolerance, best first. */
  fits?: { label: string; worst: number; calcd: number[]; calcd_line: string }[];
}
/** Elemental analysis: Calcd (and Found) lines, deviations, solvate fits. */
export function elementalAnalysis(formula: string, options?: {
  elements?: string; found?: string | Record<string, number>; tolerance?: number; solvents?: 0 | 1 | 2;
}): Analysis;

export interface ExactMasses {
  formula: string;
  error?: string;
  hill?: string;
  monoisotopic_mass?: number;
  nominal_mass?: number;
  dbe?: number | null;
  average_molar_mass?: number;
  charge?: number;
  mz?: number;
  ions?: { adduct: string; formula: string; charge: number; possible: boolean; mz: number;
    error_ppm?: number; error_mda?: number }[];
  /** With found: the journal's line for the closest adduct ion within the window. */
  hrms?: string;
  diagnostics: Diagnostic[];
}
/** Monoisotopic and nominal masses, an ion's m/z, the adduct ions ("[M+H]+,[M+Na]+"); with
 * found (an m/z) the errors and the HRMS line (ppm: the window, the library's default 5; source: "ESI"). */
export function exactMasses(formula: string, options?: { adducts?: string; found?: number; ppm?: number; source?: string }): ExactMasses;

export interface FormulaCandidate {
  /** In the order of the ranges; an ion's with its charge (C4H12N^+). */
  formula: string;
  hill: string;
  /** u; of M for an adduct ion, of the ion itself for a charge. */
  monoisotopic_mass: number;
  mz: number;
  ppm: number;
  error_mda: number;
  /** null for a formula with an element of no valence (a metal). */
  dbe: number | null;
  /** The rules checked and passed. */
  rules: string[];
  /** With explain: the rule that removed it. */
  broken?: string;
  /** With peaks: the isotope score, 0 to 100. */
  score?: number;
  /** The journal's line, were this candidate chosen (none for a neutral mass). */
  hrms?: string;
}
export interface FoundFormulas {
  mz: number;
  error?: string;
  adduct?: string;
  charge?: number;
  ppm?: number;
  mda?: number;
  window?: [number, number];
  elements?: { symbol: string; mass: number; least: number; most: number }[];
  rules?: boolean;
  radical?: boolean;
  within?: number;
  passed?: number;
  unlisted?: number;
  complete?: boolean;
  removed?: Record<string, number>;
  candidates?: FormulaCandidate[];
  /** The journal's line of the formula chosen (options formula or pick), or of the only candidate
   * left; never of rank 1 of many. */
  hrms?: string;
  /** The Hill formula of that line. */
  chosen?: string;
  /** 1 + the index of the candidate that is the formula chosen (absent: not listed). */
  given?: number;
  /** Present when the list may be incomplete. */
  warning?: string;
}
/** Every formula within the tolerance of a found m/z (docs/find.md): as an adduct ion of M, an ion of
 * its own charge, or a neutral mass; held to the chemical rules; scored against found peaks. */
export function findFormulas(mz: number, options?: {
  adduct?: string; charge?: number | string; ppm?: number; mda?: number; elements?: string; rules?: boolean;
  radical?: boolean; explain?: boolean; peaks?: [number, number][] | string; resolvingPower?: number;
  limit?: number; source?: string; formula?: string; pick?: number;
}): FoundFormulas;

/** A charge as every front writes it: 2 -> "2+", -1 -> "1-" ("ion, charge 1-"). */
export function chargeText(charge: number): string;

/** A solution at the bench, base units: g, mol/L, g/L, L (docs/solutions.md). */
export interface Solution {
  formula: string;
  error?: string;
  hill?: string;
  solved?: 'mass' | 'conc' | 'volume';
  molar_mass?: number;
  mass?: number;
  pure_mass?: number;
  purity?: number;
  conc?: number;
  mass_conc?: number;
  volume?: number;
  density?: number | null;
  liquid_volume?: number | null;
  solvent?: string;
  /** "Dissolve 1.248 g of CuSO4·5H2O (249.68 g/mol) in water to 100.0 mL (50.00 mM)." */
  line?: string;
  diagnostics: Diagnostic[];
}
/** The third of a solution's mass, concentration and volume from the other two (texts with units). */
export function solution(formula: string, options: {
  conc?: string; volume?: string; mass?: string; purity?: string; density?: string; solvent?: string;
}): Solution;
export interface Dilution {
  formula: string;
  error?: string;
  molar_mass?: number | null;
  stock?: number | null;
  stock_mass_conc?: number | null;
  density?: number | null;
  conc?: number | null;
  mass_conc?: number | null;
  volume?: number;
  stock_volume?: number;
  solvent_volume?: number;
  solvent?: string;
  line?: string;
  diagnostics: Diagnostic[];
}
/** The volume of stock and of solvent for a dilution (C1V1 = C2V2). */
export function dilute(options: {
  stock: string; conc: string; volume: string; formula?: string; density?: string; solvent?: string;
}): Dilution;
export interface Chain {
  kind: 'protein' | 'dna' | 'rna';
  error?: string;
  /** Of an error: the bytes of the sequence's UTF-8 it is about. */
  offset?: number;
  length?: number;
  sequence?: string;
  /** The chain with its ends: "Ac-ACDE-NH2", "5'-pACGT-3'". */
  text?: string;
  residues?: number;
  n_terminus?: string;
  c_terminus?: string;
  five_prime?: string;
  three_prime?: string;
  disulfides?: number;
  hill?: string;
  molar_mass?: number;
  monoisotopic_mass?: number;
  ion?: string;
  ion_formula?: string;
  charge?: number;
  mz?: number;
}
/** The formula and masses of a peptide or single strand (docs/sequences.md). */
export function sequence(text: string, options?: {
  kind?: 'protein' | 'dna' | 'rna'; acetyl?: boolean; amide?: boolean; disulfides?: number;
  fivePhosphate?: boolean; charge?: number; adduct?: string;
}): Chain;

export interface Peak { mz: number; intensity: number }
export interface IsotopePattern {
  formula: string;
  error?: string;
  hill?: string;
  resolving_power?: number;
  threshold?: number;
  pruned?: number;
  /** Present when the intensities may be off by more than they show (pruned over 0.1 %). */
  warning?: string;
  most_abundant_mz?: number;
  peaks?: Peak[];
  isotopologues?: Peak[];
  diagnostics: Diagnostic[];
}
/** The isotope pattern, centroided at the resolving power (or the isotopologues with fine). */
export function isotopePattern(formula: string, options?: { resolvingPower?: number; threshold?: number; fine?: boolean }): IsotopePattern;

export interface Participant {
  side: 'reactant' | 'product';
  coefficient: number;
  formula: string;
  hill: string;
  molar_mass: number;
  moles?: number | null;
  mass?: number | null;
  equiv?: number;
  volume?: number;
  excess_moles?: number;
  given?: boolean;
  limiting?: true;
}
export interface Reaction {
  equation: string;
  error?: string;
  participants: Participant[] | { formula: string; diagnostics: Diagnostic[] }[];
}
type Amounts = string[] | Record<string, string | number>;
/** An equation, checked or balanced, and the bench table from given amounts. */
export function react(equation: string, options?: {
  balance?: boolean; check?: boolean; given?: Amounts; equiv?: Amounts; density?: Amounts; conc?: Amounts;
}): Reaction;

export interface AtomRatios {
  error?: string;
  species?: { species: string; fraction: number; ratio: number; whole: number; deviation: number }[];
  multiplier?: number;
  /** The nearest formula with small whole numbers. */
  formula?: string;
  candidates?: { formula: string; molar_mass: number; worst: number; calcd_line: string }[];
  warnings?: string[];
}
/** Atom ratios and candidate formulas from found values ({C: 40.0, H: 6.7, O: 53.3}). */
export function atomRatios(found: string | Record<string, number>, options?: {
  byDifference?: string; mass?: number; ref?: { species: string; count: number }; tolerance?: number;
}): AtomRatios;
