// formix against peers written elsewhere (npm): monoisotopic masses and
// m/z against mf-parser, within 0.1 mDa; isotope patterns at a resolving
// power of 10,000 against isotopic-distribution, within 0.1 % of the base
// peak; and the formulas of the abbreviation list against mf-parser's
// group table; and the formulas `formix find` lists for an accurate mass
// (rules off) against mf-finder's; the residues of residues.txt against the
// same group table, and peptides against mf-parser's.  Each mass row gives the formula in
// formix's notation and in mf-parser's.
// usage: node compare_peers.mjs FORMIX   (exit 77 when the peers are not installed)
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';

let MF, IsotopicDistribution, findMFs;
try {
  ({ MF } = await import('mf-parser'));
  ({ IsotopicDistribution } = await import('isotopic-distribution'));
  ({ findMFs } = await import('mf-finder'));
} catch {
  console.log('the peers are not installed here (npm ci in tests/peers): skipped');
  process.exit(77);
}
const formix = process.argv[2];
const rows = [
  // neutral
  ['C6H12O6', 'C6H12O6'], ['H2O', 'H2O'], ['C8H10N4O2', 'C8H10N4O2'], ['C20H25NO3', 'C20H25NO3'],
  ['CH4', 'CH4'], ['C2H5OH', 'C2H6O'], ['C6H6', 'C6H6'], ['C7H8', 'C7H8'], ['CHCl3', 'CHCl3'],
  ['CH2Cl2', 'CH2Cl2'], ['C6H5Br', 'C6H5Br'], ['C10H16N5O13P3', 'C10H16N5O13P3'], ['C9H8O4', 'C9H8O4'],
  ['C17H19NO3', 'C17H19NO3'], ['C21H30O2', 'C21H30O2'], ['C27H46O', 'C27H46O'], ['NaCl', 'NaCl'],
  ['KBr', 'KBr'], ['CuSO4', 'CuSO4'], ['Fe2O3', 'Fe2O3'], ['C12H22O11', 'C12H22O11'],
  ['C3H7NO2S', 'C3H7NO2S'], ['C5H9NO4', 'C5H9NO4'], ['C11H12N2O2', 'C11H12N2O2'], ['C2H3N', 'C2H3N'],
  ['C4H8O2', 'C4H8O2'], ['C2H6OS', 'C2H6OS'], ['C3H7NO', 'C3H7NO'], ['SiO2', 'SiO2'], ['C18H36O2', 'C18H36O2'],
  ['C254H377N65O75S6', 'C254H377N65O75S6'], ['Pd(PPh3)4', 'PdP4C72H60'], ['K4[Fe(CN)6]', 'K4FeC6N6'],
  // charged
  ['SO4^2-', 'SO4(-2)'], ['NH4+', 'NH4(+)'], ['OH-', 'OH(-)'], ['[Fe(CN)6]3-', 'FeC6N6(-3)'],
  ['C20H26NO3^+', 'C20H26NO3(+)'], ['C6H13O6^+', 'C6H13O6(+)'], ['C6H11O6^-', 'C6H11O6(-)'],
  ['C8H11N4O2^+', 'C8H11N4O2(+)'], ['C6H14O6^2+', 'C6H14O6(+2)'], ['PO4^3-', 'PO4(-3)'], ['Cu^2+', 'Cu(+2)'],
  ['C6H12NaO6^+', 'C6H12NaO6(+)'], ['H3O+', 'H3O(+)'],
  // labelled
  ['[13C]H4', '[13C]H4'], ['D2O', '[2H]2O'], ['[13C]6H12O6', '[13C]6H12O6'], ['CD3OD', 'C[2H]4O'],
  ['C5[13C]H12O6', 'C5[13C]H12O6'], ['[15N]H3', '[15N]H3'],
];
let failures = 0;
for (const [ours, theirs] of rows) {
  const out = JSON.parse(execFileSync(formix, ['ms', '--json', '--', ours], { stdio: ['ignore', 'pipe', 'ignore'] }));
  const info = new MF(theirs).getInfo();
  const charged = info.charge !== 0;
  const mine = charged ? out.mz : out.monoisotopic_mass;
  const peer = charged ? info.observedMonoisotopicMass : info.monoisotopicMass;
  const difference = Math.abs(mine - peer) * 1000;
  const ok = difference <= 0.1;
  if (!ok) failures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${ours.padEnd(22)} formix ${mine.toFixed(6)}  mf-parser ${peer.toFixed(6)}  ` +
    `${difference.toFixed(5)} mDa`);
}
console.log(`${rows.length} formulas, ${failures} beyond 0.1 mDa`);

// Patterns: every peer peak of at least 0.01 % against formix's nearest.
const patterns = ['C100', 'C6H12O6', 'C8H10N4O2', 'C20H25NO3', 'CuSO4', 'Br2', 'SnCl4', 'C254H377N65O75S6',
                  'Fe2O3', 'C60', 'C10H16N5O13P3', 'PdCl2', 'C6H5Br', 'CHCl3', 'C27H46O'];
let patternFailures = 0;
for (const f of patterns) {
  const ours = JSON.parse(execFileSync(formix, ['pattern', '--json', '--resolution', '10000', '--', f],
                                       { stdio: ['ignore', 'pipe', 'ignore'] }));
  const theirs = new IsotopicDistribution(f, { fwhm: ours.most_abundant_mz / 10000, threshold: 1e-6 })
    .getTable({ maxValue: 100 });
  let worst = 0;
  for (const t of theirs) {
    if (t.y < 0.01) continue;
    let nearest = ours.peaks[0];
    for (const o of ours.peaks) if (Math.abs(o.mz - t.x) < Math.abs(nearest.mz - t.x)) nearest = o;
    worst = Math.max(worst, Math.abs(nearest.mz - t.x) > 0.01 ? Infinity : Math.abs(nearest.intensity - t.y));
  }
  const ok = worst <= 0.1;
  if (!ok) patternFailures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} pattern ${f.padEnd(18)} largest difference ${worst.toFixed(4)} % ` +
    'of the base peak');
}
console.log(`${patterns.length} patterns, ${patternFailures} beyond 0.1 %`);

