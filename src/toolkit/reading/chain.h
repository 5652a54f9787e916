// chain.h -- the formula of a peptide or a single nucleic acid strand
// from its sequence, over the residues of the context's residues.txt.
//
// A protein sequence is one-letter codes (ACDE; all capitals or all small
// letters), three-letter codes with hyphens or run together (Ala-Gly-Ser,
// ALA-GLY-SER, AlaGlySer), or letters and digits in brackets for longer
// codes ([pS]).  "H-" or "Ac-" before it gives the N-terminus (free, the
// default; N-acetyl), "-OH" or "-NH2" after it the C-terminus (free, the
// default; C-amide).  A DNA or RNA strand is one-letter codes and bracketed
// codes ([5mC]), optionally between "5'-" and "-3'"; a "p" first gives a
// 5'-phosphate (5'-OH and 3'-OH by default).  Blanks and line breaks
// between codes are passed over, as is a FASTA header line ('>' first).
// Anything else is an error at its position: an ambiguity code (B, X, N)
// has no one formula.
//
// Protein sequences also take ProForma 2.0 (docs/sequences.md):
// modifications in brackets after a residue, of the termini ([Acetyl]-,
// -[Amidated]) and fixed (<[Carbamidomethyl]@C>), by name, UNIMOD
// accession, formula or mass shift (matched to the table, with a note);
// a charge state (/2); several chains joined by "//" with disulfide
// cross-links (C[Disulfide#XL1]...C[#XL1]).
//
// The chain's formula is the sum of its residues' formulas plus its ends:
// a peptide H2O (N-acetyl + C2H2O, C-amide + NH - O), each disulfide
// bridge - H2; a strand H2O - HPO3 (a 5'-phosphate + HPO3).
#ifndef FORMIX_TOOLKIT_CHAIN_H
#define FORMIX_TOOLKIT_CHAIN_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/context/context.h"

namespace formix::toolkit {

// The longest sequence read, in bytes (a megabyte: the longest proteins
// have some 35,000 residues).
inline constexpr std::size_t kMaxSequenceText = 1u << 20;

struct ChainOptions {
  bool acetyl = false;          // N-acetyl (protein)
  bool amide = false;           // C-amide (protein)
  bool five_phosphate = false;  // 5'-phosphate (dna, rna)
  long disulfides = 0;          // bridges between cysteines (protein)
};

struct Chain {
  std::string error;  // "" when the chain has a formula
  // The bytes of the text the error is about (length 0: the whole).
  std::size_t error_offset = 0, error_length = 0;
  std::string kind;      // "protein", "dna", "rna"
  std::string sequence;  // the codes read, one-letter and [bracketed]
  std::size_t residues = 0;
  std::string five_end, three_end;  // "H"/"Ac" and "OH"/"NH2"; "OH"/"phosphate" and "OH"
  long disulfides = 0;              // the option's and the cross-links' (C[Disulfide#XL1]...C[#XL1])
  std::size_t chains = 0;           // chains joined by "//"
  // Each chain as written with its ends ("H-GIVEQ-OH"), for ChainText.
  std::vector<std::string> chain_texts;
  // What the reading decided that the text does not say: a mass shift
  // read as the modification of the table it matches.
  std::vector<std::string> notes;
  int charge_state = 0;                                // ProForma's "/2": the ion [M+2H]2+ (0: none)
  std::string formula;                                 // the Hill formula
  std::vector<std::pair<std::string, double>> counts;  // its element counts, Hill order
};

// The element counts of the chain with `charge` protons added (removed
// for a negative charge), Hill order: the [M+zH]z+ ion's; "" or why the
// chain has none (it has too few hydrogens to lose).
std::string ProtonatedCounts(const Chain& chain, int charge,
                             std::vector<std::pair<std::string, double>>* counts);

// The chain as written with its ends: "Ac-ACDE-NH2", "H-ACDE-OH",
// "5'-pACGT-3'" (a 5'-phosphate), "5'-ACGT-3'"; several chains joined by
// "//".
std::string ChainText(const Chain& chain);

// Reads `length` bytes of a `kind` ("protein", "dna" or "rna") sequence.
Chain ReadChain(const Context& context, const std::string& kind, const char* text, std::size_t length,
                const ChainOptions& options);

// The sequence notation of formulas: "peptide(SEQ)", "dna(SEQ)" or
// "rna(SEQ)", the whole text.  The length of the part before SEQ and the
// kind when the text starts so, else 0.
std::size_t SequenceNotation(const char* text, std::size_t length, std::string* kind);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_CHAIN_H
