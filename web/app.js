// app.js -- the formix page: results as you type, from the npm package's
// WebAssembly build, all in the browser.
import * as formix from './formix/web.js';

const $ = (id) => document.getElementById(id);
const fixed = (x, digits = 4) => (x === null || x === undefined || !Number.isFinite(x) ? '—' : x.toFixed(digits));

function element(tag, text, className) {
  const e = document.createElement(tag);
  if (text !== undefined) e.textContent = text;
  if (className) e.className = className;
  return e;
}

function fillRows(tbody, rows) {
  tbody.replaceChildren(...rows.map((cells) => {
    const tr = element('tr');
    for (const cell of cells) tr.append(cell instanceof Node ? wrap(cell) : element('td', String(cell)));
    return tr;
  }));
}

function wrap(node) {
  const td = element('td');
  td.append(node);
  return td;
}

// The JS string index of a UTF-8 byte offset of `text`.
function indexOfByte(text, byte) {
  let bytes = 0;
  let i = 0;
  for (const ch of text) {
    if (bytes >= byte) break;
    const code = ch.codePointAt(0);
    bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    i += ch.length;
  }
  return i;
}

// The formula with the places the diagnostics concern underlined.
function markFormula(formula, diagnostics) {
  const marks = new Array(formula.length).fill(null);
  for (const d of diagnostics) {
    const from = indexOfByte(formula, d.offset);
    const to = d.length === 0 ? formula.length : indexOfByte(formula, d.offset + d.length);
    for (let i = from; i < Math.max(to, from + 1) && i < formula.length; ++i) marks[i] ??= d.severity;
  }
  const out = [];
  for (let i = 0; i < formula.length;) {
    let j = i + 1;
    while (j < formula.length && marks[j] === marks[i]) ++j;
    const text = formula.slice(i, j);
    if (marks[i] === null) {
      out.push(document.createTextNode(text));
    } else {
      const m = element('mark', text, marks[i]);
      m.title = marks[i];
      out.push(m);
    }
    i = j;
  }
  return out;
}

function showPattern(pattern) {
  const svg = $('pattern');
  const peaks = pattern.peaks ?? [];
  svg.replaceChildren();
  if (peaks.length === 0) {
    $('pattern-caption').textContent = pattern.error ?? '';
    return;
  }
  const lo = peaks[0].mz - 1;
  const hi = peaks[peaks.length - 1].mz + 1;
  const x = (mz) => 40 + ((mz - lo) / (hi - lo)) * 540;
  const ns = 'http://www.w3.org/2000/svg';
  const line = (x1, y1, x2, y2, cls) => {
    const l = document.createElementNS(ns, 'line');
    for (const [k, v] of Object.entries({ x1, y1, x2, y2 })) l.setAttribute(k, v);
    l.setAttribute('class', cls);
    svg.append(l);
  };
  line(40, 210, 580, 210, 'axis');
  for (const p of peaks) line(x(p.mz), 210, x(p.mz), 210 - p.intensity * 1.9, 'peak');
  for (const p of peaks.filter((q) => q.intensity >= 5)) {
    const t = document.createElementNS(ns, 'text');
    t.setAttribute('x', x(p.mz));
    t.setAttribute('y', 228);
    t.setAttribute('text-anchor', 'middle');
    t.textContent = p.mz.toFixed(2);
    svg.append(t);
  }
  $('pattern-caption').textContent = `Isotope pattern of ${pattern.hill} at a resolving power of ` +
    `${pattern.resolving_power}: ${peaks.map((p) => `m/z ${p.mz.toFixed(4)} (${p.intensity.toFixed(1)} %)`)
      .join(', ')}.`;
}

// A few words on why a number is flagged, by the kind of its first warning.
const REASONS = {
  'ambiguous-charge': 'the charge can be read two ways',
  'mass-number': 'a mass number may be read as a coefficient',
  'leading-coefficient': 'the leading number multiplies every part',
  'hydrate-dot': "a '.' may join two parts",
  abbreviation: 'an abbreviation is read as element symbols',
  ignored: 'part of the text is passed over',
  'joined-digits': 'digits apart are read as one number',
  'zero-multiplier': 'a number is read as 0',
  'unbalanced-brackets': 'the brackets do not pair up',
  'empty-part': 'a part is empty',
  exponent: 'a number is read with an exponent',
};

function flagReason(warning) {
  const reason = REASONS[warning.code] ?? 'read with a warning';
  const other = typeof warning.other_molar_mass === 'number'
    ? `; the other reading: ${fixed(warning.other_molar_mass)} g/mol` : '';
  return `⚠ Perhaps not the number meant: ${reason}${other} (see below).`;
}

