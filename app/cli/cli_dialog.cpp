#include "cli_dialog.hpp"

#include <ostream>

#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"

namespace korvex::cli {

void CliDialog::setText(int control, std::string_view text) {
  if (control == ctl::kStatus) status_ = std::string(text);
}

void CliDialog::fatalBox(std::string_view message) {
  fatal_ = std::string(ff::trimRight(message));
  err_ << "korvex: fatal error: " << fatal_ << '\n';
}

void CliDialog::warningBox(std::string_view message) {
  warnings_.emplace_back(ff::trimRight(message));
  err_ << "korvex: warning: " << warnings_.back() << '\n';
}

void CliDialog::note(std::string_view text) { err_ << "korvex: note: " << text << '\n'; }

std::optional<int> CliDialog::formatBox(int slot, std::string_view, std::string_view) {
  return slot == 3 ? inputFormatAnswer : outputFormatAnswer;
}

std::optional<std::filesystem::path> CliDialog::fileDialog(const FileDialogSettings&, std::string&) {
  // The command line names its files; it never asks for one.
  return std::nullopt;
}

}  // namespace korvex::cli
