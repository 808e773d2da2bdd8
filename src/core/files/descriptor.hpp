// POSIX file descriptors for the run's files: an owner that closes, reads
// and writes that carry on after an interrupted call unless the run is asked
// to stop, and the two kinds of temporary file the run writes into.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>

#include "files/stop_request.hpp"

namespace korvex::files {

// Owns one open descriptor; closes it (unchecked) when destroyed.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() noexcept;
  void reset() noexcept;
  // Closes and returns 0, or the error number of a failed close (the last
  // chance for a file system to report a failed write).
  int close() noexcept;

 private:
  int fd_ = -1;
};

// Writes all bytes. Returns 0 or the error number. A signal that interrupts
// the write is waited out, unless it asked the run to stop (Stopped).
int writeAll(int fd, const char* data, std::size_t size, const StopRequest& stop);
// Reads up to size bytes: their number, 0 at the end, or -(error number).
ssize_t readSome(int fd, char* data, std::size_t size, const StopRequest& stop);

// A temporary file without a name, in the system's temporary folder: it
// vanishes with its descriptor, however the program ends. Invalid, with
// errorNumber set, when none can be made.
Descriptor unnamedTemporary(int& errorNumber);

// A new file beside `target`, named after it (".x.abs.korvex-k3Qz9a"), for
// writing, with the permissions `mode` less the user's mask. Invalid, with
// errorNumber set, when the folder does not take it.
Descriptor temporaryBeside(const std::filesystem::path& target, mode_t mode, std::filesystem::path& created,
                           int& errorNumber);

}  // namespace korvex::files
