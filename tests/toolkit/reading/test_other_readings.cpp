// Formulas as catalogues, papers, suppliers and other tools write them,
// where the text can be read two ways: the reading used and the other
// reading each worked out by hand (atoms times the shipped atomic masses,
// isotope masses from AME2020, electrons for ions), and the flag raised.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>

#include "shipped_context.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {
namespace {

struct Row {
  const char* text;
  const char* used;   // atoms of the reading used ("C6 H12 O6"); nullptr: no number
  int charge;         // of the reading used
  const char* flag;   // "warning:code@offset" that must be said; "": no warning or error at all
  const char* other;  // atoms of the other reading; nullptr: none given
  int other_charge;
  const char* says;  // a piece of some message
};

// clang-format off
const Row kRows[] = {
    // Digits and a sign after a round bracket: a subscript, or a charge.
    {"Ag(NH3)2+", "Ag1 N2 H6", 0, "warning:ambiguous-charge@7", "Ag1 N2 H6", 1, ""},
    {"Al(OH)4-", "Al1 O4 H4", 0, "warning:ambiguous-charge@6", "Al1 O4 H4", -1, ""},
    {"B(OH)4-", "B1 O4 H4", 0, "warning:ambiguous-charge@5", "B1 O4 H4", -1, ""},
    {"Cu(NH3)42+", "Cu1 N42 H126", 0, "warning:ambiguous-charge@7", "Cu1 N4 H12", 2, ""},
    {"Zn(OH)42-", "Zn1 O42 H42", 0, "warning:ambiguous-charge@6", "Zn1 O4 H4", -2, ""},
    {"Ni(CN)42-", "Ni1 C42 N42", 0, "warning:ambiguous-charge@6", "Ni1 C4 N4", -2, ""},
    {"Fe(CN)63-", "Fe1 C63 N63", 0, "warning:ambiguous-charge@6", "Fe1 C6 N6", -3, ""},
    {"Co(NH3)63+", "Co1 N63 H189", 0, "warning:ambiguous-charge@7", "Co1 N6 H18", 3, ""},
    {"Fe(H2O)62+", "Fe1 H124 O62", 0, "warning:ambiguous-charge@7", "Fe1 H12 O6", 2, ""},
    {"[Fe(CN)6]42-", "Fe42 C252 N252", 0, "warning:ambiguous-charge@9", "Fe4 C24 N24", -2, ""},  // 42- is no charge
    {"[Ag(NH3)2]+", "Ag1 N2 H6", 1, "", nullptr, 0, ""},
    {"[PtCl6]2-", "Pt1 Cl6", -2, "", nullptr, 0, ""},
    {"Ag(NH3)2^+", "Ag1 N2 H6", 1, "", nullptr, 0, ""},
    // Mass numbers written in front.
    {"13C6H12O6", "C78 H156 O78", 0, "warning:mass-number@0", "[13C]6 H12 O6", 0, "[13C]6H12O6"},
    {"15NH4Cl", "N15 H60 Cl15", 0, "warning:mass-number@0", "[15N]1 H4 Cl1", 0, ""},
    {"13CO2", "C13 O26", 0, "warning:mass-number@0", "[13C]1 O2", 0, ""},
    {"18O2", "O36", 0, "warning:mass-number@0", "[18O]2", 0, ""},
    {"13CH3OH", "C13 H52 O13", 0, "warning:mass-number@0", "[13C]1 H4 O1", 0, ""},
    {"15N2", "N30", 0, "warning:mass-number@0", "[15N]2", 0, ""},
    {"2H", "H2", 0, "warning:mass-number@0", "[2H]1", 0, ""},
    {"12C", "C12", 0, "warning:mass-number@0", "[12C]1", 0, ""},
    {"3He", "He3", 0, "warning:mass-number@0", "[3He]1", 0, ""},
    {"14CO2", "C14 O28", 0, "warning:mass-number@0", nullptr, 0, "not in the isotope list"},
    {"2H2O", "H4 O2", 0, "", nullptr, 0, ""},
    {"10H2O", "H20 O10", 0, "", nullptr, 0, ""},
    {"6Li2CO3", "Li12 C6 O18", 0, "", nullptr, 0, ""},
    {"2NaCl", "Na2 Cl2", 0, "", nullptr, 0, ""},
    // A coefficient in front of the first part of an adduct.
    {"3CdSO4\u00B78H2O", "Cd3 S3 O36 H48", 0, "warning:leading-coefficient@0", "Cd3 S3 O20 H16", 0, ""},
    {"2CuSO4*5H2O", "Cu2 S2 O18 H20", 0, "warning:leading-coefficient@0", "Cu2 S2 O13 H10", 0, ""},
    {"3Na2SO4\u00B710H2O", "Na6 S3 O42 H60", 0, "warning:leading-coefficient@0", "Na6 S3 O22 H20", 0, ""},
    {"2Bi(NO3)3*5H2O", "Bi2 N6 O28 H20", 0, "warning:leading-coefficient@0", "Bi2 N6 O23 H10", 0, ""},
    // Dots that join parts.
    {"C17H19NO3.HCl.3H2O", "C17 H22 N1 O4 Cl0.3", 0, "warning:hydrate-dot@13", "C17 H26 N1 O6 Cl1", 0, ""},
    {"C10H15N.2HBr", "C10 H16 N0.2 Br1", 0, "warning:hydrate-dot@7", "C10 H17 N1 Br2", 0, ""},
    {"(CH(CH3)2)3N.2HCl", "C9 H22 N0.2 Cl1", 0, "warning:hydrate-dot@12", "C9 H23 N1 Cl2", 0, ""},
    {"MgSO4.7H2O", "Mg1 S1 O5.7 H2", 0, "warning:hydrate-dot@4", "Mg1 S1 O11 H14", 0, "MgSO4*7H2O"},
    {"C8H10N4O2.2HCl", "C8 H11 N4 O2.2 Cl1", 0, "warning:hydrate-dot@8", "C8 H12 N4 O2 Cl2", 0, ""},
    {"NiCl2.6H2O", "Ni1 Cl2.6 H2 O1", 0, "warning:hydrate-dot@4", "Ni1 Cl2 H12 O6", 0, ""},
    {"CaCl2.2H2O", "Ca1 Cl2.2 H2 O1", 0, "warning:hydrate-dot@4", "Ca1 Cl2 H4 O2", 0, ""},
    {"C2H5OH.H2O", "C2 H7 O2", 0, "warning:hydrate-dot@6", "C2 H8 O2", 0, ""},
    {"Na2B4O7.10H2O", "Na2 B4 O8.1 H2", 0, "warning:hydrate-dot@6", "Na2 B4 O17 H20", 0, ""},
    {"C9H13NO3.HCl", "C9 H14 N1 O3 Cl1", 0, "", nullptr, 0, ""},  // the same mass either way
    {"Fe0.95O", "Fe0.95 O1", 0, "", nullptr, 0, ""},
    {"Ni0.5H2O", "Ni0.5 H2 O1", 0, "", nullptr, 0, ""},  // a fraction below 1 is what it says
    {"Li1.2Ni0.2Mn0.6O2", "Li1.2 Ni0.2 Mn0.6 O2", 0, "", nullptr, 0, ""},
    // A symbol and a group name run together, and ligands.
    {"Co(Bpy)(CO)4", "Co1 B1 C9 H5 N1 O4", 0, "warning:abbreviation@3", "Co1 C14 H8 N2 O4", 0, "bipyridine"},
    {"Fe(Phen)3", "Fe1 C24 H39 N6", 0, "warning:abbreviation@3", "Fe1 C36 H24 N6", 0, "phenanthroline"},
    {"Ru(Bpy)3Cl2", "Ru1 B3 C15 H15 N3 Cl2", 0, "warning:abbreviation@3", "Ru1 C30 H24 N6 Cl2", 0, ""},
    {"Ptpy2Cl2", "Pt1 C10 H10 N2 Cl2", 0, "warning:abbreviation@0", nullptr, 0, "Pt, py"},
    {"Cuen2", "Cu1 C4 H16 N4", 0, "warning:abbreviation@0", nullptr, 0, ""},
    {"Fe(phen)3", "Fe1 C6 H24 N6", 0, "warning:abbreviation@3", "Fe1 C36 H24 N6", 0, ""},
    {"[Rh(cod)Cl]2", "Rh2 Cl2", 0, "warning:abbreviation@4", "Rh2 C16 H24 Cl2", 0, "cyclooctadiene"},
    {"Cu(acac)2", "Cu1", 0, "warning:abbreviation@3", "Cu1 C10 H14 O4", 0, ""},
    {"Fe(acac)3", "Fe1", 0, "warning:abbreviation@3", "Fe1 C15 H21 O6", 0, ""},
    {"Pd(dppf)Cl2", "Pd1 Cl2", 0, "warning:abbreviation@3", "Pd1 C34 H28 Fe1 P2 Cl2", 0, ""},
    {"NiCl2(dppe)", "Ni1 Cl2", 0, "warning:abbreviation@6", "Ni1 Cl2 C26 H24 P2", 0, ""},
    {"Pd2(dba)3", "Pd2", 0, "warning:abbreviation@4", "Pd2 C51 H42 O3", 0, ""},
    {"Pt(en)Cl2", "Pt1 C2 H8 N2 Cl2", 0, "", nullptr, 0, ""},
    {"Cu(py)4Cl2", "Cu1 C20 H20 N4 Cl2", 0, "", nullptr, 0, ""},
    {"Ph3P", "C18 H15 P1", 0, "", nullptr, 0, ""},
    {"Pd(PPh3)4", "Pd1 P4 C72 H60", 0, "", nullptr, 0, ""},
    // Cp*, pentamethylcyclopentadienyl.
    {"Cp*TiCl3", "C5 H5 Ti1 Cl3", 0, "warning:abbreviation@0", "C10 H15 Ti1 Cl3", 0, "C10H15"},
    {"Cp*2ZrCl2", "C5 H5 Zr2 Cl4", 0, "warning:abbreviation@0", "C20 H30 Zr1 Cl2", 0, ""},
    {"[Cp*RhCl2]2", "C10 H10 Rh2 Cl4", 0, "warning:abbreviation@1", "C20 H30 Rh2 Cl4", 0, ""},
    {"Cp*Co(CO)2", "C7 H5 Co1 O2", 0, "warning:abbreviation@0", "C12 H15 Co1 O2", 0, ""},
    {"Cp*IrCl2", "C5 H5 Ir1 Cl2", 0, "warning:abbreviation@0", "C10 H15 Ir1 Cl2", 0, ""},
    {"KCp*", "K1 C5 H5", 0, "warning:abbreviation@1", "K1 C10 H15", 0, ""},
    {"Cp2Fe", "C10 H10 Fe1", 0, "", nullptr, 0, ""},
    // Reagents by their acronyms; protecting groups the group file defines.
    {"NBS", "N1 B1 S1", 0, "warning:abbreviation@0", "C4 H4 Br1 N1 O2", 0, "bromosuccinimide"},
    {"NIS", "N1 I1 S1", 0, "warning:abbreviation@0", "C4 H4 I1 N1 O2", 0, ""},
    {"DCC", "[2H]1 C2", 0, "warning:abbreviation@0", "C13 H22 N2", 0, ""},
    {"DIC", "[2H]1 I1 C1", 0, "warning:abbreviation@0", "C7 H14 N2", 0, ""},
    {"DBU", "[2H]1 B1 U1", 0, "warning:abbreviation@0", "C9 H16 N2", 0, ""},
    {"TBSCl", "[3H]1 B1 S1 Cl1", 0, "warning:abbreviation@0", "C6 H15 Si1 Cl1", 0, ""},
    {"TIPSCl", "[3H]1 I1 P1 S1 Cl1", 0, "warning:abbreviation@0", "C9 H21 Si1 Cl1", 0, ""},
    {"PCC", "P1 C2", 0, "warning:abbreviation@0", "C5 H6 Cl1 Cr1 N1 O3", 0, ""},
    {"TESCl", nullptr, 0, "warning:abbreviation@0", "C6 H15 Si1 Cl1", 0, "triethylsilyl"},
    {"DMAP", "C7 H10 N2", 0, "note:abbreviation@0", nullptr, 0, "dimethylamino"},  // no formula as letters
    {"AcOH", "Ac1 O1 H1", 0, "warning:abbreviation@0", "C2 H4 O2", 0, "acetyl"},
    {"TsOH", "Ts1 O1 H1", 0, "warning:abbreviation@0", "C7 H8 O3 S1", 0, "tosyl"},
    {"Boc2O", "C10 H18 O5", 0, "", nullptr, 0, ""},
    {"TMSCl", "C3 H9 Si1 Cl1", 0, "", nullptr, 0, ""},
    {"MsCl", "C1 H3 S1 O2 Cl1", 0, "", nullptr, 0, ""},
    {"TfOH", "C1 F3 S1 O3 H1", 0, "", nullptr, 0, ""},
    {"BzCl", "C7 H5 O1 Cl1", 0, "", nullptr, 0, ""},
    {"PivCl", "C5 H9 O1 Cl1", 0, "", nullptr, 0, ""},
    {"TrCl", "C19 H15 Cl1", 0, "", nullptr, 0, ""},
    {"NbS2", "Nb1 S2", 0, "", nullptr, 0, ""},
    // Oxidation states in brackets.
    {"Cu(II)SO4", nullptr, 0, "error:oxidation-state@2", "Cu1 S1 O4", 0, "iodine"},
    {"Fe(III)Cl3", nullptr, 0, "error:oxidation-state@2", "Fe1 Cl3", 0, ""},
    {"Mn(IV)O2", nullptr, 0, "error:oxidation-state@2", "Mn1 O2", 0, "vanadium"},
    {"Co(II)(NO3)2", nullptr, 0, "error:oxidation-state@2", "Co1 N2 O6", 0, ""},
    {"Cr(VI)O3", nullptr, 0, "error:oxidation-state@2", "Cr1 O3", 0, ""},
    {"Cu(IO3)2", "Cu1 I2 O6", 0, "", nullptr, 0, ""},
    {"Pb(N3)2", "Pb1 N6", 0, "", nullptr, 0, ""},
    // A subscript with nothing before it; letter case.
    {"\u2083H\u2082O", nullptr, 0, "error:leading-subscript@0", nullptr, 0, ""},
    {"\u2082O", nullptr, 0, "error:leading-subscript@0", nullptr, 0, ""},
    {"ch3cooh", nullptr, 0, "error:no-element@0", nullptr, 0, "did you mean 'CH3COOH'?"},
    {"no2", nullptr, 0, "error:no-element@0", nullptr, 0, "did you mean 'NO2'?"},
    {"c2h5oh", nullptr, 0, "error:no-element@0", nullptr, 0, "did you mean 'C2H5OH'?"},
    {"nh4cl", nullptr, 0, "error:no-element@0", nullptr, 0, "did you mean 'NH4Cl'?"},
    {"ch3no2", nullptr, 0, "error:no-element@0", nullptr, 0, "did you mean 'CH3NO2'?"},
    // A comma joining the parts of a salt or hydrate (a decimal comma elsewhere).
    {"FeSO4,7H2O", "Fe1 S1 O5.7 H2", 0, "warning:hydrate-dot@4", "Fe1 S1 O11 H14", 0, "FeSO4*7H2O"},
    {"C20H24N2O2,HCl,2H2O", "C20 H27 N2 O3 Cl0.2", 0, "warning:hydrate-dot@14", "C20 H29 N2 O4 Cl1", 0, ""},
    {"C1,5H3", "C1.5 H3", 0, "", nullptr, 0, "decimal point"},
    // Words in capitals with D or T: a list's compound, or no plausible molecule.
    {"DTT", "[2H]1 [3H]2", 0, "warning:abbreviation@0", "C4 H10 O2 S2", 0, "dithiothreitol"},
    {"TCEP", "C9 H15 O6 P1", 0, "note:abbreviation@0", nullptr, 0, "carboxyethyl"},
    {"NDT", "N1 [2H]1 [3H]1", 0, "warning:abbreviation@0", nullptr, 0, "no plausible molecule"},  // DBE 0.5
    {"HDO", "H1 [2H]1 O1", 0, "", nullptr, 0, ""},
    {"Tris*Xx", nullptr, 0, "error:unknown-element@5", nullptr, 0, ""},
    // Structures: no number.
    {"CC(=O)OC1=CC=CC=C1C(O)=O", nullptr, 0, "error:smiles@0", nullptr, 0, "SMILES"},
    {"CCO", nullptr, 0, "error:smiles@0", nullptr, 0, ""},
    {"c1ccccc1", nullptr, 0, "error:smiles@0", nullptr, 0, ""},
    {"ClC=CCl", nullptr, 0, "error:smiles@0", nullptr, 0, ""},
    {"InChI=1S/C9H8O4/c1-6(10)13-8-5-3-2-4-7(8)9(11)12/h2-5H,1H3,(H,11,12)", nullptr, 0, "error:inchi@0", nullptr, 0,
     "formula layer is C9H8O4"},
    {"BSYNRYMUTXBXSQ-UHFFFAOYSA-N", nullptr, 0, "error:inchi@0", nullptr, 0, "InChIKey"},
    {"O=C=O", "C1 O2", 0, "", nullptr, 0, ""},
    {"Cl3CCCl3", "C2 Cl6", 0, "", nullptr, 0, ""},
    // Charges as RDKit writes them.
    {"C10H12N2+2", "C10 H12 N2", 2, "", nullptr, 0, "charge 2+"},
    {"C6H5O7-3", "C6 H5 O73", 0, "warning:ambiguous-charge@6", "C6 H5 O7", -3, ""},
    // Markup from documents, a Windows line end; deuterated solvents by name.
    {"H<sub>2</sub>O", "H2 O1", 0, "", nullptr, 0, "markup"},
    {"H$_2$O", "H2 O1", 0, "", nullptr, 0, ""},
    {"H~2~O", "H2 O1", 0, "", nullptr, 0, ""},
    {"SO<sub>4</sub><SUP>2-</SUP>", "S1 O4", -2, "", nullptr, 0, ""},
    {"<sup>13</sup>CH4", "[13C]1 H4", 0, "", nullptr, 0, ""},
    {"H2O\r", "H2 O1", 0, "", nullptr, 0, ""},
    {"acetone-d6", "C3 [2H]6 O1", 0, "", nullptr, 0, "C3D6O"},
    {"chloroform-d", "C1 [2H]1 Cl3", 0, "", nullptr, 0, ""},
    {"d8-THF", "C4 [2H]8 O1", 0, "", nullptr, 0, ""},
    {"acetone-d8", nullptr, 0, "error:deuterated@0", nullptr, 0, "has 6"},
    // Buffers by name where the letters are no formula; not a salt or a protein.
    {"Tris", "C4 H11 N1 O3", 0, "", nullptr, 0, "the abbreviation list"},
    {"Tris\u00B7HCl", "C4 H12 N1 O3 Cl1", 0, "", nullptr, 0, ""},
    {"Tris-HCl", "C4 H12 N1 O3 Cl1", 0, "", nullptr, 0, ""},
    {"BSA", nullptr, 0, "error:abbreviation@0", nullptr, 0, "protein"},
    {"Na2EDTA", nullptr, 0, "warning:abbreviation@3", "Na2 C10 H16 N2 O8", 0, ""},
    // Advice that describes the reading made.
    {"PO4 3-", "P1 O43", 0, "warning:joined-digits@2", nullptr, 0, "for the ion write PO4^3-"},
    {"Pt(Ben)Cl2", "Pt1 B1 C2 H8 N2 Cl2", 0, "warning:abbreviation@3", nullptr, 0, "read as B, en "},
    // Plain formulas say nothing.
    {"K4[Fe(CN)6]", "K4 Fe1 C6 N6", 0, "", nullptr, 0, ""},
    {"Mg3(PO4)2", "Mg3 P2 O8", 0, "", nullptr, 0, ""},
    {"(NH4)2SO4", "N2 H8 S1 O4", 0, "", nullptr, 0, ""},
    {"Ca(OH)2", "Ca1 O2 H2", 0, "", nullptr, 0, ""},
    {"CH3COOH", "C2 H4 O2", 0, "", nullptr, 0, ""},
};
// clang-format on

void PrintTo(const Row& r, std::ostream* os) { *os << '"' << r.text << '"'; }

class OtherReadingTest : public testing::TestWithParam<Row> {
 protected:
  static void SetUpTestSuite() { context_ = ShippedContext(); }
  static void TearDownTestSuite() { context_.reset(); }

