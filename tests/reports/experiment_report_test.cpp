// The print-file banner and the experiment report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "experiment/element_tables.hpp"
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
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

bool hasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
  for (const auto& l : lines)
    if (l.rfind(start, 0) == 0) return true;
  return false;
}

// A crystal in air, no model, after the reader: the state the report sees.
void airState(ExperimentState& e) {
  resetForNewFile(e);
  e.WAVELENGTH = 0.71073f;
  e.NUB = 3;
  e.UB = {{{-0.134339f, -0.126719f, 0.044436f}, {0.184319f, 0.011831f, 0.026538f}, {0.039186f, 0.193282f, 0.027508f}}};
  e.CELLUB = {4.98960f, 4.98961f, 17.06099f, 89.99969f, 89.99977f, 120.00002f, 367.8469f};
  e.CELL = {4.98960f, 4.98961f, 17.06099f, 89.99969f, 89.99977f, 120.00002f, 367.8469f};
  e.CELLVOL = 367.8469f;
}

std::vector<std::string> report(const std::function<void(ExperimentState&)>& change) {
  test::TestRun t;
  airState(t.run.exp);
  change(t.run.exp);
  writeCrystalData(t.run);
  return linesOf(t.printText());
}

// The report's lines from its first heading to its last line.
std::vector<std::string> reportSection(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  bool in = false;
  for (const auto& l : lines) {
    if (l.find(" INPUT DATA ") != std::string::npos) in = true;
    if (in) out.push_back(l);
    if (in && l.find("NO MONOCHROMATOR") != std::string::npos) break;
  }
  return out;
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
    SCOPED_TRACE(n);
    EXPECT_EQ(lines[n].size(), 76u);
    EXPECT_EQ(lines[n].front(), '*');
    EXPECT_EQ(lines[n].back(), '*');
  }
  // Version lines: the text centred, the left margin never wider than the right.
  EXPECT_NE(lines[6].find("Korvex 6.1"), std::string::npos);
  for (int n = 6; n < 10; ++n) {
    const std::string inner = lines[n].substr(1, 74);
    const auto left = inner.find_first_not_of(' ');
    const auto right = 73 - inner.find_last_not_of(' ');
    EXPECT_TRUE(left == right || left + 1 == right) << lines[n];
  }
  EXPECT_EQ(lines[13], "");
  EXPECT_EQ(lines[14], "         KORVEX RUN ON: Tue Dec  8 00:00:00 2026");
  EXPECT_EQ(lines[15], "         EXPERIMENT FILE IS: b6.exp" + std::string(34, ' '));
  EXPECT_EQ(lines[16], "");

  test::TestRun longName;
  longName.run.state.FILENAME[0] = ff::padded(std::string(45, 'n') + ".exp", kFileNameLength);
  writeHeader(longName.run);
  EXPECT_EQ(linesOf(longName.printText())[15], "         EXPERIMENT FILE IS: " + std::string(40, 'n'));
}

// The diamond-anvil-cell build of the reference runs: the whole report,
// line by line, and the constant the transmission needs.
TEST(ExperimentReport, CellReportMatchesReferenceRun) {
  const std::filesystem::path ref =
      std::filesystem::path(KORVEX_SHARED_DIR) / "reference-runs/build_dac_cards_report/expected/b6.prt";
  if (!std::filesystem::exists(ref)) GTEST_SKIP() << "reference runs not found: " << ref;
  test::TestRun t;
  ExperimentState& e = t.run.exp;
  airState(e);
  e.CELLGIVEN = 0;
  e.DACTYPE = 2;
  e.PSIMAX = {40.0f * 0.7853982f / 45.0f, 40.0f * 0.7853982f / 45.0f};
  e.DTHICK = {0.2f, 0.2f, 0.0f, 0.0f};
  e.DMU = {2.025f, 2.025f, 0.0f, 0.0f};
  e.GASKGIVEN = 1;
  e.GASKETT = 100.0f;
  e.GASKETR = 150.0f;
  e.GASKOPAQUE = 1;
  e.MINILLUM = 0.05f;
  e.MEDIAABS = 1;
  e.MUMEDIA = 1.5f / 10000.0f;
  e.TTHMAX = 60.0f;
  e.SCALE = 1.001f;
  writeCrystalData(t.run);
  const auto expected = reportSection(linesOf(test::readFile(ref)));
  const auto actual = reportSection(linesOf(t.printText()));
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t n = 0; n < expected.size(); ++n) EXPECT_EQ(actual[n], expected[n]) << "line " << n;
  const float r = 0.71073f / 367.8469f;
  EXPECT_EQ(e.LAMBDAV2, r * r);
}

