#include "golden/golden_support.hpp"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_support.hpp"

namespace korvex::golden {

namespace fs = std::filesystem;

namespace {
std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}
}  // namespace

RunResult runInFolder(const fs::path& inputDir, const fs::path& workDir, const std::vector<std::string>& args) {
  fs::create_directories(workDir);
  for (const auto& entry : fs::directory_iterator(inputDir)) {
    if (entry.is_regular_file()) {
      fs::copy_file(entry.path(), workDir / entry.path().filename(), fs::copy_options::overwrite_existing);
      fs::permissions(workDir / entry.path().filename(), fs::perms::owner_read | fs::perms::owner_write,
                      fs::perm_options::add);
    }
  }
  std::string cmd = "cd " + shellQuote(workDir.string()) + " && " + shellQuote(KORVEX_BINARY);
  for (const std::string& a : args) cmd += " " + shellQuote(a);
  cmd += " < /dev/null > .korvex_stdout 2> .korvex_stderr";
  const int status = std::system(cmd.c_str());
  RunResult r;
  r.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.stdoutText = test::readFile(workDir / ".korvex_stdout");
  r.stderrText = test::readFile(workDir / ".korvex_stderr");
  fs::remove(workDir / ".korvex_stdout");
  fs::remove(workDir / ".korvex_stderr");
  return r;
}

std::vector<std::string> maskedLines(const std::string& fileName, const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(content);
  while (std::getline(in, line)) lines.push_back(line);
  if (!content.empty() && content.back() == '\n') lines.emplace_back();  // the empty text after the last newline
  std::string lower = fileName;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".cif") == 0) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      if (lines[i] == "_computing_data_reduction") lines[i + 1] = "<own>";
    return lines;
  }
  const std::string banner(76, '*');
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == banner && i + 12 < lines.size() && lines[i + 12] == banner)
      for (std::size_t j = i + 6; j < i + 10; ++j) lines[j] = "<own>";
    if (lines[i].rfind("         KORVEX RUN ON: ", 0) == 0) lines[i] = "<own>";
  }
  return lines;
}

std::vector<std::string> compareFolder(const fs::path& expectedDir, const fs::path& workDir,
                                       const fs::path& inputDir) {
  std::vector<std::string> problems;
  // Besides the expected files the run leaves its inputs as they were, and
  // nothing else: no temporary file, no output of a run that halted.
  for (const auto& entry : fs::directory_iterator(workDir)) {
    const fs::path name = entry.path().filename();
    if (fs::exists(expectedDir / name)) continue;
    if (!fs::exists(inputDir / name)) problems.push_back(name.string() + ": written, not expected");
    else if (test::readFile(inputDir / name) != test::readFile(entry.path()))
      problems.push_back(name.string() + ": an input that the run changed");
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(expectedDir))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& want : files) {
    const std::string name = want.filename().string();
    const fs::path got = workDir / name;
    if (!fs::exists(got)) {
      problems.push_back(name + ": not written");
      continue;
    }
    const auto a = maskedLines(name, test::readFile(want));
    const auto b = maskedLines(name, test::readFile(got));
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      const std::string x = i < a.size() ? a[i] : "<end of file>";
      const std::string y = i < b.size() ? b[i] : "<end of file>";
      if (x != y) {
        problems.push_back(name + " line " + std::to_string(i + 1) + ":\n  expected \"" + x + "\"\n  got      \"" + y +
                           "\"");
        break;
      }
    }
  }
  return problems;
}

std::vector<std::string> splitWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

}  // namespace korvex::golden
