// Running the built program as a user does: inside a folder, through the
// shell, with its exit status, standard output and standard error.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/test_support.hpp"

namespace korvex::test {

struct Result {
  int status = -1;
  std::string out, err;
};

// Runs a shell command line inside the folder; in it, `korvex` is the built
// program (so that it can stand in a pipe).
inline Result shellIn(const std::filesystem::path& folder, const std::string& line) {
  const std::string cmd = "korvex() { '" KORVEX_BINARY "' \"$@\"; }; cd '" + folder.string() + "' && { " + line +
                          "; } > .stdout 2> .stderr";
  const int raw = std::system(cmd.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFile(folder / ".stdout");
  r.err = readFile(folder / ".stderr");
  std::filesystem::remove(folder / ".stdout");
  std::filesystem::remove(folder / ".stderr");
  return r;
}

// Runs `korvex ARGS` inside the folder, as the reference runs are run.
inline Result korvexIn(const std::filesystem::path& folder, const std::string& args) {
  return shellIn(folder, "korvex " + args + " < /dev/null");
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace korvex::test
