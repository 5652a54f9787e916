#include <stdio.h>

#include <formix32.h>

int main(void) {
  const char *formulas[] = {"CuSO4*5H2O", "K4[Fe(CN)6]", "Ph2CO"};
  for (int i = 0; i < 3; ++i) printf("%s %.2f\n", formulas[i], MolarMass(formulas[i]));
  return 0;
}
