// Whole-run comparison: run the command-line program in a scratch folder
// holding a case's input files, then compare every expected file line by
// line, with the lines that carry the date, the version or the program's
// own reference masked.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvex::golden {

struct RunResult {
  int exitStatus = -1;
  std::string stdoutText, stderrText;
};

// Copies every file of inputDir into workDir and runs the program there
// with the arguments (the program's name is not among them).
RunResult runInFolder(const std::filesystem::path& inputDir, const std::filesystem::path& workDir,
                      const std::vector<std::string>& args);

// The lines of a file with the run's own lines masked: in a print file the
// four version lines of every banner and the run-date line; in a CIF
// fragment the line after "_computing_data_reduction".
std::vector<std::string> maskedLines(const std::string& fileName, const std::string& content);

// Compares every file of expectedDir with the file of the same name in
// workDir; returns one description per difference (file, line, both texts),
// and one per file in workDir that is neither expected nor an unchanged copy
// of a file of inputDir.
std::vector<std::string> compareFolder(const std::filesystem::path& expectedDir,
                                       const std::filesystem::path& workDir, const std::filesystem::path& inputDir);

// The words of a command line, e.g. "korvex run a.exp a.prt a.int a.abs".
std::vector<std::string> splitWords(const std::string& text);

}  // namespace korvex::golden
