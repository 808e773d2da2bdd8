#include "run/file_selection.hpp"

#include "files/same_file.hpp"
#include "fixedformat/edit_list.hpp"
#include "run/controls.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "run/run_sequence.hpp"

namespace korvex {

namespace {

struct SlotInfo {
  const char* warning;      // reported when the chosen file cannot be opened
  const char* emptyLabel;   // the label of a slot left without a file
  const char* name;         // the file, as a note names it
};

const SlotInfo kSlots[4] = {
    {"ERROR OPENING EXPERIMENT FILE", " ", "experiment file"},
    {"ERROR OPENING PRINT FILE", "No file selected", "print file"},
    {"ERROR OPENING INPUT DATA FILE", "No file selected", "input reflection file"},
    {"ERROR OPENING OUTPUT DATA FILE", "No file selected", "output reflection file"},
};

bool validSlot(int slot) { return slot >= 1 && slot <= 4; }

// Closes the unit of a slot: experiment 3, print 4, input 1, output 2.
void closeUnit(Run& run, int slot) {
  switch (slot) {
    case 1: run.files.experiment.close(); break;
    case 2: run.files.print.close(); break;
    case 3: run.files.input.close(); break;
    case 4: run.files.output.close(); break;
    default: break;
  }
}

// Opens the path on the slot's unit in the slot's mode: the experiment and
// input files existing and read only, the print file appended to (created
// when new, and locked against other runs), the output file to be replaced
// when the run finishes. On failure, the system's reason.
std::optional<std::string> openUnit(Run& run, int slot, const std::filesystem::path& path) {
  RunFiles& f = run.files;
  switch (slot) {
    case 1: return f.experiment.open(path, run.stop) ? std::nullopt : std::optional(f.experiment.openError());
    case 2: return f.print.open(path, true, run.stop) ? std::nullopt : std::optional(f.print.openError());
    case 3: return f.input.open(path, run.stop) ? std::nullopt : std::optional(f.input.openError());
    case 4: return f.output.open(path, run.stop) ? std::nullopt : std::optional(f.output.openError());
    default: return "no such slot";
  }
}

// Whether the path names a file that another open slot uses, when one of
// the two is written (print or output file). Opening the output file on the
// input file would empty it before a reflection is read; appending the report
// to the experiment file would corrupt it.
bool clashesWithOpenSlot(const RunState& s, int slot, const std::filesystem::path& path) {
  const auto writes = [](int n) { return n == 2 || n == 4; };
  for (int other = 1; other <= 4; ++other) {
    const auto k = static_cast<std::size_t>(other - 1);
    if (other == slot || s.FILESET[k] != 1 || !(writes(slot) || writes(other))) continue;
    if (files::sameFile(path, s.openPath[k])) return true;
  }
  return false;
}

}  // namespace

FileDialogSettings fileDialogSettings(int slot) {
  FileDialogSettings d;
  d.slot = slot;
  switch (slot) {
    case 1:
      d.title = "Open Experiment File";
      d.filters = {{"All Files", "*.*"}, {"Experiment", "*.exp"}};
      d.mustExist = true;
      d.readOnlyBox = true;
      break;
    case 2:
      d.title = "Open Print File";
      d.filters = {{"All Files", "*.*"}, {"Print", "*.prt"}, {"Log", "*.log"}};
      break;
    case 3:
      d.title = "Open Input Data File";
      d.filters = {{"All Files", "*.*"}, {"Drevik", "*.int"}, {"SHELX hkl", "*.hkl"}};
      d.mustExist = true;
      d.readOnlyBox = true;
      break;
    case 4:
      d.save = true;
      d.title = "Open Output Data File";
      d.filters = {{"All Files", "*.*"}, {"Tavok", "*.abs"}, {"SHELX hkl", "*.hkl"}};
      d.confirmOverwrite = true;
      break;
    default:
      break;
  }
  return d;
}

void browse(Run& run, int slot) {
  RunState& s = run.state;
  if (!validSlot(slot) || s.ended) return;  // the Browse buttons are disabled once the run has ended
  const auto n = static_cast<std::size_t>(slot - 1);
  if (s.FILESET[n] == 1) {
    // Offer the current file's name, and let the slot go until a file is chosen.
    s.FILEBUF[n] = std::string(ff::trimRight(s.FILENAME[n]));
    closeUnit(run, slot);
    s.FILESET[n] = 0;
  }
  const std::optional<std::filesystem::path> chosen = run.ui.fileDialog(fileDialogSettings(slot), s.FILEBUF[n]);
  if (!chosen) {
    run.ui.setText(ctl::labelOf(slot), kSlots[n].emptyLabel);
    checkRun(run);
    return;
  }
  std::string failure;
  if (!openSlot(run, slot, *chosen, &failure)) run.ui.note(failure);
}

void openExp(Run& run) { browse(run, 1); }
void openPrint(Run& run) { browse(run, 2); }
void openInputData(Run& run) { browse(run, 3); }
void openOutputData(Run& run) { browse(run, 4); }

bool openSlot(Run& run, int slot, const std::filesystem::path& path, std::string* failure) {
  RunState& s = run.state;
  if (!validSlot(slot) || s.ended) return false;
  const auto n = static_cast<std::size_t>(slot - 1);
  if (s.FILESET[n] == 1) {
    closeUnit(run, slot);
    s.FILESET[n] = 0;
  }
  const std::string name = path.filename().string();
  std::optional<std::string> reason;
  if (name.empty()) reason = "not a file name";
  else if (clashesWithOpenSlot(s, slot, path)) reason = "the run already uses this file";
  else reason = openUnit(run, slot, path);
  if (!reason) {
    s.openPath[n] = path;
    run.ui.setText(ctl::labelOf(slot), name);
    s.FILENAME[n] = ff::padded(name, kFileNameLength);
    s.FILESET[n] = 1;
    // Names that are not opened through a slot (the grid listing, the CIF
    // fragment, the viewer) are taken in the folder of the file chosen last.
    const std::filesystem::path folder = path.parent_path();
    s.folder = folder.empty() ? std::filesystem::path(".") : folder;
    checkRun(run);
    return true;
  }
  if (failure != nullptr)
    *failure = std::string("cannot open ") + kSlots[n].name + " '" + path.string() + "': " + *reason;
  warning(run, kSlots[n].warning);
  s.FILESET[n] = 0;
  s.FILENAME[n] = ff::padded("", kFileNameLength);
  run.ui.setText(ctl::labelOf(slot), kSlots[n].emptyLabel);
  checkRun(run);
  return false;
}

std::string formatBoxName(const std::string& fileName) {
  const std::string name = ff::padded(fileName, kFileNameLength);
  const std::size_t end = std::min(firstBlankRun(name, 3), name.size());
  const std::size_t start = end > 40 ? end - 40 : 0;
  return name.substr(start, end - start);
}

void getFormat(Run& run, int slot) {
  if (slot != 3 && slot != 4) return;
  RunState& s = run.state;
  s.FMTSLOT = slot;
  const std::optional<int> clicked =
      run.ui.formatBox(slot, formatBoxName(s.FILENAME[static_cast<std::size_t>(slot - 1)]),
                       slot == 3 ? "Drevik" : "Tavok abs/avg");
  if (clicked) radioFormat(run, *clicked == ctl::kFormatFirst);
}

void radioFormat(Run& run, bool firstChecked) {
  const int format = firstChecked ? 0 : 1;
  if (run.state.FMTSLOT == 3) run.state.IFORMIN = format;
  if (run.state.FMTSLOT == 4) run.state.IFORMOUT = format;
}

std::string fileExtension(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::size_t start = dot == std::string::npos ? 0 : dot + 1;
  std::string ext = ff::padded(start < name.size() ? std::string_view(name).substr(start) : std::string_view{}, 3);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext;
}

std::optional<int> formatFromName(int slot, const std::string& name) {
  const std::string ext = fileExtension(name);
  if (ext == "HKL") return 1;
  if (slot == 3 && ext == "INT") return 0;
  if (slot == 4 && (ext == "ABS" || ext == "AVG")) return 0;
  return std::nullopt;
}

std::filesystem::path inRunFolder(const Run& run, const std::string& name) {
  return run.state.folder / std::string(ff::trimRight(name));
}

}  // namespace korvex
