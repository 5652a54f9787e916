// node.js -- the package in node: the module built for node.
import createFormixModule from './dist/formix-node.cjs';
import { useModuleFactory } from './core.js';

useModuleFactory(createFormixModule);

export * from './core.js';
