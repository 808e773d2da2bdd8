// What the benchmarks share: a dialog layer that shows nothing.
#pragma once

#include "run/dialog_layer.hpp"

namespace korvex::bench {

class SilentDialog : public DialogLayer {
 public:
  void setText(int, std::string_view) override {}
  void setEnabled(int, bool) override {}
  void redraw() override {}
  void fatalBox(std::string_view) override {}
  void warningBox(std::string_view) override {}
  void note(std::string_view) override {}
  std::optional<int> formatBox(int, std::string_view, std::string_view) override { return std::nullopt; }
  std::optional<std::filesystem::path> fileDialog(const FileDialogSettings&, std::string&) override {
    return std::nullopt;
  }
  void viewFile(const std::filesystem::path&) override {}
};

}  // namespace korvex::bench
