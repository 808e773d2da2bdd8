// Where the lines of an input file come from: a file of the run, a stream
// the caller keeps (tests), or a test double that fails on purpose.
#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>

#include "files/descriptor.hpp"
#include "files/stop_request.hpp"

namespace korvex::files {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `data`: their number, 0 at the end of the data.
  // A failed read raises FileError, a stop request Stopped.
  virtual std::size_t read(char* data, std::size_t size) = 0;
  // Starts again at the first byte.
  virtual void rewind() = 0;
};

// A file opened for reading. A file that cannot be read again from its start
// (a pipe, a terminal) is copied, as it is read, into an unnamed temporary
// file; a rewind reads the rest of it into the copy and goes on from there,
// so that a rescaled run reads the same data again.
class FileSource : public ByteSource {
 public:
  // Opens an existing file that is not a folder; nothing, with the system's
  // reason, when it cannot. `role` names the file in messages.
  static std::unique_ptr<FileSource> open(const std::filesystem::path& path, std::string role, StopRequest stop,
                                          std::string& reason);

  std::size_t read(char* data, std::size_t size) override;
  void rewind() override;

 private:
  FileSource(Descriptor fd, bool seekable, std::filesystem::path path, std::string role, StopRequest stop);
  [[noreturn]] void fail(const char* action, int errorNumber) const;
  std::size_t readFrom(int fd, char* data, std::size_t size);

  Descriptor file_;
  Descriptor copy_;          // what a one-way file gave so far
  bool readingCopy_ = false;  // after a rewind of a one-way file
  bool seekable_;
  std::filesystem::path path_;
  std::string role_;
  StopRequest stop_;
};

// A stream the caller keeps. A stream that goes bad is a failed read.
class StreamSource : public ByteSource {
 public:
  explicit StreamSource(std::istream& in) : in_(in) {}
  std::size_t read(char* data, std::size_t size) override;
  void rewind() override;

 private:
  std::istream& in_;
};

}  // namespace korvex::files
