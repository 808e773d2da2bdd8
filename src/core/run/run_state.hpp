// The state of a run: the four file slots, the model-built and halted flags
// and the reflection formats.
#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace korvex {

inline constexpr std::size_t kFileNameLength = 512;

// How a run does its work; none of these changes a result.
struct WorkOptions {
  int threads = 0;               // reflections corrected at once: 0 every core, 1 one at a time
  bool referenceKernel = false;  // integrate with the plain reference loops
};

struct RunState {
  // Slots 1..4 are [0..3]: experiment, print, input reflection, output reflection.
  std::array<int, 4> FILESET{};
  // Name without its directory, blank-padded to 512 characters.
  std::array<std::string, 4> FILENAME{std::string(kFileNameLength, ' '), std::string(kFileNameLength, ' '),
                                      std::string(kFileNameLength, ' '), std::string(kFileNameLength, ' ')};
  // The file dialog's buffer per slot: the full path last chosen.
  std::array<std::string, 4> FILEBUF{};
  // The path each slot's file was opened from (while FILESET is 1), so that a
  // file about to be written is never one the run already uses.
  std::array<std::filesystem::path, 4> openPath{};
  int MODELBUILT = 0;
  int HALTED = 0;
  int IFORMIN = 0;   // 0 Drevik, 1 SHELX
  int IFORMOUT = 0;  // 0 Tavok, 1 SHELX
  int FMTSLOT = 0;
  // The folder of the file chosen last: names that are not opened through a
  // slot (the CIF fragment, the grid listing, the viewer) are taken in it.
  std::filesystem::path folder = ".";
  // Set by CLOSE_PROGRAM: the run has ended, and only the view buttons and
  // Exit remain. The handlers of the disabled buttons do nothing then.
  bool ended = false;
  // Whether the "PSI > 70 DEG" warning has been given since program start.
  bool psiWarningGiven = false;
  WorkOptions work;
  // The integration method chosen outside the experiment file (command line,
  // window): 0 the Gaussian grid, 1 exact; -1 leaves it to the METHOD card.
  int methodOverride = -1;
};

}  // namespace korvex
