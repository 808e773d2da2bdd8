#include "files/descriptor.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

namespace korvex::files {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = other.release();
  }
  return *this;
}

int Descriptor::release() noexcept {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void Descriptor::reset() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int Descriptor::close() noexcept {
  if (fd_ < 0) return 0;
  const int result = ::close(release());
  // After EINTR the descriptor is gone on Linux; the data may not be.
  return result == 0 ? 0 : errno;
}

int writeAll(int fd, const char* data, std::size_t size, const StopRequest& stop) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno != EINTR) return errno;
      stopIfRequested(stop);
      continue;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

ssize_t readSome(int fd, char* data, std::size_t size, const StopRequest& stop) {
  for (;;) {
    const ssize_t n = ::read(fd, data, size);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
    stopIfRequested(stop);
  }
}

Descriptor unnamedTemporary(int& errorNumber) {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) folder = "/tmp";
#ifdef O_TMPFILE
  Descriptor fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (fd.valid()) return fd;
#endif
  // A file system without unnamed files: a named one, removed at once.
  std::string name = (folder / "korvex-XXXXXX").string();
  Descriptor named(::mkostemp(name.data(), O_CLOEXEC));
  if (!named.valid()) {
    errorNumber = errno;
    return {};
  }
  ::unlink(name.c_str());
  return named;
}

Descriptor temporaryBeside(const std::filesystem::path& target, mode_t mode, std::filesystem::path& created,
                           int& errorNumber) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device entropy;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  const std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + target.filename().string() + ".korvex-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(entropy)];
    created = folder / name;
    Descriptor fd(::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.valid()) return fd;
    if (errno != EEXIST) break;
  }
  errorNumber = errno;
  created.clear();
  return {};
}

}  // namespace korvex::files
