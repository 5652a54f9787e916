// Calls before init() say what is missing.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import * as formix from '../node.js';

test('a call before init() is refused with its reason', () => {
  assert.throws(() => formix.molarMass('H2O'), /init\(\)/);
});
