/* module.c -- the WebAssembly module holds the toolkit's C interface
 * (formix.h), linked in from its static library and exported by name: this
 * file adds nothing. */
#include "formix.h"