  static inline std::unique_ptr<Context> context_;
};

const char* const kSeverity[] = {"note", "warning", "error"};

TEST_P(OtherReadingTest, BothReadingsNamed) {
  const Row& row = GetParam();
  const Reading r = Read(*context_, row.text, std::strlen(row.text));
  std::string messages;
  const Diagnostic* flagged = nullptr;
  for (const Diagnostic& d : r.diagnostics) {
    messages += d.message + "\n";
    const std::string said =
        std::string(kSeverity[d.severity]) + ":" + d.code + "@" + std::to_string(d.offset);
    if (said == row.flag) flagged = &d;
  }
  EXPECT_NE(messages.find(row.says), std::string::npos) << messages;
  if (row.flag[0] == '\0') {
    EXPECT_LT(r.Worst(), kWarning) << messages;
  } else {
    ASSERT_NE(flagged, nullptr) << row.flag << " not said:\n" << messages;
  }
  if (row.used == nullptr) {
    EXPECT_FALSE(r.has_value) << messages;
  } else {
    ASSERT_TRUE(r.has_value) << messages;
    EXPECT_EQ(r.charge, row.charge);
    const double used = AtomsByHand(*context_, row.used, row.charge);
    EXPECT_NEAR(r.molar_mass, used, 1e-9 * used);
  }
  if (row.other != nullptr) {
    const double other = AtomsByHand(*context_, row.other, row.other_charge);
    EXPECT_NEAR(flagged->other_mass, other, 1e-9 * other) << flagged->other;
    // The message names both numbers as it prints them.
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.2f g/mol", other);
    EXPECT_NE(flagged->message.find(shown), std::string::npos) << flagged->message;
  } else if (flagged != nullptr) {
    EXPECT_TRUE(std::isnan(flagged->other_mass));
  }
}

INSTANTIATE_TEST_SUITE_P(Pasted, OtherReadingTest, testing::ValuesIn(kRows));

// The abbreviation list's formulas against the molar masses suppliers
// list for the compounds (catalogue values, g/mol, to 0.01).
TEST(AbbreviationList, FormulasMatchCatalogueMasses) {
  auto context = ShippedContext();
  const struct {
    const char* name;
    double mass;
  } kCatalogue[] = {
      // clang-format off
      {"bpy", 156.18}, {"phen", 180.21}, {"terpy", 233.27}, {"cod", 108.18}, {"nbd", 92.14},
      {"dba", 234.30}, {"dppf", 554.39}, {"dppe", 398.42}, {"dppm", 384.40}, {"dppp", 412.45},
      {"tmeda", 116.21}, {"NBS", 177.98}, {"NIS", 224.98}, {"DCC", 206.33}, {"DIC", 126.20},
      {"DBU", 152.24}, {"DMAP", 122.17}, {"DABCO", 112.17}, {"DIPEA", 129.25}, {"TEA", 101.19},
      {"TBAF", 261.47}, {"mCPBA", 172.57}, {"DDQ", 227.00}, {"AIBN", 164.21}, {"PCC", 215.56},
      {"TFA", 114.02}, {"DMSO", 78.13}, {"NMP", 99.13}, {"HMPA", 179.20}, {"HOBt", 135.13},
      {"CDI", 162.15}, {"EDC", 155.25}, {"DCM", 84.93}, {"LDA", 107.12}, {"Tris", 121.14},
      {"HEPES", 238.30}, {"CAPS", 221.32}, {"TAPS", 243.28}, {"Tricine", 179.17}, {"Bicine", 163.17},
      {"DTT", 154.25}, {"TCEP", 250.19}, {"DTNB", 396.35}, {"IPTG", 238.30}, {"PMSF", 174.19},
      {"SDS", 288.38}, {"CHAPS", 614.88}, {"TEMED", 116.21}, {"HATU", 380.23}, {"HBTU", 379.24},
      {"MOPS", 209.26}, {"MES", 195.24}, {"PIPES", 302.37}, {"EDTA", 292.24}, {"EGTA", 380.35},
      // clang-format on
  };
  // A name ends where a symbol may: not before a small letter.
  EXPECT_EQ(context->AcronymAt("Phenol", 6), nullptr);
  EXPECT_NE(context->AcronymAt("Phen)3", 6), nullptr);
  for (const auto& c : kCatalogue) {
    const Abbreviation* a = context->AcronymAt(c.name, std::strlen(c.name));
    ASSERT_NE(a, nullptr) << c.name;
    const Reading r = Read(*context, a->formula.data(), a->formula.size());
    EXPECT_NEAR(r.molar_mass, c.mass, 0.011) << c.name << " " << a->formula;
  }
}

// A suggestion only where its reading is a plausible formula.
TEST(Advice, NoSuggestionOfAnImplausibleReading) {
  auto context = ShippedContext();
  for (const char* text : {"am(no3)3", "sat.", "at"}) {
    const Reading r = Read(*context, text, std::strlen(text));
    for (const Diagnostic& d : r.diagnostics)
      EXPECT_EQ(d.message.find("did you mean"), std::string::npos) << d.message;
  }
}

}  // namespace
}  // namespace formix::toolkit
