#include "cli_dialog.hpp"

#include <ostream>
#include <sstream>

#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"

namespace korvex::cli {

void CliDialog::setText(int control, std::string_view text) {
  if (control == ctl::kStatus) status_ = std::string(text);
}

void CliDialog::showProgress(int inputLines) {
  progressWanted_ = true;
  inputLines_ = inputLines;
}

void CliDialog::progress(const ProcessingProgress& p) {
  if (!progressWanted_) return;
  if (p.finished) {
    clearProgress();
    return;
  }
  std::ostringstream line;
  line << "korvex: ";
  if (p.pass > 1) line << "pass " << p.pass << " after rescaling: ";
  line << p.reflections;
  // The input's lines give the total, since each record takes about as many
  // lines as the ones read so far.
  if (inputLines_ > 0 && p.linesRead > 0)
    line << " of about "
         << static_cast<long long>(static_cast<double>(p.recordsRead) * inputLines_ / p.linesRead + 0.5);
  line << " reflections";
  // The rate once there is enough of the pass to measure it.
  if (p.seconds >= 0.2) line << ", " << static_cast<long long>(p.reflections / p.seconds + 0.5) << " a second";
  err_ << "\r\x1b[K" << line.str() << std::flush;
  progressOnScreen_ = true;
}

void CliDialog::clearProgress() {
  if (!progressOnScreen_) return;
  err_ << "\r\x1b[K" << std::flush;
  progressOnScreen_ = false;
}

void CliDialog::fatalBox(std::string_view message) {
  clearProgress();
  fatal_ = std::string(ff::trimRight(message));
  err_ << "korvex: fatal error: " << fatal_ << '\n';
}

void CliDialog::warningBox(std::string_view message) {
  clearProgress();
  warnings_.emplace_back(ff::trimRight(message));
  err_ << "korvex: warning: " << warnings_.back() << '\n';
}

void CliDialog::note(std::string_view text) {
  clearProgress();
  err_ << "korvex: note: " << text << '\n';
}

std::optional<int> CliDialog::formatBox(int slot, std::string_view, std::string_view) {
  return slot == 3 ? inputFormatAnswer : outputFormatAnswer;
}

std::optional<std::filesystem::path> CliDialog::fileDialog(const FileDialogSettings&, std::string&) {
  // The command line names its files; it never asks for one.
  return std::nullopt;
}

}  // namespace korvex::cli
