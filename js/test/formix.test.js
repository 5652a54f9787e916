// The package in node: molar masses worked out from the shipped mass file
// in the engine's order, the readings of pasted notations, data files
// replaced at run time, bad arguments; and, where the native tool is given
// (FORMIX_TOOL), every reading the same as the tool's JSON to the bit.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

import * as formix from '../node.js';

const dataDir = fileURLToPath(new URL('../../data/', import.meta.url));
const shipped = readFileSync(`${dataDir}mass.elt`, 'utf8');
const M = Object.fromEntries(shipped.trim().split('\n').map((line) => line.split(/\s+/))
  .map(([, s, m]) => [s, Number(m)]));

await formix.init();

test('molar masses as the engine sums them: atoms times masses, in the order written', () => {
  const rows = [
    ['H2O', 2 * M.H + M.O],
    ['NaCl', M.Na + M.Cl],
    ['CuSO4*5H2O', 5 * 2 * M.H + (5 * M.O + (M.S + (M.Cu + 0) + 4 * M.O))],
    ['Ca(OH)2', 2 * M.H + (2 * M.O + M.Ca)],
  ];
  for (const [formula, expected] of rows) assert.ok(Math.abs(formix.molarMass(formula) - expected) < 1e-9, formula);
  // Bit for bit where the order is plain: each occurrence added in turn.
  assert.equal(formix.molarMass('H2O'), 1 * M.O + (2 * M.H + 0));
  assert.equal(formix.molarMass('C6H12O6'), 6 * M.O + (12 * M.H + (6 * M.C + 0)));
  assert.ok(Number.isNaN(formix.molarMass('Xx')));
});

test('pasted notations: rewrites, charges and what is passed over are said', () => {
  const rows = [
    ['CuSO4·5H₂O', 'middle-dot', null],
    ['SO4^2-', 'charge', -2],
    ['co(NO3)2', 'ignored', null],
    ['SO42-', 'ambiguous-charge', null],
  ];
  for (const [formula, code, charge] of rows) {
    const r = formix.read(formula);
    assert.ok(r.diagnostics.some((d) => d.code === code), `${formula}: ${JSON.stringify(r.diagnostics)}`);
    assert.equal(r.charge ?? null, charge, formula);
  }
  const sulfate = formix.read('SO4^2-');
  assert.equal(sulfate.hill, 'O4S^2-');
  assert.deepEqual(sulfate.elements.map((e) => [e.symbol, e.atoms]), [['O', 4], ['S', 1]]);
  // Another reading, with its formula and molar mass: 13C6H12O6 as the
  // labelled glucose, 6 x 13.00335483534 (13C) + 12 x 1.008 + 6 x 15.999.
  const labelled = formix.read('13C6H12O6').diagnostics[0];
  assert.equal(labelled.code, 'mass-number');
  assert.equal(labelled.other, '[13C]6H12O6');
  assert.ok(Math.abs(labelled.other_molar_mass - (6 * 13.00335483534 + 12 * M.H + 6 * M.O)) < 1e-9);
  const unknown = formix.read('Xx2O');
  assert.equal(unknown.molar_mass, null);
  assert.equal(unknown.diagnostics[0].code, 'unknown-element');
  assert.equal(unknown.diagnostics[0].severity, 'error');
});

test('data files replaced at run time, then the shipped ones again', () => {
  const doubled = shipped.trim().split('\n').map((line) => {
    const [n, s, m] = line.split(/\s+/);
    return `${n} ${s} ${2 * Number(m)}`;
  }).join('\n');
  formix.useDataFiles({ 'mass.elt': doubled });
  assert.equal(formix.molarMass('H2O'), 1 * (2 * M.O) + (2 * (2 * M.H) + 0));
  formix.useDataFiles({ 'mass.gps': new TextEncoder().encode('Q H2O\n') });
  assert.equal(formix.molarMass('Q'), formix.molarMass('(H2O)'));
  formix.useDataFiles({ 'mass.elt': shipped, 'mass.gps': readFileSync(`${dataDir}mass.gps`) });
  assert.equal(formix.molarMass('H2O'), 1 * M.O + (2 * M.H + 0));
  assert.ok(formix.groups().some((g) => g.name === 'Ph'));
});