// A number is right or flagged, wherever it is shown: the warnings of a
// formula's reading listed beside a result, and the result marked, as the
// formula tab marks its molar mass.  `diagnostics` of one formula, or
// [formula, diagnostics] pairs; returns whether anything was flagged.
function showFlags(list, result, pairs) {
  const items = [];
  for (const [formula, diagnostics] of pairs) {
    for (const d of diagnostics ?? []) {
      if (d.severity === 'note') continue;
      items.push(element('li', `⚠ ${formula}: ${d.message}`));
    }
  }
  list.replaceChildren(...items);
  list.hidden = items.length === 0;
  if (result) result.classList.toggle('flagged', items.length > 0);
  return items.length > 0;
}

function showFormula() {
  const formula = $('formula').value;
  const r = formix.read(formula);
  const charge = r.charge ? ` (ion, charge ${formix.chargeText(r.charge)})` : '';
  $('mass').textContent = r.molar_mass === null ? 'no value: see below' : `${fixed(r.molar_mass)} g/mol${charge}`;
  const warning = r.molar_mass === null ? undefined : r.diagnostics.find((d) => d.severity === 'warning');
  $('mass').classList.toggle('flagged', warning !== undefined);
  $('mass-flag').hidden = warning === undefined;
  $('mass-flag').textContent = warning === undefined ? '' : flagReason(warning);
  $('hill').textContent = r.hill ?? '—';
  $('dbe').textContent = typeof r.dbe === 'number' ? String(r.dbe) : '';
  $('dbe-line').hidden = typeof r.dbe !== 'number';
  $('read-as').textContent = r.text;
  $('read-as-line').hidden = r.text === formula;
  $('status').textContent = r.molar_mass === null ? 'The formula has an error.' : '';

  $('marked').replaceChildren(...markFormula(formula, r.diagnostics));
  $('diagnostics').replaceChildren(...r.diagnostics.map((d) => {
    const li = element('li');
    li.append(element('span', d.severity, `severity ${d.severity}`), ` ${d.message}`);
    return li;
  }));
  $('diagnostics-box').hidden = r.diagnostics.length === 0;

  fillRows($('composition').tBodies[0], r.elements.map((e) => {
    const bar = element('span', '', 'bar');
    bar.style.width = `${Math.max(0, Math.min(100, e.percent))}%`;
    bar.setAttribute('aria-hidden', 'true');
    return [e.symbol, String(e.atoms), fixed(e.mass), fixed(e.percent, 2), bar];
  }));

  const a = r.molar_mass === null ? { error: '' } :
    formix.elementalAnalysis(formula,
      { found: $('found').value.replace(/\s+/g, ''), solvents: $('solvates').checked ? 1 : 0 });
  $('calcd-line').textContent = a.error ? a.error : a.calcd_line ?? '';
  $('found-line').textContent =
    a.found_line ? `${a.found_line} (${a.within ? 'within' : 'not within'} ${a.tolerance} %)` : '';
  $('fits').replaceChildren(...(a.fits ?? []).map((f) => element('li', `${f.label}: ${f.calcd_line}`)));

  const x = r.molar_mass === null ? { error: '' } : formix.exactMasses(formula);
  $('mono').textContent = x.error === undefined ? `${fixed(x.monoisotopic_mass)} u` : '—';
  $('nominal').textContent = x.error === undefined ? String(x.nominal_mass) : '—';
  fillRows($('adducts').tBodies[0], x.charge ? [[`ion ${r.text}`, x.hill, fixed(x.mz)]]
    : (x.ions ?? []).filter((i) => i.possible).map((i) => [i.adduct, i.formula, fixed(i.mz)]));
  showPattern(r.molar_mass === null ? { error: '' } : formix.isotopePattern(formula));
  $('pattern-caption').classList.toggle('flagged', warning !== undefined);
  $('pattern-flag').hidden = warning === undefined;
  $('pattern-flag').textContent = warning === undefined ? '' : flagReason(warning);
  showFound();
}

