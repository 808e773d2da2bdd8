// A run set up for the reflection tests: a crystal in air without a model,
// the input reflection file fed from a text and the output captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "fixedformat/edit_list.hpp"
#include "support/test_support.hpp"

namespace korvex::test {

struct ReflectionRun : TestRun {
  ReflectionRun() {
    resetForNewFile(run.exp);
    run.exp.TITLE = ff::padded(" test crystal", 80);
    run.files.output.attach(&output);
    run.state.FILESET = {1, 1, 1, 1};
  }
  // The run's files are let go while the streams they write to still live.
  ~ReflectionRun() {
    run.files.output.close();
    run.files.input.close();
    run.files.print.close();
  }
  // Feeds the input reflection file (format 0 Drevik, 1 SHELX).
  void inputFrom(const std::string& text, int format = 0) {
    input.str(text);
    input.clear();
    run.files.input.attach(&input);
    run.state.IFORMIN = format;
  }
  std::vector<std::string> outputLines() const {
    std::vector<std::string> lines;
    std::istringstream in(output.str());
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  std::istringstream input;
  std::ostringstream output;
};

// A Drevik record in its fixed columns.
inline std::string drevik(int h, int k, int l, float tth, float fi, float sigi, float xseq, int nskip = 0,
                          const std::string& flags = "      ", float omega = 0, float chi = 0, float phi = 0) {
  static const ff::EditList layout("(3I3,4F8.3,F12.3,F8.3,F7.0,2X,A6,I3)");
  return layout.text({h, k, l, tth, omega, chi, phi, fi, sigi, xseq, flags, nskip}) + "\n";
}

// A SHELX record with direction cosines.
inline std::string shelx(int h, int k, int l, float fi, float sigi, int batch, const std::array<float, 6>& dc) {
  static const ff::EditList layout("(3I4,F8.2,F8.2,I4,6F8.5)");
  return layout.text({h, k, l, fi, sigi, batch, dc[0], dc[1], dc[2], dc[3], dc[4], dc[5]}) + "\n";
}

}  // namespace korvex::test
