// The command line: korvex SUBCOMMAND ARGUMENTS. Each subcommand lives in a
// file of its own (commands.hpp); this file parses the arguments, names what
// it did not understand, and calls the chosen subcommand.
//
// Exit status: 0 finished; 1 halted on a fatal error; 2 a usage error (bad
// arguments, a reflection file whose format neither its extension nor a flag
// gives, or a file that cannot be opened, a print file in use by another run
// among them); 128 + the signal when an interrupt or termination stopped the
// run (130, 143). Nothing is pressed after a usage error, so no run writes a
// partial report.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "commands.hpp"
#include "files/file_error.hpp"
#include "stop_signals.hpp"

namespace {

using korvex::cli::Command;

// The subcommand the arguments chose (the deepest one parsed).
CLI::App* chosen(CLI::App& app) {
  for (CLI::App* sub : app.get_subcommands({}))
    if (sub->parsed()) return sub;
  return &app;
}

// A usage error, named in terms of the word that caused it.
int usageError(CLI::App& app, const CLI::ParseError& e) {
  CLI::App* where = chosen(app);
  const std::string who = where == &app ? "korvex" : "korvex " + where->get_name();
  const std::string helpHint = where == &app ? "korvex help" : "korvex help " + where->get_name();
  // Words left over are named first: an unknown option also leaves a
  // subcommand or a file unread, which is only its consequence.
  const std::vector<std::string> extras = where->remaining();
  for (const std::string& extra : extras) {
    if (!extra.empty() && extra.front() == '-')
      std::cerr << who << ": unknown option '" << extra << "'\n";
    else
      std::cerr << who << ": unexpected argument '" << extra << "'\n";
  }
  if (extras.empty()) std::cerr << who << ": " << e.what() << '\n';
  std::cerr << "Run '" << helpHint << "' for the usage.\n";
  return korvex::cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Korvex: absorption correction of single-crystal X-ray intensities for the crystal, the\n"
               "diamond anvils and their backing plates, gasket shadowing and absorption, and the pressure medium.\n"
               "\n"
               "  korvex run EXP PRT IN OUT [--in-format drevik|shelx] [--out-format tavok|shelx]\n"
               "  korvex build EXP PRT\n"
               "  korvex check EXP\n"
               "  korvex help [SUBCOMMAND]\n"
               "  run and build with --plots DIR: pictures of the model, the transmission and the gasket's shadow\n",
               "korvex"};
  app.set_version_flag("-V,--version", std::string("korvex ") + KORVEX_VERSION);
  app.require_subcommand(1);
  // Set before the subcommands are added: they end their help with it.
  app.footer("Exit status: 0 finished, 1 halted on a fatal error (see the print file), 2 usage error\n"
             "(bad arguments, a reflection-file format not known, or a file that cannot be opened),\n"
             "130 or 143 stopped by an interrupt or termination signal.");

  const std::vector<Command> commands = {korvex::cli::addRunCommand(app), korvex::cli::addBuildCommand(app),
                                         korvex::cli::addCheckCommand(app), korvex::cli::addHelpCommand(app)};

  // A first word that is no option and no subcommand is a misspelt subcommand.
  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const Command& c : commands) known = known || c.parser->get_name() == argv[1];
    if (!known) {
      std::cerr << "korvex: unknown subcommand '" << argv[1] << "'\nRun 'korvex help' for the usage.\n";
      return korvex::cli::kUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return usageError(app, e);
  }

  try {
    for (const Command& c : commands)
      if (c.parser->parsed()) return c.execute();
    return korvex::cli::kUsage;
  } catch (const korvex::files::FileError& e) {
    // A file that failed outside a run (the print file taking a warning
    // before the run starts).
    std::cerr << "korvex: fatal error: " << e.what() << '\n';
    return korvex::cli::kHalted;
  } catch (const korvex::files::Stopped&) {
    return korvex::cli::stopExitStatus();
  } catch (const std::exception& e) {
    std::cerr << "korvex: internal error: " << e.what() << '\n';
    return korvex::cli::kHalted;
  }
}
