// The command line as a user runs it: exit status, standard error, files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "cli/cli_support.hpp"

namespace korvex {
namespace {

using test::contains;
using test::korvexIn;
using test::Result;

TEST(CommandLine, HelpAndVersion) {
  test::TempDir dir;
  Result r = korvexIn(dir.path(), "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "korvex run EXP PRT IN OUT")) << r.out;
  EXPECT_TRUE(contains(r.out, "korvex build EXP PRT")) << r.out;
  r = korvexIn(dir.path(), "run --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "--in-format")) << r.out;
  for (const char* flag : {"--version", "-V"}) {
    r = korvexIn(dir.path(), flag);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "korvex " KORVEX_VERSION "\n");
  }
  // help names the same usage as --help, for the program and for a subcommand.
  EXPECT_EQ(korvexIn(dir.path(), "help").out, korvexIn(dir.path(), "--help").out);
  EXPECT_EQ(korvexIn(dir.path(), "help run").out, korvexIn(dir.path(), "run --help").out);
}

TEST(CommandLine, UsageErrorsExitTwoAndWriteNothing) {
  test::TempDir dir;
  test::writeFile(dir / "x.exp", "TITLE X\n");
  test::writeFile(dir / "x.int", "");
  auto check = [&](const std::string& args, const std::string& message) {
    SCOPED_TRACE(args);
    const Result r = korvexIn(dir.path(), args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, message)) << r.err;
    // Nothing was run: the print file, when it was opened before a later slot
    // failed, holds that slot's warning only, as after the same Browse.
    const std::string print = test::readFile(dir / "x.prt");
    EXPECT_TRUE(print.empty() || print.find("****WARNING:") == 2) << print;
    EXPECT_FALSE(contains(print, "KORVEX")) << print;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.abs"));
    std::filesystem::remove(dir / "x.prt");
  };
  check("", "A subcommand is required");
  check("run x.exp x.prt", "is required");
  check("build x.exp", "is required");
  check("run x.exp x.prt x.int x.abs extra", "korvex run: unexpected argument 'extra'");
  check("frobnicate", "korvex: unknown subcommand 'frobnicate'");
  check("--frobnicate", "korvex: unknown option '--frobnicate'");
  check("run --frob x.exp x.prt x.int x.abs", "korvex run: unknown option '--frob'");
  check("help frobnicate", "unknown subcommand 'frobnicate'");
  check("run x.exp x.prt x.int x.abs --in-format tavok", "--in-format");
  check("run x.exp x.prt x.dat x.abs", "--in-format");   // the box would ask: the flag must answer it
  check("run x.exp x.prt x.int x.out", "--out-format");
  check("run missing.exp x.prt x.int x.abs",
        "korvex: warning: ERROR OPENING EXPERIMENT FILE\n"
        "korvex: cannot open experiment file 'missing.exp': No such file or directory\n");
  check("run x.exp x.prt missing.int x.abs",
        "korvex: cannot open input reflection file 'missing.int': No such file or directory\n");
}

TEST(CommandLine, FileThatCannotBeOpenedStopsBeforeLaterSlots) {
  test::TempDir dir;
  test::writeFile(dir / "x.exp", "TITLE X\n");
  test::writeFile(dir / "x.abs", "keep me\n");
  const Result r = korvexIn(dir.path(), "run x.exp x.prt missing.int x.abs");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(test::readFile(dir / "x.abs"), "keep me\n");  // an earlier output is not replaced for nothing
}

TEST(CommandLine, RefusesToWriteOverAFileTheRunUses) {
  test::TempDir dir;
  test::writeFile(dir / "x.exp", "TITLE X\n");
  test::writeFile(dir / "x.hkl", "   1   0   0   100.0     1.0\n");
  const Result r = korvexIn(dir.path(), "run x.exp x.prt x.hkl ./x.hkl");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "IN and OUT name the same file")) << r.err;
  EXPECT_EQ(test::readFile(dir / "x.hkl"), "   1   0   0   100.0     1.0\n");
  EXPECT_EQ(korvexIn(dir.path(), "build x.exp x.exp").status, 2);
  EXPECT_EQ(test::readFile(dir / "x.exp"), "TITLE X\n");
}

