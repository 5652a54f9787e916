// Solutions and dilutions: quantities in every unit against their values
// in base units, the three ways round of a solution and dilutions worked
// by hand (m = c V M, C1 V1 = C2 V2), and the input refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "shipped_context.h"
#include "toolkit/bench/solution.h"

namespace formix::toolkit {
namespace {

TEST(Solution, QuantitiesInTheirUnits) {
  const struct {
    const char* text;
    Quantity kind;
    double value;
  } cases[] = {
      {"50 mM", Quantity::kAmountConcentration, 0.05},
      {"50mM", Quantity::kAmountConcentration, 0.05},
      {" 2.5 M ", Quantity::kAmountConcentration, 2.5},
      {"50 \xC2\xB5M", Quantity::kAmountConcentration, 5e-5},  // micro sign
      {"50 \xCE\xBCM", Quantity::kAmountConcentration, 5e-5},  // Greek mu
      {"50 uM", Quantity::kAmountConcentration, 5e-5},
      {"5 nM", Quantity::kAmountConcentration, 5e-9},
      {"1 mol/L", Quantity::kAmountConcentration, 1},
      {"250 mmol/L", Quantity::kAmountConcentration, 0.25},
      {"2 g/L", Quantity::kMassConcentration, 2},
      {"5 mg/mL", Quantity::kMassConcentration, 5},
      {"10 \xC2\xB5g/mL", Quantity::kMassConcentration, 0.01},
      {"2 % w/v", Quantity::kMassConcentration, 20},
      {"0.9 % (w/v)", Quantity::kMassConcentration, 9},
      {"10 ppm", Quantity::kMassConcentration, 0.01},
      {"10 ppb", Quantity::kMassConcentration, 1e-5},
      {"5 mg/L", Quantity::kMassConcentration, 0.005},
      {"5 ng/mL", Quantity::kMassConcentration, 5e-6},
      {"3 pM", Quantity::kAmountConcentration, 3e-12},
      {"37 % w/w", Quantity::kMassFraction, 0.37},
      {"37 wt%", Quantity::kMassFraction, 0.37},
      {"100 mL", Quantity::kVolume, 0.1},
      {"250 \xC2\xB5L", Quantity::kVolume, 2.5e-4},
      {"1e3 mL", Quantity::kVolume, 1},
      {"1.5 L", Quantity::kVolume, 1.5},
      {"100 ml", Quantity::kVolume, 0.1},
      {"0.1 mol/l", Quantity::kAmountConcentration, 0.1},
      {"0.1 mol dm-3", Quantity::kAmountConcentration, 0.1},
      {"5 mg/ml", Quantity::kMassConcentration, 5},
      {"20 nL", Quantity::kVolume, 2e-8},
      {"20 cm3", Quantity::kVolume, 0.02},
      {"2 kg", Quantity::kMass, 2000},
      {"20 mg", Quantity::kMass, 0.02},
      {"1.2484 g", Quantity::kMass, 1.2484},
      {"1.18 g/mL", Quantity::kDensity, 1180},
      {"1.18 g/cm3", Quantity::kDensity, 1180},
      {"1.18 kg/L", Quantity::kDensity, 1180},
      // SI exponents and products as typed; clinical units (1 mg/dL = 10 mg/L).
      {"1 mmol L-1", Quantity::kAmountConcentration, 1e-3},
      {"2 mg\xC2\xB7mL\xE2\x81\xBB\xC2\xB9", Quantity::kMassConcentration, 2},  // mg·mL⁻¹
      {"2 mg mL^-1", Quantity::kMassConcentration, 2},
      {"3 mg / mL", Quantity::kMassConcentration, 3},
      {"1.18 g cm-3", Quantity::kDensity, 1180},
      {"90 mg/dL", Quantity::kMassConcentration, 0.9},
      {"14 g/dL", Quantity::kMassConcentration, 140},
      // A decimal comma where it cannot separate thousands.
      {"0,5 M", Quantity::kAmountConcentration, 0.5},
      {"2,25 mL", Quantity::kVolume, 2.25e-3},
      {"1,5 L", Quantity::kVolume, 1.5},
  };
  for (const auto& c : cases) {
    Measure m;
    EXPECT_EQ(ReadMeasure(c.text, "the quantity", {c.kind}, &m), "") << c.text;
    EXPECT_EQ(m.kind, c.kind) << c.text;
    EXPECT_NEAR(m.value, c.value, c.value * 1e-15) << c.text;
    EXPECT_EQ(m.note.empty(), std::string(c.text).find(',') == std::string::npos) << c.text;
  }
  const struct {
    const char* text;
    const char* says;
  } bad[] = {
      {"50", "has no unit; write one of"},
      {"-1 M", "must be more than 0"},
      {"0 M", "must be more than 0"},
      {"nan M", "not a finite number"},
      {"inf M", "not a finite number"},
      {"50 %", "ambiguous"},
      {"5 furlongs", "'furlongs' is not known"},
      {"", "does not start with a number"},
      {"M", "does not start with a number"},
      {"1e400 M", "does not start with a number"},
      {"+5 M", "does not start with a number"},
      {"5 mm", "'mm' is not known"},  // a millimetre, not mM
      {"1,000 M", "may separate thousands (1000) or decimals (1.000)"},
      {"1,5,2 M", "may separate thousands"},
      {"0.1 N", "normality"},
      {"5 mEq/L", "normality"},
  };
  for (const auto& b : bad) {
    Measure m;
    const std::string error = ReadMeasure(b.text, "the concentration",
                                          {Quantity::kAmountConcentration, Quantity::kMassConcentration}, &m);
    EXPECT_NE(error.find(b.says), std::string::npos) << b.text << ": " << error;
  }
}

// Every quantity the bench writes reads back: each printed unit of each
// kind, at values across it and at its boundaries.
TEST(Solution, WhatIsPrintedReadsBack) {
  for (Quantity kind : {Quantity::kMass, Quantity::kAmount, Quantity::kVolume, Quantity::kAmountConcentration,
                        Quantity::kMassConcentration}) {
    for (double v = 1.234e-15; v < 1e4; v *= 7.3) {
      for (double x : {v, 0.99999 * v, 1000 * v / 1000.4}) {
        const std::string text = QuantityText(x, kind, 4);
        Measure m;
        ASSERT_EQ(ReadMeasure(text, "the value", {kind}, &m), "") << text;
        EXPECT_NEAR(m.value, x, 5e-4 * x) << text;
      }
    }
  }
}

TEST(Solution, TheThirdFromTheOtherTwo) {
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  const double m_cuso4 = AtomsByHand(*context, "Cu1 S1 O9 H10");  // CuSO4·5H2O
  const double m_hcl = AtomsByHand(*context, "H1 Cl1");
  const struct {
    const char* formula;
    const char *conc, *volume, *mass, *purity, *density;
    const char* solved;
    double grams, molar, litres;
  } cases[] = {
      {"CuSO4\xC2\xB7"
       "5H2O",
       "50 mM", "100 mL", "", "", "", "mass", 0.05 * 0.1 * m_cuso4, 0.05, 0.1},
      {"CuSO4*5H2O", "", "100 mL", "1.2484 g", "", "", "conc", 1.2484, 1.2484 / m_cuso4 / 0.1, 0.1},
      {"CuSO4*5H2O", "50 mM", "", "1.2484 g", "", "", "volume", 1.2484, 0.05, 1.2484 / m_cuso4 / 0.05},
      // By mass concentration: 5 mg/mL x 20 mL = 100 mg, at 98 %: 100 / 0.98 mg.
      {"CuSO4*5H2O", "5 mg/mL", "20 mL", "", "98 %", "", "mass", 0.1 / 0.98, 5 / m_cuso4, 0.02},
      {"CuSO4*5H2O", "5 mg/mL", "20 mL", "", "0.98", "", "mass", 0.1 / 0.98, 5 / m_cuso4, 0.02},
      // 37 % HCl: 1 M x 0.5 L x M / 0.37 grams of the acid as supplied.
      {"HCl", "1 M", "500 mL", "", "37 %", "1.18 g/mL", "mass", 0.5 * m_hcl / 0.37, 1, 0.5},
      // 5 mL of a liquid of 1.18 g/mL, pure, to 1 L.
      {"HCl", "", "1 L", "5 mL", "", "1.18 g/mL", "conc", 5.9, 5.9 / m_hcl, 1},
      // 70 % v/v ethanol: 70 mL in 100 mL, 70 x 0.789 g; without its density refused (below).
      {"C2H5OH", "70 % v/v", "100 mL", "", "", "0.789 g/mL", "mass", 70 * 0.789,
       70 * 0.789 / AtomsByHand(*context, "C2 H6 O1") / 0.1, 0.1},
  };
  for (const auto& c : cases) {
    const Solution s = MakeSolution(*context, c.formula, c.conc, c.volume, c.mass, c.purity, c.density, "");
    ASSERT_EQ(s.error, "") << c.formula << " " << c.solved;
    EXPECT_EQ(s.solved, c.solved);
    EXPECT_NEAR(s.mass, c.grams, c.grams * 1e-12) << c.formula << " " << c.solved;
    EXPECT_NEAR(s.conc, c.molar, c.molar * 1e-12) << c.formula << " " << c.solved;
    EXPECT_NEAR(s.volume, c.litres, c.litres * 1e-12) << c.formula << " " << c.solved;
  }
  EXPECT_NE(
      MakeSolution(*context, "C2H5OH", "70 % v/v", "100 mL", "", "", "", "").error.find("need its density"),
      std::string::npos);
  const Solution hcl = MakeSolution(*context, "HCl", "1 M", "500 mL", "", "37 %", "1.18 g/mL", "");
  EXPECT_NEAR(hcl.liquid_volume, 0.5 * m_hcl / 0.37 / 1180, 1e-15);
  EXPECT_EQ(hcl.line,
            "Measure 41.75 mL (49.27 g) of HCl (37 %, 1.18 g/mL, 36.46 g/mol) and dilute with water to "
            "500.0 mL (1.000 M).");
  EXPECT_EQ(MakeSolution(*context,
                         "CuSO4\xC2\xB7"
                         "5H2O",
                         "50 mM", "100 mL", "", "", "", "")
                .line,
            "Dissolve 1.248 g of CuSO4\xC2\xB7"
            "5H2O (249.68 g/mol) in water to 100.0 mL (50.00 mM).");
  EXPECT_EQ(MakeSolution(*context, "NaCl", "154 mM", "1 L", "", "", "", "D2O").line,
            "Dissolve 9.000 g of NaCl (58.44 g/mol) in D2O to 1.000 L (154.0 mM).");
  // A purity printed to four figures at most; a density given as a mass concentration (1180 g/L).
  EXPECT_NE(
      MakeSolution(*context, "NaCl", "1 mM", "1 L", "", "0.0000001", "", "").line.find("(1e-05 %, 58.44"),
      std::string::npos);
  EXPECT_NEAR(MakeSolution(*context, "NaCl", "1 M", "1 L", "", "", "1180 g/L", "").liquid_volume,
              AtomsByHand(*context, "Na1 Cl1") / 1180, 1e-15);

  const struct {
    const char *formula, *conc, *volume, *mass, *purity, *density;
    const char* says;
  } bad[] = {
      {"NaCl", "1 M", "1 L", "5 g", "", "", "give two of"},
      {"NaCl", "1 M", "", "", "", "", "give two of"},
      {"NaCl", "1 mL", "1 L", "", "", "", "'1 mL' is a volume"},
      {"NaCl", "1 M", "1 g", "", "", "", "'1 g' is a mass"},
      {"NaCl", "37 % w/w", "1 L", "", "", "", "is a mass fraction"},
      {"NaCl", "", "1 L", "5 mL", "", "", "'5 mL' is a volume"},
      {"NaCl", "1 M", "1 L", "", "98", "", "above 1"},
      {"NaCl", "1 M", "1 L", "", "0 %", "", "more than 0 and at most 100 %"},
      {"NaCl", "1 M", "1 L", "", "101 %", "", "more than 0 and at most 100 %"},
      {"Xx", "1 M", "1 L", "", "", "", "has no molar mass"},
      {"NaCl", "1e300 M", "1e300 L", "", "", "", "out of range"},
      // Far from any bench: the amounts react takes, 1e-15 to 1e9 mol; densities of liquids and solids.
      {"NaCl", "1e-300 M", "1 L", "", "", "", "holds 1e-300 mol"},
      {"NaCl", "1000 M", "1e7 L", "", "", "", "holds 1e+10 mol"},
      {"NaCl", "1 M", "1 L", "", "", "5 ppm", "no density of a liquid or solid"},
      {"NaCl", "1 M", "1 L", "", "", "26 g/mL", "no density of a liquid or solid"},
  };
  for (const auto& b : bad) {
    const Solution s = MakeSolution(*context, b.formula, b.conc, b.volume, b.mass, b.purity, b.density, "");
    EXPECT_NE(s.error.find(b.says), std::string::npos) << b.conc << " " << b.volume << ": " << s.error;
    EXPECT_EQ(s.line, "");
  }
}

TEST(Solution, Dilutions) {
  auto context = ShippedContext();
  ASSERT_TRUE(context);
  const double m_hcl = AtomsByHand(*context, "H1 Cl1");
  const double m_nacl = AtomsByHand(*context, "Na1 Cl1");
  const double m_ethanol = AtomsByHand(*context, "C2 H6 O1");
  const struct {
    const char *formula, *stock, *conc, *volume, *density;
    double stock_litres;
  } cases[] = {
      {"", "12 M", "1 M", "500 mL", "", 0.5 / 12},
      {"", "10 mg/mL", "1 mg/mL", "10 mL", "", 0.001},
      {"", "1 M", "1 M", "10 mL", "", 0.01},  // the stock as it is
      {"NaCl", "5 M", "9 g/L", "1 L", "", 9 / m_nacl / 5},
      {"NaCl", "100 mg/mL", "154 mM", "1 L", "", 0.154 * m_nacl / 100},
      {"HCl", "37 % w/w", "1 M", "500 mL", "1.18 g/mL", 0.5 * m_hcl / (0.37 * 1180)},
      // Volume fractions: between themselves by ratio; to and from molarity with the pure liquid's density.
      {"", "96 % v/v", "70 % v/v", "100 mL", "", 0.1 * 70 / 96},
      {"C2H6O", "96 % v/v", "1 M", "100 mL", "0.789 g/mL", 0.1 * m_ethanol / (0.96 * 789)},
      {"C2H6O", "1 M", "5 % v/v", "100 mL", "0.789 g/mL", 0.1 * 0.05 * 789 / m_ethanol},
  };
  for (const auto& c : cases) {
    const Dilution d = MakeDilution(*context, c.formula, c.stock, c.conc, c.volume, c.density, "");
    ASSERT_EQ(d.error, "") << c.stock;
    EXPECT_NEAR(d.stock_volume, c.stock_litres, c.stock_litres * 1e-12) << c.stock;
    EXPECT_NEAR(d.solvent_volume, d.volume - c.stock_litres, 1e-12) << c.stock;
  }
  EXPECT_EQ(MakeDilution(*context, "", "12 M", "1 M", "500 mL", "", "").line,
            "Dilute 41.67 mL of the 12 M stock with 458.3 mL of water to 500.0 mL (1.000 M).");
  EXPECT_EQ(MakeDilution(*context, "", "96 % v/v", "70 % v/v", "100 mL", "", "").line,
            "Dilute 72.92 mL of the 96 % v/v stock with 27.08 mL of water to 100.0 mL (70.00 % v/v).");

  const struct {
    const char *formula, *stock, *conc, *volume, *density;
    const char* says;
  } bad[] = {
      {"", "1 M", "2 M", "1 L", "", "cannot make a solution stronger than its stock"},
      {"NaCl", "1 g/L", "1 M", "1 L", "", "cannot make a solution stronger"},
      {"", "10 mg/mL", "1 M", "1 L", "", "converting needs the formula"},
      {"HCl", "37 % w/w", "1 M", "1 L", "", "needs its density"},
      {"HCl", "137 % w/w", "1 M", "1 L", "1.18 g/mL", "above 100 % w/w"},
      {"", "1 M", "0.5 M", "1 L", "1 g/mL", "only for a stock in % w/w"},
      {"", "1 M", "37 % w/w", "1 L", "", "is a mass fraction"},
      {"", "1 M", "0.5 M", "-1 L", "", "must be more than 0"},
      {"", "1 M", "0.5 M", "1 M", "", "is an amount concentration"},
      {"", "1 M", "1e-300 M", "1 L", "", "give volumes from 1 pL to 1000 m3"},
      {"", "1 M", "0.5 M", "1e7 L", "", "give volumes from 1 pL to 1000 m3"},
      {"HCl", "37 % w/w", "1 M", "1 L", "5 ppm", "no density of a liquid or solid"},
      {"C2H6O", "96 % v/v", "1 M", "1 L", "", "density of the pure liquid"},
      {"C2H6O", "40 % w/w", "10 % v/v", "1 L", "0.94 g/mL", "needs two densities"},
      {"", "50 % v/v", "70 % v/v", "1 L", "", "stronger than its stock"},
  };
  for (const auto& b : bad) {
    const Dilution d = MakeDilution(*context, b.formula, b.stock, b.conc, b.volume, b.density, "");
    EXPECT_NE(d.error.find(b.says), std::string::npos) << b.stock << " " << b.conc << ": " << d.error;
    EXPECT_EQ(d.line, "");
  }
}

}  // namespace
}  // namespace formix::toolkit
