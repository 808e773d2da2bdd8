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

}  // namespace
}  // namespace korvex::test
