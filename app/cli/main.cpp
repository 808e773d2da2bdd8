// The command line: chooses the run's files as the Browse buttons would and
// presses Build Model or Run.
//
//   korvex run EXP PRT IN OUT [--in-format drevik|shelx] [--out-format tavok|shelx]
//   korvex build EXP PRT
//
// Exit status: 0 the run (or build) finished; 1 it halted on a fatal error;
// 2 a usage error: bad arguments, a reflection file whose format neither its
// extension nor a flag gives, or a file that cannot be opened. Nothing is
// pressed after a usage error, so no run writes a partial report.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli_dialog.hpp"
#include "run/controls.hpp"
#include "run/file_selection.hpp"
#include "run/run.hpp"
#include "run/run_sequence.hpp"

namespace {

constexpr int kSuccess = 0;
constexpr int kHalted = 1;
constexpr int kUsage = 2;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Whether a reflection file's extension gives its format, as Run decides it
// (otherwise the format box would ask).
bool extensionKnown(int slot, const std::string& path) {
  return korvex::formatFromName(slot, std::filesystem::path(path).filename().string()).has_value();
}

// The answer the format box gets from a flag: radio 1051 for the first
// format, 1052 for SHELX.
std::optional<int> answerOf(const std::string& flag) {
  if (flag.empty()) return std::nullopt;
  return lower(flag) == "shelx" ? korvex::ctl::kFormatShelx : korvex::ctl::kFormatFirst;
}

struct Arguments {
  std::vector<std::string> files;  // EXP PRT [IN OUT]
  std::string inFormat, outFormat;
};

int press(const Arguments& args, bool fullRun) {
  korvex::cli::CliDialog dialog(std::cerr);
  korvex::Run run(dialog);

  if (fullRun) {
    const bool inKnown = extensionKnown(3, args.files[2]);
    const bool outKnown = extensionKnown(4, args.files[3]);
    if (!inKnown && args.inFormat.empty()) {
      std::cerr << "korvex: the format of input file " << args.files[2]
                << " is not known from its extension: give --in-format drevik or --in-format shelx\n";
      return kUsage;
    }
    if (!outKnown && args.outFormat.empty()) {
      std::cerr << "korvex: the format of output file " << args.files[3]
                << " is not known from its extension: give --out-format tavok or --out-format shelx\n";
      return kUsage;
    }
    if (inKnown && !args.inFormat.empty())
      std::cerr << "korvex: warning: --in-format is not used: the extension of " << args.files[2]
                << " gives the format\n";
    if (outKnown && !args.outFormat.empty())
      std::cerr << "korvex: warning: --out-format is not used: the extension of " << args.files[3]
                << " gives the format\n";
    dialog.inputFormatAnswer = answerOf(args.inFormat);
    dialog.outputFormatAnswer = answerOf(args.outFormat);
  }

  // A file that is written must not be one the run reads or writes otherwise.
  const char* const roles[] = {"EXP", "PRT", "IN", "OUT"};
  for (std::size_t a = 0; a < args.files.size(); ++a)
    for (std::size_t b = a + 1; b < args.files.size(); ++b) {
      std::error_code ec;
      const bool written = a == 1 || a == 3 || b == 1 || b == 3;
      if (written && std::filesystem::equivalent(args.files[a], args.files[b], ec)) {
        std::cerr << "korvex: " << roles[a] << " and " << roles[b] << " name the same file: " << args.files[b]
                  << '\n';
        return kUsage;
      }
    }

  // Slot order, as a user fills the window from the top. The first file
  // that cannot be opened stops here, before a later slot replaces an
  // existing output file for a run that will not happen.
  for (std::size_t n = 0; n < args.files.size(); ++n)
    if (!korvex::openSlot(run, static_cast<int>(n) + 1, args.files[n])) return kUsage;

  if (fullRun) korvex::runProg(run);
  else korvex::runBuild(run);
  if (run.state.HALTED == 1) return kHalted;
  if (!run.state.ended) korvex::closeProgram(run);  // leaving the program closes the files
  return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Korvex: absorption correction of single-crystal X-ray intensities for the crystal, the\n"
               "diamond anvils and their backing plates, gasket shadowing and absorption, and the pressure medium.\n"
               "\n"
               "  korvex run EXP PRT IN OUT [--in-format drevik|shelx] [--out-format tavok|shelx]\n"
               "  korvex build EXP PRT\n",
               "korvex"};
  app.set_version_flag("--version", std::string("korvex ") + KORVEX_VERSION);
  app.require_subcommand(1);

  Arguments args;
  std::string exp, prt, in, out;

  CLI::App* run = app.add_subcommand(
      "run", "Build the crystal model from EXP and correct the reflections of IN into OUT, appending the report to "
             "PRT. The format of IN and OUT comes from the extension (.int Drevik, .hkl SHELX; .abs/.avg Tavok, "
             ".hkl SHELX); the flags give it only when the extension names none.");
  run->add_option("EXP", exp, "experiment file")->required();
  run->add_option("PRT", prt, "print file (appended to)")->required();
  run->add_option("IN", in, "input reflection file")->required();
  run->add_option("OUT", out, "output reflection file (replaced)")->required();
  run->add_option("--in-format", args.inFormat, "format of IN when its extension names none")
      ->check(CLI::IsMember({"drevik", "shelx"}, CLI::ignore_case));
  run->add_option("--out-format", args.outFormat, "format of OUT when its extension names none")
      ->check(CLI::IsMember({"tavok", "shelx"}, CLI::ignore_case));

  CLI::App* build = app.add_subcommand("build", "Build the crystal model from EXP and report it to PRT (appended to).");
  build->add_option("EXP", exp, "experiment file")->required();
  build->add_option("PRT", prt, "print file (appended to)")->required();

  app.footer("Exit status: 0 finished, 1 halted on a fatal error (see the print file), 2 usage error\n"
             "(bad arguments, a reflection-file format not known, or a file that cannot be opened).");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kSuccess : kUsage;
  }

  try {
    if (run->parsed()) {
      args.files = {exp, prt, in, out};
      return press(args, true);
    }
    args.files = {exp, prt};
    return press(args, false);
  } catch (const std::exception& e) {
    std::cerr << "korvex: internal error: " << e.what() << '\n';
    return kHalted;
  }
}
