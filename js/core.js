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

  // `text` as UTF-8 in the module's memory for the length of `use`.
  function withText(text, use) {
    if (typeof text !== 'string') throw new TypeError(`formix: a formula must be a string, not ${typeof text}`);
    const bytes = utf8.encode(text);
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
    });
  }

  function molarMass(formula) {
    const quiet = withText(formula, (at) => m._formix_quiet_molar_mass(context, at));
    if (!Number.isNaN(quiet)) return quiet;
    const r = read(formula);
    return r.molar_mass === null ? NaN : r.molar_mass;
  }

  // Replaces data files for the calls from now on: `files` holds the text
  // (a string, or the bytes of a file opened by the user) of "mass.elt",
  // "mass.gps" or both; the others stay as they are.
  function useDataFiles(files) {
    const paths = { masses: null, groups: null };
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
    composition: read,
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
export const composition = (formula) => ready().composition(formula);
export const useDataFiles = (files) => ready().useDataFiles(files);
export const elements = () => ready().elements();
export const groups = () => ready().groups();
