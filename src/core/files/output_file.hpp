// An output file of the run, written through a buffer with every write
// checked. Two kinds:
//  - appended (the print file): opened at its end, created when new, and
//    locked for as long as it is open, so that two runs cannot interleave
//    their reports;
//  - replaced (the output reflection file, the CIF fragment, the grid
//    listing): the target changes only at commit(). Until then the bytes go
//    to a temporary file beside it, renamed over it by commit() and removed
//    by abandon() or the destructor, so that a run that halts or is stopped
//    leaves the earlier file as it was. A target that is not a regular file
//    (a pipe, a terminal, a device) cannot be renamed over: it receives the
//    bytes at commit(), from an unnamed temporary file, so that a pipe
//    reads one finished file.
// A failure raises FileError naming the file. After one, the file takes no
// more bytes, so that reporting the failure does not fail again.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "files/descriptor.hpp"
#include "files/stop_request.hpp"

namespace korvex::files {

class OutputFile {
 public:
  enum class Kind { Appended, Replaced };

  explicit OutputFile(std::string role) : role_(std::move(role)) {}
  ~OutputFile() { abandon(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Returns false, with the system's reason in openError(), when the file
  // cannot be written (or, appended, is in use by another run).
  bool open(const std::filesystem::path& target, Kind kind, StopRequest stop = {});
  // The bytes go to a stream the caller keeps (tests).
  void attach(std::ostream* stream);
  bool isOpen() const { return open_; }
  const std::string& openError() const { return openError_; }

  void write(std::string_view bytes);
  void flush();
  // Starts the contents anew (a rescaled data set).
  void truncate();
  // A replaced file into place; an appended file or a stream flushed and
  // closed. Either way the file is closed afterwards.
  void commit();
  // Closes without a word: a replacement is removed and its target left as
  // it was, an appended file keeps what reached it (its buffer is offered
  // once more).
  void abandon() noexcept;

 private:
  bool openAppended(const std::filesystem::path& target);
  bool openReplaced(const std::filesystem::path& target);
  void reset() noexcept;
  [[noreturn]] void fail(const char* action, std::string_view reason);
  [[noreturn]] void fail(const char* action, int errorNumber);
  void checkNotRemoved();

  std::string role_;
  bool open_ = false;
  bool failed_ = false;
  Kind kind_ = Kind::Appended;
  std::ostream* stream_ = nullptr;  // attached
  Descriptor fd_;                   // where the bytes go now
  Descriptor target_;               // a pipe, terminal or device, written at commit
  std::filesystem::path path_;      // the target as named
  std::filesystem::path final_;     // a regular target with its links followed
  std::filesystem::path temporary_;
  std::string buffer_;
  std::string openError_;
  StopRequest stop_;
};

}  // namespace korvex::files
