// The processing loop and the output reflection files, for a crystal in air
// without a model (transmission 1, F = sqrt(I)).
#include <cmath>
#include <limits>

#include "fixedformat/edit_list.hpp"
#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

TEST(DynamicFt, DecimalsThatFitTheField) {
  auto fits = [](int width, float value, int decimals) {
    SCOPED_TRACE(testing::Message() << "F" << width << " " << value);
    int d = -99, ierr = -1;
    dynamicFt(width, value, d, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(d, decimals);
  };
  auto doesNotFit = [](int width, float value) {
    SCOPED_TRACE(testing::Message() << "F" << width << " " << value);
    int d = 0, ierr = -1;
    dynamicFt(width, value, d, ierr);
    EXPECT_EQ(ierr, 1);
  };
  fits(9, 5.0f, 7);
  fits(9, 123.4f, 5);
  fits(9, 9999999.0f, 1);
  fits(9, 12345679.0f, 0);
  fits(9, -5.0f, 6);
  fits(9, 0.0f, 7);
  fits(9, 9.9999f, 6);  // rounds up to 10 at 7 decimals: one integer digit more
  fits(7, 999998.0f, 0);
  fits(7, 999999.0f, 0);  // "999999." fills the seven columns exactly
  fits(5, 0.5f, 3);
  fits(5, 9998.0f, 0);
  doesNotFit(9, 123456789.0f);
  doesNotFit(9, 1.0e8f);  // 10^8 - 1 is 10^8 in single precision
  doesNotFit(7, 1000000.0f);
  doesNotFit(7, 999999.6f);  // would round to 1000000.
  doesNotFit(5, 9999.0f);  // 9999.001 is beyond 10^4 - 1
  // Rounding at the chosen decimals would carry into one more digit.
  doesNotFit(7, 99999.99f);
  doesNotFit(9, std::numeric_limits<float>::infinity());
  doesNotFit(9, std::numeric_limits<float>::quiet_NaN());
}

std::string air(int h, float tth, float fi, float sigi, int nseq, const std::string& flags = "      ") {
  return drevik(h, 1, 0, tth, 1.5f, 2.5f, 3.5f, fi, sigi, static_cast<float>(nseq), flags);
}

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ProcessData, TavokLinesAndTheFateOfEachReflection) {
  ReflectionRun t;
  t.run.exp.TTHMAX = 50.0f;
  t.run.exp.LESSTHAN = 2.0f;
  t.run.exp.DELREJ = 0;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) +       // written
              air(2, 50.0f, 400.0f, 10.0f, 20) +       // at the 2theta limit: written
              air(3, 50.01f, 400.0f, 10.0f, 30) +      // beyond it: "T"
              air(4, 30.0f, 20.0f, 10.0f, 40) +        // I = 2 sigma: a less-than
              air(5, 30.0f, 100.0f, 10.0f, 52) +       // standard 2
              air(6, 30.0f, -50.0f, 10.0f, 60, " R    ")  // rejected but kept; negative I
  );
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 4u) << t.outputText();
  EXPECT_EQ(out[0], "  1  1  0 20.000000 0.250   0.00000    1       20.00   1.50   2.50   3.50    1");
  EXPECT_EQ(out[1], "  2  1  0 20.000000 0.250   0.00000    1       50.00   1.50   2.50   3.50    2");
  EXPECT_EQ(out[2], "  4  1  0 4.4721360 1.118   0.00000    2       30.00   1.50   2.50   3.50    4");
  // I < 0: a tenth of sigma is taken as the intensity.
  EXPECT_EQ(out[3], "  6  1  0 1.0000000 5.000   0.00000    2       30.00   1.50   2.50   3.50    6");
  const auto& c = t.run.counters;
  EXPECT_EQ(c.NREAD, 6);
  EXPECT_EQ(c.NREJ, 1);
  EXPECT_EQ(c.NTTH, 1);
  EXPECT_EQ(c.NLESS, 2);
  EXPECT_EQ(c.NOUT, 2);  // observed, after the summary
  EXPECT_EQ(t.run.stats.NSTD[1], 1);
  const std::string p = t.printText();
  EXPECT_NE(p.find("\n  3   1   0     1.000000      20.000     0.250    0.00000    50.010     1.500     2.500"
                   "     3.500       3      T \n"),
            std::string::npos)
      << p;
  EXPECT_NE(p.find("       5   S    \n"), std::string::npos);
  EXPECT_NE(p.find("       4     L  \n"), std::string::npos);
  EXPECT_NE(p.find("     1 REFLECTIONS FLAGGED REJECTED IN INPUT FILE BUT RETAINED\n"), std::string::npos);
}

TEST(ProcessData, RejectedReflectionsAreDroppedWhenDeleted) {
  ReflectionRun t;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10, " R    ") + air(2, 20.0f, 400.0f, 10.0f, 20));
  processData(t.run);
  EXPECT_EQ(t.outputLines().size(), 1u);
  EXPECT_EQ(t.run.counters.NREAD, 2);
  EXPECT_EQ(t.run.counters.NREJ, 1);
  const std::string p = t.printText();
  EXPECT_EQ(p.find("       1        \n"), std::string::npos);  // not listed
  EXPECT_NE(p.find("     1 REFLECTIONS FLAGGED REJECTED IN INPUT FILE AND DELETED \n"), std::string::npos);
}

