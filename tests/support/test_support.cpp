#include "support/test_support.hpp"

#include <algorithm>
#include <fstream>
#include <random>

#include "files/file_error.hpp"
#include "run/controls.hpp"

namespace korvex::test {

void RecordingDialog::setText(int control, std::string_view t) {
  text[control] = std::string(t);
  if (control == ctl::kStatus) statusHistory.emplace_back(t);
}

void RecordingDialog::setEnabled(int control, bool e) { enabled[control] = e; }

std::optional<int> RecordingDialog::formatBox(int slot, std::string_view shownName, std::string_view firstLabel) {
  formatBoxesShown.emplace_back(slot, std::string(shownName));
  formatBoxLabels.emplace_back(firstLabel);
  if (formatAnswers.empty()) return std::nullopt;
  auto a = formatAnswers.front();
  formatAnswers.erase(formatAnswers.begin());
  return a;
}

std::optional<std::filesystem::path> RecordingDialog::fileDialog(const FileDialogSettings& settings, std::string& buffer) {
  fileDialogsShown.push_back(settings);
  fileBuffersOffered.push_back(buffer);
  if (fileAnswers.empty()) return std::nullopt;
  auto a = fileAnswers.front();
  fileAnswers.erase(fileAnswers.begin());
  if (a) buffer = a->string();
  return a;
}

TestRun::TestRun() : run(dialog) {
  run.files.print.attach(&print);
  run.state.FILESET[1] = 1;
  run.clock = [] { return std::string("Tue Dec  8 00:00:00 2026"); };
}

std::string TestRun::printText() {
  run.files.print.flush();
  std::string s = print.str();
  // The last record's line end is held back until the next record; show it.
  if (!s.empty() && s.back() != '\n') s += '\n';
  return s;
}

void TestRun::experimentFrom(const std::string& t) {
  experiment.str(t);
  experiment.clear();
  run.files.experiment.attach(&experiment);
  run.state.FILESET[0] = 1;
}

std::size_t ScriptedSource::read(char* data, std::size_t size) {
  if (at_ == text_.size() && failAtEnd_) throw files::FileError("READING", "TEST FILE", "-", "Input/output error");
  const std::size_t n = std::min({size, piece_, text_.size() - at_});
  text_.copy(data, n, at_);
  at_ += n;
  return n;
}

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("korvex_test_" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void writeFile(const std::filesystem::path& p, const std::string& t) {
  std::ofstream f(p, std::ios::binary);
  f << t;
}

}  // namespace korvex::test
