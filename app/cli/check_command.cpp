// korvex check EXP: reads the experiment file and builds its model as Build
// Model would, writes nothing, and prints what it understood.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "cli_dialog.hpp"
#include "commands.hpp"
#include "reports/experiment_description.hpp"
#include "run/file_selection.hpp"
#include "run/run.hpp"
#include "run/run_sequence.hpp"

namespace korvex::cli {

namespace {

int check(const std::string& exp) {
  CliDialog dialog(std::cerr);
  Run run(dialog);
  std::string failure;
  if (!openSlot(run, 1, exp, &failure)) {
    std::cerr << "korvex: " << failure << '\n';
    return kUsage;
  }
  runCheck(run);
  const bool built = run.state.HALTED != 1 && run.state.MODELBUILT == 1;
  std::cout << "Experiment file   " << exp << '\n';
  // After a fatal error only the lines not read are shown: the state is
  // partly filled, and a skipped line is often the cause.
  std::cout << (built ? describeExperiment(run.exp) : describeUnreadLines(run.exp));
  if (!run.exp.unreadLines.empty())
    std::cerr << "korvex: note: " << run.exp.unreadLines.size() << " line"
              << (run.exp.unreadLines.size() == 1 ? " was" : "s were") << " not read as a card\n";
  if (!run.state.ended) closeProgram(run);
  return built ? kSuccess : kHalted;
}

}  // namespace

Command addCheckCommand(CLI::App& app) {
  auto exp = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand(
      "check", "Read EXP and build its model, write nothing, and print what was understood.");
  sub->add_option("EXP", *exp, "experiment file")->required();
  sub->footer("Prints the wavelength, the cell from the card and from UB, mu, the crystal model as built\n"
              "(faces, corners, volume, size, grid), the cell, and every line not read as a card.\n"
              "Exit status: 0 the model was built, 1 a fatal error (the message is on standard error),\n"
              "2 the file cannot be opened.");
  return {sub, [exp] { return check(*exp); }};
}

}  // namespace korvex::cli
