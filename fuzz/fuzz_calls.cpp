// fuzz_calls.cpp -- sequences of exported calls with arguments chosen by
// the input (indexes, counts, references, paths of any length, NULLs where
// the header allows them), so that the functions meet each other's state.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formix32.h"
#include "fuzz_input.h"

namespace {

using formix::fuzz::Input;

// A formula: mostly from a small vocabulary, sometimes raw bytes, or NULL.
std::string FormulaText(Input& in) {
  static const char* const kParts[] = {"H",  "He", "C",  "O",  "Cu", "S", "N", "Fe",   "K",    "Xx", "Ph",
                                       "Me", "Bz", "Sf", "Aa", "(",  ")", "[", "]",    "{",    "}",  "*",
                                       "2",  "5",  ".",  ",",  "-",  "=", " ", "\xD1", "\xF1", "e1"};
  std::string out;
  int parts = in.Int(0, 40);
  for (int i = 0; i < parts; ++i) {
    int pick = in.Int(0, 40);
    if (pick < static_cast<int>(sizeof kParts / sizeof kParts[0])) {
      out += kParts[pick];
    } else {
      out += in.String(8);
    }
  }
  return out;
}

const char* MaybeNull(Input& in, const std::string& s) { return in.Byte() % 8 == 0 ? nullptr : s.c_str(); }

std::string Path(Input& in, const std::vector<std::string>& files) {
  switch (in.Byte() % 4) {
    case 0:
    case 1:
      return files[in.Byte() % files.size()];
    case 2:
      return formix::fuzz::ScratchDir() + "/" + in.String(600);  // any length
    default:
      return std::string(static_cast<std::size_t>(in.Int(250, 260)), 'p');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::string> files;
  if (files.empty()) {
    formix::fuzz::InstallQuietNotifier();
    files = {FORMIX_SOURCE_DATA_DIR "/mass.elt",
             FORMIX_SOURCE_DATA_DIR "/mass.gps",
             formix::fuzz::WriteFile("fuzz.gps", formix::fuzz::kFuzzGroups),
             formix::fuzz::WriteFile("short.elt", "1 H 1.008 2 C 12.011 3 O 15.999\n"),
             formix::fuzz::WriteFile("empty.elt", ""),
             formix::fuzz::ScratchDir(),
             "/nonexistent/mass.elt"};
  }
  Input in(data, size);
  for (int step = 0; step < 64 && !in.empty(); ++step) {
    switch (in.Byte() % 14) {
      case 0: {
        std::string f = FormulaText(in);
        MolarMass(MaybeNull(in, f));
        break;
      }
      case 1: {
        std::string f = FormulaText(in);
        double contributions[200], atoms[200];
        char buffers[200][4];
        char* symbols[200];
        for (int i = 0; i < 200; ++i) symbols[i] = in.Byte() % 16 ? buffers[i] : nullptr;
        int count = 0;
        MolecularMass(MaybeNull(in, f), in.Bool() ? contributions : nullptr, in.Bool() ? atoms : nullptr,
                      in.Bool() ? &count : nullptr, in.Bool() ? symbols : nullptr);
        break;
      }
      case 2:
      case 3: {
        std::string f = FormulaText(in), s = in.String(4);
        if (in.Bool()) {
          NumberOfAtoms(MaybeNull(in, f), MaybeNull(in, s));
        } else {
          PercentOfElement(MaybeNull(in, f), MaybeNull(in, s));
        }
        break;
      }
      case 4: {
        int count = in.Int(0, 6);
        std::vector<std::string> texts(count);
        std::vector<const char*> formulas(count);
        std::vector<double> coefficients(count), masses(count);
        for (int i = 0; i < count; ++i) {
          texts[i] = FormulaText(in);
          formulas[i] = MaybeNull(in, texts[i]);
          coefficients[i] = in.Double();
          masses[i] = in.Double();
        }
        int reference = in.Bool() ? in.Int(-2, count + 1) : in.AnyInt();
        ChemEqu(in.Byte() % 16 ? formulas.data() : nullptr, in.Byte() % 16 ? coefficients.data() : nullptr,
                in.Byte() % 16 ? masses.data() : nullptr, reference, count);
        break;
      }
      case 5: {
        bool own_list = in.Bool();
        int count = own_list ? in.Int(0, 6) : in.Int(0, 260);
        std::vector<std::string> texts(count);
        std::vector<const char*> formulas(count);
        std::vector<double> fractions(count), ratios(count);
        for (int i = 0; i < count; ++i) {
          if (own_list) texts[i] = FormulaText(in);
          formulas[i] = MaybeNull(in, texts[i]);
          fractions[i] = in.Double();
        }
        int reference = in.Bool() ? in.Int(-2, count + 1) : in.AnyInt();
        GetFormula(own_list ? formulas.data() : nullptr, in.Byte() % 16 ? fractions.data() : nullptr, count,
                   reference, in.Double(), in.Byte() % 16 ? ratios.data() : nullptr);
        break;
      }
      case 6:
        if (ElementsInTable() > 200 || GroupsInTable() > 49) __builtin_trap();
        break;
      case 7: {
        char buffer[4];
        if (GetElement(in.Byte() % 16 ? buffer : nullptr, in.AnyInt()) == buffer && std::strlen(buffer) > 3) {
          __builtin_trap();
        }
        break;
      }
      case 8: {
        char buffer[256];
        if (in.Bool()) {
          GetMassesFile(in.Byte() % 16 ? buffer : nullptr);
        } else {
          GetGroupsFile(in.Byte() % 16 ? buffer : nullptr);
        }
        break;
      }
      case 9:
      case 10: {
        std::string path = Path(in, files);
        const char* p = in.Byte() % 16 ? path.c_str() : nullptr;
        int result = in.Bool() ? SetNewMassesFile(p) : SetNewGroupsFile(p);
        if (result != 0 && result != 1) __builtin_trap();
        break;
      }
      case 11: {
        const char* list[] = {"H", nullptr, "He", "C", ""};
        std::string token = in.String(4);
        ChemIndex(in.Byte() % 16 ? list : nullptr, MaybeNull(in, token), in.Int(-2, 5));
        break;
      }
      case 12:
        SetNotifier(in.Bool() ? &formix::fuzz::CheckMessage : nullptr, &formix::fuzz::IgnoreBeep, nullptr);
        if (in.Bool()) formix::fuzz::InstallQuietNotifier();
        break;
      default: {
        // A formula at and around the working text's limit.
        std::string f(static_cast<std::size_t>(in.Int(190, 230)), "H(*2"[in.Byte() % 4]);
        MolarMass(f.c_str());
        break;
      }
    }
  }
  formix::fuzz::InstallQuietNotifier();
  return 0;
}