test('bad arguments are refused clearly', () => {
  assert.throws(() => formix.molarMass(42), TypeError);
  assert.throws(() => formix.useDataFiles({ 'mass.elt': 7 }), TypeError);
  assert.throws(() => formix.useDataFiles({ 'masses.elt': 'H 1' }), /not "masses.elt"/);  // never ignored
  // A NUL is the formula's error, as read() says, never the end of it; a
  // NUL where a formula is no reading, and a lone surrogate, are refused.
  assert.ok(Number.isNaN(formix.molarMass('H2O\0C6H6')));
  assert.equal(formix.composition('H2O\0C6H6').molar_mass, null);
  for (const call of [formix.molarMass, formix.read, formix.composition]) {
    assert.throws(() => call('H2O\uD800'), RangeError);
  }
  assert.throws(() => formix.atomRatios({ 'C\0H': 40 }), RangeError);
  assert.throws(() => formix.react('H2 + O2 = H2O\0'), RangeError);
  assert.equal(formix.read('H2\u0000O').diagnostics[0].code, 'nul');
});

// Values worked out here, not by the toolkit (isotope masses of AME2020 and
// abundances of IUPAC 2009, as in data/isotopes.txt): a fault in the
// toolkit shows, which the comparisons with the native tool cannot see.
test('analysis, exact masses, patterns, reactions and ratios against values worked by hand', () => {
  const mono = { C: 12, H: 1.007825031898, N: 14.00307400425, O: 15.99491461926, Na: 22.98976928195 };
  const electron = 5.485799090441e-4;
  const m = 20 * mono.C + 25 * mono.H + mono.N + 3 * mono.O;
  const ions = Object.fromEntries(formix.exactMasses('C20H25NO3').ions.map((i) => [i.adduct, i.mz]));
  assert.ok(Math.abs(ions['[M+H]+'] - (m + mono.H - electron)) < 1e-9);
  assert.ok(Math.abs(ions['[2M+Na]+'] - (2 * m + mono.Na - electron)) < 1e-9);
  // A found m/z: its error against [M+H]+ and the journal's line.
  const found = formix.exactMasses('C20H25NO3', { found: 328.1911, adducts: '[M+H]+,[M+Na]+' });
  const mh = m + mono.H - electron;
  assert.ok(Math.abs(found.ions[0].error_ppm - (328.1911 - mh) / mh * 1e6) < 1e-6);
  assert.equal(found.hrms, 'HRMS (ESI) m/z: [M + H]+ Calcd for C20H26NO3 328.1907; Found 328.1911.');
  // The same m/z back to its formula: the only one within 5 ppm in these ranges, DBE 1 + (40 - 25 + 1) / 2.
  const back = formix.findFormulas(328.1911, { adduct: '[M+H]+', elements: 'C0-30H0-50N0-3O0-6' });
  assert.deepEqual(back.candidates.map((c) => [c.hill, c.dbe]), [['C20H25NO3', 9]]);
  assert.ok(Math.abs(back.candidates[0].ppm - (328.1911 - mh) / mh * 1e6) < 1e-6);
  assert.equal(back.hrms, found.hrms);  // the only candidate left
  // The formula meant reaches the library (the tool's tests hold the choice itself).
  const meant = formix.findFormulas(328.1911, { adduct: '[M+H]+', formula: 'C20H25NO3' });
  assert.deepEqual([meant.hrms, meant.candidates[meant.given - 1].hill], [found.hrms, 'C20H25NO3']);
  assert.equal(formix.findFormulas(328.1911, { adduct: '[M+H]+', pick: 2 }).given, 2);
  // Glyphosate [M-H]- (168.00673 by hand in the Python tests): P/C 0.33, past the common ratios' 0.3.
  const glyphosate = { adduct: '[M-H]-', elements: 'C0-5H0-12N0-2O0-6P0-2' };
  assert.ok(formix.findFormulas(168.00673, glyphosate).candidates.some((c) => c.hill === 'C3H8NO5P'));
  const common = formix.findFormulas(168.00673, { ...glyphosate, ratios: 'common' });
  assert.equal(common.ratios, 'common');
  assert.ok(!common.candidates.some((c) => c.hill === 'C3H8NO5P'));
  assert.throws(() => formix.findFormulas(168.00673, { ratios: 'strict' }), RangeError);
  // PCB-209 (493.6885 u, CDK's): 10 Cl, past the DNP's 8 below 500 u; the HNOPS check reaches the library.
  const pcb = { elements: 'C0-12Cl0-10', elementLimits: 'dnp', hnops: true };
  const limited = formix.findFormulas(493.6885, pcb);
  assert.deepEqual([limited.element_limits, limited.hnops], ['dnp', true]);
  assert.ok(!limited.candidates.some((c) => c.hill === 'C12Cl10'));
  const wiley = formix.findFormulas(493.6885, { ...pcb, elementLimits: 'wiley' });
  assert.ok(wiley.candidates.some((c) => c.hill === 'C12Cl10'));
  assert.throws(() => formix.findFormulas(493.6885, { elementLimits: 'strict' }), RangeError);
  // A number option that is no number is refused, not read as the default.
  assert.throws(() => formix.findFormulas(493.6885, { intensityError: 'x' }), /intensityError must be a finite number/);
  assert.throws(() => formix.isotopePattern('C6H6', { threshold: NaN }), RangeError);
  assert.throws(() => formix.findFormulas(328.1911, { adduct: '[M+H]+', charge: 1 }), RangeError);
  // A charge as text is read by the toolkit's one grammar, and written back by its one writer.
  assert.throws(() => formix.findFormulas(328.1911, { charge: '2x' }), /a charge is a whole number from 1 to 100/);
  assert.deepEqual([-2, 1].map(formix.chargeText), ['2-', '1+']);
  // The tool's bounds: a limit of 1 to 1000000 (no wrap of 2^32 + 5 to 5), ppm or mDa.
  assert.throws(() => formix.findFormulas(328.1911, { limit: 2 ** 32 + 5 }), /from 1 to 1000000/);
  assert.throws(() => formix.findFormulas(328.1911, { ppm: 5, mda: 2 }), /ppm or mda, not both/);
  assert.match(formix.findFormulas(328.1911, { elements: 'Xx0-2' }).error, /'Xx' is no element/);
  // Calcd: C 20 x 12.011 / M, M from the mass file.
  const molar = 20 * M.C + 25 * M.H + M.N + 3 * M.O;
  assert.equal(formix.elementalAnalysis('C20H25NO3').calcd_line,
    `Anal. Calcd for C20H25NO3: C, ${(2000 * M.C / molar).toFixed(2)}; H, ${(2500 * M.H / molar).toFixed(2)}; ` +
    `N, ${(100 * M.N / molar).toFixed(2)}.`);
  // C2: 12C2 (0.9893^2), 12C13C (2 x 0.9893 x 0.0107), as percent of the first.
  const c2 = formix.isotopePattern('C2', { fine: true }).isotopologues;
  assert.ok(Math.abs(c2[1].intensity - 100 * 2 * 0.0107 / 0.9893) < 1e-9);
  // 2 H2 + O2: 4.032 g H2 is 2 mol, so 1 mol O2 (31.998 g) and 36.03 g of water.
  const r = formix.react('2H2 + O2 = 2H2O', { given: { H2: '4.032 g' } });
  assert.ok(Math.abs(r.participants[1].mass - 31.998) < 1e-9);
  assert.ok(Math.abs(r.participants[2].mass - 36.03) < 1e-9);
  // 37 % HCl (H 1.008 + Cl 35.45) of 1.18 g/mL for 500 mL of 1 M; GGG [M+2H]2+.
  const hcl = formix.solution('HCl', { conc: '1 M', volume: '500 mL', purity: '37 %', density: '1.18 g/mL' });
  assert.ok(Math.abs(hcl.liquid_volume - 0.5 * 36.458 / 0.37 / 1180) < 1e-15);
  assert.equal(formix.dilute({ stock: '12 M', conc: '1 M', volume: '500 mL' }).line,
    'Dilute 41.67 mL of the 12 M stock with 458.3 mL of water to 500.0 mL (1.000 M).');
  const ggg = formix.sequence('GGG', { charge: 2 });
  const gggMono = 6 * mono.C + 11 * mono.H + 3 * mono.N + 4 * mono.O;
  assert.ok(Math.abs(ggg.mz - (gggMono + 2 * (mono.H - electron)) / 2) < 1e-9);
  assert.deepEqual([ggg.hill, ggg.ion], ['C6H11N3O4', '[M+2H]2+']);
  assert.match(formix.solution('NaCl', { conc: '1 mL', volume: '1 L' }).error, /'1 mL' is a volume/);
  assert.throws(() => formix.solution('NaCl', { conc: 1, volume: '1 L' }), RangeError);
  assert.deepEqual(formix.sequence('ACGN', { kind: 'dna' }).offset, 3);
  // Glucose from C 40.00, H 6.71, O 53.29 scaled to 180.156: C6H12O6.
  assert.equal(formix.atomRatios({ C: 40.0, H: 6.71, O: 53.29 }, { mass: 180.156 }).formula, 'C6H12O6');
});
test('each option the package passes through, held to a value worked by hand', () => {
  const mono = { H: 1.007825031898, N: 14.00307400425, O: 15.99491461926 };
  const electron = 5.485799090441e-4;
  // mDa: the window is the m/z less and plus 2 mDa; explain lists what a rule removed; DBE 0 is a number.
  const mz = 24 + 6 * mono.H + mono.N + 2 * mono.O - electron;  // glycine [M+H]+
  const options = { adduct: '[M+H]+', elements: 'C0-4H0-10N0-2O0-4' };
  assert.deepEqual(formix.findFormulas(mz, { ...options, mda: 2 }).window, [mz - 0.002, mz + 0.002]);
  const explained = formix.findFormulas(mz, { ...options, ppm: 50, explain: true });
  assert.equal(explained.candidates.filter((c) => c.broken).length, explained.within - explained.passed);
  assert.equal(formix.read('CH4').dbe, 0);
  // A stock in % w/w with its density: 1 mol of HCl in 1 L from 37 % at 1.18 g/mL.
  const hcl = M.H + M.Cl;
  const d = formix.dilute({ formula: 'HCl', stock: '37 % w/w', density: '1.18 g/mL', conc: '1 M', volume: '1 L' });
  assert.ok(Math.abs(d.stock_volume - hcl / (0.37 * 1180)) < 1e-12, d.stock_volume);
  // amide: glycinamide, C2H6N2O; acetyl: N-acetylglycine, C4H7NO3.
  assert.equal(formix.sequence('G', { amide: true }).hill, 'C2H6N2O');
  assert.equal(formix.sequence('G', { acetyl: true }).hill, 'C4H7NO3');
});

