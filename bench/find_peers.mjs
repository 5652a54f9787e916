// mf-finder (npm) on the queries of bench_find: the neutral masses 200,
// 500 and 1000 within 5 ppm over the default organic ranges and over 12
// elements, every formula in the window found (no filter), the closest 100
// kept (as bench_find keeps them).  Prints one line a query:
// "peer_find MASS WIDE MILLISECONDS FORMULAS" (the median of five runs;
// one run where a run takes more than ten seconds).
import { createRequire } from 'node:module';

const require = createRequire(new URL('../tests/peers/package.json', import.meta.url));
const { findMFsSync } = require('mf-finder/lib/src/findMFsSync.js');
const ranges = ['C0-60 H0-120 N0-10 O0-20 S0-4 P0-3 F0-10 Cl0-5 Br0-3 I0-3',
  'C0-60 H0-120 N0-10 O0-20 S0-4 P0-3 F0-10 Cl0-5 Br0-3 I0-3 Si0-5 B0-3'];
for (const [m, mass] of [200, 500, 1000].entries()) {
  for (const [wide, r] of ranges.entries()) {
    const times = [];
    let found = 0;
    while (times.length < 5) {
      const start = process.hrtime.bigint();
      const result = findMFsSync(mass, { ranges: r, precision: 5, allowNeutral: true, limit: 100,
        maxIterations: 1e12 });
      times.push(Number(process.hrtime.bigint() - start) / 1e6);
      found = result.info.numberResults;
      if (times[times.length - 1] > 10000) break;
    }
    times.sort((a, b) => a - b);
    console.log(`peer_find ${m} ${wide} ${times[Math.floor(times.length / 2)].toFixed(2)} ${found}`);
  }
}
