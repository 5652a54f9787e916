// cmd_sequence.cpp -- formix sequence: the formula and masses of a
// peptide or a single nucleic acid strand, and the m/z of one ion of it.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "text.h"

namespace formix::tool {

namespace {

// The sequence of "-": standard input, up to a megabyte and a byte (more is
// refused by the library with its message).
std::string StandardInput() {
  std::string text;
  char buffer[65536];
  while (text.size() <= (1u << 20)) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin);
    if (n == 0) break;
    text.append(buffer, n);
  }
  if (std::ferror(stdin)) throw IoError{"standard input: read error"};
  return text;
}

}  // namespace

void CommandSequence(Session& s) {
  const Options& o = s.options;
  if (!o.args.empty()) throw UsageError{"sequence takes its sequence after --protein, --dna or --rna"};
  const int kinds = (o.protein ? 1 : 0) + (o.dna ? 1 : 0) + (o.rna ? 1 : 0);
  if (kinds != 1) throw UsageError{"sequence needs one of --protein, --dna, --rna"};
  const char* kind = o.protein ? "protein" : o.dna ? "dna" : "rna";
  std::string sequence = o.protein ? *o.protein : o.dna ? *o.dna : *o.rna;
  if (sequence == "-") sequence = StandardInput();
  long disulfides = 0;
  if (o.disulfides) {
    const double d = ParseNumber(*o.disulfides, "--disulfides");
    if (!(d >= 0 && d <= 1e6 && d == static_cast<double>(static_cast<long>(d))))
      throw UsageError{"--disulfides takes a whole number from 0 to 1000000"};
    disulfides = static_cast<long>(d);
  }
  if (o.adducts.size() > 1) throw UsageError{"sequence takes one --adduct"};
  if (!o.adducts.empty() && o.charge) throw UsageError{"give --adduct or --charge, not both"};
  const int flags = (o.acetyl ? FORMIX_SEQUENCE_ACETYL : 0) | (o.amide ? FORMIX_SEQUENCE_AMIDE : 0) |
                    (o.five_phosphate ? FORMIX_SEQUENCE_5PHOSPHATE : 0);
  std::unique_ptr<formix_sequence, decltype(&formix_sequence_free)> chain(
      formix_sequence_read(s.context, kind, sequence.c_str(), flags, disulfides,
                           o.charge ? ChargeOption(*o.charge) : 0,
                           o.adducts.empty() ? nullptr : o.adducts[0].c_str()),
      &formix_sequence_free);
  if (!chain) throw IoError{"out of memory"};
  const std::string error = formix_sequence_error(chain.get());
  if (!error.empty()) {
    if (error.rfind("unknown adduct", 0) == 0) throw UsageError{error};
    const std::size_t at = formix_sequence_error_offset(chain.get());
    const std::size_t length = formix_sequence_error_length(chain.get());
    Tell("formix: " + std::string(kind) + (length != 0 ? ":" + std::to_string(at + 1) : "") +
         ": error: " + error + "\n");
    throw CommandFailed{};
  }
  TellNotes(formix_sequence_notes(chain.get()));
  if (o.json) {
    Json json;
    json.Document("sequence", o.verbose ? s.context : nullptr).Members(formix_sequence_json(chain.get()));
    json.Close().End();
    return;
  }
  const std::size_t residues = formix_sequence_residues(chain.get());
  std::string text = std::string(kind) + " " + Printable(formix_sequence_text(chain.get())) + "\t" +
                     std::to_string(residues) + (residues == 1 ? " residue" : " residues") +
                     "; Hill formula " + formix_sequence_formula(chain.get()) + "; average molar mass " +
                     Fixed(formix_sequence_molar_mass(chain.get()), o.precision) +
                     " g/mol; monoisotopic mass " +
                     Fixed(formix_sequence_monoisotopic(chain.get()), o.precision) + " u\n";
  const std::string ion = formix_sequence_ion(chain.get());
  if (!ion.empty()) {
    text += ion + "\tm/z " + Fixed(formix_sequence_mz(chain.get()), o.precision) + " (monoisotopic)\n";
  }
  Write(text);
}

}  // namespace formix::tool
