// context.h -- the context room's door: what a toolkit context holds: its element and group tables,
// read by the engine's reader, and the list of element symbols that are
// also common abbreviations.  Read-only once made.
#ifndef FORMIX_TOOLKIT_CONTEXT_H
#define FORMIX_TOOLKIT_CONTEXT_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "refdata/tables.h"

namespace formix::toolkit {

// A text chemists write as an abbreviation in formulas: an element symbol
// (Ac acetyl) or a text that is no symbol (bpy, Cp*, NBS).
struct Abbreviation {
  std::string symbol;     // as in formulas
  std::string element;    // the element's name; "-" when it is no element symbol
  std::string meaning;    // what the abbreviation stands for
  std::string formula;    // its formula, or "" where it has no one formula
  bool compound = false;  // a whole compound (a reagent, solvent or buffer), not a part of one
};

// A natural isotope (isotopes.txt).
struct Isotope {
  int mass_number;
  double mass;       // u, neutral atom
  double abundance;  // mole fraction; NaN for an element with no stable isotope
};

// An adduct ion (adducts.txt): multiplier x M + added - removed, charge.
struct Adduct {
  std::string name;
  int multiplier;
  std::string added, removed;
  int charge;
};

// The element counts of an adduct's `added` and `removed` as read (isotope
// labels under "element/mass number").
struct AdductCounts {
  std::map<std::string, double> added, removed;
};

// A solvent a sample may hold (for solvate fits).
struct Solvent {
  std::string name;
  std::string formula;
};

// A residue of a peptide or nucleic acid chain (residues.txt).
struct Residue {
  std::string kind;   // "protein", "dna" or "rna"
  std::string code;   // "A"; a longer code is written in brackets: [pS]
  std::string three;  // a protein residue's three-letter code, or ""
  std::string name;
  std::string formula;  // the residue as it stands in a chain
};

struct Context {
  refdata::Tables tables;  // the engine's tables, never the module's
  std::string masses_file, groups_file;
  std::vector<std::string> symbols;  // UTF-8 forms of the table's strings
  // Slot i: the place of symbols[i] in alphabetical order (equal symbols,
  // equal places), for Hill formulas.
  std::vector<int> symbol_places;
  // Slot i: 'C' or 'H' for a symbol C or H (first in Hill's order when the
  // formula holds carbon), else 0.
  std::vector<char> carbon_or_hydrogen;
  std::vector<std::string> group_names, group_formulas;
  std::vector<Abbreviation> abbreviations;  // element symbols
  // The other abbreviations (ligands, protecting groups, reagents) that
  // are no group name of the tables, each under every form it matches
  // (bpy and Bpy), longest first.
  std::vector<Abbreviation> acronyms;
  // The acronyms that start with the bytes a, b (ASCII): `acronyms` from
  // index acronym_first[a][b] - 1 on, while the first two bytes match
  // (0: none).  `acronyms` is sorted by those bytes, longest first.
  std::uint8_t acronym_first[128][128] = {};
  // The first two bytes of the group names that start with a small letter
  // (en, py): only where such a pair stands can a capital and small letters
  // be a symbol and a group name run together (Bpy).
  bool small_group_starts[128][128] = {};
  // The symbols of one capital and at most one small letter among the
  // abbreviations, [capital - 'A'][0 or small - 'a' + 1], set with them.
  bool short_abbreviations[26][27] = {};
  // [capital - 'A'][the byte after it]: a symbol starting there is neither
  // an isotope label, nor CC, nor an abbreviation, nor an acronym's start,
  // if it is the capital alone or the capital and that small letter (set
  // from the tables above, for the plain shortcut).
  bool plain_symbol_starts[26][256] = {};
  std::vector<Solvent> solvents;
  std::map<std::string, std::vector<Isotope>> isotopes;  // by element symbol
  std::vector<Adduct> adducts;
  std::vector<Residue> residues;
  // Their counts, read with the list (each formula checked as it is read).
  std::vector<AdductCounts> adduct_counts;
  // The library's own lists as opened ("" when found nowhere), by name.
  std::map<std::string, std::string> list_files;
  std::string lists_folder;  // the folder the lists were named in ("": found beside the library)
  // Lines of the data files refused, and values of the tables no formula
  // can use: "isotopes.txt:12: the mass 'nan' is not a positive number".
  std::vector<std::string> problems;
  // Element i of the table has a mass that is no positive finite number:
  // a formula that holds it has no number.
  std::vector<bool> unusable_masses;

