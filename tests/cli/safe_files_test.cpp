// Whole runs of the command line under faults and with files as users write
// them: an earlier result survives a run that halts or is stopped, failed
// writes are fatal, pipes carry rescaled runs, line ends and byte-order
// marks read alike, derived files never replace the run's own, and a print
// file serves one run at a time.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_support.hpp"
#include "golden/golden_support.hpp"

namespace korvex {
namespace {

namespace fs = std::filesystem;
using test::contains;
using test::korvexIn;
using test::readFile;
using test::Result;
using test::shellIn;
using test::writeFile;

const fs::path kCases = KORVEX_SOURCE_DIR "/tests/golden/cases";

void copyInputs(const std::string& goldenCase, const fs::path& to) {
  fs::create_directories(to);
  for (const auto& e : fs::directory_iterator(kCases / goldenCase / "input"))
    fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
}

// Files of the folder that a run wrote and did not put into place.
std::vector<std::string> temporaries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    if (contains(e.path().filename().string(), ".korvex-")) names.push_back(e.path().filename().string());
  return names;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
    text.replace(p, from.size(), to);
  return text;
}

// A rescaling reads the input again and writes the output anew: through
// pipes the run must give the files it gives on files. Drevik input with
// Tavok output, SHELX input with SHELX output.
TEST(SafeFiles, PipesCarryARescaledRun) {
  struct Case {
    const char* golden;
    const char* in;
    const char* inFormat;
    const char* extraCard;
    const char* out;
    const char* outFormat;
  };
  for (const Case& c : {Case{"rescale_twice_tavok", "quartz.int", "drevik", "", "abs", "tavok"},
                        Case{"air_shelx_shelx", "quartz.hkl", "shelx", "SCALE 1000.0\n", "hkl", "shelx"}}) {
    SCOPED_TRACE(c.golden);
    test::TempDir dir;
    copyInputs(c.golden, dir.path());
    writeFile(dir / "quartz.exp", readFile(dir / "quartz.exp") + c.extraCard);
    const std::string out = std::string(".") + c.out;
    ASSERT_EQ(korvexIn(dir.path(), std::string("run quartz.exp f.prt ") + c.in + " f" + out).status, 0);
    ASSERT_TRUE(contains(readFile(dir / "f.prt"), "REWINDING DATASET AND RESCALING"));

    Result r = shellIn(dir.path(), std::string("cat ") + c.in + " | korvex run quartz.exp p.prt /dev/stdin p" + out +
                                       " --in-format " + c.inFormat);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / ("p" + out)), readFile(dir / ("f" + out)));
    EXPECT_EQ(readFile(dir / "p_korvex.cif"), readFile(dir / "f_korvex.cif"));

    r = shellIn(dir.path(), std::string("mkfifo o.pipe && { cat o.pipe > o") + out + " & } && korvex run quartz.exp o.prt " +
                                c.in + " o.pipe --out-format " + c.outFormat + "; s=$?; wait; exit $s");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / ("o" + out)), readFile(dir / ("f" + out)));  // one copy, of the last pass
  }
}

// Files from other systems and editors: CR LF and CR line ends, a UTF-8
// byte-order mark. Each gives the files of the LF original.
TEST(SafeFiles, LineEndsAndByteOrderMarkReadAsLf) {
  test::TempDir dir;
  const std::vector<std::pair<std::string, std::string>> variants{
      {"lf", ""}, {"crlf", "\r\n"}, {"cr", "\r"}, {"bom", "\xEF\xBB\xBF"}};
  for (const auto& [name, mark] : variants) {
    SCOPED_TRACE(name);
    copyInputs("cube_hkl_air", dir / name);
    for (const char* f : {"cube.exp", "cube.int"}) {
      const std::string text = readFile(dir / name / f);
      writeFile(dir / name / f, name == "bom" ? mark + text : name == "lf" ? text : replaced(text, "\n", mark));
    }
    const Result r = korvexIn(dir / name, "run cube.exp cube.prt cube.int cube.abs");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* f : {"cube.abs", "cube_korvex.cif", "cube.prt"})
      EXPECT_EQ(golden::maskedLines(f, readFile(dir / name / f)), golden::maskedLines(f, readFile(dir / "lf" / f)))
          << f;
  }
}

