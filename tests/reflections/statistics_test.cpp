// Bins, listing pages, standards and the summary of a run.
#include "reflections/statistics.hpp"

#include <cmath>
#include <fstream>
#include <limits>

#include "fixedformat/edit_list.hpp"
#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(RunStatistics, BinBoundariesBelongToTheLowerRow) {
  auto row = [](float fi, float sigi, int expected) {
    SCOPED_TRACE(testing::Message() << fi << " / " << sigi);
    EXPECT_EQ(sigmaRow(fi, sigi), expected);
  };
  row(0.99f, 1.0f, 1);
  row(1.0f, 1.0f, 2);
  row(2.0f, 1.0f, 2);
  row(2.01f, 1.0f, 3);
  row(10.0f, 1.0f, 6);
  row(10.01f, 1.0f, 7);
  row(100.0f, 1.0f, 11);
  row(100.01f, 1.0f, 12);
  row(-5.0f, 1.0f, 1);
  // No sigma: infinitely significant when positive.
  row(5.0f, 0.0f, 12);
  row(0.0f, 0.0f, 1);
  row(-5.0f, 0.0f, 1);

  auto tth = [](float t, int expected) {
    SCOPED_TRACE(t);
    EXPECT_EQ(twoThetaColumn(t), expected);
  };
  tth(0.0f, 1);
  tth(19.99f, 1);
  tth(20.0f, 2);
  tth(-25.0f, 2);
  tth(99.99f, 9);
  tth(100.0f, 10);
  tth(179.0f, 10);
  tth(kInf, 10);
  tth(kNaN, 10);

  auto psi = [](float p, int expected) {
    SCOPED_TRACE(p);
    EXPECT_EQ(psiColumn(p), expected);
  };
  psi(0.0f, 1);
  psi(9.99f, 1);
  psi(10.0f, 2);
  psi(19.99f, 2);
  psi(20.0f, 3);
  psi(25.0f, 4);
  psi(39.99f, 6);
  psi(40.0f, 7);
  psi(90.0f, 7);
  psi(kNaN, 7);
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(RunStatistics, PageHeadingBeforeEvery55thReflection) {
  ReflectionRun t;
  resetStatistics(t.run.stats);
  for (int n = 1; n <= 110; ++n) {
    t.run.refl.NSEQ = n;
    listReflection(t.run);
  }
  const auto lines = t.printLines();
  std::vector<std::size_t> headings;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind("  H   K   L      TRANS", 0) == 0) headings.push_back(i);
  ASSERT_EQ(headings.size(), 3u);
  // Heading, blank line, 54 reflections, two blank lines and the title.
  EXPECT_EQ(headings[1] - headings[0], 59u);
  EXPECT_EQ(lines[headings[0] - 1], "  test crystal" + std::string(67, ' '));
  EXPECT_NE(lines[headings[1] - 4].find("      54"), std::string::npos);
  EXPECT_NE(lines[headings[1] + 2].find("      55"), std::string::npos);
  EXPECT_NE(lines[headings[2] + 2].find("     109"), std::string::npos);
}

TEST(RunStatistics, CellListingLineAndPsiTables) {
  ReflectionRun t;
  t.run.exp.DACTYPE = 2;
  t.run.exp.GASKGIVEN = 1;
  resetStatistics(t.run.stats);
  auto& r = t.run.refl;
  auto& tr = t.run.trans;
  r.IH = {-2, 1, 0};
  r.FI = 80.0f;
  r.SIGI = 10.0f;  // row 6
  r.FOBS = 90.79f;
  r.SIGF = 1.48f;
  r.EXTF = 0.54f;
  r.ANG = {14.006f, -10.158f, 174.981f, -26.192f};
  r.PSI = {12.0f * 0.017453292f, 5.0f * 0.017453292f};
  r.ISIDE = {1, 2};
  r.NSEQ = 1;
  tr.TRANS = 0.2575f;
  tr.TXTAL = 0.9f;
  tr.TDAC = 0.297f;
  tr.TGAS = 1.0f;
  tr.TMED = 0.962f;
  addWrittenReflection(t.run);
  listReflection(t.run);
  // The I-beam anvil sees the incident beam (side 1), the D-beam anvil the
  // diffracted beam (side 2).
  EXPECT_EQ(t.run.stats.PSITAB1[5][1], 1);
  EXPECT_EQ(t.run.stats.PSITAB2[5][0], 1);
  EXPECT_EQ(t.run.stats.TTHTAB[5][0], 1);
  EXPECT_FLOAT_EQ(t.run.stats.DACMIN, 0.297f);
  EXPECT_FLOAT_EQ(t.run.stats.MEDMAX, 0.962f);
  const auto lines = t.printLines();
  EXPECT_EQ(lines.back(),
            " -2   1   0  0.2575    90.79    1.48    0.54  14.01 -10.16  174.98  -26.19 12.00[1]  5.00[2] 0.900 0.297"
            " 1.000 0.962     1    ");
  EXPECT_NEAR(r.PSI[0], 12.0f, 1e-5f);  // left in degrees
}

