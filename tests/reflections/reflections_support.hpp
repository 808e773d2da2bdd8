// A run set up for the reflection tests: a crystal in air without a model,
// the input reflection file fed from a text and the output captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace korvex::test {

struct ReflectionRun : TestRun {
  ReflectionRun();
  // Feeds the input reflection file (format 0 Drevik, 1 SHELX).
  void inputFrom(const std::string& text, int format = 0);
  std::string outputText() const { return output.str(); }
  std::vector<std::string> outputLines() const;
  std::vector<std::string> printLines();

  std::istringstream input;
  std::ostringstream output;
};

// A Drevik record in its fixed columns.
std::string drevik(int h, int k, int l, float tth, float om, float chi, float phi, float fi, float sigi, float xseq,
                   const std::string& flags = "      ", int nskip = 0);
// A SHELX record with direction cosines.
std::string shelx(int h, int k, int l, float fi, float sigi, int batch, const std::array<float, 6>& dc);

}  // namespace korvex::test