// A run that halts (a card missing) or is stopped by SIGTERM in the middle
// of a large input leaves the earlier output and CIF fragment as they were,
// no temporary file, and a print file that says why it ends there.
TEST(SafeFiles, HaltedOrStoppedRunLeavesTheEarlierFiles) {
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped" : "halted");
    test::TempDir dir;
    copyInputs("air_drevik_tavok", dir.path());
    writeFile(dir / "out.abs", "earlier output\n");
    writeFile(dir / "out_korvex.cif", "earlier fragment\n");
    if (!stopped) {
      writeFile(dir / "bad.exp", replaced(readFile(dir / "quartz.exp"), "UB        0.156721", "XX"));
      EXPECT_EQ(korvexIn(dir.path(), "run bad.exp out.prt quartz.int out.abs").status, 1);
    } else {
      // The input is a pipe this test feeds: the run cannot end before the
      // signal, which finds it working or waiting for more data.
      ASSERT_EQ(::mkfifo((dir / "big.int").c_str(), 0600), 0);
      const pid_t pid = ::fork();
      if (pid == 0) {
        if (::chdir(dir.path().c_str()) == 0) {
          ::freopen("/dev/null", "w", stderr);
          ::execl(KORVEX_BINARY, "korvex", "run", "quartz.exp", "out.prt", "big.int", "out.abs", nullptr);
        }
        ::_exit(127);
      }
      const int fifo = ::open((dir / "big.int").c_str(), O_WRONLY);
      ASSERT_GE(fifo, 0);
      const std::string reflections = readFile(dir / "quartz.int");
      for (int i = 0; i < 40; ++i) ASSERT_EQ(::write(fifo, reflections.data(), reflections.size()),
                                             static_cast<ssize_t>(reflections.size()));
      for (int wait = 0; wait < 500 && temporaries(dir.path()).empty(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ASSERT_EQ(temporaries(dir.path()).size(), 1u);  // the output, while the run works on it
      ::kill(pid, SIGTERM);
      int status = 0;
      ::waitpid(pid, &status, 0);
      ::close(fifo);
      ASSERT_TRUE(WIFEXITED(status));
      EXPECT_EQ(WEXITSTATUS(status), 143);
    }
    EXPECT_EQ(readFile(dir / "out.abs"), "earlier output\n");
    EXPECT_EQ(readFile(dir / "out_korvex.cif"), "earlier fragment\n");
    EXPECT_EQ(temporaries(dir.path()), std::vector<std::string>{});
    const std::string print = readFile(dir / "out.prt");
    EXPECT_TRUE(contains(print, stopped ? "KORVEX STOPPED BY SIGNAL 15 BEFORE THE RUN FINISHED: EARLIER OUTPUT FILES KEPT"
                                        : "ONLY PART OF UB MATRIX PRESENT"));
    EXPECT_TRUE(contains(print, "****PROGRAM WILL HALT\n\n")) << print.substr(print.size() - 300);
  }
}

// A write that fails (a full device) is a fatal error naming the file, as
// output or as print file; nothing of the run replaces anything.
TEST(SafeFiles, FailedWritesAreFatalAndNameTheFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  test::TempDir dir;
  copyInputs("air_drevik_tavok", dir.path());
  writeFile(dir / "out_korvex.cif", "earlier fragment\n");
  fs::create_symlink("/dev/full", dir / "full.abs");
  Result r = korvexIn(dir.path(), "run quartz.exp q.prt quartz.int full.abs");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "korvex: fatal error: ERROR WRITING OUTPUT DATA FILE full.abs: No space left on device\n"))
      << r.err;
  EXPECT_TRUE(contains(readFile(dir / "q.prt"), "ERROR WRITING OUTPUT DATA FILE full.abs"));
  EXPECT_FALSE(fs::exists(dir / "full_korvex.cif"));

  r = korvexIn(dir.path(), "run quartz.exp /dev/full quartz.int out.abs");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "korvex: fatal error: ERROR WRITING PRINT FILE /dev/full: No space left on device\n"))
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "out.abs"));
  EXPECT_EQ(readFile(dir / "out_korvex.cif"), "earlier fragment\n");
  EXPECT_EQ(temporaries(dir.path()), std::vector<std::string>{});
}

// The CIF fragment and the grid listing are named by the program; when such
// a name is a file of the run, the run is refused before anything is written.
TEST(SafeFiles, DerivedFilesNeverReplaceTheRunsOwn) {
  test::TempDir dir;
  copyInputs("air_drevik_tavok", dir.path());
  fs::copy_file(dir / "quartz.exp", dir / "out_korvex.cif");
  Result r = korvexIn(dir.path(), "run out_korvex.cif out.prt quartz.int out.abs");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(readFile(dir / "out_korvex.cif"), readFile(dir / "quartz.exp"));
  EXPECT_FALSE(fs::exists(dir / "out.abs"));
  const std::string print = readFile(dir / "out.prt");
  EXPECT_EQ(print.find("****FATAL ERROR:"), 2u) << print;  // the refusal, and nothing of a run before it
  EXPECT_TRUE(contains(print, "CIF FILE out_korvex.cif WOULD REPLACE THE EXPERIMENT FILE OF THIS RUN"));

  r = korvexIn(dir.path(), "run quartz.exp grid.prt quartz.int KORVEX_GRID.LST --out-format tavok");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "GRID LISTING FILE KORVEX_GRID.LST WOULD REPLACE THE OUTPUT DATA FILE")) << r.err;
  EXPECT_FALSE(fs::exists(dir / "KORVEX_GRID.LST"));
}

// While one run holds its print file, a second run on it is refused.
TEST(SafeFiles, APrintFileServesOneRunAtATime) {
  test::TempDir dir;
  copyInputs("air_drevik_tavok", dir.path());
  writeFile(dir / "x.prt", "the report of a run in progress\n");
  const int held = ::open((dir / "x.prt").c_str(), O_RDWR);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  const Result r = korvexIn(dir.path(), "run quartz.exp x.prt quartz.int x.abs");
  ::close(held);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "korvex: cannot open print file 'x.prt': in use by another run\n")) << r.err;
  EXPECT_EQ(readFile(dir / "x.prt"), "the report of a run in progress\n");
  EXPECT_FALSE(fs::exists(dir / "x.abs"));
}

}  // namespace
}  // namespace korvex
