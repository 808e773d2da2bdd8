// korvex help [SUBCOMMAND]: the program's usage, or one subcommand's.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "commands.hpp"

namespace korvex::cli {

Command addHelpCommand(CLI::App& app) {
  auto topic = std::make_shared<std::string>();
  CLI::App* sub = app.add_subcommand("help", "Show the usage of the program, or of one subcommand.");
  sub->add_option("SUBCOMMAND", *topic, "the subcommand to describe");
  CLI::App* program = &app;
  return {sub, [program, topic] {
            if (topic->empty()) {
              std::cout << program->get_formatter()->make_help(program, "korvex", CLI::AppFormatMode::Normal);
              return kSuccess;
            }
            CLI::App* wanted = nullptr;
            for (CLI::App* candidate : program->get_subcommands({}))
              if (candidate->get_name() == *topic) wanted = candidate;
            if (wanted == nullptr) {
              std::cerr << "korvex: unknown subcommand '" << *topic << "' (korvex help lists them)\n";
              return kUsage;
            }
            std::cout << wanted->get_formatter()->make_help(wanted, "korvex " + *topic, CLI::AppFormatMode::Normal);
            return kSuccess;
          }};
}

}  // namespace korvex::cli
