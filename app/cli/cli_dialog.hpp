// The dialog layer of the command line: no window, so control texts and
// states are kept only to be asked for, boxes become one line each on
// standard error, and the format box is answered from the command line.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "run/dialog_layer.hpp"

namespace korvex::cli {

class CliDialog : public DialogLayer {
 public:
  explicit CliDialog(std::ostream& err) : err_(err) {}

  void setText(int control, std::string_view text) override;
  void setEnabled(int control, bool enabled) override { enabled_[control] = enabled; }
  void redraw() override {}
  void fatalBox(std::string_view message) override;
  void warningBox(std::string_view message) override;
  void note(std::string_view text) override;
  std::optional<int> formatBox(int slot, std::string_view shownName, std::string_view firstLabel) override;
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings& settings, std::string& fileBuffer) override;
  void viewFile(const std::filesystem::path&) override {}
  void progress(const ProcessingProgress& p) override;

  // Shows the progress of long runs as one line on standard error, kept up
  // to date in place: the count, the total expected from the lines of the
  // input file (inputLines; 0 when not known) and the rate.
  void showProgress(int inputLines);

  // The answers of the format box for slot 3 and slot 4: the radio button's
  // id (1051 or 1052), or nothing to press OK without a click.
  std::optional<int> inputFormatAnswer;
  std::optional<int> outputFormatAnswer;

  const std::string& status() const { return status_; }
  // What the boxes showed, for the run's summary.
  const std::vector<std::string>& warnings() const { return warnings_; }
  const std::string& fatalMessage() const { return fatal_; }

 private:
  std::ostream& err_;
  std::map<int, bool> enabled_;
  std::string status_;
  std::vector<std::string> warnings_;
  std::string fatal_;
  bool progressWanted_ = false;
  bool progressOnScreen_ = false;
  int inputLines_ = 0;

  void clearProgress();
};

}  // namespace korvex::cli
