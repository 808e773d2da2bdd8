#include "fixedformat/text_files.hpp"

#include <istream>

#include "files/file_error.hpp"

namespace korvex::ff {

// --- CarriageControlWriter -------------------------------------------------

bool CarriageControlWriter::open(const std::filesystem::path& path, bool append, files::StopRequest stop) {
  anyRecord_ = false;
  dollar_ = false;
  append_ = append;
  return file_.open(path, append ? files::OutputFile::Kind::Appended : files::OutputFile::Kind::Replaced, stop);
}

void CarriageControlWriter::attach(std::ostream* stream) {
  file_.attach(stream);
  anyRecord_ = false;
  dollar_ = false;
  append_ = true;  // a stream keeps what it is given, like an appended file
}

void CarriageControlWriter::finishLine() {
  if (anyRecord_ && !dollar_) file_.write("\n");
  anyRecord_ = false;
  dollar_ = false;
}

void CarriageControlWriter::commit() {
  if (!file_.isOpen()) return;
  finishLine();
  file_.commit();
}

void CarriageControlWriter::close() {
  if (append_) commit();
  else file_.abandon();
}

void CarriageControlWriter::abandon() noexcept {
  if (append_) {
    try {
      commit();
      return;
    } catch (...) {
      // The failure has been reported, or will not be: the run has halted.
    }
  }
  file_.abandon();
}

void CarriageControlWriter::record(std::string_view rec) {
  if (!file_.isOpen()) return;
  const char control = rec.empty() ? ' ' : rec[0];
  const std::string_view text = rec.empty() ? std::string_view{} : rec.substr(1);
  std::string out;
  if (!anyRecord_ || dollar_) {
    // Nothing to end: the first line of the file, or a line left open.
    if (control == '1') out = "\f";
    else if (control == '0') out = "\n";
    else if (control == '+' && dollar_) out = "\r";
  } else {
    switch (control) {
      case '+': out = "\r"; break;
      case '0': out = "\n\n"; break;
      case '1': out = "\n\f"; break;
      default: out = "\n"; break;
    }
  }
  out += text;
  file_.write(out);
  anyRecord_ = true;
  dollar_ = control == '$';
}

void CarriageControlWriter::records(const std::vector<std::string>& recs) {
  for (const std::string& r : recs) record(r);
}

// --- PlainWriter -------------------------------------------------------------

bool PlainWriter::open(const std::filesystem::path& path, files::StopRequest stop) {
  attached_ = false;
  return file_.open(path, files::OutputFile::Kind::Replaced, stop);
}

void PlainWriter::close() {
  if (attached_) file_.commit();
  else file_.abandon();
}

void PlainWriter::record(std::string_view rec) {
  if (!file_.isOpen()) return;
  std::string line(rec);
  line += '\n';
  file_.write(line);
}

void PlainWriter::write(const EditList& layout, std::initializer_list<Value> values) {
  for (const std::string& r : layout.records(values)) record(r);
}

// --- LineReader --------------------------------------------------------------

namespace {
constexpr std::size_t kChunk = 1 << 16;
// A line longer than this is no card and no reflection record: the file is
// not a text file (a device that never ends a line, a binary file).
constexpr std::size_t kLongestLine = 1 << 20;
const std::string kByteOrderMark = "\xEF\xBB\xBF";
}  // namespace

bool LineReader::open(const std::filesystem::path& path, files::StopRequest stop) {
  close();
  openError_.clear();
  auto source = files::FileSource::open(path, role_, stop, openError_);
  if (!source) return false;
  source_ = std::move(source);
  path_ = path;
  stop_ = stop;
  restart();
  return true;
}

void LineReader::attach(std::istream* stream) { attach(std::make_unique<files::StreamSource>(*stream)); }

void LineReader::attach(std::unique_ptr<files::ByteSource> source) {
  close();
  source_ = std::move(source);
  path_ = "-";
  restart();
}

void LineReader::close() {
  source_.reset();
  restart();
}

void LineReader::restart() {
  buffer_.clear();
  next_ = 0;
  atStart_ = true;
  skipLineFeed_ = false;
  ended_ = false;
  lineNumber_ = 0;
}

bool LineReader::fill() {
  if (ended_) return false;
  buffer_.erase(0, next_);
  next_ = 0;
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kChunk);
  const std::size_t n = source_->read(buffer_.data() + had, kChunk);
  buffer_.resize(had + n);
  if (n == 0) ended_ = true;
  return n > 0;
}

bool LineReader::readLine(std::string& line) {
  line.clear();
  if (source_ == nullptr) return false;
  files::stopIfRequested(stop_);
  if (atStart_) {
    // Enough bytes to see whether the data opens with a byte-order mark.
    while (buffer_.size() < kByteOrderMark.size() && fill()) {
    }
    if (buffer_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) next_ = kByteOrderMark.size();
    atStart_ = false;
  }
  bool any = false;
  for (;;) {
    if (next_ == buffer_.size() && !fill()) {
      if (!any) return false;
      ++lineNumber_;
      return true;  // the last line, without a terminator
    }
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (buffer_[next_] == '\n') {
        ++next_;
        continue;
      }
    }
    const std::size_t end = buffer_.find_first_of("\r\n", next_);
    const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
    line.append(buffer_, next_, stop - next_);
    any = true;
    if (line.size() > kLongestLine)
      throw files::FileError("READING", role_, path_,
                             "line " + std::to_string(lineNumber_ + 1) + " is longer than " +
                                 std::to_string(kLongestLine) + " characters");
    next_ = stop;
    if (end == std::string::npos) continue;
    skipLineFeed_ = buffer_[end] == '\r';
    ++next_;
    ++lineNumber_;
    return true;
  }
}

void LineReader::rewind() {
  if (source_ == nullptr) return;
  source_->rewind();
  restart();
}

}  // namespace korvex::ff
