#include "model/model_support.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fixedformat/edit_list.hpp"
#include "geometry/matrix_inversion.hpp"

namespace korvex::test {

void setCards(ExperimentState& e, const std::vector<std::string>& cards) {
  for (std::size_t n = 0; n < cards.size(); ++n) e.MODELCARDS[n] = ff::padded(cards[n], 80);
}

void setUb(ExperimentState& e, const Mat3& ub) {
  e.UB = ub;
  e.NUB = 3;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) e.UBT[i][j] = ub[j][i];
  float det = 0.0f;
  int ier = 0;
  minv3(e.UBT, e.UBTINV, 1.0e-7f, det, ier);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::optional<std::vector<std::string>> referenceLines(const std::string& runName, const std::string& file) {
  const std::filesystem::path p =
      std::filesystem::path(KORVEX_SHARED_DIR) / "reference-runs" / runName / "expected" / file;
  std::ifstream in(p, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return splitLines(s.str());
}

std::vector<std::string> linesBetween(const std::vector<std::string>& lines, const std::string& first,
                                      const std::string& last) {
  auto b = std::find(lines.begin(), lines.end(), first);
  if (b == lines.end()) return {};
  auto e = std::find(b, lines.end(), last);
  return {b, e};
}

}  // namespace korvex::test
