// Bins, standards and the summary of a run.
#include "reflections/statistics.hpp"

#include <cmath>
#include <limits>

#include "fixedformat/edit_list.hpp"
#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(RunStatistics, BinBoundariesBelongToTheLowerRow) {
  struct RowCase { float fi, sigi; int row; };
  // A zero sigma is infinitely significant when the intensity is positive.
  for (const RowCase c : {RowCase{0.99f, 1, 1}, {1, 1, 2}, {2, 1, 2}, {2.01f, 1, 3}, {10, 1, 6}, {10.01f, 1, 7},
                          {100, 1, 11}, {100.01f, 1, 12}, {-5, 1, 1}, {5, 0, 12}, {0, 0, 1}, {-5, 0, 1}}) {
    SCOPED_TRACE(testing::Message() << c.fi << " / " << c.sigi);
    EXPECT_EQ(sigmaRow(c.fi, c.sigi), c.row);
  }
  struct ColumnCase { float angle; int column; };
  for (const ColumnCase c : {ColumnCase{0, 1}, {19.99f, 1}, {20, 2}, {-25, 2}, {99.99f, 9}, {100, 10}, {179, 10},
                             {kInf, 10}, {kNaN, 10}}) {
    SCOPED_TRACE(c.angle);
    EXPECT_EQ(twoThetaColumn(c.angle), c.column);
  }
  for (const ColumnCase c : {ColumnCase{0, 1}, {9.99f, 1}, {10, 2}, {19.99f, 2}, {20, 3}, {25, 4}, {39.99f, 6},
                             {40, 7}, {90, 7}, {kNaN, 7}}) {
    SCOPED_TRACE(c.angle);
    EXPECT_EQ(psiColumn(c.angle), c.column);
  }
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

// The count records give the count's first column to carriage control; from
// a million reflections on, the block moves one column right rather than
// lose a digit. Both summaries, in air and in a cell.
TEST(RunStatistics, CountsOfAMillionKeepEveryDigit) {
  auto check = [](int dactype, int nread, const std::string& readLine, const std::string& rejectedLine) {
    SCOPED_TRACE(::testing::Message() << "DACTYPE " << dactype << ", " << nread << " read");
    ReflectionRun t;
    t.run.exp.DACTYPE = dactype;
    resetStatistics(t.run.stats);
    t.run.counters.NREAD = nread;
    writeSummary(t.run);
    const std::string p = t.printText();
    EXPECT_NE(p.find("\n" + readLine + " REFLECTIONS READ IN FROM FILE -\n"), std::string::npos) << p.substr(0, 400);
    EXPECT_NE(p.find("\n" + rejectedLine + " REFLECTIONS FLAGGED REJECTED"), std::string::npos);
  };
  check(0, 999999, "999999", "     0");
  check(0, 1000000, "1000000", "      0");
  check(1, 999999, "999999", "     0");
  check(1, 1234567, "1234567", "      0");
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
  const auto lines = linesOf(t.printText());
  auto at = std::find(lines.begin(), lines.end(), " STD. NO.  NUMBER   AVG. F      SIGMA     MIN. F     MAX. F        P");
  ASSERT_NE(at, lines.end()) << t.printText();
  EXPECT_EQ(at[-1], "    STANDARDS:");
  EXPECT_EQ(at[2], "     1        2     50.000      0.000     50.000     50.000      0.040");
  EXPECT_EQ(at[3], "     3        2      0.000      0.000      0.000      0.000      0.000");
  // sd = sqrt(2), P = sqrt(2 - 0.01) / 10.
  EXPECT_EQ(at[4], "     4        2     10.000      1.414      9.000     11.000      0.141");
  EXPECT_NE(t.printText().find("\n     7 STANDARD REFLECTIONS\n"), std::string::npos);
}

// Which beam's psi goes into which anvil's table depends on the anvil each
// beam crosses; the ranges follow the corrections that were made.
TEST(RunStatistics, PsiTablesFollowTheAnvilEachBeamCrosses) {
  constexpr float kDeg = 0.017453292f;
  struct SideCase { int iside1, iside2, columnI, columnD; };
  // psi(1) = 7 degrees (column 1), psi(2) = 32 degrees (column 5).
  for (const SideCase c : {SideCase{1, 2, 1, 5}, {2, 1, 5, 1}, {1, 1, 5, 5}, {2, 2, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << "ISIDE " << c.iside1 << " " << c.iside2);
    ReflectionRun t;
    t.run.exp.DACTYPE = 1;
    t.run.exp.CRYSABS = 0;
    t.run.exp.GASKGIVEN = 1;
    resetStatistics(t.run.stats);
    auto& r = t.run.refl;
    r.FI = 2.5f;
    r.SIGI = 1.0f;  // row 3
    r.ANG[0] = 45.0f;
    r.PSI = {7.0f * kDeg, 32.0f * kDeg};
    r.ISIDE = {c.iside1, c.iside2};
    t.run.trans.TDAC = 0.9f;
    t.run.trans.TGAS = 0.8f;
    t.run.trans.TMED = 0.7f;
    t.run.trans.TRANS = 0.5f;
    t.run.trans.TXTAL = 0.3f;
    addWrittenReflection(t.run);
    const auto& s = t.run.stats;
    for (int col = 1; col <= 7; ++col) {
      EXPECT_EQ(s.PSITAB1[2][static_cast<std::size_t>(col - 1)], col == c.columnI ? 1 : 0) << "I-beam column " << col;
      EXPECT_EQ(s.PSITAB2[2][static_cast<std::size_t>(col - 1)], col == c.columnD ? 1 : 0) << "D-beam column " << col;
    }
    EXPECT_EQ(s.TTHTAB[2][3], 1);
    EXPECT_FLOAT_EQ(s.DACMIN, 0.9f);
    EXPECT_FLOAT_EQ(s.GASMAX, 0.8f);
    EXPECT_FLOAT_EQ(s.MEDMIN, 0.7f);
    EXPECT_FLOAT_EQ(s.TOTMAX, 0.5f);
    EXPECT_FLOAT_EQ(s.XTLMIN, 1.0f);  // no crystal absorption: untouched
    EXPECT_FLOAT_EQ(s.XTLMAX, 0.0f);
  }
  ReflectionRun air;  // no cell: no psi tables, no cell ranges
  air.run.exp.DACTYPE = 0;
  air.run.exp.CRYSABS = 1;
  air.run.exp.GASKGIVEN = 0;
  resetStatistics(air.run.stats);
  air.run.refl.FI = 2.5f;
  air.run.refl.SIGI = 1.0f;
  air.run.trans.TXTAL = 0.3f;
  air.run.trans.TRANS = 0.3f;
  air.run.trans.TDAC = 0.9f;
  air.run.trans.TGAS = 0.8f;
  addWrittenReflection(air.run);
  int psiCounts = 0;
  for (const auto& row : air.run.stats.PSITAB1)
    for (int n : row) psiCounts += n;
  EXPECT_EQ(psiCounts, 0);
  EXPECT_FLOAT_EQ(air.run.stats.DACMIN, 1.0e6f);
  EXPECT_FLOAT_EQ(air.run.stats.GASMIN, 1.0f);
  EXPECT_FLOAT_EQ(air.run.stats.XTLMIN, 0.3f);
  EXPECT_FLOAT_EQ(air.run.stats.TOTMIN, 0.3f);
}

}  // namespace
}  // namespace korvex::test