TEST(CommandLine, FatalErrorExitsOneAndIsReportedOnOneLine) {
  test::TempDir dir;
  // SHELX input needs an orientation matrix, which this file does not give.
  test::writeFile(dir / "x.exp", "TITLE NO MATRIX\n");
  test::writeFile(dir / "x.hkl", "   1   0   0   100.0     1.0\n");
  const Result r = korvexIn(dir.path(), "run x.exp x.prt x.hkl x.abs");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "korvex: fatal error: ")) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  EXPECT_TRUE(contains(test::readFile(dir / "x.prt"), "****FATAL ERROR:"));
}

TEST(CommandLine, LinesNotReadAsCardsAreNotedBeforeTheFatalError) {
  test::TempDir dir;
  test::writeFile(dir / "x.exp", "TITLE X\nCEL 10 10 10 90 90 90\n");
  const Result r = korvexIn(dir.path(), "build x.exp x.prt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find("korvex: note: line 2 not read as a card: CEL 10 10 10 90 90 90\n"
                       "korvex: fatal error: NO UNIT CELL OR UB IN EXP FILE\n"),
            0u)
      << r.err;
}

TEST(CommandLine, BuildsTheShippedExample) {
  test::TempDir dir;
  const std::filesystem::path example = KORVEX_SOURCE_DIR "/examples/air/quartz.exp";
  if (!std::filesystem::exists(example)) GTEST_SKIP() << "no example at " << example;
  std::filesystem::copy_file(example, dir / "quartz.exp");
  const Result r = korvexIn(dir.path(), "build quartz.exp quartz.prt");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(contains(test::readFile(dir / "quartz.prt"), "KORVEX"));
}

TEST(CommandLine, PlotsOfABuildAndOfABuildThatStopped) {
  test::TempDir dir;
  const std::filesystem::path cell = KORVEX_SOURCE_DIR "/tests/golden/cases/corners_type1_gasket_medium/input";
  std::string exp = test::readFile(cell / "plate.exp");
  test::writeFile(dir / "plate.exp", exp);
#ifdef KORVEX_HAS_PICTURES
  // The model in four views and the gasket's shadow map.
  Result r = korvexIn(dir.path(), "build plate.exp plate.prt --plots pics");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "pictures: 5 in pics (SVG and PNG)\n");
  EXPECT_EQ(r.err, "");
  for (const char* f : {"model_along_x.svg", "model_oblique.png", "shadow_map.svg"})
    EXPECT_GT(std::filesystem::file_size(dir / "pics" / f), 1000u) << f;
  // A hole too narrow for the crystal stops the build; the model is still
  // drawn, as it stood, for the user to see why.
  exp.replace(exp.find("DAC GASKET 40 75"), 16, "DAC GASKET 40 45");
  test::writeFile(dir / "narrow.exp", exp);
  r = korvexIn(dir.path(), "build narrow.exp narrow.prt --plots narrow -q");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE")) << r.err;
  EXPECT_TRUE(contains(r.err, "korvex: the run halted: the model is drawn as it stood")) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "narrow" / "model_along_y.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "narrow" / "shadow_map.png"));
  // A folder that cannot be made is a usage error before anything is done.
  test::writeFile(dir / "afile", "");
  r = korvexIn(dir.path(), "build plate.exp other.prt --plots afile");
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "other.prt"));
#else
  // Built without Qt: everything but --plots, which says why.
  const Result r = korvexIn(dir.path(), "build plate.exp plate.prt --plots pics");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "--plots is not available: this korvex was built without Qt 6")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "plate.prt"));
  EXPECT_EQ(korvexIn(dir.path(), "build plate.exp plate.prt -q").status, 0);
#endif
}

