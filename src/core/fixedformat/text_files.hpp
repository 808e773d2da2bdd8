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

namespace korvex::ff {

// Writes records whose first character is a carriage-control character,
// rendered as the POSIX asa utility renders them: '1' starts a new page
// (form feed), '0' leaves one empty line before the record, '+' prints it
// over the previous line (carriage return), '$' leaves the line open at its
// end, anything else (normally a blank) starts a new line. The control
// character itself is not written. The line terminator of a record is held
// back until the next record (or close) says how the line ends.
class CarriageControlWriter {
 public:
  CarriageControlWriter() = default;
  ~CarriageControlWriter();
  CarriageControlWriter(const CarriageControlWriter&) = delete;
  CarriageControlWriter& operator=(const CarriageControlWriter&) = delete;

  // Opens a file; append keeps what it holds. Returns false when it cannot
  // be opened for writing.
  bool open(const std::filesystem::path& path, bool append);
  // Writes into a stream the caller keeps (tests, in-memory capture).
  void attach(std::ostream* stream);
  void close();
  bool isOpen() const { return out_ != nullptr; }

  // One composed record, control character first.
  void record(std::string_view record);
  void records(const std::vector<std::string>& records);
  void write(const EditList& layout, std::initializer_list<Value> values) {
    records(layout.records(values));
  }
  void flush();

 private:
  void finishLine();
  std::unique_ptr<std::ostream> owned_;
  std::ostream* out_ = nullptr;
  bool lineOpen_ = false;   // a record's text was written and not yet ended
  bool dollar_ = false;     // the open line was left open on purpose ('$')
  bool anyRecord_ = false;  // a record has been written since opening
};

// Writes plain records, one line each, with no carriage control. The
// reflection files are written this way.
class PlainWriter {
 public:
  PlainWriter() = default;
  ~PlainWriter();
  PlainWriter(const PlainWriter&) = delete;
  PlainWriter& operator=(const PlainWriter&) = delete;

  bool open(const std::filesystem::path& path);  // replaces the file
  void attach(std::ostream* stream);
  void close();
  bool isOpen() const { return out_ != nullptr; }
  // Starts the file anew (the file is emptied; an attached stream is cleared).
  void rewind();

  void record(std::string_view record);
  void write(const EditList& layout, std::initializer_list<Value> values);
  void flush();

 private:
  std::unique_ptr<std::ostream> owned_;
  std::ostream* out_ = nullptr;
  std::filesystem::path path_;
};

// Reads a text file line by line (the experiment file, the reflection file).
// A trailing carriage return (a file from Windows) is dropped.
class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool open(const std::filesystem::path& path);
  void attach(std::istream* stream);
  void close();
  bool isOpen() const { return in_ != nullptr; }

  // The next line, without its terminator; false at the end of the file.
  bool readLine(std::string& line);
  void rewind();
  // The number of the line read last, from 1 (0 before the first).
  int lineNumber() const { return lineNumber_; }

 private:
  std::unique_ptr<std::istream> owned_;
  std::istream* in_ = nullptr;
  int lineNumber_ = 0;
};

}  // namespace korvex::ff
