// cmd_pattern.cpp -- formix pattern: the isotope pattern of a formula, as a
// table, JSON, and an SVG stick plot for a report.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

// A stick plot: m/z across, relative intensity up, the tallest peaks named.
std::string Svg(const std::string& title, const std::vector<std::pair<double, double>>& peaks,
                int precision) {
  const double width = 640, height = 360, left = 60, right = 20, top = 40, bottom = 50;
  double lo = peaks.front().first, hi = peaks.back().first;
  const double pad = std::max(1.0, (hi - lo) * 0.05);
  lo -= pad;
  hi += pad;
  auto x = [&](double mz) { return left + (mz - lo) / (hi - lo) * (width - left - right); };
  auto y = [&](double i) { return height - bottom - i / 100.0 * (height - top - bottom); };
  std::string s =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"360\" viewBox=\"0 0 640 360\" "
      "font-family=\"sans-serif\" font-size=\"11\">\n<rect width=\"640\" height=\"360\" fill=\"white\"/>\n";
  s += "<text x=\"320\" y=\"22\" text-anchor=\"middle\" font-size=\"14\">" + Escape(title) + "</text>\n";
  s += "<line x1=\"" + Fixed(left, 1) + "\" y1=\"" + Fixed(y(0), 1) + "\" x2=\"" + Fixed(width - right, 1) +
       "\" y2=\"" + Fixed(y(0), 1) + "\" stroke=\"black\"/>\n";
  s += "<line x1=\"" + Fixed(left, 1) + "\" y1=\"" + Fixed(y(0), 1) + "\" x2=\"" + Fixed(left, 1) +
       "\" y2=\"" + Fixed(y(100), 1) + "\" stroke=\"black\"/>\n";
  for (int t = 0; t <= 100; t += 25) {
    s += "<text x=\"" + Fixed(left - 6, 1) + "\" y=\"" + Fixed(y(t) + 4, 1) + "\" text-anchor=\"end\">" +
         std::to_string(t) + "</text>\n";
  }
  s += "<text x=\"320\" y=\"" + Fixed(height - 12, 1) + "\" text-anchor=\"middle\">m/z</text>\n";
  s += "<text x=\"16\" y=\"" + Fixed((top + height - bottom) / 2, 1) +
       "\" text-anchor=\"middle\" transform=\"rotate(-90 16 " + Fixed((top + height - bottom) / 2, 1) +
       ")\">relative intensity (%)</text>\n";
  for (const auto& [mz, intensity] : peaks) {
    s += "<line x1=\"" + Fixed(x(mz), 2) + "\" y1=\"" + Fixed(y(0), 2) + "\" x2=\"" + Fixed(x(mz), 2) +
         "\" y2=\"" + Fixed(y(intensity), 2) + "\" stroke=\"#1f4e9a\" stroke-width=\"2\"/>\n";
    if (intensity >= 5.0) {
      s += "<text x=\"" + Fixed(x(mz), 1) + "\" y=\"" + Fixed(y(intensity) - 4, 1) +
           "\" text-anchor=\"middle\">" + Fixed(mz, precision) + "</text>\n";
    }
  }
  return s + "</svg>\n";
}

}  // namespace

void CommandPattern(Session& s) {
  const Options& o = s.options;
  if (o.args.size() != 1) throw UsageError{"pattern takes one formula"};
  const std::string& formula = o.args[0];
  const double resolution =
      o.resolution ? ParseNumber(*o.resolution, "--resolution") : FORMIX_DEFAULT_RESOLVING_POWER;
  const double threshold = o.threshold ? ParseNumber(*o.threshold, "--threshold") : FORMIX_DEFAULT_THRESHOLD;
  if (!(resolution > 0)) throw UsageError{"--resolution takes a resolving power above 0"};
  if (!(threshold > 0 && threshold < 1))
    throw UsageError{"--threshold takes a relative abundance between 0 and 1"};
  Reading r = s.Read(formula);
  if (!s.Shows(r.get())) throw CommandFailed{};
  std::unique_ptr<formix_pattern, decltype(&formix_pattern_free)> p(
      formix_isotope_pattern(s.context, r.get(), threshold, resolution), &formix_pattern_free);
  if (!p) throw IoError{"out of memory"};
  const std::string error = formix_pattern_error(p.get());
  if (!error.empty()) {
    Tell("formix: " + formula + ": error: " + error + "\n");
    throw CommandFailed{};
  }
  const std::string warning = formix_pattern_warning(p.get());
  if (!warning.empty()) {
    Tell("formix: " + formula + ": warning: " + warning + "\n");
    s.flagged = true;
  }
  std::vector<std::pair<double, double>> peaks;
  const std::size_t n = o.fine ? formix_pattern_fine_count(p.get()) : formix_pattern_peak_count(p.get());
  for (std::size_t i = 0; i < n; ++i) {
    peaks.emplace_back(
        o.fine ? formix_pattern_fine_mz(p.get(), i) : formix_pattern_peak_mz(p.get(), i),
        o.fine ? formix_pattern_fine_intensity(p.get(), i) : formix_pattern_peak_intensity(p.get(), i));
  }
  if (o.plot) {
    const std::string title =
        std::string(formix_reading_hill(r.get())) + " isotope pattern, R = " + Shortest(resolution);
    std::ofstream out(*o.plot, std::ios::binary);
    out << Svg(title, peaks, 4);
    out.close();
    if (!out) throw IoError{"cannot write " + *o.plot + ": " + std::strerror(errno)};
  }
  if (o.json) {
    Json json;
    json.Document("pattern", s.options.verbose ? s.context : nullptr);
    json.Members(formix_pattern_json(p.get(), o.fine ? 1 : 0)).Close().End();
    return;
  }
  Write(Printable(formula) + "\tisotope pattern at resolving power " + Shortest(resolution) +
        " (most abundant isotopologue m/z " + Fixed(formix_pattern_most_abundant(p.get()), o.precision) +
        ")\n");
  Table table({"m/z", "intensity (%)"});
  for (const auto& [mz, intensity] : peaks) table.Add({Fixed(mz, o.precision), Fixed(intensity, 2)});
  table.Print();
}

}  // namespace formix::tool
