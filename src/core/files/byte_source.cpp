#include "files/byte_source.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <istream>

#include "files/file_error.hpp"

namespace korvex::files {

std::unique_ptr<FileSource> FileSource::open(const std::filesystem::path& path, std::string role, StopRequest stop,
                                             std::string& reason) {
  Descriptor fd;
  for (;;) {
    fd = Descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.valid() || errno != EINTR || stop.pending() != 0) break;
  }
  if (!fd.valid()) {
    reason = systemReason(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    reason = systemReason(errno);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = systemReason(EISDIR);
    return nullptr;
  }
  const bool seekable = S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
  return std::unique_ptr<FileSource>(new FileSource(std::move(fd), seekable, path, std::move(role), stop));
}

FileSource::FileSource(Descriptor fd, bool seekable, std::filesystem::path path, std::string role, StopRequest stop)
    : file_(std::move(fd)), seekable_(seekable), path_(std::move(path)), role_(std::move(role)), stop_(stop) {}

void FileSource::fail(const char* action, int errorNumber) const {
  throw FileError(action, role_, path_, systemReason(errorNumber));
}

std::size_t FileSource::readFrom(int fd, char* data, std::size_t size) {
  const ssize_t n = readSome(fd, data, size, stop_);
  if (n < 0) fail("READING", static_cast<int>(-n));
  return static_cast<std::size_t>(n);
}

std::size_t FileSource::read(char* data, std::size_t size) {
  if (readingCopy_) {
    // The copy first, then whatever the file has not yet given.
    if (const std::size_t n = readFrom(copy_.get(), data, size); n > 0) return n;
    readingCopy_ = false;
  }
  const std::size_t n = readFrom(file_.get(), data, size);
  if (!seekable_ && n > 0) {
    int err = 0;
    if (!copy_.valid()) {
      copy_ = unnamedTemporary(err);
      if (!copy_.valid()) fail("COPYING", err);
    }
    if (::lseek(copy_.get(), 0, SEEK_END) < 0) fail("COPYING", errno);
    if ((err = writeAll(copy_.get(), data, n, stop_)) != 0) fail("COPYING", err);
  }
  return n;
}

void FileSource::rewind() {
  if (seekable_) {
    if (::lseek(file_.get(), 0, SEEK_SET) < 0) fail("READING", errno);
    return;
  }
  if (!copy_.valid()) {
    int err = 0;
    copy_ = unnamedTemporary(err);
    if (!copy_.valid()) fail("COPYING", err);
  }
  // The rest of the one-way file goes into the copy, which is then read
  // from its start.
  if (::lseek(copy_.get(), 0, SEEK_END) < 0) fail("COPYING", errno);
  char buffer[1 << 16];
  for (;;) {
    const std::size_t n = readFrom(file_.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (const int err = writeAll(copy_.get(), buffer, n, stop_); err != 0) fail("COPYING", err);
  }
  if (::lseek(copy_.get(), 0, SEEK_SET) < 0) fail("COPYING", errno);
  readingCopy_ = true;
}

std::size_t StreamSource::read(char* data, std::size_t size) {
  in_.read(data, static_cast<std::streamsize>(size));
  const auto n = static_cast<std::size_t>(in_.gcount());
  if (in_.bad()) throw FileError("READING", "STREAM", "-", "the stream failed");
  return n;
}

void StreamSource::rewind() {
  in_.clear();
  in_.seekg(0);
}

}  // namespace korvex::files
