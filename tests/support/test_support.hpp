// Helpers shared by the tests: a recording dialog layer, a run whose print
// file is captured in memory, and the exact-message check for fatal errors.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "files/byte_source.hpp"
#include "run/dialog_layer.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex::test {

// Records everything the run code asks of the window.
class RecordingDialog : public DialogLayer {
 public:
  void setText(int control, std::string_view text) override;
  void setEnabled(int control, bool enabled) override;
  void redraw() override { ++redraws; }
  void fatalBox(std::string_view message) override { fatalBoxes.emplace_back(message); }
  void warningBox(std::string_view message) override { warningBoxes.emplace_back(message); }
  void note(std::string_view text) override { notes.emplace_back(text); }
  std::optional<int> formatBox(int slot, std::string_view shownName, std::string_view firstLabel) override;
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings& settings, std::string& fileBuffer) override;
  void viewFile(const std::filesystem::path& file) override { viewed.push_back(file); }

  std::map<int, std::string> text;       // control -> last text set
  std::map<int, bool> enabled;           // control -> last enabled state
  std::vector<std::string> statusHistory;  // every text of the status line
  std::vector<std::string> fatalBoxes, warningBoxes, notes;
  std::vector<std::filesystem::path> viewed;
  int redraws = 0;
  // Answers for the format box and the file dialogs, used in order.
  std::vector<std::optional<int>> formatAnswers;
  std::vector<std::optional<std::filesystem::path>> fileAnswers;
  std::vector<FileDialogSettings> fileDialogsShown;
  std::vector<std::pair<int, std::string>> formatBoxesShown;  // slot, shown name
  std::vector<std::string> formatBoxLabels;    // the text of radio 1051 of each format box
  std::vector<std::string> fileBuffersOffered;  // the file buffer as each file dialog opened
};

// A run with a recording dialog and the print file captured in memory.
struct TestRun {
  TestRun();
  // The streams come before the run so that they outlive its files, which
  // flush into them when the run is destroyed.
  std::ostringstream print;
  std::istringstream experiment;
  RecordingDialog dialog;
  Run run;
  // The print file as written so far (records ended).
  std::string printText();
  // Feeds an experiment file from text (slot 1, open).
  void experimentFrom(const std::string& text);
};

// A source of bytes that gives its text a few bytes per read and then, if
// asked to, fails as a device does (EIO) instead of reaching the end.
class ScriptedSource : public files::ByteSource {
 public:
  ScriptedSource(std::string text, std::size_t piece, bool failAtEnd = false)
      : text_(std::move(text)), piece_(piece), failAtEnd_(failAtEnd) {}
  std::size_t read(char* data, std::size_t size) override;
  void rewind() override { at_ = 0; }

 private:
  std::string text_;
  std::size_t piece_, at_ = 0;
  bool failAtEnd_;
};

// A fresh temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& p);
void writeFile(const std::filesystem::path& p, const std::string& text);

}  // namespace korvex::test

// Expects the statement to raise a fatal error with exactly this message
// (trailing blanks ignored).
#define EXPECT_FATAL(statement, expected_message)                                   \
  do {                                                                              \
    try {                                                                           \
      statement;                                                                    \
      ADD_FAILURE() << "no fatal error; expected: " << (expected_message);          \
    } catch (const ::korvex::FatalError& fatal__) {                                 \
      EXPECT_EQ(std::string(fatal__.what()), std::string(expected_message));        \
    }                                                                               \
  } while (0)
