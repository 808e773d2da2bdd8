// The dialog layer: what the run code needs from a windowing toolkit. The
// command line, the desktop window and a recording fake in the tests
// implement it, so the run sequence is the same code whoever drives it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex {

// One common file dialog: the Browse button of a file slot.
struct FileDialogSettings {
  int slot = 0;                 // 1 experiment, 2 print, 3 input, 4 output
  bool save = false;            // save dialog (output file) rather than open dialog
  std::string title;            // "Open Experiment File", ...
  std::vector<std::pair<std::string, std::string>> filters;  // (name, pattern)
  int initialFilter = 2;        // 1-based: the second filter is selected first
  bool mustExist = false;       // the chosen file must exist
  bool readOnlyBox = false;     // read-only box shown and ticked
  bool confirmOverwrite = false;
  std::string defaultExtension = "exp";  // added to a name typed without one
};

// Where a processing pass has got to.
struct ProcessingProgress {
  int pass = 1;           // 2, 3, ... after each rescaling
  int reflections = 0;    // corrected so far in this pass
  int recordsRead = 0;    // read from the input file so far (reading runs ahead)
  int linesRead = 0;      // the lines those records took
  double seconds = 0.0;   // since the pass started
  bool finished = false;  // the pass has ended
};

class DialogLayer {
 public:
  virtual ~DialogLayer() = default;

  // Main window controls (ids of run/controls.hpp).
  virtual void setText(int control, std::string_view text) = 0;
  virtual void setEnabled(int control, bool enabled) = 0;
  // Updates the window at once, during long work.
  virtual void redraw() = 0;

  // Modal boxes, titled "Korvex 6.1": the fatal-error box (103) and the
  // warning box (104); they return when OK is pressed.
  virtual void fatalBox(std::string_view message) = 0;
  virtual void warningBox(std::string_view message) = 0;

  // A remark for the user that needs no answer and changes nothing in the
  // run (an experiment-file line not read as a card). It is not a message of
  // the print file: the command line writes it on standard error, the window
  // shows it in its message area.
  virtual void note(std::string_view text) = 0;

  // The progress of the processing loop, for a front end that shows more
  // than the status line (which shows the reflection's number); at most ten
  // times a second, and once when a pass ends.
  virtual void progress(const ProcessingProgress&) {}

  // The format box (105) for a reflection file of slot 3 or 4. shownName is
  // the file name as the box shows it, firstLabel the text of radio 1051.
  // Returns the id of the radio button last clicked (1051 or 1052), or
  // nothing when OK was pressed without a click.
  virtual std::optional<int> formatBox(int slot, std::string_view shownName,
                                       std::string_view firstLabel) = 0;

  // A common file dialog. fileBuffer holds the name to offer and receives
  // the full path chosen. Returns the chosen path, or nothing when cancelled.
  virtual std::optional<std::filesystem::path> fileDialog(const FileDialogSettings& settings,
                                                          std::string& fileBuffer) = 0;

  // Shows a text file in the viewer and waits until it is closed.
  virtual void viewFile(const std::filesystem::path& file) = 0;
};

}  // namespace korvex