test('the same readings as the native tool, to the bit', { skip: !process.env.FORMIX_TOOL }, () => {
  const formulas = ['CuSO4*5H2O', 'CuSO4·5H₂O', 'K4[Fe(CN)6]', 'Ph3P', 'SO4^2-', '[Fe(CN)6]3-', 'C1.5H3O',
    'CaSO4*1/2H2O', 'co(NO3)2', 'NH4+', 'Fe3+', 'H2O.', '[13C]6H12O6', 'D2O', 'C254H377N65O75S6'];
  for (const formula of formulas) {
    let out;
    try {
      out = execFileSync(process.env.FORMIX_TOOL, ['composition', '--json', formula],
        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
    } catch (e) {
      out = e.stdout;  // a formula with a warning or an error exits with 2
    }
    const tool = JSON.parse(out);
    const r = formix.composition(formula);
    for (const key of ['formula', 'molar_mass', 'charge', 'hill', 'empirical', 'dbe', 'elements', 'analysis',
      'diagnostics']) {
      assert.deepEqual(r[key], tool[key], `${formula}: ${key}`);
    }
  }
});

test('analysis, exact masses, patterns and reactions as the native tool gives them, to the bit',
  { skip: !process.env.FORMIX_TOOL }, () => {
    const tool = (...args) => {
      let out;
      try {
        out = execFileSync(process.env.FORMIX_TOOL, [...args, '--json'],
          { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
      } catch (e) {
        out = e.stdout;
      }
      return JSON.parse(out);
    };
    const same = (ours, theirs, keys, what) => {
      for (const key of keys) assert.deepEqual(ours[key], theirs[key], `${what}: ${key}`);
    };
    for (const [formula, found, solvate] of [['C20H25NO3', 'C=73.21,H=7.75,N=4.22', 1], ['C6H12O6', '', 0],
      ['CuSO4*5H2O', 'H=4.10', 0]]) {
      const args = ['composition', formula];
      if (found) args.push('--found', found);
      if (solvate) args.push('--solvate');
      same(formix.elementalAnalysis(formula, { found, solvents: solvate }), tool(...args).analysis,
        ['tolerance', 'elements', 'calcd_line', 'found_line', 'within', 'fits'], formula);
    }
    for (const formula of ['C20H25NO3', 'SO4^2-', '[13C]6H12O6', 'NaCl']) {
      same(formix.exactMasses(formula), tool('ms', formula),
        ['hill', 'monoisotopic_mass', 'nominal_mass', 'average_molar_mass', 'charge', 'mz', 'ions', 'diagnostics'],
        formula);
    }
    const found = (...args) => tool('find', ...args);
    same(formix.findFormulas(296.024, { adduct: '[M+H]+', peaks: [[296.024, 100], [298.021, 64]], limit: 20 }),
      found('296.024', '--adduct', '[M+H]+', '--peaks', '296.024:100,298.021:64', '--limit', '20'),
      ['window', 'elements', 'within', 'passed', 'unlisted', 'removed', 'candidates', 'hrms'], 'find');
    same(formix.findFormulas(74.0964, { charge: '+', elements: 'C0-9H0-30N0-2', explain: true }),
      found('74.0964', '--charge', '1', '--elements', 'C0-9H0-30N0-2', '--explain'),
      ['within', 'passed', 'candidates', 'hrms'], 'find an ion');
    same(formix.solution('CuSO4·5H2O', { conc: '50 mM', volume: '100 mL', purity: '98 %' }),
      tool('solution', 'CuSO4·5H2O', '--conc', '50 mM', '--volume', '100 mL', '--purity', '98 %'),
      ['mass', 'conc', 'volume', 'line', 'diagnostics'], 'solution');
    same(formix.dilute({ formula: 'HCl', stock: '37 % w/w', density: '1.18 g/mL', conc: '1 M', volume: '1 L' }),
      tool('dilute', 'HCl', '--stock', '37 % w/w', '--density', '1.18 g/mL', '--conc', '1 M', '--volume', '1 L'),
      ['stock', 'stock_volume', 'solvent_volume', 'line'], 'dilute');
    same(formix.sequence('Ac-ACDEFGHIKLMNPQRSTVWY', { kind: 'protein', disulfides: 0, adduct: '[M+Na]+' }),
      tool('sequence', '--protein', 'Ac-ACDEFGHIKLMNPQRSTVWY', '--adduct', '[M+Na]+'),
      ['hill', 'molar_mass', 'monoisotopic_mass', 'ion', 'mz'], 'sequence');
    for (const [formula, fine] of [['C6H12O6', false], ['C254H377N65O75S6', false], ['Br2', true]]) {
      const args = ['pattern', formula];
      if (fine) args.push('--fine');
      same(formix.isotopePattern(formula, { fine }), tool(...args),
        ['hill', 'pruned', 'most_abundant_mz', 'peaks', 'isotopologues', 'diagnostics'], formula);
    }
    for (const [found, options, args] of [
      [{ C: 40.0, H: 6.7, O: 53.3 }, { mass: 180.16 }, ['--mass', '180.16']],
      [{ C: 73.21, H: 7.75, N: 4.22 }, { byDifference: 'O' }, ['--by-difference', 'O']],
      ['Fe=69.94', { byDifference: 'O', ref: { species: 'Fe', count: 2 } },
        ['--by-difference', 'O', '--ref', 'Fe=2']]]) {
      const entries = typeof found === 'string' ? [found] : Object.entries(found).map(([k, v]) => `${k}=${v}`);
      same(formix.atomRatios(found, options), tool('ratios', ...entries, ...args),
        ['species', 'multiplier', 'formula', 'candidates'], entries.join(' '));
    }
    for (const [equation, options, args] of [
      ['2 H2 + O2 = 2 H2O', { given: ['H2=4.032g'] }, ['--given', 'H2=4.032g']],
      ['C6H5Br + Mg = C6H5MgBr', { given: { C6H5Br: '1.57g' }, equiv: { Mg: 1.2 } },
        ['--given', 'C6H5Br=1.57g', '--equiv', 'Mg=1.2']],
      ['Fe + O2 = Fe2O3', { balance: true }, ['--balance']]]) {
      same(formix.react(equation, options), tool('react', equation, ...args), ['equation', 'participants'], equation);
    }
  });
