// web.js -- the package in browsers: the module built as an ES module for
// the web (one file, nothing fetched after it).
import createFormixModule from './dist/formix-web.mjs';
import { useModuleFactory } from './core.js';

useModuleFactory(createFormixModule);

export * from './core.js';
