// memory.js -- texts into the WebAssembly module's memory and back: UTF-8
// checked on the way in (a lone surrogate or an unwanted NUL refused, never
// replaced), the module's strings and JSON on the way out.

const utf8 = new TextEncoder();
const loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;
const wellFormed = typeof ''.isWellFormed === 'function' ? (t) => t.isWellFormed() : (t) => !loneSurrogate.test(t);

// The UTF-8 of `text`; a NUL is refused unless `counted` (the call takes
// the length, and the reader reports the NUL as the formula's error).
export function checkedBytes(text, counted = false) {
  if (typeof text !== 'string') throw new TypeError(`formix: a formula must be a string, not ${typeof text}`);
  if (!counted && text.includes('\0')) throw new RangeError(`formix: ${JSON.stringify(text)} holds a NUL character`);
  if (!wellFormed(text)) throw new RangeError(`formix: ${JSON.stringify(text)} holds a lone surrogate, not text`);
  return utf8.encode(text);
}

// The calls over module `m`.
export function memoryOf(m) {
  // `text` as UTF-8 in the module's memory for the length of `use`.
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
  return {
    withText,
    // A path, or NULL for null.
    withPath: (path, use) => (path === null ? use(0) : withText(path, (at) => use(at))),
    // An optional text, NULL when absent or empty.
    withOptional: (text, use) =>
      (text === undefined || text === null || text === '' ? use(0) : withText(String(text), use)),
    string: (at) => m.UTF8ToString(at),
    // A JSON object the library wrote (owned by its object: parsed at once).
    parsed: (at) => {
      if (at === 0) throw new Error('formix: out of memory');
      return JSON.parse(m.UTF8ToString(at));
    },
  };
}
