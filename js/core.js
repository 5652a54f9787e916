// core.js -- the formix toolkit (include/formix.h) over its WebAssembly
// module: plain objects shaped as the formix tool's JSON. node.js and web.js
// give it the module built for their environment; after `await init()`
// every call is synchronous.

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

const SEVERITIES = ['note', 'warning', 'error'];

function makeApi(m) {
  const utf8 = new TextEncoder();

  // `text` as UTF-8 in the module's memory for the length of `use`. A lone
  // surrogate (which UTF-8 cannot carry) is refused, never replaced; so is
  // a NUL, which would end the text early, unless `counted`: the call
  // takes the length, and the reader reports the NUL as the formula's error.
  const loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;
  const wellFormed = typeof ''.isWellFormed === 'function' ? (t) => t.isWellFormed() : (t) => !loneSurrogate.test(t);
  function checkedBytes(text, counted = false) {
    if (typeof text !== 'string') throw new TypeError(`formix: a formula must be a string, not ${typeof text}`);
    if (!counted && text.includes('\0')) throw new RangeError(`formix: ${JSON.stringify(text)} holds a NUL character`);
    if (!wellFormed(text)) throw new RangeError(`formix: ${JSON.stringify(text)} holds a lone surrogate, not text`);
    return utf8.encode(text);
  }
  function withText(text, use, counted = false) {
    const bytes = checkedBytes(text, counted);
    const at = m._malloc(bytes.length + 1);
    if (at === 0) throw new Error('formix: out of memory');
    try {
      m.HEAPU8.set(bytes, at);
      m.HEAPU8[at + bytes.length] = 0;
      return use(at, bytes.length);
    } finally {
      m._free(at);
    }
  }

  function withPath(path, use) {
    return path === null ? use(0) : withText(path, (at) => use(at));
  }

  const string = (at) => m.UTF8ToString(at);
  const u32 = (at) => m.HEAPU32[at >>> 2];
  const f64 = (at) => m.HEAPF64[at >>> 3];

  let context = 0;
  function openContext(masses, groups) {
    const status = m._malloc(4);
    try {
      const made = withPath(masses, (mp) => withPath(groups, (gp) => m._formix_context_new(mp, gp, status)));
      if (made === 0) throw new Error(`formix: ${string(m._formix_status_text(m.HEAP32[status >>> 2]))}`);
      if (context !== 0) m._formix_context_free(context);
      context = made;
    } finally {
      m._free(status);
    }
  }
  openContext(null, null);

  // The diagnostics of a reading (formix_diagnostic: wasm32 layout).
  function diagnostics(r) {
    const out = [];
    const count = m._formix_reading_diagnostic_count(r);
    for (let i = 0; i < count; ++i) {
      const d = m._formix_reading_diagnostic(r, i);
      const item = {
        severity: SEVERITIES[m.HEAP32[d >>> 2]],
        code: string(u32(d + 12)),
        offset: u32(d + 4),
        length: u32(d + 8),
        message: string(u32(d + 20)),
      };
      const symbol = string(u32(d + 16));
      if (symbol !== '') item.symbol = symbol;
      const libraryMessage = string(u32(d + 28));
      if (libraryMessage !== '') {
        item.library_caption = string(u32(d + 24));
        item.library_message = libraryMessage;
      }
      const other = string(u32(d + 32));
      if (other !== '') {
        item.other = other;
        const mass = m.HEAPF64[(d + 40) >>> 3];
        item.other_molar_mass = Number.isNaN(mass) ? null : mass;
      }
      out.push(item);
    }
    return out;
  }

  // The elements of a reading in Hill order, as the tool lists them
  // (formix_element_share: wasm32 layout).
  function elements(r) {
    const out = [];
    const count = m._formix_reading_element_count(r);
    for (let i = 0; i < count; ++i) {
      const e = m._formix_reading_element_in_hill_order(r, i);
      out.push({ symbol: string(u32(e + 4)), atoms: f64(e + 8), mass: f64(e + 16), percent: f64(e + 24) });
    }
    return out;
  }

  function read(formula) {
    return withText(formula, (at, length) => {
      const r = m._formix_read(context, at, length);
      if (r === 0) throw new Error('formix: out of memory');
      try {
        const hasValue = m._formix_reading_has_value(r) !== 0;
        const out = {
          formula,
          text: string(m._formix_reading_text(r)),
          molar_mass: hasValue ? m._formix_reading_molar_mass(r) : null,
        };
        const charge = m._formix_reading_charge(r);
        if (charge !== 0) out.charge = charge;
        if (hasValue) {
          out.hill = string(m._formix_reading_hill(r));
          const empirical = string(m._formix_reading_empirical(r));  // "" when a count is not whole
          if (empirical !== '') out.empirical = empirical;
        }
        out.elements = elements(r);
        out.diagnostics = diagnostics(r);
        return out;
      } finally {
        m._formix_reading_free(r);
      }
    }, true);
  }

  // A reading of `formula` for `use`, freed after.
  function withReading(formula, use) {
    return withText(formula, (at, length) => {
      const r = m._formix_read(context, at, length);
      if (r === 0) throw new Error('formix: out of memory');
      try {
        return use(r);
      } finally {
        m._formix_reading_free(r);
      }
    }, true);
  }

  const withOptional = (text, use) => (text === undefined || text === null || text === '' ? use(0) : withText(String(text), use));

  // The elemental analysis of a formula (as "analysis" in the tool's
  // composition JSON): options elements ("C,H,N"), found ("C=73.21,H=7.75"
  // or {C: 73.21, H: 7.75}), tolerance (absolute percent; the library's
  // default when not given), solvents (0, 1 or 2).
  function elementalAnalysis(formula, options = {}) {
    const found = typeof options.found === 'object' && options.found !== null
      ? Object.entries(options.found).map(([k, v]) => `${k}=${v}`).join(',') : options.found;
    return withReading(formula, (r) => withOptional(options.elements, (ep) => withOptional(found, (fp) => {
      const a = m._formix_elemental_analysis(context, r, ep, fp, options.tolerance ?? NaN, options.solvents ?? 0);
      if (a === 0) throw new Error('formix: out of memory');
      try {
        const error = string(m._formix_analysis_error(a));
        if (error !== '') return { error };
        const n = m._formix_analysis_element_count(a);
        const out = { tolerance: m._formix_analysis_tolerance(a), elements: [] };
        for (let i = 0; i < n; ++i) {
          const item = { symbol: string(m._formix_analysis_element(a, i)), calcd: m._formix_analysis_calcd(a, i) };
          const f = m._formix_analysis_found(a, i);
          if (!Number.isNaN(f)) {
            item.found = f;
            item.difference = f - item.calcd;
          }
          out.elements.push(item);
        }
        out.calcd_line = string(m._formix_analysis_calcd_line(a));
        const foundLine = string(m._formix_analysis_found_line(a));
        if (foundLine !== '') {
          out.found_line = foundLine;
          out.within = m._formix_analysis_within(a) !== 0;
        }
        out.fits = [];
        for (let k = 0; k < m._formix_analysis_fit_count(a); ++k) {
          const calcd = [];
          for (let i = 0; i < n; ++i) calcd.push(m._formix_analysis_fit_calcd(a, k, i));
          out.fits.push({ label: string(m._formix_analysis_fit_label(a, k)), worst: m._formix_analysis_fit_worst(a, k),
            calcd, calcd_line: string(m._formix_analysis_fit_line(a, k)) });
        }
        return out;
      } finally {
        m._formix_analysis_free(a);
      }
    })));
  }

  // Exact masses (the tool's "ms" JSON): options adducts ("[M+H]+,[M+Na]+").
  function exactMasses(formula, options = {}) {
    return withReading(formula, (r) => withOptional(options.adducts, (ap) => {
      const x = m._formix_exact_masses(context, r, ap);
      if (x === 0) throw new Error('formix: out of memory');
      try {
        const error = string(m._formix_exact_error(x));
        const out = { formula };
        if (error !== '') return { ...out, error, diagnostics: diagnostics(r) };
        out.hill = string(m._formix_reading_hill(r));
        out.monoisotopic_mass = m._formix_exact_monoisotopic(x);
        out.nominal_mass = m._formix_exact_nominal(x);
        out.average_molar_mass = m._formix_reading_molar_mass(r);
        const charge = m._formix_exact_charge(x);
        if (charge !== 0) {
          out.charge = charge;
          out.mz = m._formix_exact_mz(x);
        }
        out.ions = [];
        for (let i = 0; i < m._formix_exact_ion_count(x); ++i) {
          out.ions.push({ adduct: string(m._formix_exact_ion_name(x, i)), formula: string(m._formix_exact_ion_formula(x, i)),
            charge: m._formix_exact_ion_charge(x, i), possible: m._formix_exact_ion_possible(x, i) !== 0,
            mz: m._formix_exact_ion_mz(x, i) });
        }
        out.diagnostics = diagnostics(r);
        return out;
      } finally {
        m._formix_exact_free(x);
      }
    }));
  }

  // The isotope pattern (the tool's "pattern" JSON): options
  // resolvingPower and threshold (the library's defaults when not given),
  // fine (the isotopologues).
  function isotopePattern(formula, options = {}) {
    return withReading(formula, (r) => {
      const p = m._formix_isotope_pattern(context, r, options.threshold ?? NaN, options.resolvingPower ?? NaN);
      if (p === 0) throw new Error('formix: out of memory');
      try {
        const error = string(m._formix_pattern_error(p));
        if (error !== '') return { formula, error, diagnostics: diagnostics(r) };
        const out = { formula, hill: string(m._formix_reading_hill(r)),
          resolving_power: m._formix_pattern_resolving_power(p), threshold: m._formix_pattern_threshold(p),
          pruned: m._formix_pattern_pruned(p), most_abundant_mz: m._formix_pattern_most_abundant(p) };
        const warning = string(m._formix_pattern_warning(p));
        if (warning !== '') out.warning = warning;
        const list = [];
        const count = options.fine ? m._formix_pattern_fine_count(p) : m._formix_pattern_peak_count(p);
        for (let i = 0; i < count; ++i) {
          list.push(options.fine
            ? { mz: m._formix_pattern_fine_mz(p, i), intensity: m._formix_pattern_fine_intensity(p, i) }
            : { mz: m._formix_pattern_peak_mz(p, i), intensity: m._formix_pattern_peak_intensity(p, i) });
        }
        out[options.fine ? 'isotopologues' : 'peaks'] = list;
        out.diagnostics = diagnostics(r);
        return out;
      } finally {
        m._formix_pattern_free(p);
      }
    });
  }

  // A reaction and its bench table (the tool's "react" JSON): options
  // balance, check (true), given, equiv, density, conc (each a list of
  // "FORMULA=VALUE" or an object {FORMULA: VALUE}).
  function react(equation, options = {}) {
    const list = (v) => (v === undefined ? [] : Array.isArray(v) ? v : typeof v === 'object'
      ? Object.entries(v).map(([k, x]) => `${k}=${x}`) : [v]);
    return withText(equation, (at) => {
      const r = m._formix_react(context, at, options.balance ? 1 : 0, options.check === false ? 0 : 1);
      if (r === 0) throw new Error('formix: out of memory');
      try {
        const n = m._formix_reaction_count(r);
        const participantDiagnostics = [];
        for (let i = 0; i < n; ++i) {
          participantDiagnostics.push({ formula: string(m._formix_reaction_formula(r, i)),
            diagnostics: diagnostics(m._formix_reaction_reading(r, i)) });
        }
        let error = string(m._formix_reaction_error(r));
        const amounts = list(options.given).length > 0;
        if (error === '') {
          for (const [values, kind] of [[options.given, 'g'], [options.equiv, 'e'], [options.density, 'd'], [options.conc, 'c']]) {
            for (const item of list(values)) {
              if (error === '' && !withText(String(item), (ip) => m._formix_reaction_set_amount(r, ip, kind.charCodeAt(0)))) {
                error = string(m._formix_reaction_error(r));
              }
            }
          }
          if (error === '' && amounts && !m._formix_reaction_solve(r)) error = string(m._formix_reaction_error(r));
        }
        if (error !== '') return { equation, error, participants: participantDiagnostics };
        const limiting = m._formix_reaction_limiting(r);
        const participants = [];
        for (let i = 0; i < n; ++i) {
          const reading = m._formix_reaction_reading(r, i);
          const p = { side: m._formix_reaction_side(r, i) ? 'product' : 'reactant',
            coefficient: m._formix_reaction_coefficient(r, i), formula: string(m._formix_reaction_formula(r, i)),
            hill: string(m._formix_reading_hill(reading)), molar_mass: m._formix_reading_molar_mass(reading) };
          if (amounts) {
            const number = (x) => (Number.isFinite(x) ? x : null);
            p.moles = number(m._formix_reaction_moles(r, i));
            p.mass = number(m._formix_reaction_mass(r, i));
            const equiv = m._formix_reaction_equiv(r, i);
            if (Number.isFinite(equiv)) p.equiv = equiv;
            const volume = m._formix_reaction_volume(r, i);
            if (Number.isFinite(volume)) p.volume = volume;
            const excess = m._formix_reaction_excess(r, i);
            if (Number.isFinite(excess) && i !== limiting) p.excess_moles = excess;
            p.given = m._formix_reaction_given(r, i) !== 0;
            if (i === limiting) p.limiting = true;
          }
          participants.push(p);
        }
        return { equation: string(m._formix_reaction_equation(r)), participants };
      } finally {
        m._formix_reaction_free(r);
      }
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
      return withOptional(options.byDifference, (bp) => withOptional(ref?.species, (rp) => {
        const r = m._formix_atom_ratios(context, names, fractions, entries.length, bp, options.mass ?? 0, rp,
          ref?.count ?? 1, options.tolerance ?? NaN);
        if (r === 0) throw new Error('formix: out of memory');
        try {
          const error = string(m._formix_ratios_error(r));
          if (error !== '') return { error };
          const k = m._formix_ratios_multiplier(r);
          const species = [];
          for (let i = 0; i < m._formix_ratios_count(r); ++i) {
            const ratio = m._formix_ratios_ratio(r, i);
            const whole = Number(m._formix_ratios_whole(r, i));
            species.push({ species: string(m._formix_ratios_species(r, i)), fraction: m._formix_ratios_fraction(r, i),
              ratio, whole, deviation: k * ratio - whole });
          }
          const candidates = [];
          for (let c = 0; c < m._formix_ratios_candidate_count(r); ++c) {
            candidates.push({ formula: string(m._formix_ratios_candidate(r, c)),
              molar_mass: m._formix_ratios_candidate_mass(r, c), worst: m._formix_ratios_candidate_worst(r, c),
              calcd_line: string(m._formix_ratios_candidate_line(r, c)) });
          }
          const warnings = [];
          for (let w = 0; w < m._formix_ratios_warning_count(r); ++w) warnings.push(string(m._formix_ratios_warning(r, w)));
          return { species, multiplier: k, formula: string(m._formix_ratios_nearest(r)), candidates, warnings };
        } finally {
          m._formix_ratios_free(r);
        }
      }));
    } finally {
      for (const at of held) m._free(at);
      m._free(names);
      m._free(fractions);
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
      throw new TypeError(`formix: useDataFiles takes "mass.elt" and "mass.gps", not ${unknown.map((n) => JSON.stringify(n)).join(', ')}`);
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

  function table(count, name, value) {
    const out = [];
    for (let i = 0; i < count; ++i) out.push([string(name(context, i)), value(context, i)]);
    return out;
  }

  return {
    read,
    molarMass,
    // The tool's composition document: the reading and, where it has a
    // value, its elemental analysis (options as for elementalAnalysis()).
    composition: (formula, options = {}) => {
      const r = read(formula);
      if (r.molar_mass === null) return r;
      const a = elementalAnalysis(formula, options);
      // A formula with none of C, H, N and S has no Calcd line by default.
      if (a.error !== undefined && !options.elements && !options.found) return r;
      return { ...r, analysis: a };
    },
    elementalAnalysis,
    exactMasses,
    isotopePattern,
    react,
    atomRatios,
    useDataFiles,
    elements: () =>
      table(m._formix_element_count(context), m._formix_element_symbol, m._formix_element_mass).map(
        ([symbol, mass]) => ({ symbol, mass })),
    groups: () =>
      table(m._formix_group_count(context), m._formix_group_name, (c, i) => string(m._formix_group_formula(c, i))).map(
        ([name, formula]) => ({ name, formula })),
  };
}

export const read = (formula) => ready().read(formula);
export const molarMass = (formula) => ready().molarMass(formula);
export const composition = (formula, options) => ready().composition(formula, options);
export const elementalAnalysis = (formula, options) => ready().elementalAnalysis(formula, options);
export const exactMasses = (formula, options) => ready().exactMasses(formula, options);
export const isotopePattern = (formula, options) => ready().isotopePattern(formula, options);
export const react = (equation, options) => ready().react(equation, options);
export const atomRatios = (found, options) => ready().atomRatios(found, options);
export const useDataFiles = (files) => ready().useDataFiles(files);
export const elements = () => ready().elements();
export const groups = () => ready().groups();
