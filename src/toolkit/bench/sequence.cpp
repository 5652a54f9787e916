// sequence.cpp -- a chain's masses and one ion of it (sequence.h).
#include "toolkit/bench/sequence.h"

#include <string>
#include <utility>
#include <vector>

#include "toolkit/base/base.h"
#include "toolkit/ms/ms.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

ChainMasses MassesOfChain(const Context& context, const std::string& kind, const char* text,
                          std::size_t length, const ChainOptions& options, int charge,
                          const std::string& adduct) {
  ChainMasses m;
  m.chain = ReadChain(context, kind, text, length, options);
  m.error = m.chain.error;
  if (!m.error.empty()) return m;
  if (m.chain.charge_state != 0) {
    // The sequence's own charge state (/2) is the ion's, as --charge is.
    if ((charge != 0 && charge != m.chain.charge_state) || !adduct.empty()) {
      m.error = "the sequence gives the charge state /" + std::to_string(m.chain.charge_state) +
                ": give no other charge or adduct";
      return m;
    }
    charge = m.chain.charge_state;
  }
  if (charge != 0 && !adduct.empty()) {
    m.error = "give a charge or an adduct, not both";
    return m;
  }
  if (charge < -100 || charge > 100) {
    m.error = "the charge " + std::to_string(charge) + " is beyond 100";
    return m;
  }
  if (!adduct.empty() && AdductIndex(context, adduct) == context.adducts.size()) {
    m.error = UnknownAdduct(adduct);
    return m;
  }
  m.text = ChainText(m.chain);
  m.reading = Read(context, m.chain.formula.data(), m.chain.formula.size());
  const ExactMasses exact =
      adduct.empty() ? SpeciesExact(context, m.reading) : Exact(context, m.reading, {adduct});
  if (!exact.error.empty()) {
    m.error = exact.error;
    return m;
  }
  m.monoisotopic = exact.monoisotopic;
  if (!adduct.empty() && !exact.adducts.empty()) {
    const AdductIon& a = exact.adducts[0];
    if (!a.possible) {
      m.error = "the chain lacks the atoms the adduct " + a.name + " removes";
      return m;
    }
    m.ion = a.name;
    m.ion_formula = a.formula;
    m.charge = a.charge;
    m.mz = a.mz;
  } else if (charge != 0) {
    std::vector<std::pair<std::string, double>> counts;
    m.error = ProtonatedCounts(m.chain, charge, &counts);
    if (!m.error.empty()) return m;
    const std::string text_of_ion = HillFormula(counts, charge, false);
    const Reading ion = Read(context, text_of_ion.data(), text_of_ion.size());
    const ExactMasses x = SpeciesExact(context, ion);
    if (!ion.has_value || !x.error.empty()) {
      m.error = "the ion " + text_of_ion + " has no m/z" + (x.error.empty() ? "" : ": " + x.error);
      return m;
    }
    const int z = charge < 0 ? -charge : charge;
    m.ion = "[M" + std::string(charge > 0 ? "+" : "-") + (z == 1 ? "" : std::to_string(z)) + "H]" +
            (z == 1 ? "" : std::to_string(z)) + (charge > 0 ? "+" : "-");
    m.ion_formula = HillFormula(counts, 0, false);
    m.charge = charge;
    m.mz = x.mz;
  }
  return m;
}

}  // namespace formix::toolkit
