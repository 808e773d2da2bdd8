// Text files of a run: records written with ASA carriage control (print
// file, grid listing, CIF fragment), plain records (reflection files), and
// line input (experiment and reflection files).
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "files/byte_source.hpp"
#include "files/output_file.hpp"
#include "files/stop_request.hpp"

namespace korvex::ff {

// Writes records whose first character is a carriage-control character,
// rendered as the POSIX asa utility renders them: '1' starts a new page
// (form feed), '0' leaves one empty line before the record, '+' prints it
// over the previous line (carriage return), '$' leaves the line open at its
// end, anything else (normally a blank) starts a new line. The control
// character itself is not written. The line terminator of a record is held
// back until the next record (or close) says how the line ends.
//
// The file underneath is a files::OutputFile: every write is checked and
// raises files::FileError when it fails; a replaced file reaches its name
// only by commit().
class CarriageControlWriter {
 public:
  // `role` names the file in messages ("PRINT FILE").
  explicit CarriageControlWriter(std::string role = "FILE") : file_(std::move(role)) {}
  ~CarriageControlWriter() { abandon(); }
  CarriageControlWriter(const CarriageControlWriter&) = delete;
  CarriageControlWriter& operator=(const CarriageControlWriter&) = delete;

  // Opens a file: append keeps what it holds (and locks it against other
  // runs), otherwise it is replaced at commit(). Returns false, with the
  // reason in openError(), when it cannot be written.
  bool open(const std::filesystem::path& path, bool append, files::StopRequest stop = {});
  const std::string& openError() const { return file_.openError(); }
  // Writes into a stream the caller keeps (tests, in-memory capture).
  void attach(std::ostream* stream);
  bool isOpen() const { return file_.isOpen(); }

  // One composed record, control character first.
  void record(std::string_view record);
  void records(const std::vector<std::string>& records);
  void write(const EditList& layout, std::initializer_list<Value> values) {
    records(layout.records(values));
  }
  void flush() { file_.flush(); }
  // Ends the last line and puts the file into place (a replaced file) or
  // closes it (an appended file, a stream).
  void commit();
  // commit() for an appended file or a stream; a replaced file not yet
  // committed is abandoned.
  void close();
  // After a fatal error: an appended file or a stream keeps what it took,
  // its last line ended where that can be done; a replacement is removed.
  // Nothing is raised.
  void abandon() noexcept;

 private:
  void finishLine();
  files::OutputFile file_;
  bool append_ = false;
  bool dollar_ = false;     // the open line was left open on purpose ('$')
  bool anyRecord_ = false;  // a record has been written since opening
};

// Writes plain records, one line each, with no carriage control. The
// reflection files are written this way; the file is always replaced, at
// commit().
class PlainWriter {
 public:
  explicit PlainWriter(std::string role = "FILE") : file_(std::move(role)) {}
  PlainWriter(const PlainWriter&) = delete;
  PlainWriter& operator=(const PlainWriter&) = delete;

  bool open(const std::filesystem::path& path, files::StopRequest stop = {});
  const std::string& openError() const { return file_.openError(); }
  void attach(std::ostream* stream) {
    file_.attach(stream);
    attached_ = true;
  }
  bool isOpen() const { return file_.isOpen(); }
  // Starts the file anew (the data set is rescaled and written again).
  void rewind() { file_.truncate(); }

  void record(std::string_view record);
  void write(const EditList& layout, std::initializer_list<Value> values);
  void flush() { file_.flush(); }
  void commit() { file_.commit(); }
  // A stream is flushed and let go; a file not committed is abandoned.
  void close();
  void abandon() noexcept { file_.abandon(); }

 private:
  files::OutputFile file_;
  bool attached_ = false;
};

// Reads a text file line by line (the experiment file, the reflection file)
// as users write them: a line ends at LF, CR LF or a lone CR, and a UTF-8
// byte-order mark at the start is not part of the first line. A failed read
// raises files::FileError; it is never taken for the end of the file.
class LineReader {
 public:
  // `role` names the file in messages ("INPUT DATA FILE").
  explicit LineReader(std::string role = "FILE") : role_(std::move(role)) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Returns false, with the reason in openError(), when the file cannot be
  // read.
  bool open(const std::filesystem::path& path, files::StopRequest stop = {});
  const std::string& openError() const { return openError_; }
  void attach(std::istream* stream);
  // Any source of bytes (a test double of a failing device).
  void attach(std::unique_ptr<files::ByteSource> source);
  void close();
  bool isOpen() const { return source_ != nullptr; }

  // The next line, without its terminator; false at the end of the file.
  bool readLine(std::string& line);
  void rewind();
  // The number of the line read last, from 1 (0 before the first).
  int lineNumber() const { return lineNumber_; }

 private:
  bool fill();
  void restart();

  std::string role_;
  std::string openError_;
  std::filesystem::path path_;
  std::unique_ptr<files::ByteSource> source_;
  files::StopRequest stop_;
  std::string buffer_;
  std::size_t next_ = 0;        // the first byte of buffer_ not yet read
  bool atStart_ = true;         // nothing read since the start of the data
  bool skipLineFeed_ = false;   // the last line ended at a CR: an LF next is its end too
  bool ended_ = false;          // the source gave its last byte
  int lineNumber_ = 0;
};

}  // namespace korvex::ff
