// Chains from sequences: every residue of residues.txt against the free
// amino acid or nucleoside monophosphate it comes from (formulas from
// reference tables, written here), chains summed by hand, the forms a
// sequence is written in, and errors at their place.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "shipped_context.h"
#include "toolkit/bench/sequence.h"

namespace formix::toolkit {
namespace {

Chain ChainOf(const Context& c, const std::string& kind, const std::string& text, ChainOptions options = {}) {
  return ReadChain(c, kind, text.data(), text.size(), options);
}

// The free monomers, from reference tables (not from residues.txt): an
// amino acid alone is the chain of its one residue (H- and -OH); a
// nucleotide with its 5'-phosphate is the 5'-monophosphate.
TEST(Sequence, EveryResidueIsItsMonomerLessWater) {
  const std::map<std::string, std::string> amino_acids = {
      {"A", "C3H7NO2"},    {"R", "C6H14N4O2"},  {"N", "C4H8N2O3"},   {"D", "C4H7NO4"},    {"C", "C3H7NO2S"},
      {"E", "C5H9NO4"},    {"Q", "C5H10N2O3"},  {"G", "C2H5NO2"},    {"H", "C6H9N3O2"},   {"I", "C6H13NO2"},
      {"L", "C6H13NO2"},   {"K", "C6H14N2O2"},  {"M", "C5H11NO2S"},  {"F", "C9H11NO2"},   {"P", "C5H9NO2"},
      {"S", "C3H7NO3"},    {"T", "C4H9NO3"},    {"W", "C11H12N2O2"}, {"Y", "C9H11NO3"},   {"V", "C5H11NO2"},
      {"U", "C3H7NO2Se"},  {"O", "C12H21N3O3"}, {"pS", "C3H8NO6P"},  {"pT", "C4H10NO6P"}, {"pY", "C9H12NO6P"},
      {"oxM", "C5H11NO3S"}};
  const std::map<std::string, std::string> deoxy = {
      {"A", "C10H14N5O6P"}, {"C", "C9H14N3O7P"},  {"G", "C10H14N5O7P"},  {"T", "C10H15N2O8P"},
      {"U", "C9H13N2O8P"},  {"I", "C10H13N4O7P"}, {"5mC", "C10H16N3O7P"}};
  const std::map<std::string, std::string> ribo = {
      {"A", "C10H14N5O7P"}, {"C", "C9H14N3O8P"},    {"G", "C10H14N5O8P"},   {"U", "C9H13N2O9P"},
      {"I", "C10H13N4O8P"}, {"m6A", "C11H16N5O7P"}, {"m5C", "C10H16N3O8P"}, {"Psi", "C9H13N2O9P"}};
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  std::size_t checked = 0;
  for (const Residue& r : context->residues) {
    const std::string code = r.code.size() == 1 ? r.code : "[" + r.code + "]";
    const bool protein = r.kind == "protein";
    const auto& table = protein ? amino_acids : r.kind == "dna" ? deoxy : ribo;
    ASSERT_EQ(table.count(r.code), 1u) << r.kind << " " << r.code;
    EXPECT_EQ(ChainOf(*context, r.kind, protein ? code : "p" + code).formula, table.at(r.code))
        << r.kind << " " << r.code;
    if (!r.three.empty()) {
      EXPECT_EQ(ChainOf(*context, r.kind, "H-" + r.three + "-OH").formula, table.at(r.code));
    }
    ++checked;
  }
  EXPECT_EQ(checked, amino_acids.size() + deoxy.size() + ribo.size());
  EXPECT_TRUE(context->problems.empty());
}

TEST(Sequence, ChainsSummedByHand) {
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  ChainOptions acetyl_amide, five_phosphate, bridge;
  acetyl_amide.acetyl = acetyl_amide.amide = true;
  five_phosphate.five_phosphate = true;
  bridge.disulfides = 1;
  const struct {
    const char* kind;
    const char* text;
    ChainOptions options;
    const char* formula;
    std::size_t residues;
    const char* written;
  } cases[] = {
      // The 20 residues: C107 H157 N29 O29 S2 summed, + H2O.
      {"protein", "ACDEFGHIKLMNPQRSTVWY", {}, "C107H159N29O30S2", 20, "H-ACDEFGHIKLMNPQRSTVWY-OH"},
      {"protein", "Ala-Gly-Ser", {}, "C8H15N3O5", 3, "H-AGS-OH"},  // C8H13N3O4 + H2O
      {"protein", "AlaGlySer", {}, "C8H15N3O5", 3, "H-AGS-OH"},
      {"protein", "ALA-GLY-SER", {}, "C8H15N3O5", 3, "H-AGS-OH"},
      {"protein", "H-ags-OH", {}, "C8H15N3O5", 3, "H-AGS-OH"},
      {"protein", ">sp|X|test\nA G\r\nS\n", {}, "C8H15N3O5", 3, "H-AGS-OH"},
      // + C2H2O (acetyl for H), + NH - O (NH2 for OH).
      {"protein", "Ac-AGS-NH2", {}, "C10H18N4O5", 3, "Ac-AGS-NH2"},
      {"protein", "AGS", acetyl_amide, "C10H18N4O5", 3, "Ac-AGS-NH2"},
      {"protein", "Ac-Ala-Gly-Ser-NH2", {}, "C10H18N4O5", 3, "Ac-AGS-NH2"},
      // 2 C3H5NOS + H2O - H2.
      {"protein", "CC", bridge, "C6H10N2O3S2", 2, "H-CC-OH"},
      {"protein", "A[pS]", {}, "C6H13N2O7P", 2, "H-A[pS]-OH"},  // C3H5NO + C3H6NO5P + H2O
      // 4 residues C39H49N15O24P4 + H2O - HPO3.
      {"dna", "ACGT", {}, "C39H50N15O22P3", 4, "5'-ACGT-3'"},
      {"dna", "5'-acgt-3'", {}, "C39H50N15O22P3", 4, "5'-ACGT-3'"},
      {"dna", "5\xE2\x80\xB2-ACGT-3\xE2\x80\xB2", {}, "C39H50N15O22P3", 4, "5'-ACGT-3'"},
      {"dna", "pACGT", {}, "C39H51N15O25P4", 4, "5'-pACGT-3'"},
      {"dna", "ACGT", five_phosphate, "C39H51N15O25P4", 4, "5'-pACGT-3'"},
      {"dna", "A", {}, "C10H13N5O3", 1, "5'-A-3'"},  // deoxyadenosine
      {"rna", "ACGU", {}, "C38H48N15O26P3", 4, "5'-ACGU-3'"},
      {"rna", "U[Psi]", {}, "C18H23N4O14P", 2, "5'-U[Psi]-3'"},
  };
  for (const auto& c : cases) {
    const Chain chain = ChainOf(*context, c.kind, c.text, c.options);
    EXPECT_EQ(chain.error, "") << c.text;
    EXPECT_EQ(chain.formula, c.formula) << c.text;
    EXPECT_EQ(chain.residues, c.residues) << c.text;
    EXPECT_EQ(ChainText(chain), c.written) << c.text;
  }
}

TEST(Sequence, ErrorsAtTheirPlace) {
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  ChainOptions acetyl, bridges, phosphate;
  acetyl.acetyl = true;
  bridges.disulfides = 2;
  phosphate.five_phosphate = true;
  const struct {
    const char* kind;
    const char* text;
    ChainOptions options;
    std::size_t offset, length;
    const char* says;
  } cases[] = {
      {"protein", "AXC", {}, 1, 1, "ambiguity code (any amino acid)"},
      {"protein", "ABC", {}, 1, 1, "ambiguity code (Asx"},
      {"protein", "AcDE", {}, 1, 1, "all capitals or all small letters"},
      {"protein", "A1C", {}, 1, 1, "'1' is no protein residue code"},
      {"protein", "Ala-Gyl", {}, 4, 3, "'Gyl' is no protein residue code"},
      {"protein", "AC[pS", {}, 2, 1, "not closed"},
      {"protein", "AC[xx]", {}, 2, 4, "'[xx]' is no modification of the table"},
      {"protein", "AC\xC3\xA9", {}, 2, 2, "is no protein residue code"},
      {"protein", " ", {}, 0, 0, "holds no residue"},
      {"protein", "H-ACDE", acetyl, 0, 2, "N-acetyl was asked for"},
      {"protein", "CCA", bridges, 0, 0, "2 disulfide bridges need 4 cysteines; the sequence has 2"},
      {"protein", "ACDE", phosphate, 0, 0, "for dna and rna"},
      {"dna", "ACGN", {}, 3, 1, "ambiguity code (any base)"},
      {"dna", "ACGTX", {}, 4, 1, "'X' is no dna residue code"},
      {"rna", "ACGT", {}, 3, 1, "'T' is no rna residue code"},
      {"dna", "AC", acetyl, 0, 0, "for proteins"},
      {"lipid", "AC", {}, 0, 0, "none of protein, dna, rna"},
  };
  for (const auto& c : cases) {
    const Chain chain = ChainOf(*context, c.kind, c.text, c.options);
    EXPECT_NE(chain.error.find(c.says), std::string::npos) << c.text << ": " << chain.error;
    EXPECT_EQ(chain.error_offset, c.offset) << c.text;
    EXPECT_EQ(chain.error_length, c.length) << c.text;
    EXPECT_EQ(chain.formula, "") << c.text;
  }
  const std::string huge(kMaxSequenceText + 1, 'A');
  EXPECT_NE(ChainOf(*context, "protein", huge).error.find("at most"), std::string::npos);
}

TEST(Sequence, IonsAndTheNotationInFormulas) {
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  // GGG, C6H11N3O4, from AME2020 masses of 1H, 12C, 14N, 16O and the electron.
  const double h = 1.007825031898, e = 5.48579909065e-4;
  const double mono = 72 + 11 * h + 3 * 14.00307400425 + 4 * 15.99491461926;
  const struct {
    int charge;
    const char* adduct;
    const char* ion;
    const char* formula;
    double mz;
  } cases[] = {
      {0, "", "", "", 0.0},
      {2, "", "[M+2H]2+", "C6H13N3O4", (mono + 2 * (h - e)) / 2},
      {-1, "", "[M-H]-", "C6H10N3O4", mono - (h - e)},
      {0, "[M+Na]+", "[M+Na]+", "C6H11N3NaO4", mono + 22.98976928195 - e},
  };
  for (const auto& c : cases) {
    const ChainMasses m = MassesOfChain(*context, "protein", "GGG", 3, {}, c.charge, c.adduct);
    ASSERT_EQ(m.error, "") << c.ion;
    EXPECT_NEAR(m.monoisotopic, mono, 1e-9);
    EXPECT_NEAR(m.reading.molar_mass, AtomsByHand(*context, "C6 H11 N3 O4"), 1e-9);
    EXPECT_EQ(m.ion, c.ion);
    EXPECT_EQ(m.ion_formula, c.formula);
    EXPECT_NEAR(m.mz, c.mz, 1e-9) << c.ion;
  }
  EXPECT_NE(MassesOfChain(*context, "protein", "GGG", 3, {}, 1, "[M+H]+").error.find("not both"),
            std::string::npos);
  EXPECT_NE(MassesOfChain(*context, "protein", "GGG", 3, {}, 0, "[M+Xx]+").error.find("unknown adduct"),
            std::string::npos);
  // Glycine, C2H5NO2, has 5 hydrogens: 5 protons may go, not 6.
  EXPECT_EQ(MassesOfChain(*context, "protein", "G", 1, {}, -5, "").error, "");
  EXPECT_NE(MassesOfChain(*context, "protein", "G", 1, {}, -6, "").error.find("cannot lose 6 protons"),
            std::string::npos);

  // In a formula: the chain's formula, a note over the whole text; an error
  // at its place in the text.  A salt's parts after it (GGG, C6H11N3O4, with
  // two TFA, C2HF3O2, is C10H13F6N3O8); a part of unknown count left out with
  // a warning at its place.
  const struct {
    const char* text;
    const char* hill;
    int severity;
    std::size_t offset, length;
    int worst;
  } readings[] = {
      {"peptide(Ac-AGS-NH2)", "C10H18N4O5", kNote, 0, 19, kNote},
      {"dna(pACGT)", "C39H51N15O25P4", kNote, 0, 10, kNote},
      {"rna(ACGU)", "C38H48N15O26P3", kNote, 0, 9, kNote},
      {"peptide(AXG)", "", kError, 9, 1, kError},
      {"peptide(AG", "", kError, 7, 1, kError},
      {"peptide(AG)2+", "", kError, 0, 13, kError},
      {"peptide(GGG)\xC2\xB7"
       "2TFA",
       "C10H13F6N3O8", kNote, 0, 18, kNote},
      {"peptide(GGG)*2HCl", "C6H13Cl2N3O4", kNote, 0, 17, kNote},
      {"peptide(GGG)\xC2\xB7"
       "xAcOH",
       "C6H11N3O4", kNote, 0, 19, kWarning},
  };
  for (const auto& r : readings) {
    const Reading reading = Read(*context, r.text, std::strlen(r.text));
    EXPECT_EQ(reading.hill, r.hill) << r.text;
    ASSERT_FALSE(reading.diagnostics.empty()) << r.text;
    EXPECT_EQ(reading.diagnostics[0].severity, r.severity) << r.text;
    EXPECT_EQ(reading.diagnostics[0].offset, r.offset) << r.text;
    EXPECT_EQ(reading.diagnostics[0].length, r.length) << r.text;
    EXPECT_EQ(reading.Worst(), r.worst) << r.text;
  }
  // ProForma: each modification of the table against UNIMOD's monoisotopic
  // mass shift (G[Name] less G), by name and by accession.
  const struct {
    const char* name;
    int unimod;
    double shift;
  } kUnimod[] = {
      {"Acetyl", 1, 42.010565},          {"Amidated", 2, -0.984016},        {"Biotin", 3, 226.077598},
      {"Carbamidomethyl", 4, 57.021464}, {"Carbamyl", 5, 43.005814},        {"Deamidated", 7, 0.984016},
      {"Phospho", 21, 79.966331},        {"Glu->pyro-Glu", 27, -18.010565}, {"Gln->pyro-Glu", 28, -17.026549},
      {"Methyl", 34, 14.015650},         {"Oxidation", 35, 15.994915},      {"Dimethyl", 36, 28.031300},
      {"Trimethyl", 37, 42.046950},      {"Hex", 41, 162.052824},           {"HexNAc", 43, 203.079373},
      {"GG", 121, 114.042927},           {"Formyl", 122, 27.994915},        {"iTRAQ4plex", 214, 144.102063},
      {"Nitro", 354, 44.985078},         {"TMT6plex", 737, 229.162932},     {"TMTpro", 2016, 304.207146}};
  const double glycine = MassesOfChain(*context, "protein", "G", 1, {}, 0, "").monoisotopic;
  for (const auto& m : kUnimod) {
    for (const std::string& text :
         {"G[" + std::string(m.name) + "]", "G[UNIMOD:" + std::to_string(m.unimod) + "]"}) {
      const ChainMasses x = MassesOfChain(*context, "protein", text.data(), text.size(), {}, 0, "");
      EXPECT_EQ(x.error, "") << text;
      EXPECT_NEAR(x.monoisotopic - glycine, m.shift, 2e-6) << text;
    }
  }
  // ProForma forms by hand: EMEVEESPEK is C49H79N11O22S (5 E C5H7NO3, M C5H9NOS, V C5H9NO, S C3H5NO2,
  // P C5H7NO, K C6H12N2O, H2O), + O + HPO3; PEPTIDE C34H53N7O15 with N-acetyl (C2H2O) or C-amide
  // (HN, less O); ACDKC C19H34N6O8S2 with both cysteines carbamidomethylated (C2H3NO each).
  const struct {
    const char* text;
    const char* formula;
  } kProForma[] = {
      {"EM[Oxidation]EVEES[Phospho]PEK", "C49H80N11O26PS"},
      {"EM[oxidation]EVEES[UNIMOD:21]PEK", "C49H80N11O26PS"},
      {"[Acetyl]-PEPTIDE", "C36H55N7O16"},
      {"PEPTIDE-[Amidated]", "C34H54N8O14"},
      {"<[Carbamidomethyl]@C>ACDKC", "C23H40N8O10S2"},
      {"ACDKC[Formula:C2H3NO]", "C21H37N7O9S2"},
      {"A[pS]G", "C8H16N3O8P"},  // the older bracketed code
      // Mass shifts: the modification matched to the last decimal written (Oxidation +15.994915,
      // Phospho +79.966331, Gln->pyro-Glu -17.026549; QPEP C20H31N5O8, less NH3).
      {"EM[+15.9949]EVEES[+79.97]PEK", "C49H80N11O26PS"},
      {"Q[-17.0265]PEP", "C20H28N4O8"},
      // Human insulin, A and B chains with their three disulfides (C257H383N65O77S6, as published).
      {"GIVEQC[Disulfide#XL1]C[MOD:00034#XL2]TSIC[#XL1]SLYQLENYC[Disulfide#XL3]N//"
       "FVNQHLC[#XL2]GSHLVEALYLVC[#XL3]GERGFFYTPKT",
       "C257H383N65O77S6"},
  };
  for (const auto& p : kProForma) {
    const Chain chain = ReadChain(*context, "protein", p.text, std::strlen(p.text), {});
    EXPECT_EQ(chain.error, "") << p.text;
    EXPECT_EQ(chain.formula, p.formula) << p.text;
  }
  for (const char* bad :
       {"EM[+15.8]K", "[+42]-PEPTIDE", "EM[+1.2.3]K", "EM[Foo]K", "PEPTIDE/0", "AB//CD", "PEPTIDE//",
        "<[Oxidation]M>AM", "G[Formula:H-9]", "AC[#XL1]D", "CC[Disulfide#XL1]DA[#XL1]", "AC[Disulfide#XL1]DC",
        "C[Disulfide#XL1]C[#XL1]C[#XL1]", "AC[Foo#XL1]DC[#XL1]", "AC[Phospho#g1]"}) {
    EXPECT_NE(ReadChain(*context, "protein", bad, std::strlen(bad), {}).error, "") << bad;
  }
  // A mass shift read as a modification says so; the chains keep their own ends.
  const Chain shifted = ReadChain(*context, "protein", "EM[+15.9949]K", 13, {});
  ASSERT_EQ(shifted.notes.size(), 1u);
  EXPECT_NE(shifted.notes[0].find("Oxidation"), std::string::npos);
  // GC + KC C14H25N5O4S2, two chains' H2O, N-acetyl on the first (C2H2O), C-amide on the second (HN, less
  // O), one bridge (less H2).
  const char* two_chains = "Ac-GC[Disulfide#XL1]//KC[#XL1]-NH2";
  const Chain two = ReadChain(*context, "protein", two_chains, std::strlen(two_chains), {});
  EXPECT_EQ(ChainText(two), "Ac-GC[Disulfide#XL1]-OH//H-KC[#XL1]-NH2");
  EXPECT_EQ(two.formula, "C16H30N6O6S2");
  EXPECT_EQ(two.disulfides, 1);
  // A charge state (/2): the ion [M+2H]2+, as --charge 2 gives it; in a formula the ion's own formula.
  const ChainMasses state = MassesOfChain(*context, "protein", "GGG/2", 5, {}, 0, "");
  EXPECT_EQ(state.ion, "[M+2H]2+");
  EXPECT_EQ(state.mz, MassesOfChain(*context, "protein", "GGG", 3, {}, 2, "").mz);
  EXPECT_NE(MassesOfChain(*context, "protein", "GGG/2", 5, {}, 3, "").error, "");  // two charges
  EXPECT_EQ(Read(*context, "peptide(GGG/2)", 14).hill, "C6H13N3O4^2+");            // C6H11N3O4 + 2 H
  const Reading salt = Read(*context, "peptide(GGG)*2TFA", 17);
  EXPECT_NEAR(salt.molar_mass, AtomsByHand(*context, "C10 H13 F6 N3 O8"), 1e-9);
}

}  // namespace
}  // namespace formix::toolkit
