// A dialog layer that shows nothing and answers nothing, for runs with no
// user in front of them (benchmarks, fuzzing, a program that calls the
// library): the run's messages are in its print file, and the last fatal
// box's text is kept for the caller.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "run/dialog_layer.hpp"

namespace korvex {

class SilentDialog : public DialogLayer {
 public:
  void setText(int, std::string_view) override {}
  void setEnabled(int, bool) override {}
  void redraw() override {}
  void fatalBox(std::string_view message) override { fatal = std::string(message); }
  void warningBox(std::string_view) override {}
  void note(std::string_view) override {}
  std::optional<int> formatBox(int, std::string_view, std::string_view) override { return std::nullopt; }
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings&, std::string&) override {
    return std::nullopt;
  }
  void viewFile(const std::filesystem::path&) override {}

  std::string fatal;  // the text of the last fatal box
};

}  // namespace korvex
