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
/** The elements of a formula with their atoms, masses and percentages (as read()). */
export function composition(formula: string): Reading;
/** Replaces the mass file, the group file or both for the calls from now on. */
export function useDataFiles(files: { 'mass.elt'?: string | Uint8Array; 'mass.gps'?: string | Uint8Array }): void;
export function elements(): { symbol: string; mass: number }[];
export function groups(): { name: string; formula: string }[];
