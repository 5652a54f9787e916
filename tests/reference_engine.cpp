// reference_engine.cpp -- the formula rules written out literally.
#include "reference_engine.h"

#include <cstdlib>

namespace formix::test {
namespace {

const refdata::Tables& T() { return refdata::Current(); }

bool Capital(char c) { return c >= 'A' && c <= 'Z'; }
bool Small(char c) { return c >= 'a' && c <= 'z'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }
bool Opening(char c) { return c == '(' || c == '[' || c == '{'; }
bool Closing(char c) { return c == ')' || c == ']' || c == '}'; }

// The decimal conversion from a digit or '.': the longest prefix of digits,
// an optional '.' and digits, and an exponent with at least one digit.
double Number(const std::string& s, std::size_t at) {
  std::size_t i = at;
  std::string digits;
  while (i < s.size() && Digit(s[i])) digits += s[i++];
  std::string fraction;
  bool point = i < s.size() && s[i] == '.';
  if (point) {
    ++i;
    while (i < s.size() && Digit(s[i])) fraction += s[i++];
  }
  if (digits.empty() && fraction.empty()) return 0.0;
  std::string text = (digits.empty() ? "0" : digits) + "." + (fraction.empty() ? "0" : fraction);
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    std::string exponent;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    std::string exponent_digits;
    while (j < s.size() && Digit(s[j])) exponent_digits += s[j++];
    if (!exponent_digits.empty()) text += "e" + exponent + exponent_digits;
  }
  return std::strtod(text.c_str(), nullptr);  // the test process keeps the C locale
}

double Factor(const std::string& s, std::size_t at) {
  return at < s.size() && (Digit(s[at]) || s[at] == '.') ? Number(s, at) : 1.0;
}

void TooComplex(const std::string& text, ReferenceResult* r) {
  r->events.push_back(Message(TooComplexText(text), kAnalysisCaption));
}

// Returns the position of the group name's first acceptable occurrence.
std::size_t FindName(const std::string& text, const std::string& name) {
  std::size_t start = 0;
  for (;;) {
    std::size_t found = text.find(name, start);
    if (found == std::string::npos) return found;
    std::size_t after = found + name.size();
    if (after >= text.size() || !Small(text[after])) return found;
    start = found + 1;
    if (start >= text.size()) return std::string::npos;
  }
}

}  // namespace

ReferenceResult ReferenceMolecularMass(const std::string& formula) {
  ReferenceResult r;
  const int n = T().element_count;
  std::string text = formula;
  if (text.size() > 219) {
    TooComplex(text.substr(0, 219), &r);
    text.clear();
  }
  for (char& c : text) {
    if (c == '\xF1')
      c = 'c';
    else if (c == '\xD1')
      c = 'C';
    else if (c == ',')
      c = '.';
  }
  for (std::size_t at; (at = text.find(' ')) != std::string::npos;) text.erase(at, 1);
  for (bool again = true; again;) {
    again = false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      char next = text[i + 1];
      if ((text[i] == '-' || text[i] == '=') && (Capital(next) || Digit(next) || next == '.')) {
        text.erase(i, 1);
        again = true;
        break;
      }
    }
  }
  bool abandoned = false;
  for (int pass = 0; !abandoned; ++pass) {
    int replaced = 0;
    for (int g = 1; g <= T().group_count && !abandoned; ++g) {
      std::string name = T().group_names[g];
      std::string body = T().group_formulas[g];
      std::size_t at = FindName(text, name);
      if (at == std::string::npos) continue;
      ++replaced;
      std::size_t length = text.size() - name.size() + body.size() + 2;
      if (length >= 200) TooComplex(text, &r);
      if (length > 219) {
        abandoned = true;
        break;
      }
      text = text.substr(0, at) + "(" + body + ")" + text.substr(at + name.size());
    }
    if (replaced == 0) break;
    if (!abandoned && pass == 1000) {
      TooComplex(text, &r);
      abandoned = true;
    }
  }
  if (abandoned) text.clear();

  r.atoms.assign(n, 0.0);
  r.contributions.assign(200, 0.0);
  for (std::size_t p = 0; p < text.size(); ++p) {
    if (!Capital(text[p])) continue;
    std::size_t q = p + 1;
    while (q < text.size() && Small(text[q])) ++q;
    std::string symbol = text.substr(p, q - p);
    int index = -1;
    for (int i = 0; i < n && index < 0; ++i) {
      if (symbol == T().symbols[i]) index = i;
    }
    if (index < 0) {
      r.events.push_back(Beep());
      r.events.push_back(Beep());
      r.events.push_back(Message(UnknownElementText(symbol), kInputCaption));
    }
    double m = Factor(text, 0) * Factor(text, q);
    int depth = 0;
    bool open = true;
    for (std::size_t back = p; back-- > 1;) {
      char c = text[back];
      if (Opening(c)) {
        if (depth > 0)
          --depth;
        else
          open = true;
      } else if (Closing(c)) {
        ++depth;
      } else if (c == '*' && depth == 0 && open) {
        m = Factor(text, back + 1) * m;
        open = false;
      }
    }
    depth = 0;
    for (std::size_t fwd = p; fwd < text.size(); ++fwd) {
      char c = text[fwd];
      if (Opening(c)) {
        ++depth;
      } else if (Closing(c)) {
        if (depth > 0)
          --depth;
        else
          m = Factor(text, fwd + 1) * m;
      }
    }
    if (index >= 0) {
      double mass = T().masses[index];
      r.mass = m * mass + r.mass;
      r.atoms[index] = m + r.atoms[index];
      r.contributions[index] = m * mass + r.contributions[index];
    }
  }
  return r;
}

}  // namespace formix::test
