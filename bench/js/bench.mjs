// bench.mjs -- molar masses through the npm package against mf-parser (the
// JavaScript peer) on the realistic corpus, in one run: ns per formula and
// the ratio. node bench/js/bench.mjs CORPUS (bench/js/run.sh makes it).
// mf-parser gets each compound in the spelling it reads (groups written
// out, round brackets, hydrate water in brackets).
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import * as formix from '../../js/node.js';

const require = createRequire(new URL('../../tests/peers/', import.meta.url));
const { MF } = require('mf-parser');

const rows = readFileSync(process.argv[2], 'utf8').trim().split('\n').map((line) => line.split('\t'));
const ours = rows.map((r) => r[0]);
const plain = rows.map((r) => r[1]);
await formix.init();

let sink = 0;
const runs = {
  formix: () => { for (const f of ours) sink += formix.molarMass(f); },
  'mf-parser': () => { for (const f of plain) sink += new MF(f).getInfo().mass; },
};
const times = { formix: [], 'mf-parser': [] };
for (let round = 0; round < 7; ++round) {  // interleaved; medians
  for (const [name, run] of Object.entries(runs)) {
    const start = process.hrtime.bigint();
    run();
    times[name].push(Number(process.hrtime.bigint() - start) / rows.length);
  }
}
const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const f = median(times.formix);
const p = median(times['mf-parser']);
console.log(`realistic corpus, ${rows.length} formulas, medians of 7 interleaved runs:`);
console.log(`  formix (WebAssembly)  ${f.toFixed(1)} ns per formula`);
console.log(`  mf-parser             ${p.toFixed(1)} ns per formula`);
console.log(`  mf-parser / formix  = ${(p / f).toFixed(1)}`);
if (Number.isNaN(sink)) console.log('  (some formula had no number)');
