// sequence.h -- a peptide's or strand's masses and one ion of it, over
// the chain read from its sequence (reading/chain.h).
#ifndef FORMIX_TOOLKIT_SEQUENCE_H
#define FORMIX_TOOLKIT_SEQUENCE_H

#include <cstddef>
#include <string>

#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

// A chain with its masses, and the m/z of one ion of it: with `charge` z
// the chain with z protons added (z < 0: removed), [M+zH]z+, as peptide
// and oligonucleotide charge states are meant; or an `adduct` of the
// context's list ("[M+Na]+").  Not both.
struct ChainMasses {
  std::string error;  // the chain's error, or why the ion has none
  Chain chain;
  Reading reading;  // of chain.formula
  double monoisotopic = 0.0;
  std::string text;              // ChainText
  std::string ion, ion_formula;  // "" without an ion
  int charge = 0;
  double mz = 0.0;
};
ChainMasses MassesOfChain(const Context& context, const std::string& kind, const char* text,
                          std::size_t length, const ChainOptions& options, int charge,
                          const std::string& adduct);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_SEQUENCE_H