TEST(CommandLine, RunEndsWithASummaryLineAndWritesItsJson) {
  test::TempDir dir;
  for (const char* name : {"quartz.exp", "quartz.int"})
    std::filesystem::copy_file(std::filesystem::path(KORVEX_SOURCE_DIR "/examples/air") / name, dir / name);
  Result r = korvexIn(dir.path(), "run quartz.exp quartz.prt quartz.int quartz.abs --summary-json run.json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(test::readFile(dir / "run.json"));
  EXPECT_EQ(j["status"], "finished");
  const int read = j["reflections"]["read"], written = j["reflections"]["written"];
  EXPECT_EQ(r.out.rfind("korvex: " + std::to_string(read) + " reflections read, " + std::to_string(written) +
                            " written, " + std::to_string(read - written) + " not written; transmission ",
                        0),
            0u)
      << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
  EXPECT_TRUE(contains(test::readFile(dir / "quartz.prt"), std::to_string(read) + " REFLECTIONS READ IN FROM FILE"));
  EXPECT_EQ(j["files"]["output"], "quartz.abs");

  // Quiet: nothing on standard output. A halted run still leaves its summary.
  std::filesystem::remove(dir / "quartz.abs");
  EXPECT_EQ(korvexIn(dir.path(), "run -q quartz.exp quartz.prt quartz.int quartz.abs").out, "");
  test::writeFile(dir / "x.exp", "TITLE NO MATRIX\n");
  test::writeFile(dir / "x.hkl", "   1   0   0   100.0     1.0\n");
  r = korvexIn(dir.path(), "run x.exp x.prt x.hkl x.abs --summary-json run.json");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  const auto halted = nlohmann::json::parse(test::readFile(dir / "run.json"));
  EXPECT_EQ(halted["status"], "halted");
  EXPECT_EQ(halted["fatal_error"], "NO UNIT CELL OR UB IN EXP FILE");
  // A summary that would replace a file of the run is refused before the run.
  EXPECT_EQ(korvexIn(dir.path(), "run quartz.exp quartz.prt quartz.int quartz.abs --summary-json quartz.int").status, 2);
}

// check reads and builds as Build Model does, prints what it understood and
// writes nothing: on every example, on a file with misspelt cards, and on
// one that cannot be built.
TEST(CommandLine, CheckPrintsTheModelAndTheLinesNotRead) {
  const std::filesystem::path examples = KORVEX_SOURCE_DIR "/examples";
  const struct {
    const char* example;
    const char* exp;
    const char* model;
  } cases[] = {
      {"cell", "quartz_dac.exp", "polyhedron from corners: 8 faces, 12 corners, 18 edges"},
      {"air", "quartz.exp", "polyhedron from faces by hkl and distance: 18 faces, 32 corners"},
      {"sphere", "sphere.exp", "sphere of radius 90.00 um, mu*R = 0.856"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.example);
    test::TempDir dir;
    std::filesystem::copy_file(examples / c.example / c.exp, dir / c.exp);
    const Result r = korvexIn(dir.path(), std::string("check ") + c.exp);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(contains(r.out, c.model)) << r.out;
    EXPECT_TRUE(contains(r.out, "Lines not read    none")) << r.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // nothing written
  }
  const Result cell = korvexIn(examples / "cell", "check quartz_dac.exp");
  for (const char* part : {"0.71073 A (Mo K-alpha)", "Volume            280634 um^3", "16 x 16 x 16 = 4096",
                           "type 1: anvils on flat backing plates", "40.0 deg (anvil 1)",
                           "60.0 um thick, hole radius 80.0 um, mu 297.00 cm-1", "Medium            mu 22.00 cm-1"})
    EXPECT_TRUE(contains(cell.out, part)) << part << "\n" << cell.out;

  test::TempDir dir;
  std::string exp = test::readFile(examples / "air" / "quartz.exp");
  exp.replace(exp.find("WAVEL   1  0.71073"), 18, "WAVE 1 0.71");
  exp.replace(exp.find("KORVEX MODEL HKL 4 4 4 0"), 24, "KORVEX MODLE HKL 3 3 3");
  test::writeFile(dir / "typo.exp", exp);
  Result r = korvexIn(dir.path(), "check typo.exp");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "Lines not read as cards: 2\n  line 2: WAVE 1 0.71\n"
                              "  line 10: KORVEX MODLE HKL 3 3 3\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "Crystal model     none")) << r.out;
  EXPECT_TRUE(contains(r.err, "korvex: note: 2 lines were not read as a card")) << r.err;

  test::writeFile(dir / "nocell.exp", "TITLE NOTHING ELSE\nCEL 5 5 5 90 90 90\n");
  r = korvexIn(dir.path(), "check nocell.exp");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "korvex: fatal error: NO UNIT CELL OR UB IN EXP FILE")) << r.err;
  EXPECT_TRUE(contains(r.out, "line 2: CEL 5 5 5 90 90 90")) << r.out;
}