TEST(ProcessData, AStandardNumberedBeyondFourIsAStandard) {
  ReflectionRun t;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 17) + air(2, 20.0f, 400.0f, 10.0f, 20));
  processData(t.run);
  EXPECT_EQ(t.outputLines().size(), 1u);
  const std::string p = t.printText();
  EXPECT_NE(p.find("       1   S    \n"), std::string::npos);
  EXPECT_NE(p.find("     1 STANDARD REFLECTIONS\n"), std::string::npos);
  EXPECT_EQ(p.find("STANDARDS:"), std::string::npos);
}

TEST(ProcessData, TavokRescalingRestartsTheDataSet) {
  ReflectionRun t;
  // An amplitude of 123456789 needs an intensity beyond the intensity
  // column: the input scale brings it in.
  const float big = 123456789.0f;
  t.run.exp.SCALE = big * big / 15241.578f;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) + air(3, 20.0f, 15241.578f, 1.0f, 20));
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 2u) << t.outputText();  // only the last pass
  // Every reflection is divided by ten, not only the one that overflowed.
  const float f1 = std::sqrt(400.0f * t.run.exp.SCALE) / 10.0f;
  EXPECT_NEAR(std::stof(out[0].substr(10, 9)), f1, f1 * 1e-6f);
  EXPECT_EQ(out[1].substr(0, 19), "  3  1  0 12345679.");
  EXPECT_FLOAT_EQ(t.run.counters.OUTSCALE, 10.0f);
  EXPECT_EQ(t.run.counters.rescalings, 1);
  const std::string p = t.printText();
  EXPECT_EQ(countOf(p, "\n*****REWINDING DATASET AND RESCALING OUTPUT TO FIT FILE FORMAT\n"), 1);
  EXPECT_EQ(countOf(p, "  H   K   L      TRANS"), 2);  // the listing starts again
  EXPECT_NE(p.find("     2 REFLECTIONS READ IN FROM FILE -"), std::string::npos);
}

TEST(ProcessData, ShelxLinesAndClosingRecord) {
  ReflectionRun t;
  t.run.state.IFORMOUT = 1;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) + air(2, 20.0f, 999998.0f, 2000.0f, 20) +
              air(3, 20.0f, 0.0f, 0.0f, 30) + air(4, 20.0f, 4.0f, 0.0f, 40));
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 5u) << t.outputText();
  EXPECT_EQ(out[0].substr(0, 32), "   1   1   0 400.000 10.0000   1");
  EXPECT_EQ(out[1].substr(0, 32), "   2   1   0 999998. 2000.00   2");
  // F^2 and sigma both zero: sigma 1.
  EXPECT_EQ(out[2].substr(0, 32), "   3   1   0 0.00000 1.00000   3");
  EXPECT_EQ(out[3].substr(0, 32), "   4   1   0 4.00000 0.00000   4");
  EXPECT_EQ(out[0].size(), 80u);
  EXPECT_EQ(out[4], "   0   0   0    0.00    0.00");
  EXPECT_EQ(t.run.counters.rescalings, 0);
}

TEST(ProcessData, OversizeSigmaTakesTheFixedValue) {
  ReflectionRun t;
  t.inputFrom(air(1, 20.0f, 0.01f, 5000.0f, 10));
  processData(t.run);
  ASSERT_EQ(t.outputLines().size(), 1u);
  EXPECT_EQ(t.outputLines()[0].substr(0, 26), "  1  1  0 0.1000000 9999. ");
  ReflectionRun s;
  s.run.state.IFORMOUT = 1;
  s.run.exp.SCALE = 1000.0f;
  s.inputFrom(air(1, 20.0f, 123.456f, 5000.0f, 10));
  processData(s.run);
  ASSERT_EQ(s.outputLines().size(), 2u);
  EXPECT_EQ(s.outputLines()[0].substr(0, 28), "   1   1   0 123456. 999999.");
  EXPECT_EQ(s.run.counters.rescalings, 0);
}

TEST(ProcessData, AmplitudesNoRescalingCanFitStopTheRun) {
  {
    ReflectionRun t;
    t.run.exp.SCALE = 1.0e33f;  // the intensity overflows to infinity
    t.inputFrom(air(1, 20.0f, 1.0e7f, 10.0f, 10));
    EXPECT_FATAL(processData(t.run),
                 "REFLECTION NO.    1 HAS NO FINITE AMPLITUDE AND CANNOT BE WRITTEN TO THE OUTPUT FILE");
    EXPECT_EQ(countOf(t.printText(), "*****REWINDING"), 0);
  }
  {
    ReflectionRun t;
    t.run.exp.SCALE = 1.0e32f;  // F = 10^19
    t.inputFrom(air(1, 20.0f, 1.0e6f, 10.0f, 10));
    EXPECT_FATAL(processData(t.run),
                 "OUTPUT STILL DOES NOT FIT FILE FORMAT AFTER 10 RESCALINGS, AT REFLECTION NO.    1");
    EXPECT_EQ(countOf(t.printText(), "*****REWINDING"), 10);
  }
}

TEST(ProcessData, AReadErrorKeepsWhatWasWrittenAndWritesNoSummary) {
  ReflectionRun t;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) + "  2  1  0  20.000   1.500   2.500   3.500     1x0.000\n");
  EXPECT_FATAL(processData(t.run), "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    1");
  EXPECT_EQ(t.outputLines().size(), 1u);
  EXPECT_EQ(t.printText().find("SUMMARY"), std::string::npos);
}

}  // namespace
}  // namespace korvex::test