  const Abbreviation* FindAbbreviation(const char* symbol, std::size_t length) const;
  // Whether text[0..length) is an element symbol or a group name of the
  // tables (else a capital and small letters are read as several).
  bool IsSymbolOrGroup(const char* text, std::size_t length) const;
  // The longest acronym that stands at text[0..length) (not followed by a
  // small letter), or NULL.
  const Abbreviation* AcronymAt(const char* text, std::size_t length) const;
  // Whether the formula symbol (a capital and `length` - 1 small letters)
  // is an abbreviation: one look-up for the short ones.
  bool IsAbbreviation(const char* symbol, std::size_t length) const {
    if (length == 1) return short_abbreviations[symbol[0] - 'A'][0];
    if (length == 2) return short_abbreviations[symbol[0] - 'A'][symbol[1] - 'a' + 1];
    return FindAbbreviation(symbol, length) != nullptr;
  }
};

// Isotopes are keyed by element symbol ("C": the most abundant) or by
// "element/mass number" for a label ("C/13").  The key of a symbol as
// written: "[13C]" -> "C/13", "D" -> "H/2", "T" -> "H/3", "C" -> "C".
std::string IsotopeKey(const std::string& symbol);
// The isotope of a key, or NULL.
const Isotope* IsotopeOfKey(const Context& context, const std::string& key);
// Monoisotopic and nominal mass of counts by key; false when a key has no
// isotope data (it is then in `missing`).
bool IsotopeMasses(const Context& context, const std::map<std::string, double>& counts, double* mono,
                   double* nominal, std::string* missing);
// The default file names.
inline constexpr char kMassesFile[] = FORMIX_DEFAULT_MASSES_FILE;
inline constexpr char kGroupsFile[] = FORMIX_DEFAULT_GROUPS_FILE;
inline constexpr char kAbbreviationsFile[] = "abbrev.txt";
inline constexpr char kSolventsFile[] = "solvents.txt";
inline constexpr char kIsotopesFile[] = "isotopes.txt";
inline constexpr char kAdductsFile[] = "adducts.txt";
inline constexpr char kResiduesFile[] = "residues.txt";

// How the formulas of the lists are read: by the reader, which this room
// does not know; reading/ makes every context with its own (MakeContext).
struct ListFormulaReader {
  // Whether a formula is written as a chain (peptide(...), dna(...),
  // rna(...)): no list formula may be one, so that reading stays one level
  // deep (a residue could name itself).
  bool (*is_chain)(const std::string& formula);
  // Why a formula of the adduct list is none of the element table ("":
  // it is one, or empty), its counts into `*counts`.
  std::string (*read)(const Context& context, const std::string& formula,
                      std::map<std::string, double>* counts);
};

// Loads a context, its lists from the folder `lists` (NULL: found beside
// the library, refdata::OpenLibraryFile), their formulas read by `reader`; `status`
// receives an enum formix_status value.  The paths are UTF-8 (converted to
// the engine's Windows-1251 path settings byte for byte: paths are bytes
// to the file system).
std::unique_ptr<Context> LoadContext(const char* masses, const char* groups, const char* lists,
                                     const ListFormulaReader& reader, int* status);

// Parses the abbreviation list: one entry a line, the text, the element
// name ('-' for none), the meaning and optionally a formula, separated by
// tabs; '#' starts a comment line; blank lines are skipped, as are lines
// with fewer than three fields.
std::vector<Abbreviation> ParseAbbreviations(const std::string& content);

// The fields of each line of a tab-separated list with at least `fields`
// fields ('#' comment lines and blank lines skipped; CR LF accepted; a
// UTF-8 byte order mark at the start passed over), with its line number.
struct TabLine {
  std::size_t line;
  std::vector<std::string> fields;
};
std::vector<TabLine> ParseTabLines(const std::string& content, std::size_t fields);

}  // namespace formix::toolkit

#endif  // FORMIX_TOOLKIT_CONTEXT_H
