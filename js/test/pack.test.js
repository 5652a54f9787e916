// `npm pack` makes a package that installs into a fresh folder, offline,
// and works there.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

test('npm pack, install in a fresh folder, import', () => {
  const here = fileURLToPath(new URL('..', import.meta.url));
  const work = mkdtempSync(join(tmpdir(), 'formix-pack-'));
  try {
    const name = execFileSync('npm', ['pack', '--silent', '--pack-destination', work],
      { cwd: here, encoding: 'utf8' }).trim();
    const app = join(work, 'app');
    execFileSync('mkdir', [app]);
    writeFileSync(join(app, 'package.json'), '{"name": "app", "private": true, "type": "module"}');
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--silent', join(work, name)],
      { cwd: app });
    writeFileSync(join(app, 'main.js'),
      "import * as f from 'formix'; await f.init(); console.log(f.molarMass('H2O'));");
    assert.equal(execFileSync('node', ['main.js'], { cwd: app, encoding: 'utf8' }).trim(), '18.015');
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
