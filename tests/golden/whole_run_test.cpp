// Whole runs of the command-line program compared byte for byte with
// expected files: the reference runs shipped beside the project (skipped
// when they are absent), the project's own cases under tests/golden/cases,
// and the examples under examples/ (the same layout, with the input files
// beside the command rather than in input/, and exit status 0).
//
// UPDATE_GOLDEN=1 rewrites the expected files of the project's own cases
// and of the examples from the program's output, for review in version control.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "golden/golden_support.hpp"
#include "support/test_support.hpp"

namespace fs = std::filesystem;
using korvex::golden::compareFolder;
using korvex::golden::runInFolder;
using korvex::golden::splitWords;
using korvex::test::readFile;

namespace {

std::vector<std::string> caseNames(const fs::path& root) {
  std::vector<std::string> names;
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return names;
  for (const auto& e : fs::directory_iterator(root))
    if (e.is_directory() && fs::exists(e.path() / "command")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

fs::path referenceRoot() { return fs::path(KORVEX_SHARED_DIR) / "reference-runs"; }
fs::path ownRoot() { return fs::path(KORVEX_SOURCE_DIR) / "tests" / "golden" / "cases"; }
fs::path exampleRoot() { return fs::path(KORVEX_SOURCE_DIR) / "examples"; }

void checkRun(const fs::path& dir, const std::vector<std::string>& args, bool update);

// The ways a run can do its work, none of which may change a byte of what
// it writes: every core and the fast kernel (the default), one reflection at
// a time with the reference kernel (the plain loops), and more threads than
// the machine has cores.
const std::vector<std::vector<std::string>> kWaysOfWorking = {
    {}, {"--threads", "1", "--kernel", "reference"}, {"--threads", "5"}};

// Runs one case folder (command, exit_status, input/, expected/), or one
// example (command, its input files, expected/); a run in each way of
// working.
void checkCase(const fs::path& dir, bool update) {
  const auto words = splitWords(readFile(dir / "command"));
  ASSERT_GE(words.size(), 2u) << "malformed command file";
  const bool run = words[1] == "run";
  for (const auto& way : kWaysOfWorking) {
    if (update && !way.empty()) break;
    if (!run && !way.empty()) break;
    std::vector<std::string> args(words.begin() + 1, words.end());
    args.insert(args.end(), way.begin(), way.end());
    std::string shown = "options:";
    for (const auto& w : way) shown += " " + w;
    SCOPED_TRACE(shown);
    checkRun(dir, args, update);
  }
}

void checkRun(const fs::path& dir, const std::vector<std::string>& args, bool update) {
  korvex::test::TempDir work;
  const bool example = !fs::is_directory(dir / "input");
  const fs::path input = example ? dir : dir / "input";
  const auto result = runInFolder(input, work.path(), args);
  const int wantStatus = example ? 0 : std::atoi(readFile(dir / "exit_status").c_str());
  if (update) {
    fs::create_directories(dir / "expected");
    for (const auto& e : fs::directory_iterator(dir / "expected")) fs::remove(e.path());
    for (const auto& e : fs::directory_iterator(work.path())) {
      const auto name = e.path().filename();
      if (!fs::exists(input / name) || readFile(input / name) != readFile(e.path()))
        fs::copy_file(e.path(), dir / "expected" / name, fs::copy_options::overwrite_existing);
    }
    if (!example) std::ofstream(dir / "exit_status") << result.exitStatus << "\n";
    return;
  }
  EXPECT_EQ(result.exitStatus, wantStatus) << "stderr: " << result.stderrText;
  for (const auto& p : compareFolder(dir / "expected", work.path(), input)) ADD_FAILURE() << p;
}

class ReferenceRun : public ::testing::TestWithParam<std::string> {};
class OwnGoldenRun : public ::testing::TestWithParam<std::string> {};
class ExampleRun : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ReferenceRun, MatchesByteForByte) { checkCase(referenceRoot() / GetParam(), false); }

TEST_P(OwnGoldenRun, MatchesExpectedFiles) {
  const char* update = std::getenv("UPDATE_GOLDEN");
  checkCase(ownRoot() / GetParam(), update != nullptr && std::string(update) == "1");
}

TEST_P(ExampleRun, MatchesExpectedFiles) {
  const char* update = std::getenv("UPDATE_GOLDEN");
  checkCase(exampleRoot() / GetParam(), update != nullptr && std::string(update) == "1");
}

TEST(ReferenceRunsPresent, SkippedWhenAbsent) {
  if (caseNames(referenceRoot()).empty())
    GTEST_SKIP() << "no reference runs at " << referenceRoot() << ": the reference-run comparisons are skipped";
  SUCCEED();
}

INSTANTIATE_TEST_SUITE_P(Shared, ReferenceRun, ::testing::ValuesIn(caseNames(referenceRoot())),
                         [](const auto& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ReferenceRun);
INSTANTIATE_TEST_SUITE_P(Cases, OwnGoldenRun, ::testing::ValuesIn(caseNames(ownRoot())),
                         [](const auto& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(OwnGoldenRun);
INSTANTIATE_TEST_SUITE_P(Examples, ExampleRun, ::testing::ValuesIn(caseNames(exampleRoot())),
                         [](const auto& info) { return info.param; });
