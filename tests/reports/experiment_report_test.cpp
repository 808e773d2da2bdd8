// The print-file banner and the experiment report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "fixedformat/edit_list.hpp"
#include "reports/reports.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A crystal in air without a model, as the reader leaves it.
std::vector<std::string> report(const std::function<void(ExperimentState&)>& change) {
  test::TestRun t;
  ExperimentState& e = t.run.exp;
  resetForNewFile(e);
  e.WAVELENGTH = 0.71073f;
  e.NUB = 3;
  e.UB = {{{-0.134339f, -0.126719f, 0.044436f}, {0.184319f, 0.011831f, 0.026538f}, {0.039186f, 0.193282f, 0.027508f}}};
  e.CELLUB = {4.98960f, 4.98961f, 17.06099f, 89.99969f, 89.99977f, 120.00002f, 367.8469f};
  e.CELLVOL = 367.8469f;
  change(e);
  writeCrystalData(t.run);
  const float r = e.WAVELENGTH / e.CELLVOL;
  EXPECT_EQ(e.LAMBDAV2, r * r);
  return linesOf(t.printText());
}

TEST(ExperimentReport, HeaderBannerAndRunLines) {
  test::TestRun t;
  t.run.state.FILENAME[0] = ff::padded("b6.exp", kFileNameLength);
  writeHeader(t.run);
  t.run.files.print.close();  // ends the last, empty record
  const auto lines = linesOf(t.print.str());
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[0], std::string(76, '*'));
  EXPECT_EQ(lines[12], std::string(76, '*'));
  EXPECT_EQ(lines[3], "*" + std::string(28, ' ') + "KORVEX PROGRAM" + std::string(31, ' ') + " *");
  for (int n = 1; n < 12; ++n) {
    SCOPED_TRACE(lines[n]);
    ASSERT_EQ(lines[n].size(), 76u);
    EXPECT_TRUE(lines[n].front() == '*' && lines[n].back() == '*');
    const std::string inner = lines[n].substr(1, 74);
    if (n >= 6 && n <= 9) {  // version lines, centred
      EXPECT_LE(inner.find_first_not_of(' '), 73 - inner.find_last_not_of(' '));
    }
  }
  EXPECT_EQ(lines[14], "         KORVEX RUN ON: Tue Dec  8 00:00:00 2026");
  EXPECT_EQ(lines[15], "         EXPERIMENT FILE IS: b6.exp" + std::string(34, ' '));
  EXPECT_TRUE(lines[13].empty() && lines[16].empty());
}

// The cell build of the reference runs, whole report line by line.
TEST(ExperimentReport, CellReportMatchesReferenceRun) {
  const auto ref = std::filesystem::path(KORVEX_SHARED_DIR) / "reference-runs/build_dac_cards_report/expected/b6.prt";
  if (!std::filesystem::exists(ref)) GTEST_SKIP() << "reference runs not found: " << ref;
  const auto actual = report([](ExperimentState& e) {
    e.DACTYPE = 2;
    e.PSIMAX = {40.0f * 0.7853982f / 45.0f, 40.0f * 0.7853982f / 45.0f};
    e.DTHICK = {0.2f, 0.2f, 0.0f, 0.0f};
    e.DMU = {2.025f, 2.025f, 0.0f, 0.0f};
    e.GASKGIVEN = e.GASKOPAQUE = e.MEDIAABS = 1;
    e.GASKETT = 100.0f;
    e.GASKETR = 150.0f;
    e.MINILLUM = 0.05f;
    e.MUMEDIA = 1.5f / 10000.0f;
    e.TTHMAX = 60.0f;
    e.SCALE = 1.001f;
  });
  const auto all = linesOf(test::readFile(ref));
  const std::vector<std::string> expected(all.begin() + 17, all.end());  // after the header
  EXPECT_EQ(actual, expected);
}

