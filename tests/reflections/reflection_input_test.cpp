// Reading reflections in both input formats, and what a damaged file does.
#include <cmath>

#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

constexpr float kDegree = 0.017453292f;

TEST(ReflectionInput, SequenceFieldSplitsIntoNumberAndStandard) {
  auto check = [](float xseq, int nseq, int istd) {
    SCOPED_TRACE(xseq);
    ReflectionRun t;
    t.inputFrom(drevik(1, 2, 3, 20.0f, 0, 0, 0, 100.0f, 5.0f, xseq));
    int ieof = -1;
    readReflection(t.run, ieof);
    EXPECT_EQ(ieof, 0);
    EXPECT_EQ(t.run.refl.NSEQ, nseq);
    EXPECT_EQ(t.run.refl.NBATCH, nseq);
    EXPECT_EQ(t.run.refl.ISTD, istd);
  };
  check(12342.0f, 1234, 2);
  check(150.0f, 15, 0);
  check(999999.0f, 99999, 9);
  check(10.0f, 1, 0);
}

TEST(ReflectionInput, BeamDirectionsFromAngles) {
  // Omega, chi and phi at zero: both beams lie in the XY plane, theta from
  // the beam, on either side of the -Y/+Y axis.
  ReflectionRun t;
  t.inputFrom(drevik(1, 0, 0, 40.0f, 0, 0, 0, 100.0f, 5.0f, 10.0f));
  int ieof = 0;
  readReflection(t.run, ieof);
  const float th = 20.0f * kDegree;
  const auto& r = t.run.refl;
  EXPECT_FLOAT_EQ(r.DCI[0], std::sin(th));
  EXPECT_FLOAT_EQ(r.DCI[1], -std::cos(th));
  EXPECT_FLOAT_EQ(r.DCI[2], 0.0f);
  EXPECT_FLOAT_EQ(r.DCD[0], std::sin(th));
  EXPECT_FLOAT_EQ(r.DCD[1], std::cos(th));
  EXPECT_FLOAT_EQ(r.DCD[2], 0.0f);

  // General angles: unit vectors whose angle is 2theta.
  ReflectionRun g;
  g.inputFrom(drevik(1, 2, 3, 47.3f, 5.1f, 33.7f, -121.4f, 100.0f, 5.0f, 10.0f));
  readReflection(g.run, ieof);
  const auto& q = g.run.refl;
  auto dot = [](const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
  EXPECT_NEAR(dot(q.DCI, q.DCI), 1.0f, 1e-6f);
  EXPECT_NEAR(dot(q.DCD, q.DCD), 1.0f, 1e-6f);
  EXPECT_NEAR(std::acos(-dot(q.DCI, q.DCD)) / kDegree, 47.3f, 1e-3f);
}

TEST(ReflectionInput, ParityReversesAnAngleBeforeTheBeamsAreFormed) {
  ReflectionRun t;
  t.run.exp.PARITY = {-1, 1, 1, -1};
  t.inputFrom(drevik(1, 0, 0, 40.0f, 0, 0, 30.0f, 100.0f, 5.0f, 10.0f));
  int ieof = 0;
  readReflection(t.run, ieof);
  const auto& r = t.run.refl;
  EXPECT_FLOAT_EQ(r.ANG[0], -40.0f);
  EXPECT_FLOAT_EQ(r.ANG[3], -30.0f);
  // w1 = -20 degrees, phi = -30 degrees.
  const float w1 = -20.0f * kDegree, phi = -30.0f * kDegree;
  EXPECT_FLOAT_EQ(r.DCI[0], std::cos(w1) * std::sin(phi) + std::sin(w1) * std::cos(phi));
  EXPECT_FLOAT_EQ(r.DCI[1], std::sin(w1) * std::sin(phi) - std::cos(w1) * std::cos(phi));
}

TEST(ReflectionInput, ZeroIndicesAreSkippedWithTheirContinuationLines) {
  ReflectionRun t;
  t.inputFrom(drevik(0, 0, 0, 10.0f, 0, 0, 0, 1.0f, 1.0f, 10.0f, "      ", 2) + "profile line\nprofile line\n" +
              drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 20.0f, "      ", 1) + "profile line\n" +
              drevik(3, 0, 0, 30.0f, 0, 0, 0, 60.0f, 2.0f, 30.0f));
  t.run.exp.SCALE = 2.0f;
  int ieof = 0;
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 0);
  EXPECT_EQ(t.run.refl.IH[0], 2);
  EXPECT_EQ(t.run.refl.NSEQ, 2);
  EXPECT_FLOAT_EQ(t.run.refl.FI, 100.0f);
  EXPECT_FLOAT_EQ(t.run.refl.SIGI, 4.0f);
  readReflection(t.run, ieof);
  EXPECT_EQ(t.run.refl.IH[0], 3);
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 1);
}

TEST(ReflectionInput, FlagsAndStatusLetters) {
  ReflectionRun t;
  t.inputFrom(drevik(1, 1, 1, 20.0f, 0, 0, 0, -7.0f, 2.0f, 10.0f, " R  x "));
  t.run.refl.STAT = {'S', 'L', 'T', 'O'};
  int ieof = 0;
  readReflection(t.run, ieof);
  EXPECT_EQ(t.run.refl.CFLAG[1], 'R');
  EXPECT_EQ(t.run.refl.CFLAG[4], 'x');
  EXPECT_EQ(std::string(t.run.refl.STAT.data(), 4), "    ");
  EXPECT_FLOAT_EQ(t.run.refl.FI, -7.0f);  // a negative intensity stays negative
}

