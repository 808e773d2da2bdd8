// The processing loop and the output reflection files, for a crystal in air
// without a model (transmission 1, F = sqrt(I)).
#include <cmath>
#include <limits>

#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

TEST(DynamicFt, DecimalsThatFitTheField) {
  auto check = [](int width, float value, int decimals) {
    SCOPED_TRACE(testing::Message() << "F" << width << " " << value);
    int d = -99, ierr = -1;
    dynamicFt(width, value, d, ierr);
    EXPECT_EQ(ierr, decimals < 0 ? 1 : 0);
    if (decimals >= 0) {
      EXPECT_EQ(d, decimals);
    }
  };
  check(9, 5.0f, 7);
  check(9, 123.4f, 5);
  check(9, 9999999.0f, 1);
  check(9, 12345679.0f, 0);
  check(9, -5.0f, 6);
  check(9, 0.0f, 7);
  check(7, 999998.0f, 0);
  check(7, 999999.0f, 0);  // "999999." fills the seven columns exactly
  check(9, 123456789.0f, -1);
  check(9, 1.0e8f, -1);      // 10^8 - 1 is 10^8 in single precision
  check(7, 999999.6f, -1);   // would round to 1000000.
  check(7, 99999.99f, -1);   // one decimal rounds to 100000.0: eight columns
  check(5, 99.996f, -1);     // two decimals round to 100.00: six columns
  check(5, 9.9996f, 2);      // 10.00 fills F5 exactly
  check(5, 9999.0f, -1);     // 9999.001 is beyond 10^4 - 1
  check(9, std::numeric_limits<float>::infinity(), -1);
  check(9, std::numeric_limits<float>::quiet_NaN(), -1);
}

std::string air(int h, float tth, float fi, float sigi, int xseq, const std::string& flags = "      ") {
  return drevik(h, 1, 0, tth, fi, sigi, static_cast<float>(xseq), 0, flags, 1.5f, 2.5f, 3.5f);
}

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ProcessData, TheFateOfEachReflection) {
  ReflectionRun t;
  t.run.exp.TTHMAX = 50.0f;
  t.run.exp.LESSTHAN = 2.0f;
  t.run.exp.DELREJ = 0;
  t.inputFrom(air(1, 50.0f, 400.0f, 10.0f, 10) +        // at the 2theta limit: written
              air(3, 50.01f, 400.0f, 10.0f, 20) +       // beyond it: "T"
              air(4, 30.0f, 20.0f, 10.0f, 30) +         // I = 2 sigma: a less-than
              air(5, 30.0f, 100.0f, 10.0f, 42) +        // standard 2
              air(5, 30.0f, 100.0f, 10.0f, 57) +        // standard 7: no place in the table
              air(6, 30.0f, -50.0f, 10.0f, 60, " R    ")  // rejected but kept
  );
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], "  1  1  0 20.000000 0.250   0.00000    1       50.00   1.50   2.50   3.50    1");
  EXPECT_EQ(out[1], "  4  1  0 4.4721360 1.118   0.00000    2       30.00   1.50   2.50   3.50    3");
  EXPECT_EQ(out[2], "  6  1  0 1.0000000 5.000   0.00000    2       30.00   1.50   2.50   3.50    6");
  const std::string p = t.printText();
  EXPECT_NE(p.find("\n  3   1   0     1.000000      20.000     0.250    0.00000    50.010     1.500     2.500"
                   "     3.500       2      T \n"),
            std::string::npos);
  EXPECT_NE(p.find("       4   S    \n"), std::string::npos);
  EXPECT_NE(p.find("       5   S    \n"), std::string::npos);
  EXPECT_NE(p.find("       3     L  \n"), std::string::npos);
  EXPECT_NE(p.find("\n     6 REFLECTIONS READ IN FROM FILE -\n\n     1 REFLECTIONS FLAGGED REJECTED IN INPUT FILE"
                   " BUT RETAINED\n     1 REFLECTIONS REJECTED WITH 2THETA OUTSIDE LIMITS\n     2 STANDARD REFLECTIONS\n"
                   "     1 REFLECTIONS ARE OBSERVED AT  2.0 I/SIGI\n     2 REFLECTIONS ARE UNOBSERVED AT  2.0 I/SIGI\n"),
            std::string::npos)
      << p;

  ReflectionRun d;  // deleted: counted, neither listed nor written
  d.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10, " R    ") + air(2, 20.0f, 400.0f, 10.0f, 20));
  processData(d.run);
  EXPECT_EQ(d.outputLines().size(), 1u);
  EXPECT_EQ(d.printText().find("       1        \n"), std::string::npos);
  EXPECT_NE(d.printText().find("     1 REFLECTIONS FLAGGED REJECTED IN INPUT FILE AND DELETED \n"), std::string::npos);
}

