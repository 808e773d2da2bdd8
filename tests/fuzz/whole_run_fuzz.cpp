// Fuzzing a whole run: Build Model and Run on an experiment file and an
// input reflection file, output to memory, the CIF fragment and the grid
// listing to a folder of the fuzzing process. The input is one flag byte
// (bit 0: SHELX input, bit 1: SHELX output), the experiment file, a NUL
// byte, and the reflection file.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "fixedformat/edit_list.hpp"
#include "fuzz/fuzz_support.hpp"
#include "run/run_sequence.hpp"

namespace {

// The folder of the derived files, made once and removed when the fuzzer
// ends.
struct Folder {
  Folder() {
    std::string name = (std::filesystem::temp_directory_path() / "korvex-fuzz-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    path = name;
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

const std::filesystem::path& folder() {
  static const Folder made;
  return made.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvex;
  if (size == 0) return 0;
  const int flags = data[0];
  const std::string rest = fuzz::text(data + 1, size - 1);
  const std::size_t split = rest.find('\0');
  std::istringstream experiment(rest.substr(0, split));
  std::istringstream input(split == std::string::npos ? std::string() : rest.substr(split + 1));
  std::ostringstream output;

  fuzz::FuzzRun f;
  f.run.files.experiment.attach(&experiment);
  f.run.files.input.attach(&input);
  f.run.files.output.attach(&output);
  f.run.state.FILESET = {1, 1, 1, 1};
  f.run.state.FILENAME[2] = ff::padded((flags & 1) != 0 ? "fuzz.hkl" : "fuzz.int", kFileNameLength);
  f.run.state.FILENAME[3] = ff::padded((flags & 2) != 0 ? "fuzz.hkl" : "fuzz.abs", kFileNameLength);
  f.run.state.folder = folder();
  runProg(f.run);
  fuzz::failOnInternalError(f.dialog);
  return 0;
}