TEST(ExperimentReport, ConditionalLines) {
  auto check = [](const char* what, const std::function<void(ExperimentState&)>& change, const std::string& line,
                  bool present) {
    SCOPED_TRACE(what);
    EXPECT_EQ(hasLine(report(change), line), present) << line;
  };
  auto none = [](ExperimentState&) {};
  const std::string scale = "    INTENSITIES WILL BE MULTIPLIED BY ";
  check("scale 1.001", [](ExperimentState& e) { e.SCALE = 1.001f; }, scale + "   1.0010 ON INPUT", true);
  check("scale 1.00005", [](ExperimentState& e) { e.SCALE = 1.00005f; }, scale + "   1.0000 ON INPUT", false);
  // 1.0001 is held as 1.00010002 in single precision: just beyond the limit.
  check("scale 1.0001", [](ExperimentState& e) { e.SCALE = 1.0001f; }, scale + "   1.0001 ON INPUT", true);
  check("tthmax 180", none, "    DATA WITH 2THETA >  180.000 DEGREES WILL BE EXCLUDED", false);
  check("tthmax 179.5", [](ExperimentState& e) { e.TTHMAX = 179.5f; },
        "    DATA WITH 2THETA >  179.500 DEGREES WILL BE EXCLUDED", true);
  check("tthmin 0", none, "    DATA WITH 2THETA <    0.000 DEGREES WILL BE EXCLUDED", false);
  check("tthmin 4", [](ExperimentState& e) { e.TTHMIN = 4.0f; },
        "    DATA WITH 2THETA <    4.000 DEGREES WILL BE EXCLUDED", true);
  check("no CELL card", none, "    UNIT CELL FROM FILE:    0.00000   0.00000   0.00000", false);
  auto sixNumbers = [](ExperimentState& e) {
    e.CELLGIVEN = 1;
    e.CELL = {5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f, 0.0f};
    e.CELLVOL = 210.0f;
  };
  check("six-number cell", sixNumbers, "                           90.00000  90.00000  90.00000  VOL =     0.0000", true);
  check("six-number cell", sixNumbers, "    CELL VOLUME USED IN PROGRAM =    210.000 A^3", true);

  auto gasket = [](float muPerMicron, int opaque) {
    return [=](ExperimentState& e) {
      e.DACTYPE = 1;
      e.GASKGIVEN = 1;
      e.GASKETMU = muPerMicron;
      e.GASKOPAQUE = opaque;
    };
  };
  const std::string mu = "    GASKET ABSORPTION COEFF = ";
  check("reset opening limit", gasket(0.0f, 0),
        "    PSIMAX(IBEAM ANVIL) =  80.0            PSIMAX(DBEAM ANVIL) =  80.0", true);
  check("gasket 150 cm-1", gasket(150.0f / 10000.0f, 0), mu + "   150.00 CM-1", true);
  check("gasket above 99 per micron", gasket(100.0f, 0), mu + "    1000000. CM-1", true);
  check("opaque gasket", gasket(0.0f, 1), mu + "     0.00 CM-1", false);
  check("type 5 curve", [](ExperimentState& e) { e.DACTYPE = 5; e.NDACCURVE = -1; e.DACSUMMUT = {0.4f, 0.45f}; },
        "    USER-SUPPLIED DAC TRANSMISSION FUNCTION WITH SUM(ABSCO*T) FOR ANVIL 1:  0.400  ANVIL 2:  0.450", true);
  check("type 5 table", [](ExperimentState& e) { e.DACTYPE = 5; e.NDACCURVE = 12; },
        "    USER-SUPPLIED DAC TRANSMISSION FUNCTION VIA A TABLE OF VALUES", true);
  check("cell without gasket", [](ExperimentState& e) { e.DACTYPE = 1; },
        "    NO GASKET SHADOWING CORRECTIONS WILL BE MADE", true);
}

TEST(ExperimentReport, ModelBlocks) {
  auto check = [](const char* what, const std::function<void(ExperimentState&)>& change,
                  const std::vector<std::string>& expected) {
    SCOPED_TRACE(what);
    const auto lines = report(change);
    auto at = std::find(lines.begin(), lines.end(), expected[0]);
    ASSERT_GE(static_cast<std::size_t>(lines.end() - at), expected.size());
    EXPECT_EQ(std::vector<std::string>(at, at + static_cast<std::ptrdiff_t>(expected.size())), expected);
  };
  check("sphere",
        [](ExperimentState& e) {
          e.CRYSABS = 1;
          e.ABSCO = 15.0f / 10000.0f;
          e.MODELTYPE = 4;
          e.RADIUS = 60.0f;
          e.NGRID = {16, 16, 16};
          e.VOLUME = 904885.4f;
        },
        {"    LINEAR ABSORPTION COEFFICIENT =   15.00 CM-1", "", "", "", "", "    CRYSTAL ABSORPTION MODEL IS A SPHERE", "",
         "    GAUSSIAN GRID SET FOR SPHERICAL CRYSTAL OF RADIUS  60.00 MICRONS AND MU*R =  0.090",
         "    16 x 16 x 16 POINTS=  4096 TOTAL GRID POINTS", "    CALCULATED CRYSTAL VOLUME =     904885 CUBIC MICRONS",
         "             ACTUAL VOLUME IS =     904778.0 CUBIC MICRONS"});
  check("polyhedron", [](ExperimentState& e) { e.MODELTYPE = 3; e.NGRID = {8, 8, 8}; e.VOLUME = 249751.6f; },
        {"    CRYSTAL ABSORPTION MODEL BASED ON USER DESCRIPTION", "",
         "    GAUSSIAN GRID SET FOR CRYSTAL OF  8 x  8 x  8 POINTS", "      512 TOTAL GRID POINTS",
         "    CALCULATED CRYSTAL VOLUME =     249752 CUBIC MICRONS"});
  check("filled gasket",
        [](ExperimentState& e) {
          e.MODELTYPE = 5;
          e.DACTYPE = e.GASKGIVEN = e.MEDIAABS = 1;
          e.GASKETT = 50.0f;
          e.GASKETR = 80.0f;
          e.NGRID = {8, 8, 4};
          e.VOLUME = 1005308.8f;
        },
        {"    GAUSSIAN GRID SET FOR CRYSTAL OF  8 x  8 x  4 POINTS", "      256 TOTAL GRID POINTS: CRYSTAL FILLING GASKET HOLE",
         "    CALCULATED CRYSTAL VOLUME =    1005309 CUBIC MICRONS",
         "    CALCULATED GASKET VOLUME  =    1005309 CUBIC MICRONS"});
  check("formula", [](ExperimentState& e) {
          e.CRYSABS = e.CONTGIVEN = 1;
          e.ELCOUNT[13] = 1.0f;  // Si
          e.ZFORM = 3.5f;
          e.DENSITY = 2.648f;
        },
        {"    ABSORPTION COEFFICIENT CALCULATED FROM FORMULA:", "         SI    1.00", "                WITH Z =  4",
         "    CALCULATED DENSITY =    2.648"});
}

}  // namespace
}  // namespace korvex
