// korvex run and korvex build: choose the run's files as the Browse buttons
// would and press Run or Build Model.
#include <CLI/CLI.hpp>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_dialog.hpp"
#include "cli_plots.hpp"
#include "commands.hpp"
#include "files/same_file.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "run/run.hpp"
#include "run/run_sequence.hpp"
#include "run_options.hpp"
#include "run_summary.hpp"
#include "stop_signals.hpp"

namespace korvex::cli {

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Whether a reflection file's extension gives its format, as Run decides it
// (otherwise the format box would ask).
bool extensionKnown(int slot, const std::string& path) {
  return formatFromName(slot, std::filesystem::path(path).filename().string()).has_value();
}

// The answer the format box gets from a flag: radio 1051 for the first
// format, 1052 for SHELX.
std::optional<int> answerOf(const std::string& flag) {
  if (flag.empty()) return std::nullopt;
  return lower(flag) == "shelx" ? ctl::kFormatShelx : ctl::kFormatFirst;
}

// The format flags answer the box only where the extension names no format.
bool formatsKnown(const RunOptions& args, CliDialog& dialog) {
  const bool inKnown = extensionKnown(3, args.files[2]);
  const bool outKnown = extensionKnown(4, args.files[3]);
  if (!inKnown && args.inFormat.empty()) {
    std::cerr << "korvex: the format of input file " << args.files[2]
              << " is not known from its extension: give --in-format drevik or --in-format shelx\n";
    return false;
  }
  if (!outKnown && args.outFormat.empty()) {
    std::cerr << "korvex: the format of output file " << args.files[3]
              << " is not known from its extension: give --out-format tavok or --out-format shelx\n";
    return false;
  }
  if (inKnown && !args.inFormat.empty())
    std::cerr << "korvex: warning: --in-format is not used: the extension of " << args.files[2]
              << " gives the format\n";
  if (outKnown && !args.outFormat.empty())
    std::cerr << "korvex: warning: --out-format is not used: the extension of " << args.files[3]
              << " gives the format\n";
  dialog.inputFormatAnswer = answerOf(args.inFormat);
  dialog.outputFormatAnswer = answerOf(args.outFormat);
  return true;
}

// The number of lines of a regular file, or 0.
int linesOf(const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return 0;
  std::ifstream in(name, std::ios::binary);
  char buffer[1 << 16];
  long long lines = 0;
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    lines += std::count(buffer, buffer + in.gcount(), '\n');
  return static_cast<int>(std::min<long long>(lines, 2000000000));
}

// A file that is written must not be one the run reads or writes otherwise.
bool filesDistinct(const RunOptions& args) {
  std::vector<std::string> names = args.files;
  if (!args.summaryJson.empty()) names.push_back(args.summaryJson);
  const char* const roles[] = {"EXP", "PRT", "IN", "OUT", "--summary-json"};
  const auto written = [&](std::size_t n) { return n == 1 || n == 3 || n == 4; };
  for (std::size_t a = 0; a < names.size(); ++a)
    for (std::size_t b = a + 1; b < names.size(); ++b)
      if ((written(a) || written(b)) && files::sameFile(names[a], names[b])) {
        std::cerr << "korvex: " << roles[a] << " and " << roles[b] << " name the same file: " << names[b] << '\n';
        return false;
      }
  return true;
}

// --plots needs pictures in this build and a folder to put them in.
bool plotsUsable(const std::string& dir) {
  if (dir.empty()) return true;
  std::string why;
  if (!plotsAvailable(why)) {
    std::cerr << "korvex: --plots is not available: " << why << '\n';
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec)) {
    std::cerr << "korvex: --plots: " << dir << " is not a folder that can be made\n";
    return false;
  }
  return true;
}

