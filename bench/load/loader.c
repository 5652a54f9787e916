/* loader.c -- the time from dlopen of a library to the answer of its first
 * call, in a fresh process: "loader LIBRARY" prints microseconds.  The
 * first call is MolarMass("H2O") (the data files read on first use); a
 * library that exports formix_context_new gets formix_context_new (NULL,
 * NULL, &status) and a reading of "H2O" instead. */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stddef.h>
#include <stdio.h>
#include <time.h>

typedef double (*MolarMassFn)(const char*);
typedef void* (*ContextNewFn)(const char*, const char*, const char*, int*);
typedef void* (*ReadFn)(const void*, const char*, size_t);
typedef double (*ReadingMassFn)(const void*);

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: loader LIBRARY\n");
    return 1;
  }
  double start = Now();
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "loader: %s\n", dlerror());
    return 1;
  }
  double mass;
  ContextNewFn context_new = (ContextNewFn)dlsym(library, "formix_context_new");
  if (context_new != NULL) {
    ReadFn read = (ReadFn)dlsym(library, "formix_read");
    ReadingMassFn reading_mass = (ReadingMassFn)dlsym(library, "formix_reading_molar_mass");
    int status = 0;
    void* context = context_new(NULL, NULL, NULL, &status);
    mass = context != NULL ? reading_mass(read(context, "H2O", 3)) : -1.0;
  } else {
    MolarMassFn molar_mass = (MolarMassFn)dlsym(library, "MolarMass");
    if (molar_mass == NULL) {
      fprintf(stderr, "loader: no MolarMass in %s\n", argv[1]);
      return 1;
    }
    mass = molar_mass("H2O");
  }
  double elapsed = Now() - start;
  if (mass < 0) return 1;
  printf("%.1f\n", elapsed);
  return 0;
}
