// output.cpp -- checked writes, text tables, streaming JSON, diagnostics.
#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "text.h"

namespace formix::tool {

namespace {

// The tool writes standard output from one thread: no lock per piece.
std::size_t WriteOut(const char* data, std::size_t size) {
#if defined(__GLIBC__)
  return fwrite_unlocked(data, 1, size, stdout);
#else
  return std::fwrite(data, 1, size, stdout);
#endif
}

}  // namespace

LineReader::LineReader(std::FILE* stream, std::size_t limit)
    : stream_(stream), limit_(limit), buffer_(std::max<std::size_t>(limit + 2, 1 << 16)) {}

bool LineReader::Fill() {
  if (begin_ > 0) {  // keep the unread part at the front
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  errno = 0;
  const std::size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - 1 - end_, stream_);
  if (n == 0 && std::ferror(stream_)) {
    throw IoError{std::string("error reading standard input: ") + std::strerror(errno)};
  }
  end_ += n;
  return n > 0;
}

bool LineReader::Next(char** line, std::size_t* length) {
  for (;;) {
    char* from = buffer_.data() + begin_;
    if (void* nl = std::memchr(from, '\n', end_ - begin_)) {
      *line = from;
      *length = static_cast<std::size_t>(static_cast<char*>(nl) - from);
      begin_ += *length + 1;
      return true;
    }
    if (end_ - begin_ > limit_) {
      // Too long: the first `limit_` bytes are the line; the rest is read
      // past up to its '\n', a block at a time.
      long_.assign(from, limit_);
      for (begin_ = end_ = 0; Fill(); begin_ = end_ = 0) {
        if (void* nl = std::memchr(buffer_.data(), '\n', end_)) {
          begin_ = static_cast<std::size_t>(static_cast<char*>(nl) - buffer_.data()) + 1;
          break;
        }
      }
      *line = long_.data();  // its terminator is the room for a NUL
      *length = long_.size();
      return true;
    }
    if (!Fill()) {
      if (end_ == begin_) return false;
      *line = buffer_.data() + begin_;  // a last line with no '\n'
      *length = end_ - begin_;
      begin_ = end_;
      return true;
    }
  }
}

void Tell(const std::string& text) { std::fputs(PrintableLines(text).c_str(), stderr); }

void Write(std::string_view text) {
  // A control character never reaches a terminal raw, whatever printed it
  // (a formula, a data file's symbol, a message): escaped as Printable
  // does, line ends and tabs kept.  In JSON, which escapes C0 itself, a C1
  // control becomes the same character's \u escape.
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F ||
        (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
      const std::string shown = PrintableLines(std::string(text));
      Write(shown.data(), shown.size());
      return;
    }
  }
  Write(text.data(), text.size());
}

void Write(const char* text, std::size_t size) {
  if (size == 0) return;
  if (WriteOut(text, size) != size || std::ferror(stdout)) {
    throw IoError{std::string("error writing standard output: ") + std::strerror(errno)};
  }
}

void Flush() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    throw IoError{std::string("error writing standard output: ") + std::strerror(errno)};
  }
}

namespace {

std::size_t DisplayWidth(const std::string& s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace

void Table::Add(std::vector<std::string> row) {
  for (std::string& cell : row) cell = Printable(cell);
  rows_.push_back(std::move(row));
}

void Table::Print() const {
  std::vector<std::size_t> widths;
  for (const auto& row : rows_) {
    if (widths.size() < row.size()) widths.resize(row.size());
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  std::string out;
  for (const auto& row : rows_) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  Write(out);
}

// A comma before a member or element that follows another.
void Json::Separate() {
  if (!after_key_ && !open_.empty()) {
    if (has_member_.back()) Write(",", 1);
    has_member_.back() = true;
  }
  after_key_ = false;
}

Json& Json::Open(char bracket) {
  Separate();
  Write(&bracket, 1);
  open_.push_back(bracket == '{' ? '}' : ']');
  has_member_.push_back(false);
  return *this;
}

Json& Json::Document(const char* command, const formix_context* context) {
  Open('{').Key("format").Raw(std::to_string(FORMIX_JSON_FORMAT));
  Key("command").Raw(std::string("\"") + command + "\"");
  if (context == nullptr) return *this;
  return Key("data_files").Raw(ContextJson(context, FORMIX_JSON_DATA_FILES));
}

// The library's JSON escapes every control character itself, and the
// tool's own words need no escape: written as they are, without the scan
// of Write.
Json& Json::Raw(std::string_view json) {
  Separate();
  Write(json.data(), json.size());
  return *this;
}

Json& Json::Raw(const char* json) {
  if (json == nullptr) throw IoError{"out of memory"};
  return Raw(std::string_view(json));
}

Json& Json::Members(const char* object) {
  if (object == nullptr) throw IoError{"out of memory"};
  const std::size_t n = std::strlen(object);
  if (n <= 2) return *this;  // {}
  if (has_member_.back()) Write(",", 1);
  has_member_.back() = true;
  Write(object + 1, n - 2);
  return *this;
}

std::string ContextJson(const formix_context* context, int part) {
  std::string text(4096, '\0');
  std::size_t n = formix_context_json(context, part, text.data(), text.size());
  if (n >= text.size()) {
    text.assign(n + 1, '\0');
    n = formix_context_json(context, part, text.data(), text.size());
  }
  if (n == 0) throw IoError{"out of memory"};
  text.resize(n);
  return text;
}

Json& Json::Close() {
  Write(&open_.back(), 1);
  open_.pop_back();
  has_member_.pop_back();
  return *this;
}

// `name`: one of the tool's own member names, ASCII with nothing to escape.
Json& Json::Key(const char* name) {
  Separate();
  Write("\"", 1);
  Write(name, std::strlen(name));
  Write("\":", 2);
  after_key_ = true;
  return *this;
}

const char* SeverityName(int severity) {
  return severity == FORMIX_ERROR ? "error" : severity == FORMIX_WARNING ? "warning" : "note";
}

void PrintDiagnostics(const std::string& formula, const formix_reading* reading,
                      const DiagnosticStyle& style) {
  const std::string shown = Printable(formula);
  for (std::size_t i = 0; i < formix_reading_diagnostic_count(reading); ++i) {
    const formix_diagnostic* d = formix_reading_diagnostic(reading, i);
    std::string text = d->message;
    if (style.russian && d->library_message[0] != '\0') {
      text = std::string(d->library_caption) + ": " + d->library_message;
    }
    std::string line = "formix: " + shown + ":" + std::to_string(Column(formula, d->offset)) + ": " +
                       SeverityName(d->severity) + ": " + text + "\n";
    if (style.caret && shown == formula) {
      std::size_t column = Column(formula, d->offset);
      std::size_t width = Column(formula, d->offset + d->length) - column;
      line += "    " + formula + "\n    " + std::string(column - 1, ' ') + "^" +
              std::string(width > 1 ? width - 1 : 0, '~') + "\n";
    }
    Tell(line);
  }
}

}  // namespace formix::tool
