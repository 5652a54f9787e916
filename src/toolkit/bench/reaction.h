// reaction.h -- chemical equations: reading them, checking and finding
// their balance, and the amounts of a bench table (limiting reagent,
// equivalents, masses, volumes).
#ifndef FORMIX_TOOLKIT_REACTION_H
#define FORMIX_TOOLKIT_REACTION_H

#include <string>
#include <vector>

#include "formix.h"
#include "toolkit/context/context.h"
#include "toolkit/reading/reading.h"

namespace formix::toolkit {

struct Participant {
  int side = 0;  // 0 reactant, 1 product
  double coefficient = 1.0;
  std::string formula;  // as written, without its coefficient
  Reading reading;
  // Amounts (NaN when unknown).
  double moles, mass, volume, equiv;
  double excess;       // reactants: moles beyond what the limiting reagent uses
  bool given = false;  // its amount was given (mass or moles)
  double given_moles;
  double given_mass;    // g, when the amount was given as a mass (or a volume)
  double given_volume;  // mL, when the amount was given as a volume of the liquid
  double equiv_given;   // --equiv
  double density;       // g/mL
  double conc;          // mol/L
};

// The significant figures of a bench table's amounts.
inline constexpr int kBenchFigures = FORMIX_BENCH_FIGURES;

struct Reaction {
  std::string error;  // "" when fine
  std::vector<Participant> participants;
  std::string balanced;            // the equation as balanced or as read, with coefficients
  int limiting = -1;               // index of the limiting reagent
  std::vector<std::string> notes;  // what reading the amounts did (a decimal comma)
};

// Reads an equation: sides at "=", "->", "→" or "⇌" (with spaces around
// them, or without when the text holds no other '='), participants at "+"
// (with spaces, or without when a digit, capital or bracket follows), a
// leading number or fraction the coefficient.  With `balance` the
// coefficients are found (the smallest whole numbers, exactly); otherwise,
// with `check`, an equation that does not balance in every element and in
// charge is an error naming each difference.
Reaction ReadEquation(const Context& context, const std::string& text, bool balance, bool check);

// Sets an amount: kind 'g' (given: "F=AMOUNT", units g (default), mg, kg,
// mmol, mol), 'e' (equivalents "F=N"), 'd' (density "F=G_PER_ML"), 'c'
// (concentration "F=MOL_PER_L").  F names a participant by its formula as
// written.  False, with the reaction's error set, on a bad assignment.
bool SetAmount(Reaction& reaction, const std::string& assignment, char kind);

// Works out every amount from those set: the limiting reagent is the given
// reactant with the fewest moles per coefficient (with no reactant given,
// the given product sets the scale); a reactant with equivalents has that
// many times the limiting reagent's moles; the others follow the
// coefficients.  False, with the error set, when nothing sets the scale.
bool SolveAmounts(Reaction& reaction);

// The masses of the participants of a balanced reaction (`formulas` with
// `coefficients`) from the mass of participant `known`, as the classic
// ChemEqu works them out: mass / M(known) / coefficient(known), times
// each M and coefficient, all over one context.  `readings` receives each
// formula's reading; a mass is NaN where a reading has no number (all
// others when the known one has no positive molar mass or coefficient).
std::vector<double> ReactionMasses(const Context& context, const std::vector<std::string>& formulas,
                                   const std::vector<double>& coefficients, std::size_t known, double mass,
                                   std::vector<Reading>* readings);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_REACTION_H
