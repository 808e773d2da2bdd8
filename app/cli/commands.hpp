// The subcommands of the command line. Each adds its parser to the
// program's and says what it does once its arguments are read; main only
// parses, reports usage errors and calls the chosen one.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace korvex::cli {

// Exit status: the run (or build, or check) finished; it halted on a fatal
// error; a usage error stopped it before anything was done.
inline constexpr int kSuccess = 0;
inline constexpr int kHalted = 1;
inline constexpr int kUsage = 2;

struct Command {
  CLI::App* parser = nullptr;
  std::function<int()> execute;  // called after a successful parse; returns the exit status
};

Command addRunCommand(CLI::App& app);    // korvex run EXP PRT IN OUT
Command addBuildCommand(CLI::App& app);  // korvex build EXP PRT
Command addCheckCommand(CLI::App& app);  // korvex check EXP
Command addHelpCommand(CLI::App& app);   // korvex help [SUBCOMMAND]

}  // namespace korvex::cli
