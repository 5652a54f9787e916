// cmd_find_table.cpp -- formix find --table FILE: every row of a feature
// table (CSV or TSV with a header row, as LC-MS software exports them)
// searched, its columns carried, the candidates appended (docs/find.md).
//
// The delimiter is the header's: a tab if it holds one, else a comma.
// Columns are recognised by name, case and blanks aside: the m/z (mz, m/z,
// mzmed, row m/z; required), and optionally adduct, charge, ppm and peaks
// (m/z:intensity,...), whose values in a row override the command's.
// Fields may be quoted ("a, b"; "" for a quote); a quoted field holds no
// line break.  Rows are read in blocks, searched on --jobs threads and
// written in the input's order, so the output is the same for any number
// of jobs and memory does not grow with the table.
#include <unistd.h>

#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "commands.h"
#include "text.h"

namespace formix::tool {

namespace {

constexpr std::size_t kBlock = 1024;  // rows read, searched and written at a time
constexpr std::size_t kTableLimit = 5;

// The fields of a line; false where a quote is not closed.
bool Split(const std::string& line, char delimiter, std::vector<std::string>* fields) {
  fields->clear();
  std::string field;
  bool quoted = false, was_quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty() && !was_quoted) {
      quoted = was_quoted = true;
    } else if (c == delimiter) {
      fields->push_back(field);
      field.clear();
      was_quoted = false;
    } else {
      field += c;
    }
  }
  fields->push_back(field);
  return !quoted;
}

