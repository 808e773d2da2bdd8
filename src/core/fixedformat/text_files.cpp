#include "fixedformat/text_files.hpp"

#include <fstream>
#include <sstream>

namespace korvex::ff {

// --- CarriageControlWriter -------------------------------------------------

CarriageControlWriter::~CarriageControlWriter() { close(); }

bool CarriageControlWriter::open(const std::filesystem::path& path, bool append) {
  close();
  auto f = std::make_unique<std::ofstream>(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  if (!f->is_open()) return false;
  owned_ = std::move(f);
  out_ = owned_.get();
  anyRecord_ = false;
  dollar_ = false;
  return true;
}

void CarriageControlWriter::attach(std::ostream* stream) {
  close();
  out_ = stream;
  anyRecord_ = false;
  dollar_ = false;
}

void CarriageControlWriter::finishLine() {
  if (anyRecord_ && !dollar_) *out_ << '\n';
}

void CarriageControlWriter::close() {
  if (out_ == nullptr) return;
  finishLine();
  out_->flush();
  owned_.reset();
  out_ = nullptr;
  anyRecord_ = false;
  dollar_ = false;
}

void CarriageControlWriter::record(std::string_view rec) {
  if (out_ == nullptr) return;
  const char control = rec.empty() ? ' ' : rec[0];
  const std::string_view text = rec.empty() ? std::string_view{} : rec.substr(1);
  if (!anyRecord_ || dollar_) {
    // Nothing to end: the first line of the file, or a line left open.
    if (control == '1') *out_ << '\f';
    else if (control == '0') *out_ << '\n';
    else if (control == '+' && dollar_) *out_ << '\r';
  } else {
    switch (control) {
      case '+': *out_ << '\r'; break;
      case '0': *out_ << "\n\n"; break;
      case '1': *out_ << "\n\f"; break;
      default: *out_ << '\n'; break;
    }
  }
  *out_ << text;
  anyRecord_ = true;
  dollar_ = control == '$';
}

void CarriageControlWriter::records(const std::vector<std::string>& recs) {
  for (const std::string& r : recs) record(r);
}

void CarriageControlWriter::flush() {
  if (out_ != nullptr) out_->flush();
}

// --- PlainWriter -------------------------------------------------------------

PlainWriter::~PlainWriter() { close(); }

bool PlainWriter::open(const std::filesystem::path& path) {
  close();
  auto f = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
  if (!f->is_open()) return false;
  owned_ = std::move(f);
  out_ = owned_.get();
  path_ = path;
  return true;
}

void PlainWriter::attach(std::ostream* stream) {
  close();
  out_ = stream;
}

void PlainWriter::close() {
  if (out_ == nullptr) return;
  out_->flush();
  owned_.reset();
  out_ = nullptr;
  path_.clear();
}

void PlainWriter::rewind() {
  if (out_ == nullptr) return;
  if (owned_) {
    auto path = path_;
    owned_.reset();
    auto f = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    owned_ = std::move(f);
    out_ = owned_.get();
    path_ = path;
  } else if (auto* s = dynamic_cast<std::ostringstream*>(out_)) {
    s->str("");
    s->clear();
  }
}

void PlainWriter::record(std::string_view rec) {
  if (out_ != nullptr) *out_ << rec << '\n';
}

void PlainWriter::write(const EditList& layout, std::initializer_list<Value> values) {
  for (const std::string& r : layout.records(values)) record(r);
}

void PlainWriter::flush() {
  if (out_ != nullptr) out_->flush();
}

// --- LineReader --------------------------------------------------------------

LineReader::~LineReader() { close(); }

bool LineReader::open(const std::filesystem::path& path) {
  close();
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return false;
  auto f = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!f->is_open()) return false;
  owned_ = std::move(f);
  in_ = owned_.get();
  lineNumber_ = 0;
  return true;
}

void LineReader::attach(std::istream* stream) {
  close();
  in_ = stream;
  lineNumber_ = 0;
}

void LineReader::close() {
  owned_.reset();
  in_ = nullptr;
}

bool LineReader::readLine(std::string& line) {
  if (in_ == nullptr) return false;
  if (!std::getline(*in_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++lineNumber_;
  return true;
}

void LineReader::rewind() {
  if (in_ == nullptr) return;
  in_->clear();
  in_->seekg(0);
  lineNumber_ = 0;
}

}  // namespace korvex::ff