// Whether a file is the program's standard output (OUT given as /dev/stdout):
// the summary line must not be appended to the corrected reflections.
bool isStandardOutput(const std::string& path) {
  struct stat named {}, out {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 && named.st_dev == out.st_dev &&
         named.st_ino == out.st_ino;
}

int press(const RunOptions& args, bool fullRun) {
  const auto start = std::chrono::steady_clock::now();
  CliDialog dialog(std::cerr);
  Run run(dialog);
  run.stop = stopOnSignals();
  run.state.work.threads = args.threads;
  run.state.work.referenceKernel = lower(args.kernel) == "reference";
  // Progress only where someone watches it: on a terminal, unless quiet.
  if (fullRun && !args.quiet && isatty(STDERR_FILENO) == 1) dialog.showProgress(linesOf(args.files[2]));

  if (!args.method.empty()) run.state.methodOverride = lower(args.method) == "exact" ? 1 : 0;
  if (fullRun && !formatsKnown(args, dialog)) return kUsage;
  if (!filesDistinct(args)) return kUsage;
  if (!plotsUsable(args.plotsDir)) return kUsage;

  // Slot order, as a user fills the window from the top. The first file
  // that cannot be opened stops here, before a later slot replaces an
  // existing output file for a run that will not happen.
  for (std::size_t n = 0; n < args.files.size(); ++n) {
    std::string failure;
    if (!openSlot(run, static_cast<int>(n) + 1, args.files[n], &failure)) {
      std::cerr << "korvex: " << failure << '\n';
      if (const int stopped = stopExitStatus()) return stopped;
      return kUsage;
    }
  }

  if (fullRun) runProg(run);
  else runBuild(run);
  leaveProgram(run);  // leaving the program closes the files
  if (const int stopped = stopExitStatus()) return stopped;
  const bool halted = run.state.HALTED == 1;

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (fullRun && !halted && !args.quiet)
    (isStandardOutput(args.files[3]) ? std::cerr : std::cout) << summaryLine(run, seconds) << '\n';
  // A pipeline that asked for the summary must not take a run without one
  // for a success.
  if (fullRun && !args.summaryJson.empty() && !writeSummaryJson(args.summaryJson, run, dialog, seconds)) {
    std::cerr << "korvex: the summary cannot be written to " << args.summaryJson << '\n';
    return kHalted;
  }
  if (!args.plotsDir.empty() && !writePlots(run, fullRun && !halted, args.plotsDir, args.quiet)) return kHalted;
  return halted ? kHalted : kSuccess;
}

}  // namespace

Command addRunCommand(CLI::App& app) {
  auto args = std::make_shared<RunOptions>();
  auto files = std::make_shared<std::array<std::string, 4>>();
  CLI::App* sub =
      app.add_subcommand("run", "Build the model from EXP, correct the reflections of IN into OUT, report to PRT.");
  sub->footer("The format of IN and OUT comes from the extension (.int Drevik, .hkl SHELX; .abs/.avg Tavok,\n"
              ".hkl SHELX); the flags give it only when the extension names none. The run ends with a line\n"
              "of counts and the transmission range on standard output.\n\n" +
              app.get_footer());
  sub->add_option("EXP", (*files)[0], "experiment file")->required();
  sub->add_option("PRT", (*files)[1], "print file (appended to)")->required();
  sub->add_option("IN", (*files)[2], "input reflection file")->required();
  sub->add_option("OUT", (*files)[3], "output reflection file (replaced)")->required();
  addDataOptions(*sub, *args);
  addSharedOptions(*sub, *args);
  return {sub, [args, files] {
            args->files.assign(files->begin(), files->end());
            return press(*args, true);
          }};
}

Command addBuildCommand(CLI::App& app) {
  auto args = std::make_shared<RunOptions>();
  auto files = std::make_shared<std::array<std::string, 2>>();
  CLI::App* sub = app.add_subcommand("build", "Build the model from EXP and report it to PRT (appended to).");
  sub->add_option("EXP", (*files)[0], "experiment file")->required();
  sub->add_option("PRT", (*files)[1], "print file (appended to)")->required();
  addSharedOptions(*sub, *args);
  return {sub, [args, files] {
            args->files.assign(files->begin(), files->end());
            return press(*args, false);
          }};
}

}  // namespace korvex::cli