// A field as written back: quoted where it holds the delimiter or a quote.
std::string Quoted(const std::string& s, char delimiter) {
  if (s.find(delimiter) == std::string::npos && s.find('"') == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

struct Columns {
  int mz = -1, adduct = -1, charge = -1, ppm = -1, peaks = -1;
};

struct Row {
  std::vector<std::string> fields;
  bool split = true;
  std::string out;  // the rows written for it
  bool failed = false;
};

class TableSearch {
 public:
  TableSearch(Session& s, const FindSettings& settings, char delimiter,
              const std::vector<std::string>& header, const Columns& columns, bool scored)
      : s_(s),
        settings_(settings),
        delimiter_(delimiter),
        header_(header),
        columns_(columns),
        scored_(scored) {}

  void Search(Row& row) const {
    const std::size_t width = header_.size();
    auto field = [&](int column) {
      return column >= 0 && static_cast<std::size_t>(column) < row.fields.size()
                 ? Trimmed(row.fields[static_cast<std::size_t>(column)])
                 : std::string();
    };
    auto fail = [&](const std::string& why) {
      row.failed = true;
      row.out = Line(row, width, nullptr, 0, why);
    };
    if (!row.split) return fail("a quote is not closed");
    if (row.fields.size() != width) {
      return fail("the row has " + std::to_string(row.fields.size()) + " fields; the header " +
                  std::to_string(width));
    }
    FindSettings f = settings_;
    double mz = 0.0;
    const std::string mz_text = field(columns_.mz);
    if (formix_parse_number(mz_text.c_str(), &mz) == 0 || !(mz > 0)) {
      return fail(mz_text.empty() ? "no m/z" : "the m/z '" + mz_text + "' is no positive number");
    }
    if (!field(columns_.adduct).empty()) {
      f.adduct = field(columns_.adduct);
      f.charge = 0;
    }
    if (!field(columns_.charge).empty()) {
      int z = 0;
      const std::string why = formix_read_charge(field(columns_.charge).c_str(), &z);
      if (!why.empty()) return fail(why);
      if (field(columns_.adduct).empty()) f.adduct.clear();
      f.charge = z;
    }
    if (!f.adduct.empty() && f.charge != 0) return fail("the row gives an adduct and a charge");
    if (!field(columns_.ppm).empty()) {
      double ppm = 0.0;
      if (formix_parse_number(field(columns_.ppm).c_str(), &ppm) == 0) {
        return fail("the ppm '" + field(columns_.ppm) + "' is no number");
      }
      f.ppm = ppm;
      f.mda = std::nan("");
    }
    if (!field(columns_.peaks).empty()) f.peaks = field(columns_.peaks);
    std::unique_ptr<formix_find, decltype(&formix_find_free)> found(FindWith(s_.context, f, mz, 0),
                                                                    &formix_find_free);
    if (!found) return fail("out of memory");
    const std::string error = formix_find_error(found.get());
    if (!error.empty()) return fail(error);
    const std::size_t n = formix_find_count(found.get());
    if (n == 0) {
      row.out = Line(row, width, nullptr, 0, "");
      return;
    }
    for (std::size_t i = 0; i < n; ++i) row.out += Line(row, width, found.get(), i, "");
  }

  // The header of the output.
  std::string Header() const {
    std::vector<std::string> names = header_;
    for (const char* name : {"rank", "formula", "mz_calc", "ppm_error", "dbe"}) names.emplace_back(name);
    if (scored_) names.emplace_back("score");
    names.emplace_back("error");
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i)
      out += (i ? std::string(1, delimiter_) : "") + Quoted(names[i], delimiter_);
    return out + "\n";
  }

 private:
  // One output row: the input's fields, then candidate `i` of `f` (none
  // where f is NULL), then the error.
  std::string Line(const Row& row, std::size_t width, formix_find* f, std::size_t i,
                   const std::string& error) const {
    std::vector<std::string> values;
    for (std::size_t c = 0; c < width; ++c) values.push_back(c < row.fields.size() ? row.fields[c] : "");
    std::vector<std::string> added;
    if (f != nullptr) {
      const double dbe = formix_find_dbe(f, i);
      added = {std::to_string(i + 1), formix_find_hill(f, i),
               Fixed(formix_find_mz(f, i), s_.options.precision), Fixed(formix_find_ppm(f, i), 2),
               std::isnan(dbe) ? "" : Shortest(dbe)};
      if (scored_) {
        const double score = formix_find_score(f, i);
        added.push_back(score >= 0 ? Fixed(score, 1) : "");
      }
    } else {
      added.assign(scored_ ? 6 : 5, "");
    }
    added.push_back(error);
    if (s_.options.json) return JsonLine(values, added, f, i);
    std::string out;
    for (std::size_t c = 0; c < values.size(); ++c)
      out += (c ? std::string(1, delimiter_) : "") + Quoted(values[c], delimiter_);
    for (const std::string& a : added) out += delimiter_ + Quoted(a, delimiter_);
    return out + "\n";
  }

  // JSON lines: the input's columns as strings, the candidate's values as
  // numbers (exact, the shortest digits), null where there is none.
  std::string JsonLine(const std::vector<std::string>& values, const std::vector<std::string>& added,
                       formix_find* f, std::size_t i) const {
    // formix_json_string's text lasts until its next call: each copied at once.
    auto quoted = [](const std::string& text) { return std::string(formix_json_string(text.c_str())); };
    std::string out = "{";
    for (std::size_t c = 0; c < values.size(); ++c) {
      out += c ? "," : "";
      out += quoted(header_[c]);
      out += ":";
      out += quoted(values[c]);
    }
    auto number = [](double x) { return std::isnan(x) ? std::string("null") : Shortest(x); };
    if (f != nullptr) {
      out +=
          ",\"rank\":" + std::to_string(i + 1) + ",\"formula\":" + formix_json_string(formix_find_hill(f, i));
      out +=
          ",\"mz_calc\":" + number(formix_find_mz(f, i)) + ",\"ppm_error\":" + number(formix_find_ppm(f, i));
      out += ",\"dbe\":" + number(formix_find_dbe(f, i));
      if (scored_) {
        const double score = formix_find_score(f, i);
        out += ",\"score\":" + (score >= 0 ? Shortest(score) : std::string("null"));
      }
    } else {
      out += ",\"rank\":null,\"formula\":null,\"mz_calc\":null,\"ppm_error\":null,\"dbe\":null";
      if (scored_) out += ",\"score\":null";
    }
    out += ",\"error\":" +
           (added.back().empty() ? std::string("null") : formix_json_string(added.back().c_str()));
    return out + "}\n";
  }

  Session& s_;
  const FindSettings& settings_;
  char delimiter_;
  const std::vector<std::string>& header_;
  Columns columns_;
  bool scored_;
};

// Reads a line (without its line break and a final CR); false at the end.
bool ReadLine(std::FILE* in, std::string* line) {
  line->clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') *line += static_cast<char>(c);
  if (c == EOF && line->empty()) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace

void CommandFindTable(Session& s, FindSettings settings) {
  const Options& o = s.options;
  if (o.formula || o.pick) throw UsageError{"--formula and --pick are for one m/z, not a table"};
  if (o.explain) throw UsageError{"--explain is for one m/z, not a table"};
  if (!o.limit) settings.limit = kTableLimit;
  unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
  if (o.jobs) jobs = static_cast<unsigned>(std::min<std::size_t>(Count(*o.jobs, "--jobs"), 256));
  const bool from_stdin = *o.table == "-";
  std::FILE* in = from_stdin ? stdin : std::fopen(o.table->c_str(), "rb");
  if (in == nullptr) throw IoError{"cannot open the table '" + *o.table + "'"};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(from_stdin ? nullptr : in, &std::fclose);
  // The size of a file, for the time left.
  double size = 0.0;
  struct stat st;
  if (!from_stdin && fstat(fileno(in), &st) == 0 && S_ISREG(st.st_mode))
    size = static_cast<double>(st.st_size);
  const bool progress = isatty(STDERR_FILENO) != 0;

  std::string line;
  if (!ReadLine(in, &line)) throw UsageError{"the table '" + *o.table + "' is empty: it needs a header row"};
  if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a byte order mark
  const char delimiter = line.find('\t') != std::string::npos ? '\t' : ',';
  std::vector<std::string> header;
  if (!Split(line, delimiter, &header)) throw UsageError{"the table's header row has a quote not closed"};
  for (std::string& h : header) h = Trimmed(h);
  Columns columns;
  const std::pair<int, int Columns::*> kRoles[] = {{FORMIX_COLUMN_MZ, &Columns::mz},
                                                   {FORMIX_COLUMN_ADDUCT, &Columns::adduct},
                                                   {FORMIX_COLUMN_CHARGE, &Columns::charge},
                                                   {FORMIX_COLUMN_PPM, &Columns::ppm},
                                                   {FORMIX_COLUMN_PEAKS, &Columns::peaks}};
  for (std::size_t i = 0; i < header.size(); ++i) {
    const int role = formix_feature_column(header[i].c_str());
    for (const auto& [kind, member] : kRoles) {
      if (role == kind && columns.*member < 0) columns.*member = static_cast<int>(i);  // the first of a name
    }
  }
  if (columns.mz < 0) {
    throw UsageError{"the table has no m/z column: name one mz, m/z, mzmed or 'row m/z' in its header row"};
  }
  const bool scored = columns.peaks >= 0 || !settings.peaks.empty();
  const TableSearch search(s, settings, delimiter, header, columns, scored);
  if (!o.json) Write(search.Header());

  std::size_t rows = 0, failed = 0;
  double read_bytes = 0.0;
  const auto start = std::chrono::steady_clock::now();
  auto last_shown = start;
  std::vector<Row> block;
  bool more = true;
  while (more) {
    block.clear();
    while (block.size() < kBlock && (more = ReadLine(in, &line))) {
      read_bytes += static_cast<double>(line.size() + 1);
      if (Trimmed(line).empty()) continue;
      Row row;
      row.split = Split(line, delimiter, &row.fields);
      block.push_back(std::move(row));
    }
    // The block on `jobs` threads, rows taken in turn; written in order.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t i; (i = next++) < block.size();) search.Search(block[i]);
    };
    const unsigned threads = static_cast<unsigned>(std::min<std::size_t>(jobs, block.size()));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    for (const Row& r : block) {
      Write(r.out);
      failed += r.failed;
    }
    rows += block.size();
    const auto now = std::chrono::steady_clock::now();
    if (progress && (now - last_shown > std::chrono::milliseconds(500) || !more)) {
      last_shown = now;
      const double seconds = std::chrono::duration<double>(now - start).count();
      std::string text = "\rformix: find: " + std::to_string(rows) + " rows, " +
                         std::to_string(static_cast<long>(seconds > 0 ? rows / seconds : 0)) + " a second";
      if (size > 0 && read_bytes > 0 && more) {
        text += ", about " + std::to_string(static_cast<long>(seconds * (size / read_bytes - 1) + 0.5)) +
                " s left";
      }
      Tell(text + "   " + (more ? "" : "\n"));
    }
  }
  if (std::ferror(in)) throw IoError{"the table '" + *o.table + "': read error"};
  if (failed > 0) {
    Tell("formix: find: " + std::to_string(failed) + " of " + std::to_string(rows) +
         " rows could not be searched (their error in the error column)\n");
    s.flagged = true;
  }
}

}  // namespace formix::tool