TEST(ExperimentReport, ConditionalLines) {
  auto check = [](const char* what, const std::function<void(ExperimentState&)>& change, const std::string& line,
                  bool present) {
    SCOPED_TRACE(what);
    const auto lines = report(change);
    EXPECT_EQ(hasLine(lines, line), present) << line;
  };
  const std::string scale = "    INTENSITIES WILL BE MULTIPLIED BY ";
  check("scale 1.001", [](ExperimentState& e) { e.SCALE = 1.001f; }, scale + "   1.0010 ON INPUT", true);
  check("scale 1.00005", [](ExperimentState& e) { e.SCALE = 1.00005f; }, scale + "   1.0000 ON INPUT", false);
  // 1.0001 is held as 1.00010002 in single precision: just beyond the limit.
  check("scale 1.0001", [](ExperimentState& e) { e.SCALE = 1.0001f; }, scale + "   1.0001 ON INPUT", true);
  check("tthmax 180", [](ExperimentState&) {}, "    DATA WITH 2THETA >  180.000 DEGREES WILL BE EXCLUDED", false);
  check("tthmax 179.5", [](ExperimentState& e) { e.TTHMAX = 179.5f; },
        "    DATA WITH 2THETA >  179.500 DEGREES WILL BE EXCLUDED", true);
  check("tthmin 0", [](ExperimentState&) {}, "    DATA WITH 2THETA <    0.000 DEGREES WILL BE EXCLUDED", false);
  check("tthmin 4", [](ExperimentState& e) { e.TTHMIN = 4.0f; },
        "    DATA WITH 2THETA <    4.000 DEGREES WILL BE EXCLUDED", true);
  check("lessthan", [](ExperimentState& e) { e.LESSTHAN = 2.0f; },
        "    A REFL. WILL BE A LESS-THAN IF I< 2.0 SIGMA I", true);

  // A UB and no CELL card: the cell from UB only.
  auto noCard = report([](ExperimentState& e) { e.CELLGIVEN = 0; });
  EXPECT_TRUE(hasLineStarting(noCard, "      UNIT CELL FROM UB: "));
  EXPECT_FALSE(hasLineStarting(noCard, "    UNIT CELL FROM FILE: "));
  // A CELL card of six numbers: the file cell's seventh slot is zero.
  auto sixNumbers = report([](ExperimentState& e) {
    e.CELLGIVEN = 1;
    e.CELL = {5.0f, 6.0f, 7.0f, 90.0f, 90.0f, 90.0f, 0.0f};
    e.CELLVOL = 210.0f;
  });
  EXPECT_TRUE(hasLine(sixNumbers, "                           90.00000  90.00000  90.00000  VOL =     0.0000"));
  EXPECT_TRUE(hasLine(sixNumbers, "    CELL VOLUME USED IN PROGRAM =    210.000 A^3"));
  // No UB: neither the matrix nor the cell from UB.
  auto cellOnly = report([](ExperimentState& e) { e.NUB = 0; e.CELLGIVEN = 1; });
  EXPECT_FALSE(hasLineStarting(cellOnly, "    UB MATRIX"));
  EXPECT_FALSE(hasLineStarting(cellOnly, "      UNIT CELL FROM UB: "));
}

