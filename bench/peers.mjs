// The npm peers on the formulas of bench_exact: mf-parser's monoisotopic
// mass of the shared everyday formulas (through their [M+H]+ ion), and
// isotopic-distribution's pattern of C254H377N65O75S6 at R = 10,000.
// Prints nanoseconds per formula and milliseconds per pattern.
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(new URL('../tests/peers/package.json', import.meta.url));
const { MF } = require('mf-parser');
const { IsotopicDistribution } = require('isotopic-distribution');
const corpus = readFileSync(new URL('./corpora.h', import.meta.url), 'utf8');
const formulas = [...corpus.matchAll(/\{"[^"]*",\s*"([^"]*)"\}/g)].map((m) => m[1]);

function time(fn, minimum = 1000) {
  let n = 0;
  const start = process.hrtime.bigint();
  let elapsed = 0n;
  while (elapsed < BigInt(minimum) * 1000000n) {
    fn();
    n += 1;
    elapsed = process.hrtime.bigint() - start;
  }
  return Number(elapsed) / n;  // ns per call
}
const mono = time(() => {
  for (const f of formulas) new MF(`${f}(H+)`).getInfo().observedMonoisotopicMass;
}) / formulas.length;
const pattern = time(() => new IsotopicDistribution('C254H377N65O75S6', { fwhm: 0.573, threshold: 1e-6 }).getTable());
console.log(`peer_monoisotopic_ns ${mono.toFixed(0)}`);
console.log(`peer_pattern_ms ${(pattern / 1e6).toFixed(3)}`);
