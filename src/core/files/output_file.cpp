#include "files/output_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <sstream>

#include "files/file_error.hpp"

namespace korvex::files {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}  // namespace

bool OutputFile::open(const std::filesystem::path& target, Kind kind, StopRequest stop) {
  abandon();
  failed_ = false;
  openError_.clear();
  kind_ = kind;
  stop_ = stop;
  path_ = target;
  open_ = kind == Kind::Appended ? openAppended(target) : openReplaced(target);
  if (!open_) reset();
  return open_;
}

bool OutputFile::openAppended(const std::filesystem::path& target) {
  fd_ = Descriptor(::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
  if (!fd_.valid()) {
    openError_ = systemReason(errno);
    return false;
  }
  struct stat st {};
  // The lock is advisory: it keeps out other runs, which take it too.
  // Terminals and pipes are not locked; a file system without locks is
  // written unlocked.
  if (::fstat(fd_.get(), &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0 &&
      errno == EWOULDBLOCK) {
    openError_ = "in use by another run";
    return false;
  }
  return true;
}

bool OutputFile::openReplaced(const std::filesystem::path& target) {
  struct stat st {};
  mode_t mode = 0666;  // a new file: the permissions the user's mask allows
  bool existing = false;
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      openError_ = systemReason(EISDIR);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      target_ = Descriptor(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
      int err = errno;
      if (target_.valid()) fd_ = unnamedTemporary(err);
      if (!fd_.valid()) openError_ = systemReason(err);
      return fd_.valid();
    }
    // A file made read-only is not replaced behind its owner's back.
    if (::access(target.c_str(), W_OK) != 0) {
      openError_ = systemReason(errno);
      return false;
    }
    existing = true;
    mode = st.st_mode & 07777;
    // Through a symbolic link the file it names is replaced, not the link.
    std::error_code ec;
    final_ = std::filesystem::canonical(target, ec);
    if (ec) final_ = target;
  } else if (errno == ENOENT) {
    final_ = target;
  } else {
    openError_ = systemReason(errno);
    return false;
  }
  int err = 0;
  fd_ = temporaryBeside(final_, mode, temporary_, err);
  if (!fd_.valid()) {
    openError_ = systemReason(err);
    return false;
  }
  // The replacement keeps the permissions of the file it replaces.
  if (existing) (void)::fchmod(fd_.get(), mode);
  return true;
}

void OutputFile::attach(std::ostream* stream) {
  abandon();
  failed_ = false;
  openError_.clear();
  stream_ = stream;
  open_ = stream != nullptr;
  path_ = "-";
}

void OutputFile::fail(const char* action, std::string_view reason) {
  failed_ = true;
  buffer_.clear();
  throw FileError(action, role_, path_, reason);
}

void OutputFile::fail(const char* action, int errorNumber) { fail(action, systemReason(errorNumber)); }

void OutputFile::write(std::string_view bytes) {
  if (!open_ || failed_) return;
  if (stream_ != nullptr) {
    *stream_ << bytes;
    if (stream_->bad()) fail("WRITING", "the stream failed");
    return;
  }
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) flush();
}

void OutputFile::flush() {
  if (!open_ || failed_) return;
  if (stream_ != nullptr) {
    stream_->flush();
    if (stream_->bad()) fail("WRITING", "the stream failed");
    return;
  }
  if (buffer_.empty()) return;
  const int err = writeAll(fd_.get(), buffer_.data(), buffer_.size(), stop_);
  buffer_.clear();
  if (err != 0) fail("WRITING", err);
}

void OutputFile::truncate() {
  if (!open_ || failed_) return;
  buffer_.clear();
  if (stream_ != nullptr) {
    if (auto* s = dynamic_cast<std::ostringstream*>(stream_)) {
      s->str("");
      s->clear();
    }
    return;
  }
  if (kind_ == Kind::Appended) return;
  if (::ftruncate(fd_.get(), 0) != 0 || ::lseek(fd_.get(), 0, SEEK_SET) < 0) fail("WRITING", errno);
}

void OutputFile::checkNotRemoved() {
  // Bytes written to a file that someone removed during the run are lost.
  struct stat st {};
  if (::fstat(fd_.get(), &st) == 0 && st.st_nlink == 0) fail("WRITING", "the file was removed during the run");
}

void OutputFile::commit() {
  if (!open_) return;
  if (failed_) {
    abandon();
    return;
  }
  flush();
  if (stream_ != nullptr) {
    reset();
    return;
  }
  if (kind_ == Kind::Appended) {
    checkNotRemoved();
    if (const int err = fd_.close(); err != 0) fail("WRITING", err);
    reset();
    return;
  }
  if (target_.valid()) {
    // A pipe, terminal or device: the finished contents, copied over.
    if (::lseek(fd_.get(), 0, SEEK_SET) < 0) fail("WRITING", errno);
    char chunk[kBufferSize];
    for (;;) {
      const ssize_t n = readSome(fd_.get(), chunk, sizeof chunk, stop_);
      if (n < 0) fail("WRITING", static_cast<int>(-n));
      if (n == 0) break;
      if (const int err = writeAll(target_.get(), chunk, static_cast<std::size_t>(n), stop_); err != 0)
        fail("WRITING", err);
    }
    if (const int err = target_.close(); err != 0) fail("WRITING", err);
    reset();
    return;
  }
  checkNotRemoved();
  // On the disk before it takes the target's name, so that a crash leaves
  // the old file or the new one, never a cut one.
  if (::fsync(fd_.get()) != 0 && errno != EINVAL) fail("WRITING", errno);
  if (const int err = fd_.close(); err != 0) fail("WRITING", err);
  if (::rename(temporary_.c_str(), final_.c_str()) != 0) fail("REPLACING", errno);
  temporary_.clear();
  reset();
}

void OutputFile::abandon() noexcept {
  if (!open_) return;
  if (stream_ != nullptr) {
    if (!failed_) stream_->flush();
  } else if (kind_ == Kind::Appended && !failed_ && !buffer_.empty()) {
    (void)writeAll(fd_.get(), buffer_.data(), buffer_.size(), StopRequest{});
  }
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  reset();
}

void OutputFile::reset() noexcept {
  fd_.reset();
  target_.reset();
  stream_ = nullptr;
  buffer_.clear();
  temporary_.clear();
  final_.clear();
  open_ = false;
}

}  // namespace korvex::files