TEST(RunStatistics, SummaryOfARunThatWroteNothing) {
  ReflectionRun t;
  t.run.exp.DACTYPE = 1;
  t.run.exp.CRYSABS = 1;
  t.run.exp.MINILLUM = 0.05f;
  resetStatistics(t.run.stats);
  writeSummary(t.run);
  const std::string p = t.printText();
  EXPECT_NE(p.find("\n              THE     0 INPUT REFLECTIONS GROUPED BY F^2/SIGMA(F^2) AND PSI IN D-BEAM ANVIL\n"),
            std::string::npos);
  EXPECT_NE(p.find("\n          TOTALS:      0     0     0     0     0     0     0     0\n"), std::string::npos);
  EXPECT_NE(p.find("\n     0 REFLECTIONS OBSCURED BY GASKET (FN.ILLUM.VOL. < 0.05)\n"), std::string::npos);
  EXPECT_NE(p.find("\n       RANGE OF CRYSTAL TRANSMISSION:         1.000     0.000\n"), std::string::npos);
  // The reset value 1.0E6 does not fit F10.3.
  EXPECT_NE(p.find("\n       RANGE OF DAC TRANSMISSION FACTORS:**********     0.000\n"), std::string::npos);
  EXPECT_NE(p.find("\n       RANGE OF OVERALL TRANSMISSION:         1.000     0.000\n"), std::string::npos);
  EXPECT_EQ(p.find("GASKET TRANSMISSION"), std::string::npos);
  EXPECT_EQ(p.find("STANDARDS:"), std::string::npos);
}

TEST(RunStatistics, StandardsTable) {
  ReflectionRun t;
  resetStatistics(t.run.stats);
  auto measure = [&](int s, float f, float sig) {
    t.run.refl.ISTD = s;
    t.run.refl.FOBS = f;
    t.run.refl.SIGF = sig;
    addStandard(t.run.stats, t.run.refl);
  };
  measure(1, 50.0f, 2.0f);  // twice with the same F: no spread, P = sigma / F
  measure(1, 50.0f, 2.0f);
  measure(2, 10.0f, 0.5f);  // once: counted, not listed
  measure(3, 0.0f, 1.0f);   // mean F of zero: P = 0
  measure(3, 0.0f, 1.0f);
  measure(4, 9.0f, 0.1f);
  measure(4, 11.0f, 0.1f);
  writeSummary(t.run);
  const auto lines = t.printLines();
  auto at = std::find(lines.begin(), lines.end(), " STD. NO.  NUMBER   AVG. F      SIGMA     MIN. F     MAX. F        P");
  ASSERT_NE(at, lines.end()) << t.printText();
  EXPECT_EQ(at[-1], "    STANDARDS:");
  EXPECT_EQ(at[2], "     1        2     50.000      0.000     50.000     50.000      0.040");
  EXPECT_EQ(at[3], "     3        2      0.000      0.000      0.000      0.000      0.000");
  // sd = sqrt(2), P = sqrt(2 - 0.01) / 10.
  EXPECT_EQ(at[4], "     4        2     10.000      1.414      9.000     11.000      0.141");
  EXPECT_NE(t.printText().find("\n     7 STANDARD REFLECTIONS\n"), std::string::npos);
}

// The listing, the summary and the Tavok file of a whole recorded data set,
// with the experiment set up as its experiment file describes it.
std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RunStatistics, RecordedForsteriteRun) {
  const std::filesystem::path dir = std::filesystem::path(KORVEX_SHARED_DIR) / "reference-runs/forsterite_drevik_tavok";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no reference runs beside the project";
  ReflectionRun t;
  t.run.exp.TITLE = ff::padded(" Forsterite Mg2SiO4, San Carlos olivine, 293 K", 80);
  t.run.exp.TTHMIN = 4.0f;
  t.run.exp.TTHMAX = 55.0f;
  t.run.exp.LESSTHAN = 2.0f;
  t.inputFrom(readAll(dir / "input/fo.int"));
  processData(t.run);
  EXPECT_EQ(t.outputText(), readAll(dir / "expected/fo.abs"));
  const std::string expected = readAll(dir / "expected/fo.prt");
  const std::string marker = "OUTPUT DATA FILE: fo.abs";
  const std::size_t from = expected.find('\n', expected.find(marker)) + 1;
  const auto want = linesOf(expected.substr(from));
  const auto got = linesOf(t.printText());
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
}

}  // namespace
}  // namespace korvex::test