TEST(CommandLine, ExactMethodInACellWithTheCrystalAtTheHoleWall) {
  // The cell example with the hole's radius at the crystal's corners (60
  // microns). On the grid the gasket paths, stepped in 1 % of the gasket's
  // thickness, come out too long, and the medium path of points near the
  // wall negative; the exact paths cannot.
  test::TempDir dir;
  std::string exp = test::readFile(KORVEX_SOURCE_DIR "/examples/cell/quartz_dac.exp");
  const std::string gasket = "DAC GASKET 60 80 297 0.05";
  ASSERT_NE(exp.find(gasket), std::string::npos);
  exp.replace(exp.find(gasket), gasket.size(), "DAC GASKET 60 60.05 297 0.05");
  test::writeFile(dir / "wall.exp", exp);
  test::writeFile(dir / "exact.exp", exp + "KORVEX METHOD EXACT\n");
  std::istringstream all(test::readFile(KORVEX_SOURCE_DIR "/examples/cell/quartz_dac.int"));
  std::string line, some;
  // The first six reflections (the sixth with its two continuation lines).
  for (int n = 0; n < 8 && std::getline(all, line); ++n) some += line + "\n";
  test::writeFile(dir / "wall.int", some);

  const auto medium = [](const std::string& prt) {
    std::size_t n = 0;
    for (std::size_t at = prt.find("PATH IN PRESSURE MEDIUM"); at != std::string::npos;
         at = prt.find("PATH IN PRESSURE MEDIUM", at + 1))
      ++n;
    return n;
  };
  ASSERT_EQ(korvexIn(dir.path(), "run wall.exp g.prt wall.int g.hkl -q").status, 0);
  EXPECT_GT(medium(test::readFile(dir / "g.prt")), 0u);
  ASSERT_EQ(korvexIn(dir.path(), "run exact.exp x.prt wall.int x.hkl -q").status, 0);
  const std::string prt = test::readFile(dir / "x.prt");
  EXPECT_EQ(medium(prt), 0u);
  EXPECT_TRUE(contains(prt, "EXACT INTEGRATION: CLOSED FORMS OVER THE CRYSTAL POLYHEDRON"));
  EXPECT_TRUE(contains(prt, "GASKET AND MEDIUM BY EXACT PATHS, INTEGRATED TO  1.0 X 10** -6 RELATIVE"));
  const std::string cif = test::readFile(dir / "x_korvex.cif");
  EXPECT_TRUE(contains(cif, "_exptl_absorpt_correction_type    analytical"));
  EXPECT_TRUE(contains(cif, "de Meulenaer, J. & Tompa, H. (1965)"));

  // --method overrides the card either way.
  ASSERT_EQ(korvexIn(dir.path(), "run exact.exp g2.prt wall.int g2.hkl -q --method gauss").status, 0);
  EXPECT_EQ(test::readFile(dir / "g2.hkl"), test::readFile(dir / "g.hkl"));
  ASSERT_EQ(korvexIn(dir.path(), "run wall.exp x2.prt wall.int x2.hkl -q --method exact").status, 0);
  EXPECT_EQ(test::readFile(dir / "x2.hkl"), test::readFile(dir / "x.hkl"));

  // Both methods correct alike, to the grid's error (its level 4 here).
  std::istringstream grid(test::readFile(dir / "g.hkl")), exact(test::readFile(dir / "x.hkl"));
  std::string a, b;
  int lines = 0;
  while (std::getline(grid, a) && std::getline(exact, b)) {
    ++lines;
    const double fa = std::stod(a.substr(12, 8)), fb = std::stod(b.substr(12, 8));
    EXPECT_NEAR(fb, fa, 0.02 * fa + 0.02) << a << "\n" << b;
  }
  EXPECT_FALSE(std::getline(exact, b));
  EXPECT_GT(lines, 3);
}

}  // namespace
}  // namespace korvex