TEST(ProcessData, RescalingRestartsTheWholeDataSet) {
  ReflectionRun t;
  // An amplitude of 123456789 needs an intensity beyond the intensity
  // column: the input scale brings it in.
  t.run.exp.SCALE = 123456789.0f * 123456789.0f / 15241.578f;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) + air(3, 20.0f, 15241.578f, 1.0f, 20));
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 2u);  // only the last pass
  const float f1 = std::sqrt(400.0f * t.run.exp.SCALE) / 10.0f;  // every reflection divided
  EXPECT_NEAR(std::stof(out[0].substr(10, 9)), f1, f1 * 1e-6f);
  EXPECT_EQ(out[1].substr(0, 19), "  3  1  0 12345679.");
  EXPECT_FLOAT_EQ(t.run.counters.OUTSCALE, 10.0f);
  const std::string p = t.printText();
  EXPECT_EQ(countOf(p, "\n*****REWINDING DATASET AND RESCALING OUTPUT TO FIT FILE FORMAT\n"), 1);
  EXPECT_EQ(countOf(p, "  H   K   L      TRANS"), 2);  // the listing starts again
  EXPECT_NE(p.find("     2 REFLECTIONS READ IN FROM FILE -"), std::string::npos);
}

TEST(ProcessData, ShelxLinesAndClosingRecord) {
  ReflectionRun t;
  t.run.state.IFORMOUT = 1;
  t.inputFrom(air(1, 20.0f, 400.0f, 10.0f, 10) + air(2, 20.0f, 999998.0f, 2000.0f, 20) +
              air(3, 20.0f, 0.0f, 0.0f, 30) + air(4, 20.0f, 4.0f, 0.0f, 40) + air(5, 20.0f, 1.0f, 5000.0f, 50));
  processData(t.run);
  const auto out = t.outputLines();
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[0].substr(0, 32), "   1   1   0 400.000 10.0000   1");
  EXPECT_EQ(out[1].substr(0, 32), "   2   1   0 999998. 2000.00   1");
  EXPECT_EQ(out[2].substr(0, 32), "   3   1   0 0.00000 1.00000   1");  // both zero: sigma 1
  EXPECT_EQ(out[3].substr(0, 32), "   4   1   0 4.00000 0.00000   1");
  EXPECT_EQ(out[0].size(), 80u);
  EXPECT_EQ(out[5], "   0   0   0    0.00    0.00");
  EXPECT_EQ(t.run.counters.rescalings, 0);

  ReflectionRun s;  // a sigma too wide takes the fixed value
  s.run.state.IFORMOUT = 1;
  s.run.exp.SCALE = 1000.0f;
  s.inputFrom(air(1, 20.0f, 123.456f, 5000.0f, 10));
  processData(s.run);
  EXPECT_EQ(s.outputLines()[0].substr(0, 28), "   1   1   0 123456. 999999.");
  ReflectionRun v;
  v.inputFrom(air(1, 20.0f, 0.01f, 5000.0f, 10));
  processData(v.run);
  EXPECT_EQ(v.outputLines()[0].substr(0, 26), "  1  1  0 0.1000000 9999. ");
}

TEST(ProcessData, AmplitudesNoRescalingCanFitStopTheRun) {
  auto check = [](float scale, float fi, const std::string& message, int rescalings) {
    SCOPED_TRACE(scale);
    ReflectionRun t;
    t.run.exp.SCALE = scale;
    t.inputFrom(air(1, 20.0f, fi, 10.0f, 10));
    EXPECT_FATAL(processData(t.run), message);
    EXPECT_EQ(countOf(t.printText(), "*****REWINDING"), rescalings);
  };
  check(1.0e33f, 1.0e7f, "REFLECTION NO.    1 HAS NO FINITE AMPLITUDE AND CANNOT BE WRITTEN TO THE OUTPUT FILE", 0);
  check(1.0e32f, 1.0e6f, "OUTPUT STILL DOES NOT FIT FILE FORMAT AFTER 10 RESCALINGS, AT REFLECTION NO.    1", 10);
}

}  // namespace
}  // namespace korvex::test