// The formulas within 5 ppm of a found m/z (as the ion given: an adduct
// such as [M+H]+, a charge such as 1+, or nothing for a neutral mass), and
// the journal's line for the one picked (the first until another is).
function showFound() {
  const text = $('found-mz').value.trim();
  const mz = Number(text);
  if (text === '' || !(mz > 0)) {
    $('find-status').textContent = text === '' ? '' : 'The found m/z must be a positive number.';
    fillRows($('candidates').tBodies[0], []);
    $('find-hrms').textContent = '';
    $('find-flag').hidden = true;
    return;
  }
  const ion = $('found-ion').value.trim();
  const options = { limit: 20 };
  if (ion.startsWith('[')) {
    options.adduct = ion;
  } else if (ion !== '') {
    options.charge = ion;  // the library reads it, or says why not
  }
  if ($('found-elements').value.trim() !== '') options.elements = $('found-elements').value.trim();
  options.ratios = $('found-ratios').value;
  options.elementLimits = $('found-limits').value;
  options.hnops = $('found-hnops').checked;
  // Found peaks rank the candidates by their pattern's score, under the
  // peaks' errors (the library's defaults where a field is empty).
  if ($('found-peaks').value.trim() !== '') options.peaks = $('found-peaks').value.trim();
  for (const [id, key, what] of [['found-intensity-error', 'intensityError', 'The intensity error'],
    ['found-mass-error', 'massError', 'The mass error']]) {
    const v = $(id).value.trim();
    if (v !== '' && !(Number(v) > 0)) {
      $('find-status').textContent = `${what} must be a positive number.`;
      fillRows($('candidates').tBodies[0], []);
      return;
    }
    if (v !== '') options[key] = Number(v);
  }
  // The formula field's formula is the one meant: marked among the
  // candidates, with its HRMS line when it is one of them; a flagged one is
  // not compared.
  const formula = $('formula').value.trim();
  const meant = formula === '' ? undefined : formix.read(formula);
  const flagged = meant !== undefined && meant.diagnostics.some((d) => d.severity !== 'note');
  if (meant !== undefined && !flagged && meant.molar_mass !== null && !meant.charge) options.formula = formula;
  let f = formix.findFormulas(mz, options);
  if (f.error && options.formula !== undefined) {  // the formula has no such ion: the list without it
    delete options.formula;
    f = formix.findFormulas(mz, options);
  }
  const candidates = f.candidates ?? [];
  $('find-status').textContent = f.error ? f.error
    : `${f.passed} ${f.passed === 1 ? 'formula' : 'formulas'} within 5 ppm pass the chemical rules` +
      `${f.unlisted ? ` (the closest ${candidates.length} listed)` : ''}` +
      `${options.peaks ? ', ranked by their isotope pattern\'s score' : ''}${f.warning ? `; ${f.warning}` : ''}.`;
  $('find-flag').hidden = !flagged;
  $('find-flag').textContent = flagged
    ? `⚠ The formula above, ${formula}, is flagged: it is not compared with the candidates (see its warnings).` : '';
  // The journal's line names a formula someone chose: the formula above
  // when it is among the candidates, the only candidate left, or one
  // clicked; never the first of many.
  const show = (line) => { $('find-hrms').textContent = line ?? ''; };
  fillRows($('candidates').tBodies[0], candidates.map((c) => {
    const button = element('button', 'HRMS line');
    button.type = 'button';
    button.setAttribute('aria-label', `HRMS line for ${c.hill}`);
    button.addEventListener('click', () => show(c.hrms));
    return [c.hill, fixed(c.mz), c.ppm.toFixed(2), c.dbe === null ? '—' : String(c.dbe),
      c.score === undefined ? '—' : c.score.toFixed(1), button];
  }));
  [...$('candidates').tBodies[0].rows].forEach((row, i) => {
    row.classList.toggle('given', f.given === i + 1);
    if (f.given === i + 1) row.cells[row.cells.length - 1].append(' the formula above');
  });
  show(f.given ? f.hrms : candidates.length === 1 ? f.hrms : '');
}

function showReaction() {
  const list = (id) => $(id).value.split(/[,;]\s*/).map((s) => s.trim()).filter((s) => s !== '');
  const r = formix.react($('equation').value, { balance: $('balance').checked, given: list('given'),
    equiv: list('equiv'), density: list('density') });
  $('reaction-status').textContent = r.error ?? (r.notes ?? []).join('; ');
  $('balanced').textContent = r.error ? '' : r.equation;
  showFlags($('reaction-flags'), $('balanced'), r.error ? [] : r.participants.map((p) => [p.formula, p.diagnostics]));
  fillRows($('bench').tBodies[0], r.error ? [] : r.participants.map((p) => [
    `${p.coefficient === 1 ? '' : `${p.coefficient} `}${p.formula}`, fixed(p.molar_mass, 2),
    p.equiv === undefined ? '—' : fixed(p.equiv, 2), p.amount_text || '—', p.mass_text || '—',
    p.volume_text ?? '—',
    p.limiting ? 'limiting reagent' : p.side === 'product' ? 'theoretical yield' : '']));
  if (!r.error) {
    [...$('bench').tBodies[0].rows].forEach((row, i) => {
      const warned = (r.participants[i].diagnostics ?? []).some((d) => d.severity === 'warning');
      row.classList.toggle('flagged', warned);
      if (warned) row.cells[0].textContent = `⚠ ${row.cells[0].textContent}`;
    });
  }
}

