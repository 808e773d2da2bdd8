// Placeholder: replaced by the file-selection implementation.
#include "run/file_selection.hpp"
#include "run/run.hpp"
namespace korvex {
FileDialogSpec fileDialogSpec(int) { return {}; }
void openExp(Run&) {}
void openPrint(Run&) {}
void openInputData(Run&) {}
void openOutputData(Run&) {}
void browse(Run&, int) {}
bool openSlot(Run&, int, const std::filesystem::path&) { return false; }
void getFormat(Run&, int) {}
std::string fileExtension(const std::string&) { return {}; }
std::filesystem::path inRunFolder(const Run& run, const std::string& name) { return run.state.folder / name; }
}  // namespace korvex
