/* trivial.c -- a C library with one function of the classic library's
 * shape that reads nothing: what loading any library costs. */
double MolarMass(const char* formula) { return formula[0] == '\0' ? 0.0 : 18.015; }
