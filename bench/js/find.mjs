// The npm package's findFormulas against mf-finder (npm) per query, in one
// node process, interleaved after a warm-up: each query's median of 21
// runs of each, every formula of the window found (no rules), the closest
// 100 kept.  Prints
// "QUERY formix MS mf-finder MS ratio".  Run after js/build.sh, with the
// peers installed (cd tests/peers && npm ci): node bench/js/find.mjs
import { createRequire } from 'node:module';
import * as formix from '../../js/node.js';

const require = createRequire(new URL('../../tests/peers/package.json', import.meta.url));
const { findMFsSync } = require('mf-finder/lib/src/findMFsSync.js');
await formix.init();
const queries = [
  [18.0106, 'H0-4O0-2'], [180.0634, 'C0-10H0-20O0-10'], [195.0877, 'C0-20H0-30N0-5O0-5'],
  [300.1, 'C0-30H0-50N0-5O0-10'], [200, 'C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5Br0-3I0-3'],
  [500, 'C0-60H0-120N0-10O0-20S0-4P0-3F0-10Cl0-5Br0-3I0-3']];
const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const time = (f) => {
  const start = process.hrtime.bigint();
  f();
  return Number(process.hrtime.bigint() - start) / 1e6;
};
for (const [mass, ranges] of queries) {
  const spaced = ranges.replace(/([0-9])([A-Z])/g, '$1 $2');
  const ours = () => formix.findFormulas(mass, { elements: ranges, rules: false, limit: 100 });
  const theirs = () => findMFsSync(mass, { ranges: spaced, precision: 5, allowNeutral: true, limit: 100,
    maxIterations: 1e12 });
  // Warm: each runs the query for 0.3 s (at most 200 times) before it is
  // timed, so that both are compiled as they are when a page uses them.
  for (const f of [ours, theirs]) {
    const until = process.hrtime.bigint() + 300000000n;
    for (let i = 0; i < 200 && process.hrtime.bigint() < until; i++) f();
  }
  const a = [], b = [];
  for (let i = 0; i < 21; i++) {
    a.push(time(ours));
    b.push(time(theirs));
  }
  const [x, y] = [median(a), median(b)];
  console.log(`${mass} ${ranges} formix ${x.toFixed(3)} ms mf-finder ${y.toFixed(3)} ms`,
    `mf-finder/formix ${(y / x).toFixed(2)}`);
}