TEST(ReflectionInput, DamagedDrevikFilesStopWithTheReadError) {
  auto check = [](const std::string& file, const std::string& expected) {
    SCOPED_TRACE(file);
    ReflectionRun t;
    t.inputFrom(file);
    int ieof = 0;
    EXPECT_FATAL(
        {
          for (int n = 0; n < 10; ++n) readReflection(t.run, ieof);
        },
        expected);
    EXPECT_EQ(t.printText(), expected + "\n");
  };
  const std::string good = drevik(1, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 70.0f);
  std::string letters = drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 80.0f);
  letters.replace(45, 2, "x4");
  check(good + letters, "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    7");
  std::string letterSkip = drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 80.0f);
  letterSkip.replace(77, 1, "Q");
  check(good + letterSkip, "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    7");
  // Cut off inside the intensity: the last fields would read as zeros.
  check(good + drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 80.0f).substr(0, 50) + "\n",
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    7");
  // Cut off among the continuation lines: the record was read in full and is
  // the one named.
  check(good + drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 80.0f, "      ", 3) + "profile\n",
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    8");
  // A sequence field no integer holds.
  check(good + drevik(2, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 0.0f).replace(61, 7, "1.0E+20"),
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    7");
}

TEST(ReflectionInput, TrailingFieldsMayBeLeftOffAndBlankLinesAreSkipped) {
  ReflectionRun t;
  const std::string line = drevik(1, 0, 0, 20.0f, 0, 0, 0, 50.0f, 2.0f, 70.0f);
  t.inputFrom("\n" + line.substr(0, 68) + "\n");
  int ieof = 0;
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 0);
  EXPECT_EQ(t.run.refl.NSEQ, 7);
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 1);
}

// SHELX input: direction cosines against a*, b*, c*, alternately incident and
// diffracted, turned into the phi-axis frame with the orientation matrix.
struct ShelxRun : ReflectionRun {
  ShelxRun() {
    run.exp.RCELL = {0.5f, 0.25f, 0.2f, 90.0f, 90.0f, 90.0f};
    // Orthorhombic cell on the phi axes: UB = diag(a*, b*, c*), so
    // inverse(transpose(UB)) = diag(a, b, c).
    run.exp.UBTINV = {{{2.0f, 0, 0}, {0, 4.0f, 0}, {0, 0, 5.0f}}};
  }
};

TEST(ReflectionInput, ShelxDirectionCosines) {
  ShelxRun t;
  const float s = std::sqrt(0.5f);
  t.inputFrom(shelx(0, 0, 0, 0, 0, 0, {}) + shelx(1, 2, 3, 1234.5f, 12.25f, 7, {s, s, -s, s, 0, 0}), 1);
  t.run.exp.SCALE = 0.5f;
  int ieof = 0;
  readReflection(t.run, ieof);
  const auto& r = t.run.refl;
  EXPECT_EQ(ieof, 0);
  EXPECT_EQ(r.NSEQ, 2);  // the 0 0 0 record counts
  EXPECT_EQ(r.NBATCH, 7);
  EXPECT_EQ(r.ISTD, 0);
  EXPECT_FLOAT_EQ(r.FI, 617.25f);
  EXPECT_FLOAT_EQ(r.SIGI, 6.125f);
  EXPECT_NEAR(r.DCI[0], s, 1e-5f);
  EXPECT_NEAR(r.DCI[1], -s, 1e-5f);
  EXPECT_NEAR(r.DCD[0], s, 1e-5f);
  EXPECT_NEAR(r.DCD[1], s, 1e-5f);
  EXPECT_NEAR(r.ANG[0], 90.0f, 1e-3f);
}

TEST(ReflectionInput, ShelxRecordsWithoutUsableCosines) {
  auto check = [](const std::string& record, const std::string& expected) {
    SCOPED_TRACE(record);
    ShelxRun t;
    t.inputFrom(shelx(1, 0, 0, 10, 1, 1, {0.6f, 0.6f, 0.8f, -0.8f, 0, 0}) + record, 1);
    int ieof = 0;
    readReflection(t.run, ieof);
    EXPECT_FATAL(readReflection(t.run, ieof), expected);
  };
  check(shelx(1, 2, 3, 10, 1, 1, {}), "DIRN COSINES MISSING ON     2TH REFLECTION, HKL =     1    2    3");
  check(shelx(1, 2, 3, 10, 1, 1, {}).substr(0, 32) + "\n",
        "DIRN COSINES MISSING ON     2TH REFLECTION, HKL =     1    2    3");
  // Cosines of the diffracted beam only: the incident beam has no direction.
  check(shelx(-1, 2, 3, 10, 1, 1, {0, 0.6f, 0, 0.8f, 0, 0}),
        "DIRN COSINES MISSING ON     2TH REFLECTION, HKL =    -1    2    3");
  // Cut off inside the cosines: some of them are lost.
  check(shelx(1, 2, 3, 10, 1, 1, {0.6f, 0.6f, 0.8f, -0.8f, 0, 0}).substr(0, 60) + "\n",
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    1");
  check("   1   2   3   1O.00    1.00   1 0.60000 0.60000 0.80000-0.80000 0.00000 0.00000\n",
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    1");
}

}  // namespace
}  // namespace korvex::test
