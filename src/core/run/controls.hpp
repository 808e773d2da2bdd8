// Control ids of the main window and its boxes. The run code refers to
// controls by these ids through the dialog layer.
#pragma once

namespace korvex::ctl {

inline constexpr int kExit = 3;
inline constexpr int kBrowseExperiment = 1001;
inline constexpr int kBrowsePrint = 1006;
inline constexpr int kBrowseInput = 1012;
inline constexpr int kBrowseOutput = 1015;
inline constexpr int kReset = 1004;
inline constexpr int kRun = 1009;
inline constexpr int kBuildModel = 1016;
inline constexpr int kViewPrint = 1017;
inline constexpr int kViewOutput = 1018;
inline constexpr int kViewCif = 1019;
inline constexpr int kLabelExperiment = 1010;
inline constexpr int kLabelPrint = 1008;
inline constexpr int kLabelInput = 1011;
inline constexpr int kLabelOutput = 1014;
inline constexpr int kStatus = 1029;
inline constexpr int kOrigin = 1030;

// Format box (dialog 105).
inline constexpr int kFormatFirst = 1051;   // "Drevik" / "Tavok abs/avg"
inline constexpr int kFormatShelx = 1052;   // "Shelx hkl"

// Browse button and file-name label of slot n (1..4).
inline constexpr int browseOf(int slot) {
  return slot == 1 ? kBrowseExperiment : slot == 2 ? kBrowsePrint : slot == 3 ? kBrowseInput : kBrowseOutput;
}
inline constexpr int labelOf(int slot) {
  return slot == 1 ? kLabelExperiment : slot == 2 ? kLabelPrint : slot == 3 ? kLabelInput : kLabelOutput;
}

}  // namespace korvex::ctl
