#include "reflections/reflections_support.hpp"

#include "experiment/experiment_state.hpp"
#include "fixedformat/edit_list.hpp"

namespace korvex::test {

namespace {
const ff::EditList kDrevik("(3I3,4F8.3,F12.3,F8.3,F7.0,2X,A6,I3)");
const ff::EditList kShelx("(3I4,F8.2,F8.2,I4,6F8.5)");

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}
}  // namespace

ReflectionRun::ReflectionRun() {
  resetForNewFile(run.exp);
  run.exp.TITLE = ff::padded(" test crystal", 80);
  run.files.output.attach(&output);
  run.state.FILESET = {1, 1, 1, 1};
}

void ReflectionRun::inputFrom(const std::string& text, int format) {
  input.str(text);
  input.clear();
  run.files.input.attach(&input);
  run.state.IFORMIN = format;
}

std::vector<std::string> ReflectionRun::outputLines() const { return splitLines(output.str()); }
std::vector<std::string> ReflectionRun::printLines() { return splitLines(printText()); }

std::string drevik(int h, int k, int l, float tth, float om, float chi, float phi, float fi, float sigi, float xseq,
                   const std::string& flags, int nskip) {
  return kDrevik.text({h, k, l, tth, om, chi, phi, fi, sigi, xseq, flags, nskip}) + "\n";
}

std::string shelx(int h, int k, int l, float fi, float sigi, int batch, const std::array<float, 6>& dc) {
  return kShelx.text({h, k, l, fi, sigi, batch, dc[0], dc[1], dc[2], dc[3], dc[4], dc[5]}) + "\n";
}

}  // namespace korvex::test