// A sequence typed in its field becomes the formula peptide(…), dna(…) or
// rna(…), which the whole formula tab then reads.
function useSequence() {
  const text = $('sequence').value.trim();
  if (text === '') return;
  $('formula').value = `${$('sequence-kind').value}(${text})`;
  showFormula();
}

function showSolution() {
  const value = (id) => $(id).value.trim();
  const s = formix.solution(value('sol-formula'), { conc: value('sol-conc'), volume: value('sol-volume'),
    mass: value('sol-mass'), purity: value('sol-purity'), density: value('sol-density') });
  const formulaError = s.diagnostics.find((d) => d.severity === 'error');
  $('solution-status').textContent = s.error ? `${s.error}${formulaError && !s.error.includes(formulaError.message)
    ? ` (${formulaError.message})` : ''}` : (s.notes ?? []).join('; ');  // what reading the quantities did
  $('solution-line').textContent = s.line ?? '';
  showFlags($('solution-flags'), $('solution-line'), s.error ? [] : [[value('sol-formula'), s.diagnostics]]);
  const d = formix.dilute({ formula: value('sol-formula'), stock: value('dil-stock'), conc: value('dil-conc'),
    volume: value('dil-volume'), density: value('dil-density') });
  $('dilution-status').textContent = d.error ?? (d.notes ?? []).join('; ');
  $('dilution-line').textContent = d.line ?? '';
  showFlags($('dilution-flags'), $('dilution-line'),
    d.error || value('sol-formula') === '' ? [] : [[value('sol-formula'), d.diagnostics]]);
}

function showTables() {
  fillRows($('elements').tBodies[0], formix.elements().map((e) => [e.symbol, String(e.mass)]));
  fillRows($('groups').tBodies[0], formix.groups().map((g) => [g.name, g.formula]));
}

async function loadFile(input, name) {
  const file = input.files[0];
  if (!file) return;
  try {
    formix.useDataFiles({ [name]: new Uint8Array(await file.arrayBuffer()) });
    $('files-status').textContent = `${file.name} is in use as ${name}.`;
  } catch (e) {
    $('files-status').textContent = `${file.name} cannot be used: ${e.message}`;
  }
  showTables();
  showFormula();
  showReaction();
  showSolution();
}

// Tabs: arrow keys move between them, as the WAI-ARIA tabs pattern has it.
function setUpTabs() {
  const tabs = [...document.querySelectorAll('[role="tab"]')];
  const select = (tab) => {
    for (const t of tabs) {
      const on = t === tab;
      t.setAttribute('aria-selected', String(on));
      t.tabIndex = on ? 0 : -1;
      $(t.getAttribute('aria-controls')).hidden = !on;
    }
    tab.focus();
  };
  for (const [i, tab] of tabs.entries()) {
    tab.addEventListener('click', () => select(tab));
    tab.addEventListener('keydown', (e) => {
      if (e.key === 'ArrowRight') select(tabs[(i + 1) % tabs.length]);
      if (e.key === 'ArrowLeft') select(tabs[(i + tabs.length - 1) % tabs.length]);
    });
  }
}

await formix.init();
setUpTabs();
for (const id of ['formula', 'found']) $(id).addEventListener('input', showFormula);
const foundFields = ['found-mz', 'found-ion', 'found-elements', 'found-peaks', 'found-intensity-error',
  'found-mass-error'];
for (const id of foundFields) {
  $(id).addEventListener('input', showFound);
}
$('solvates').addEventListener('change', showFormula);
$('found-ratios').addEventListener('change', showFound);
$('found-limits').addEventListener('change', showFound);
$('found-hnops').addEventListener('change', showFound);
$('sequence').addEventListener('input', useSequence);
$('sequence-kind').addEventListener('change', useSequence);
for (const id of ['sol-formula', 'sol-conc', 'sol-volume', 'sol-mass', 'sol-purity', 'sol-density', 'dil-stock',
  'dil-conc', 'dil-volume', 'dil-density']) $(id).addEventListener('input', showSolution);
for (const id of ['equation', 'given', 'equiv', 'density']) $(id).addEventListener('input', showReaction);
$('balance').addEventListener('change', showReaction);
$('masses-file').addEventListener('change', () => loadFile($('masses-file'), 'mass.elt'));
$('groups-file').addEventListener('change', () => loadFile($('groups-file'), 'mass.gps'));
showFormula();
showReaction();
showSolution();
showTables();
document.body.dataset.ready = 'true';
