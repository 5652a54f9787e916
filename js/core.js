// core.js -- the formix toolkit (include/formix.h) over its WebAssembly
// module: plain objects shaped as the formix tool's JSON. node.js and web.js
// give it the module built for their environment; after `await init()`
// every call is synchronous.

import * as F from './flags.js';
import { checkedBytes, memoryOf } from './memory.js';

let factory = null;
let api = null;

// The module factory of the environment (node.js, web.js).
export function useModuleFactory(create) {
  factory = create;
}

// Loads the WebAssembly module and the shipped data files; resolves when
// the calls below are ready. Calling it again does nothing more.
export async function init() {
  if (api === null) api = makeApi(await factory());
  return api;
}

function ready() {
  if (api === null) throw new Error('formix: call and await init() first');
  return api;
}

function makeApi(m) {
  const { withText, withPath, withOptional, string, parsed } = memoryOf(m);

  let context = 0;
  function openContext(masses, groups) {
    const status = m._malloc(4);
    try {
      const made = withPath(masses, (mp) => withPath(groups, (gp) => m._formix_context_new(mp, gp, 0, status)));
      if (made === 0) throw new Error(`formix: ${string(m._formix_status_text(m.HEAP32[status >>> 2]))}`);
      if (context !== 0) m._formix_context_free(context);
      context = made;
    } finally {
      m._free(status);
    }
  }
  openContext(null, null);


  // A number option: NaN (the library's default) when not given; a value
  // that is no finite number is refused, never read as the default.
  function given(value, name) {
    if (value === undefined || value === null) return NaN;
    if (typeof value !== 'number' || !Number.isFinite(value)) {
      throw new RangeError(`formix: ${name} must be a finite number, not ${JSON.stringify(value)}`);
    }
    return value;
  }

  // The flag of an option naming one of `flags`' keys; another is refused,
  // the choices listed.
  function choiceFlag(value, name, flags) {
    if (Object.hasOwn(flags, value)) return flags[value];
    const names = Object.keys(flags).map((k) => `'${k}'`);
    throw new RangeError(`formix: ${name} must be ${names.slice(0, -1).join(', ')} or ${names.at(-1)}`);
  }

  // An object the library made (0: out of memory) for `use`, freed after.
  function owned(made, free, use) {
    if (made === 0) throw new Error('formix: out of memory');
    try {
      return use(made);
    } finally {
      free(made);
    }
  }
  // Such an object's JSON.
  const document = (made, json, free) => owned(made, free, (x) => parsed(json(x)));

  // A reading of `formula` for `use`, freed after.
  const withReading = (formula, use) =>
    withText(formula, (at, length) => owned(m._formix_read(context, at, length), m._formix_reading_free, use), true);

  const readingOf = (r) => parsed(m._formix_reading_json(r, F.FORMIX_JSON_TEXT | F.FORMIX_JSON_ELEMENTS));
  const read = (formula) => withReading(formula, readingOf);

  // The elemental analysis of a formula (as "analysis" in the tool's
  // composition JSON): options elements ("C,H,N"), found ("C=73.21,H=7.75"
  // or {C: 73.21, H: 7.75}), tolerance (absolute percent; the library's
  // default when not given), solvents (0, 1 or 2).
  function analysisOf(r, options) {
    const found = typeof options.found === 'object' && options.found !== null
      ? Object.entries(options.found).map(([k, v]) => `${k}=${v}`).join(',') : options.found;
    const tolerance = given(options.tolerance, 'tolerance');
    return withOptional(options.elements, (ep) => withOptional(found, (fp) =>
      document(m._formix_elemental_analysis(context, r, ep, fp, tolerance, options.solvents ?? 0),
        m._formix_analysis_json, m._formix_analysis_free)));
  }
  const elementalAnalysis = (formula, options = {}) => withReading(formula, (r) => analysisOf(r, options));

  // Exact masses (the tool's "ms" JSON): options adducts ("[M+H]+,[M+Na]+"),
  // found (an m/z: the errors and the HRMS line), ppm, source ("ESI").
  function exactMasses(formula, options = {}) {
    const ppm = given(options.ppm, 'ppm');
    return withReading(formula, (r) => withOptional(options.adducts, (ap) => {
      const x = m._formix_exact_masses(context, r, ap);
      if (x !== 0 && options.found !== undefined) {
        withOptional(options.source, (sp) => m._formix_exact_compare(x, Number(options.found), ppm, sp));
      }
      return document(x, m._formix_exact_json, m._formix_exact_free);
    }));
  }

  // Formulas from an accurate mass (the tool's "find" JSON): options adduct
  // ("[M+H]+": the candidates are M) or charge (1, -2 or '2+': the
  // candidate is the ion), ppm or mda, elements ("C0-30H0-60N0-5O0-10"), rules (true),
  // ratios ('extended', 'common' or 'none': the rules' element ratios),
  // elementLimits ('dnp', 'wiley' or 'none': the element counts by mass
  // range), hnops (the HNOPS check),
  // radical, explain, peaks ([[mz, intensity], ...] or "mz:i,mz:i"),
  // resolvingPower, intensityError (percent, 5) and massError (ppm) of the
  // peaks, limit, source ("ESI"); formula (the formula meant) or
  // pick (a candidate's number, 1-based) for the HRMS line, which is given
  // only for a formula chosen or the only candidate left.
  // A charge given as text ('2+', '-1', '++'): the toolkit's grammar.
  function readCharge(text) {
    const out = m._malloc(4);
    if (out === 0) throw new Error('formix: out of memory');
    try {
      const why = withText(String(text), (at) => string(m._formix_read_charge(at, out)));
      if (why !== '') throw new RangeError(`formix: ${why}`);
      return m.getValue(out, 'i32');
    } finally {
      m._free(out);
    }
  }

  // A charge as every front writes it: 2- ("ion, charge 2-").
  function chargeText(z) {
    const out = m._malloc(16);
    if (out === 0) throw new Error('formix: out of memory');
    try {
      return string(m._formix_charge_text(z | 0, out, 16));
    } finally {
      m._free(out);
    }
  }

  function findFormulas(mz, options = {}) {
    if (options.adduct !== undefined && options.charge !== undefined) {
      throw new RangeError('formix: give adduct or charge, not both');
    }
    // A charge as a number (2, -1) or as text, read by the toolkit's one
    // grammar ('2+', '++', '-').
    let charge = 0;
    if (typeof options.charge === 'string') {
      charge = readCharge(options.charge);
    } else if (options.charge !== undefined) {
      charge = options.charge;
      if (!(Number.isInteger(charge) && charge !== 0)) {
        throw new RangeError('formix: charge must be a whole number other than 0, or a charge such as "2+"');
      }
    }
    const limit = options.limit ?? 0;
    if (options.limit !== undefined && !(Number.isInteger(limit) && limit >= 1 && limit <= 1000000)) {
      throw new RangeError('formix: limit must be a whole number from 1 to 1000000');
    }
    if (options.ppm !== undefined && options.mda !== undefined) {
      throw new RangeError('formix: give ppm or mda, not both');
    }
    const peaks = Array.isArray(options.peaks) ? options.peaks.map(([p, i]) => `${Number(p)}:${Number(i)}`).join(',')
      : options.peaks;
    const ratios = choiceFlag(options.ratios ?? 'extended', 'ratios',
      { extended: 0, common: F.FORMIX_FIND_COMMON_RATIOS, none: F.FORMIX_FIND_NO_RATIOS });
    const limits = choiceFlag(options.elementLimits ?? 'none', 'elementLimits',
      { dnp: F.FORMIX_FIND_DNP_LIMITS, wiley: F.FORMIX_FIND_WILEY_LIMITS, none: 0 });
    const flags = (options.rules === false ? F.FORMIX_FIND_NO_RULES : 0) | (options.radical ? F.FORMIX_FIND_RADICAL : 0)
      | (options.explain ? F.FORMIX_FIND_EXPLAIN : 0) | ratios | limits | (options.hnops ? F.FORMIX_FIND_HNOPS : 0);
    if (options.formula !== undefined && options.pick !== undefined) {
      throw new RangeError('formix: give formula or pick, not both');
    }
    const pick = options.pick ?? 0;
    if (options.pick !== undefined && !(Number.isInteger(pick) && pick >= 1)) {
      throw new RangeError('formix: pick must be a whole number of at least 1');
    }
    const [ppm, mda, resolvingPower, intensityError, massError] = ['ppm', 'mda', 'resolvingPower', 'intensityError',
      'massError'].map((name) => given(options[name], name));
    return withOptional(options.adduct, (ap) => withOptional(options.elements, (ep) => withOptional(peaks, (pp) =>
      withOptional(options.source, (sp) => withOptional(options.formula, (fp) => owned(
        m._formix_find_formulas(context, Number(mz), ap, charge, ppm, mda, ep, pp, resolvingPower, intensityError,
          massError, limit, flags, sp),
        m._formix_find_free, (f) => {
          const why = fp !== 0 || pick !== 0 ? m.UTF8ToString(m._formix_find_choose(f, context, fp, pick)) : '';
          const doc = parsed(m._formix_find_json(f));
          return why === '' || doc.error ? doc : { ...doc, error: why };
        }))))));
  }

  // Texts (each optional) in the module's memory for the length of `use`.
  const withTexts = (texts, use, pointers = []) => (texts.length === 0 ? use(...pointers)
    : withOptional(texts[0], (p) => withTexts(texts.slice(1), use, [...pointers, p])));
  // A quantity with its unit ("50 mM"): a bare number has none.
  function quantity(value, what) {
    if (typeof value === 'number') {
      throw new RangeError(`formix: ${what} ${value} has no unit: write it as text with its unit, such as '50 mM'`);
    }
    return value;
  }

  // A solution (the tool's "solution" JSON): options conc, volume, mass
  // (two of them, texts with units), purity ('98 %' or '0.98'), density
  // ('1.18 g/mL': a liquid reagent), solvent ('water').
  function solution(formula, options = {}) {
    const texts = [formula, quantity(options.conc, 'conc'), quantity(options.volume, 'volume'),
      quantity(options.mass, 'mass'), quantity(options.purity, 'purity'), quantity(options.density, 'density'),
      options.solvent];
    checkedBytes(formula);
    return withTexts(texts, (...p) => document(m._formix_solution_new(context, ...p), m._formix_solution_json,
      m._formix_solution_free));
  }

  // A dilution (the tool's "dilute" JSON): options stock, conc, volume
  // (texts with units), formula (to convert mol/L and g/L), density (of a
  // stock in % w/w), solvent.
  function dilute(options = {}) {
    const texts = [options.formula, quantity(options.stock, 'stock'), quantity(options.conc, 'conc'),
      quantity(options.volume, 'volume'), quantity(options.density, 'density'), options.solvent];
    return withTexts(texts, (...p) => document(m._formix_dilution(context, ...p), m._formix_solution_json,
      m._formix_solution_free));
  }

  // A peptide or single strand (the tool's "sequence" JSON): options kind
  // ('protein', 'dna', 'rna'), acetyl, amide, disulfides, fivePhosphate,
  // charge (z: [M+zH]z+) or adduct ('[M+Na]+').
  function sequence(text, options = {}) {
    const kind = options.kind ?? 'protein';
    if (!['protein', 'dna', 'rna'].includes(kind)) throw new RangeError('formix: kind must be protein, dna or rna');
    const disulfides = options.disulfides ?? 0;
    if (!(Number.isInteger(disulfides) && disulfides >= 0 && disulfides <= 1000000)) {
      throw new RangeError('formix: disulfides must be a whole number from 0 to 1000000');
    }
    const charge = options.charge ?? 0;
    if (!(Number.isInteger(charge) && Math.abs(charge) <= 100)) {
      throw new RangeError('formix: charge must be a whole number from -100 to 100');
    }
    checkedBytes(text);
    const flags = (options.acetyl ? F.FORMIX_SEQUENCE_ACETYL : 0) | (options.amide ? F.FORMIX_SEQUENCE_AMIDE : 0)
      | (options.fivePhosphate ? F.FORMIX_SEQUENCE_5PHOSPHATE : 0);
    return withTexts([kind, text, options.adduct], (kp, sp, ap) => document(
      m._formix_sequence_read(context, kp, sp, flags, disulfides, charge, ap), m._formix_sequence_json,
      m._formix_sequence_free));
  }

  // The isotope pattern (the tool's "pattern" JSON): options
  // resolvingPower and threshold (the library's defaults when not given),
  // fine (the isotopologues).
  function isotopePattern(formula, options = {}) {
    const threshold = given(options.threshold, 'threshold');
    const resolvingPower = given(options.resolvingPower, 'resolvingPower');
    return withReading(formula, (r) => document(
      m._formix_isotope_pattern(context, r, threshold, resolvingPower),
      (p) => m._formix_pattern_json(p, options.fine ? 1 : 0), m._formix_pattern_free));
  }

  // A reaction and its bench table (the tool's "react" JSON): options
  // balance, check (true), given, equiv, density, conc (each a list of
  // "FORMULA=VALUE" or an object {FORMULA: VALUE}).
  function react(equation, options = {}) {
    const list = (v) => (v === undefined ? [] : Array.isArray(v) ? v : typeof v === 'object'
      ? Object.entries(v).map(([k, x]) => `${k}=${x}`) : [v]);
    return withText(equation, (at) => {
      const r = m._formix_react(context, at, options.balance ? 1 : 0, options.check === false ? 0 : 1);
      if (r !== 0 && string(m._formix_reaction_error(r)) === '') {
        // Amounts in turn until one is refused (the reaction's error says why).
        const amounts = [[options.given, 'g'], [options.equiv, 'e'], [options.density, 'd'], [options.conc, 'c']];
        const set = amounts.every(([values, kind]) => list(values).every((item) =>
          withText(String(item), (ip) => m._formix_reaction_set_amount(r, ip, kind.charCodeAt(0))) !== 0));
        if (set && list(options.given).length > 0) m._formix_reaction_solve(r);
      }
      return document(r, m._formix_reaction_json, m._formix_reaction_free);
    });
  }

  // Atom ratios and candidate formulas from found values (the tool's
  // "ratios" JSON, with its warnings): found {C: 40.0, H: 6.7, O: 53.3}
  // or "C=40.0,H=6.7,O=53.3"; options byDifference ("O"), mass (a molar
  // mass to scale to), ref ({species, count}), tolerance (the library's
  // default when not given).
  function atomRatios(found, options = {}) {
    const entries = typeof found === 'string'
      ? found.split(/[,;\s]+/).filter((x) => x !== '').map((x) => {
        const eq = x.lastIndexOf('=');
        return [x.slice(0, eq), Number(x.slice(eq + 1))];
      })
      : Object.entries(found);
    const held = [];
    const names = m._malloc(4 * Math.max(entries.length, 1));
    const fractions = m._malloc(8 * Math.max(entries.length, 1));
    try {
      entries.forEach(([species, fraction], i) => {
        const bytes = checkedBytes(String(species));
        const at = m._malloc(bytes.length + 1);
        held.push(at);
        m.HEAPU8.set(bytes, at);
        m.HEAPU8[at + bytes.length] = 0;
        m.HEAPU32[(names >>> 2) + i] = at;
        m.HEAPF64[(fractions >>> 3) + i] = Number(fraction);
      });
      const ref = options.ref ?? null;
      return withOptional(options.byDifference, (bp) => withOptional(ref?.species, (rp) => document(
        m._formix_atom_ratios(context, names, fractions, entries.length, bp, options.mass ?? 0, rp, ref?.count ?? 1,
          given(options.tolerance, 'tolerance')),
        m._formix_ratios_json, m._formix_ratios_free)));
    } finally {
      for (const at of held) m._free(at);
      m._free(names);
      m._free(fractions);
    }
  }

  // A part of the context's JSON (formix_context_json).
  function contextPart(part) {
    const length = m._formix_context_json(context, part, 0, 0);
    if (length === 0) throw new Error('formix: out of memory');
    const at = m._malloc(length + 1);
    try {
      m._formix_context_json(context, part, at, length + 1);
      return JSON.parse(m.UTF8ToString(at, length));
    } finally {
      m._free(at);
    }
  }

  function molarMass(formula) {
    // A NUL: the reading says so (the quick call would stop at it).
    const quiet = typeof formula === 'string' && formula.includes('\0') ? NaN
      : withText(formula, (at) => m._formix_quiet_molar_mass(context, at));
    if (!Number.isNaN(quiet)) return quiet;
    const r = read(formula);
    return r.molar_mass === null ? NaN : r.molar_mass;
  }

  // Replaces data files for the calls from now on: `files` holds the text
  // (a string, or the bytes of a file opened by the user) of "mass.elt",
  // "mass.gps" or both; the others stay as they are.
  function useDataFiles(files) {
    const paths = { masses: null, groups: null };
    const unknown = Object.keys(files).filter((name) => name !== 'mass.elt' && name !== 'mass.gps');
    if (unknown.length > 0) {
      const names = unknown.map((n) => JSON.stringify(n)).join(', ');
      throw new TypeError(`formix: useDataFiles takes "mass.elt" and "mass.gps", not ${names}`);
    }
    for (const [name, key] of [['mass.elt', 'masses'], ['mass.gps', 'groups']]) {
      if (files[name] === undefined) continue;
      const data = files[name];
      if (typeof data !== 'string' && !(data instanceof Uint8Array)) {
        throw new TypeError(`formix: the contents of ${name} must be a string or a Uint8Array`);
      }
      try {
        m.FS.mkdir('/user');
      } catch {
        // there already
      }
      m.FS.writeFile(`/user/${name}`, data);
      paths[key] = `/user/${name}`;
    }
    openContext(paths.masses ?? currentFile('masses'), paths.groups ?? currentFile('groups'));
  }

  function currentFile(which) {
    const at = which === 'masses' ? m._formix_context_masses_file(context) : m._formix_context_groups_file(context);
    const path = string(at);
    return path === '' ? null : path;
  }

  return {
    read,
    molarMass,
    // The tool's composition document: the reading and, where it has a
    // value, its elemental analysis (options as for elementalAnalysis()).
    composition: (formula, options = {}) => withReading(formula, (handle) => {
      const r = readingOf(handle);
      if (r.molar_mass === null) return r;
      const a = analysisOf(handle, options);
      // A formula with none of C, H, N and S has no Calcd line by default.
      if (a.error !== undefined && !options.elements && !options.found) return r;
      return { ...r, analysis: a };
    }),
    elementalAnalysis,
    exactMasses,
    findFormulas,
    chargeText,
    solution,
    dilute,
    sequence,
    isotopePattern,
    react,
    atomRatios,
    useDataFiles,
    elements: () => contextPart(F.FORMIX_JSON_ELEMENTS_TABLE).elements,
    groups: () => contextPart(F.FORMIX_JSON_GROUPS_TABLE).groups,
  };
}

export const read = (formula) => ready().read(formula);
export const molarMass = (formula) => ready().molarMass(formula);
export const composition = (formula, options) => ready().composition(formula, options);
export const elementalAnalysis = (formula, options) => ready().elementalAnalysis(formula, options);
export const exactMasses = (formula, options) => ready().exactMasses(formula, options);
export const isotopePattern = (formula, options) => ready().isotopePattern(formula, options);
export const findFormulas = (mz, options) => ready().findFormulas(mz, options);
export const chargeText = (charge) => ready().chargeText(charge);
export const solution = (formula, options) => ready().solution(formula, options);
export const dilute = (options) => ready().dilute(options);
export const sequence = (text, options) => ready().sequence(text, options);
export const react = (equation, options) => ready().react(equation, options);
export const atomRatios = (found, options) => ready().atomRatios(found, options);
export const useDataFiles = (files) => ready().useDataFiles(files);
export const elements = () => ready().elements();
export const groups = () => ready().groups();
