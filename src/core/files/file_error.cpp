#include "files/file_error.hpp"

#include <cstring>

namespace korvex::files {

namespace {
std::string compose(std::string_view action, std::string_view role, const std::filesystem::path& path,
                    std::string_view reason) {
  std::string m = "ERROR ";
  m.append(action).append(" ").append(role).append(" ").append(path.string()).append(": ").append(reason);
  return m;
}
}  // namespace

FileError::FileError(std::string_view action, std::string_view role, const std::filesystem::path& path,
                     std::string_view reason)
    : std::runtime_error(compose(action, role, path, reason)) {}

std::string systemReason(int errorNumber) { return std::strerror(errorNumber); }

}  // namespace korvex::files
