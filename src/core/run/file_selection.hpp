// File choice for the four slots, their units and open modes, and the
// format box for a reflection file whose extension is not recognised.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "run/dialog_layer.hpp"

namespace korvex {

struct Run;

// The dialog of slot 1..4: title, filters, flags, default extension.
FileDialogSettings fileDialogSettings(int slot);

// Browse handlers: OPEN_EXP, OPEN_PRINT, OPEN_INPUTDATA, OPEN_OUTPUTDATA.
void openExp(Run& run);
void openPrint(Run& run);
void openInputData(Run& run);
void openOutputData(Run& run);
void browse(Run& run, int slot);

// Opens a chosen path on the slot (steps 4 to 6 of a Browse): label,
// FILENAME, FILESET, the slot's warning on failure, CHECK_RUN. The command
// line chooses its files through this. Returns true when the file was opened;
// otherwise `failure` receives "cannot open print file 'x.prt': " and the
// system's reason.
bool openSlot(Run& run, int slot, const std::filesystem::path& path, std::string* failure = nullptr);

// GET_FORMAT for slot 3 or 4 (box 105): sets IFORMIN (slot 3) or IFORMOUT
// (slot 4) from the radio button clicked; unchanged when none was.
void getFormat(Run& run, int slot);
// RADIOFORMAT: radio 1051 checked gives format 0 to the slot FMTSLOT names,
// radio 1052 format 1 (SHELX).
void radioFormat(Run& run, bool firstChecked);
// The file name as the format box shows it: up to its first run of three
// blanks, and only the last 40 characters of a longer name.
std::string formatBoxName(const std::string& fileName);

// The extension as the run sequence finds it: the three characters after
// the first ".", or the first three of the name, raised to upper case.
std::string fileExtension(const std::string& name);

// The format a reflection file's name gives: for the input slot 3, 0 Drevik
// (INT) or 1 SHELX (HKL); for the output slot 4, 0 Tavok (ABS, AVG) or 1
// SHELX (HKL). Nothing when the extension names no format and the format box
// must ask.
std::optional<int> formatFromName(int slot, const std::string& name);

// A name as found in the folder of the last chosen file.
std::filesystem::path inRunFolder(const Run& run, const std::string& name);

}  // namespace korvex