TEST(ExperimentReport, CellAndGasketBlocks) {
  auto inCell = [](ExperimentState& e) {
    e.DACTYPE = 1;
    e.GASKGIVEN = 1;
    e.GASKETT = 50.0f;
    e.GASKETR = 80.0f;
    e.MINILLUM = 0.05f;
  };
  auto check = [&](const char* what, const std::function<void(ExperimentState&)>& change,
                   const std::vector<std::string>& present, const std::vector<std::string>& absent) {
    SCOPED_TRACE(what);
    const auto lines = report([&](ExperimentState& e) { inCell(e); change(e); });
    for (const auto& l : present) EXPECT_TRUE(hasLine(lines, l)) << "missing: " << l;
    for (const auto& l : absent) EXPECT_FALSE(hasLineStarting(lines, l)) << "unexpected: " << l;
  };
  const std::string mu = "    GASKET ABSORPTION COEFF = ";
  // The reset opening limit is 80 degrees, held in radians.
  check("no OPEN card", [](ExperimentState&) {},
        {"    PSIMAX(IBEAM ANVIL) =  80.0            PSIMAX(DBEAM ANVIL) =  80.0"}, {});
  check("gasket 150 cm-1", [](ExperimentState& e) { e.GASKETMU = 150.0f / 10000.0f; }, {mu + "   150.00 CM-1"}, {});
  check("gasket beyond 99 per micron", [](ExperimentState& e) { e.GASKETMU = 100.0f; }, {mu + "    1000000. CM-1"},
        {});
  check("opaque", [](ExperimentState& e) { e.GASKOPAQUE = 1; }, {"    GASKET ASSUMED TOTALLY OPAQUE"}, {mu});
  check("non-absorbing medium", [](ExperimentState&) {}, {"    NON-ABSORBING PRESSURE MEDIUM "}, {});
  check("no gasket", [](ExperimentState& e) { e.GASKGIVEN = 0; },
        {"    NO GASKET SHADOWING CORRECTIONS WILL BE MADE"}, {"    GASKET THICKNESS"});
  check("type 5 curve", [](ExperimentState& e) { e.DACTYPE = 5; e.NDACCURVE = -1; e.DACSUMMUT = {0.4f, 0.45f}; },
        {"    USER-SUPPLIED DAC TRANSMISSION FUNCTION WITH SUM(ABSCO*T) FOR ANVIL 1:  0.400  ANVIL 2:  0.450"},
        {"    THICKNESS OF DIAMOND ANVIL"});
  check("type 5 table", [](ExperimentState& e) { e.DACTYPE = 5; e.NDACCURVE = 12; },
        {"    USER-SUPPLIED DAC TRANSMISSION FUNCTION VIA A TABLE OF VALUES"}, {"    THICKNESS OF DIAMOND ANVIL"});
  check("filled gasket",
        [](ExperimentState& e) {
          e.MODELTYPE = 5;
          e.MEDIAABS = 1;
          e.NGRID = {8, 8, 4};
          e.VOLUME = 1005308.8f;
        },
        {"    GAUSSIAN GRID SET FOR CRYSTAL OF  8 x  8 x  4 POINTS",
         "      256 TOTAL GRID POINTS: CRYSTAL FILLING GASKET HOLE",
         "    CALCULATED CRYSTAL VOLUME =    1005309 CUBIC MICRONS",
         "    CALCULATED GASKET VOLUME  =    1005309 CUBIC MICRONS", "    CRYSTAL FILLS THE GASKET HOLE"},
        {"    ABSORPTION COEFF OF PRESSURE MEDIUM"});
}

std::string symbol(int z) { return ELSYM[z - 1] != nullptr ? ELSYM[z - 1] : "  "; }

TEST(ExperimentReport, CrystalAbsorptionAndModelBlocks) {
  auto lines = report([](ExperimentState& e) {
    e.CRYSABS = 1;
    e.CONTGIVEN = 1;
    e.ABSCO = 15.0f / 10000.0f;
    e.ELCOUNT[7] = 2.0f;   // O
    e.ELCOUNT[13] = 1.0f;  // Si
    e.ZFORM = 3.5f;
    e.DENSITY = 2.648f;
    e.MODELTYPE = 4;
    e.RADIUS = 60.0f;
    e.NGRID = {16, 16, 16};
    e.VOLUME = 904885.4f;
  });
  const std::vector<std::string> expected = {
      "    ABSORPTION COEFFICIENT CALCULATED FROM FORMULA:",
      "         " + symbol(8) + "    2.00",
      "         " + symbol(14) + "    1.00",
      "                WITH Z =  4",
      "    CALCULATED DENSITY =    2.648",
      "    LINEAR ABSORPTION COEFFICIENT =   15.00 CM-1",
      "",
      "",
      "",
      "",
      "    CRYSTAL ABSORPTION MODEL IS A SPHERE",
      "",
      "    GAUSSIAN GRID SET FOR SPHERICAL CRYSTAL OF RADIUS  60.00 MICRONS AND MU*R =  0.090",
      "    16 x 16 x 16 POINTS=  4096 TOTAL GRID POINTS",
      "    CALCULATED CRYSTAL VOLUME =     904885 CUBIC MICRONS",
      "             ACTUAL VOLUME IS =     904778.0 CUBIC MICRONS",
  };
  auto at = std::find(lines.begin(), lines.end(), expected[0]);
  ASSERT_NE(at, lines.end());
  for (std::size_t n = 0; n < expected.size(); ++n, ++at) {
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(*at, expected[n]) << "line " << n;
  }

  auto polyhedron = report([](ExperimentState& e) {
    e.MODELTYPE = 3;
    e.NGRID = {8, 8, 8};
    e.VOLUME = 249751.6f;
  });
  EXPECT_TRUE(hasLine(polyhedron, "    CRYSTAL ABSORPTION MODEL BASED ON USER DESCRIPTION"));
  EXPECT_TRUE(hasLine(polyhedron, "      512 TOTAL GRID POINTS"));
  EXPECT_TRUE(hasLine(polyhedron, "    CALCULATED CRYSTAL VOLUME =     249752 CUBIC MICRONS"));
  EXPECT_TRUE(hasLine(report([](ExperimentState&) {}), "    NO CRYSTAL MODEL"));
}

}  // namespace
}  // namespace korvex