// The abbreviation list's formulas against mf-parser's group table (the
// chemical-groups package), where it has the group under the name or a
// synonym of ours.
const { groups } = await import('chemical-groups');
const synonyms = { TBDMS: 'Tbdms', TBS: 'Tbdms', TIPS: 'Tips', Tr: 'Trt', PMB: 'Meobzl', Ts: 'Tos' };
const bySymbol = Object.fromEntries(groups.map((g) => [g.symbol, g.mf]));
const canonical = (mf) => new MF(mf).getInfo().mf;
let groupFailures = 0, groupsCompared = 0;
const list = readFileSync(new URL('../../data/abbrev.txt', import.meta.url), 'utf8');
for (const line of list.split('\n')) {
  const [name, , , formula] = line.split('\t');
  if (line.startsWith('#') || !formula) continue;
  const theirs = bySymbol[synonyms[name] ?? name];
  if (theirs === undefined) continue;
  groupsCompared += 1;
  const ok = canonical(formula) === canonical(theirs);
  if (!ok) groupFailures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} group ${name.padEnd(6)} ${formula} (mf-parser ${theirs})`);
}
console.log(`${groupsCompared} groups compared, ${groupFailures} differ`);

// residues.txt against the residues of the same table (amino acids by their
// three-letter codes, nucleotides by its names for the 5'-monophosphate
// residues), and peptides as formix reads them against mf-parser's
// H(residues)OH.
const nucleotides = { dna: { A: 'Damp', C: 'Dcmp', G: 'Dgmp', T: 'Dtmp', U: 'Dump' },
  rna: { A: 'Amp', C: 'Cmp', G: 'Gmp', U: 'Ump', I: 'Ins', Psi: 'Pis' } };
let residueFailures = 0, residuesCompared = 0;
const residueList = readFileSync(new URL('../../data/residues.txt', import.meta.url), 'utf8');
for (const line of residueList.split('\n')) {
  const [kind, code, three, , formula] = line.split('\t');
  if (line.startsWith('#') || !formula) continue;
  const theirs = bySymbol[kind === 'protein' ? three : nucleotides[kind][code]];
  if (theirs === undefined) continue;
  residuesCompared += 1;
  const ok = canonical(formula) === canonical(theirs);
  if (!ok) residueFailures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} residue ${kind} ${code.padEnd(4)} ${formula} (mf-parser ${theirs})`);
}
for (const [sequence, theirs] of [
  ['ACDEFGHIKLMNPQRSTVWY', 'HAlaCysAspGluPheGlyHisIleLysLeuMetAsnProGlnArgSerThrValTrpTyrOH'],
  ['Ac-MKWVTFISLLFLFSSAYS-NH2', 'CH3COMetLysTrpValThrPheIleSerLeuLeuPheLeuPheSerSerAlaTyrSerNH2']]) {
  const out = JSON.parse(execFileSync(formix, ['sequence', '--json', '--protein', sequence]));
  const info = new MF(theirs).getInfo();
  const ok = canonical(out.hill) === info.mf && Math.abs(out.monoisotopic_mass - info.monoisotopicMass) * 1000 <= 0.1;
  residuesCompared += 1;
  if (!ok) residueFailures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} peptide ${sequence} ${out.hill} (mf-parser ${info.mf})`);
}
console.log(`${residuesCompared} residues and peptides compared, ${residueFailures} differ`);

// Formulas from an accurate mass: every formula in the window, rules off.
// A formula in one list only must lie at the window's edge (within 0.001
// ppm of it): mf-finder takes the ppm of the found mass, formix of the
// calculated one, and their mass tables differ in the last digits.
const queries = [
  // [m/z, formix's ion, mf-finder's ionization, ranges, ppm]
  [194.0804, [], '', 'C0-20H0-30N0-6O0-6', 5],
  [328.1911, ['--adduct', '[M+H]+'], 'H+', 'C0-40H0-60N0-5O0-8S0-2Cl0-2', 5],
  [301.0354, ['--adduct', '[M-H]-'], '(H+)-1', 'C0-30H0-40O0-12N0-3', 3],
  [338.0056, ['--adduct', '[M+Na]+'], 'Na+', 'C0-20H0-25N0-5O0-4Br0-2F0-3', 5],
  [500, [], '', 'C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5Br0-3I0-3', 5],
  [74.0964, ['--charge', '1'], '(+)', 'C0-10H0-30N0-3O0-3', 5],
];
let findFailures = 0;
for (const [mz, ion, ionization, ranges, ppm] of queries) {
  let out;
  try {
    out = execFileSync(formix, ['find', String(mz), ...ion, '--elements', ranges, '--ppm', String(ppm), '--no-rules',
      '--limit', '1000000', '--json'], { stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 30 });
  } catch (e) {
    out = e.stdout;
  }
  const ours = new Map(JSON.parse(out).candidates.map((c) => [new MF(c.formula.replace(/\^.*$/, '')).getInfo().mf,
    c.ppm]));
  const spaced = ranges.replace(/(\d)(?=[A-Z])/g, '$1 ');
  const theirs = new Map((await findMFs(mz, { ranges: spaced, precision: ppm, ionizations: ionization,
    allowNeutral: ionization === '', limit: 1e7 })).mfs.map((m) => [new MF(m.mf).getInfo().mf, m.ms.ppm]));
  const edge = (value) => Math.abs(Math.abs(value) - ppm) < 1e-3;
  const onlyOurs = [...ours].filter(([f]) => !theirs.has(f));
  const onlyTheirs = [...theirs].filter(([f]) => !ours.has(f));
  const ok = onlyOurs.every(([, p]) => edge(p)) && onlyTheirs.every(([, p]) => edge(p)) && ours.size > 0;
  if (!ok) findFailures += 1;
  console.log(`${ok ? 'ok  ' : 'FAIL'} find ${String(mz).padEnd(9)} ${ion.join(' ').padEnd(18)} formix ${ours.size}, ` +
    `mf-finder ${theirs.size}; only formix: ${onlyOurs.map(([f, p]) => `${f} (${p.toFixed(4)} ppm)`).join(', ') ||
    'none'}; only mf-finder: ${onlyTheirs.map(([f, p]) => `${f} (${p.toFixed(4)} ppm)`).join(', ') || 'none'}`);
}
console.log(`${queries.length} find queries, ${findFailures} with a difference away from the window's edge`);
process.exit(failures === 0 && patternFailures === 0 && groupFailures === 0 && groupsCompared >= 6 &&
  findFailures === 0 && residueFailures === 0 && residuesCompared >= 33 ? 0 : 1);
