// Whether two names lead to one file: the same file where both exist (also
// through links), the same absolute path where one is still to be made.
#pragma once

#include <filesystem>

namespace korvex::files {

inline bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec, ea, eb;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  // Made absolute first: a relative name with no existing part would come
  // back unchanged.
  const std::filesystem::path ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
  const std::filesystem::path cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
  return !ea && !eb && ca == cb;
}

}  // namespace korvex::files
