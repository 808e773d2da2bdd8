// Reading reflections in both input formats, and what a damaged file does.
#include <array>
#include <cmath>

#include "reflections/processing.hpp"
#include "reflections/reflections_support.hpp"

namespace korvex::test {
namespace {

TEST(ReflectionInput, SequenceFieldSplitsIntoNumberAndStandard) {
  auto check = [](float xseq, int nseq, int istd) {
    SCOPED_TRACE(xseq);
    ReflectionRun t;
    t.inputFrom(drevik(1, 2, 3, 20.0f, 100.0f, 5.0f, xseq));
    int ieof = -1;
    readReflection(t.run, ieof);
    EXPECT_EQ(ieof, 0);
    EXPECT_EQ(t.run.refl.NSEQ, nseq);
    EXPECT_EQ(t.run.refl.NBATCH, 1);  // a Drevik record carries no batch
    EXPECT_EQ(t.run.refl.ISTD, istd);
  };
  check(12342.0f, 1234, 2);
  check(150.0f, 15, 0);
  check(999999.0f, 99999, 9);
}

TEST(ReflectionInput, BeamDirectionsAndParity) {
  // Omega, chi and phi at zero: both beams in the XY plane, theta either
  // side of the beam axis. A parity of -1 on 2theta mirrors them in X.
  auto check = [](int parity, float sx) {
    SCOPED_TRACE(parity);
    ReflectionRun t;
    t.run.exp.PARITY = {parity, 1, 1, 1};
    t.inputFrom(drevik(1, 0, 0, 40.0f, 100.0f, 5.0f, 10.0f));
    int ieof = 0;
    readReflection(t.run, ieof);
    const float th = 20.0f * 0.017453292f;
    const auto& r = t.run.refl;
    EXPECT_FLOAT_EQ(r.ANG[0], 40.0f * static_cast<float>(parity));
    EXPECT_FLOAT_EQ(r.DCI[0], sx * std::sin(th));
    EXPECT_FLOAT_EQ(r.DCI[1], -std::cos(th));
    EXPECT_FLOAT_EQ(r.DCD[0], sx * std::sin(th));
    EXPECT_FLOAT_EQ(r.DCD[1], std::cos(th));
    EXPECT_FLOAT_EQ(r.DCI[2], 0.0f);
    EXPECT_FLOAT_EQ(r.DCD[2], 0.0f);
  };
  check(1, 1.0f);
  check(-1, -1.0f);
}

// General settings: both beams lie in the diffraction plane, turned by chi
// about Y and then by phi about Z; the angle between them stays 2theta.
TEST(ReflectionInput, BeamDirectionsFollowChiAndPhi) {
  auto check = [](float tth, float omega, float chi, float phi) {
    SCOPED_TRACE(testing::Message() << tth << " " << omega << " " << chi << " " << phi);
    ReflectionRun t;
    t.run.exp.PARITY = {1, 1, 1, 1};
    t.inputFrom(drevik(1, 0, 0, tth, 100.0f, 5.0f, 10.0f, 0, "      ", omega, chi, phi));
    int ieof = 0;
    readReflection(t.run, ieof);
    const double rad = 3.14159265358979 / 180.0;
    const double w1 = (tth / 2.0 + omega) * rad, w2 = (tth / 2.0 - omega) * rad;
    const double c = std::cos(chi * rad), sc = std::sin(chi * rad);
    const double cp = std::cos(phi * rad), sp = std::sin(phi * rad);
    auto turn = [&](double x, double y) {  // chi about Y, then phi about Z, of (x, y, 0)
      const double xc = x * c, zc = x * sc;
      return std::array<double, 3>{xc * cp - y * sp, xc * sp + y * cp, zc};
    };
    const auto dci = turn(std::sin(w1), -std::cos(w1));
    const auto dcd = turn(std::sin(w2), std::cos(w2));
    const auto& r = t.run.refl;
    double dot = 0.0;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(r.DCI[i], dci[i], 2e-6);
      EXPECT_NEAR(r.DCD[i], dcd[i], 2e-6);
      dot += static_cast<double>(r.DCI[i]) * static_cast<double>(r.DCD[i]);
    }
    EXPECT_NEAR(-dot, std::cos(tth * rad), 2e-6);
  };
  check(40.0f, 0.0f, 0.0f, 0.0f);
  check(40.0f, 7.5f, 0.0f, 0.0f);
  check(35.25f, -3.0f, 62.5f, 0.0f);
  check(35.25f, 0.0f, 0.0f, 118.0f);
  check(71.3f, 4.25f, -41.0f, -153.5f);
}

TEST(ReflectionInput, ZeroIndicesAreSkippedWithTheirContinuationLines) {
  ReflectionRun t;
  t.run.exp.SCALE = 2.0f;
  t.inputFrom(drevik(0, 0, 0, 10.0f, 1.0f, 1.0f, 10.0f, 2) + "profile\nprofile\n\n" +
              drevik(2, 0, 0, 20.0f, -50.0f, 2.0f, 20.0f, 1, " R    ") + "profile\n");
  int ieof = 0;
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 0);
  EXPECT_EQ(t.run.refl.IH[0], 2);
  EXPECT_EQ(t.run.refl.CFLAG[1], 'R');
  EXPECT_FLOAT_EQ(t.run.refl.FI, -100.0f);  // scaled, and still negative
  EXPECT_FLOAT_EQ(t.run.refl.SIGI, 4.0f);
  readReflection(t.run, ieof);
  EXPECT_EQ(ieof, 1);
}

TEST(ReflectionInput, DamagedDrevikFilesStopWithTheReadError) {
  auto check = [](const std::string& second, int nseq) {
    SCOPED_TRACE(second);
    ReflectionRun t;
    t.inputFrom(drevik(1, 0, 0, 20.0f, 50.0f, 2.0f, 70.0f) + second);
    const std::string expected =
        "ERROR READING REFLECTION FILE AFTER REFLECTION NO." + ff::formatInt(nseq, 5);
    int ieof = 0;
    readReflection(t.run, ieof);
    EXPECT_FATAL(readReflection(t.run, ieof), expected);
    EXPECT_EQ(t.printText(), expected + "\n");
  };
  const std::string next = drevik(2, 0, 0, 20.0f, 50.0f, 2.0f, 80.0f);
  check(std::string(next).replace(45, 2, "x4"), 7);  // letters in the intensity
  check(std::string(next).replace(77, 1, "Q"), 7);   // and in the line count
  check(next.substr(0, 50) + "\n", 7);               // cut inside the intensity
  check(std::string(next).replace(61, 7, "1.0E+20"), 7);  // no integer holds it
  check(std::string(next).replace(42, 11, "1.0E+99    "), 7);  // beyond single precision
  // Cut among the continuation lines: the record itself was read in full.
  check(drevik(2, 0, 0, 20.0f, 50.0f, 2.0f, 80.0f, 3) + "profile\n", 8);
}

TEST(ReflectionInput, ShelxDirectionCosines) {
  auto shelxRun = [](ReflectionRun& t, const std::string& records) {
    t.run.exp.RCELL = {0.5f, 0.25f, 0.2f, 90.0f, 90.0f, 90.0f};
    t.run.exp.UBTINV = {{{2.0f, 0, 0}, {0, 4.0f, 0}, {0, 0, 5.0f}}};  // a, b, c on the axes
    t.inputFrom(records, 1);
  };
  const float s = std::sqrt(0.5f);
  {
    ReflectionRun t;
    shelxRun(t, shelx(0, 0, 0, 0, 0, 0, {}) + shelx(1, 2, 3, 1234.5f, 12.25f, 7, {s, s, -s, s, 0, 0}));
    int ieof = 0;
    readReflection(t.run, ieof);
    const auto& r = t.run.refl;
    EXPECT_EQ(r.NSEQ, 2);  // the 0 0 0 record counts
    EXPECT_EQ(r.NBATCH, 7);
    EXPECT_NEAR(r.DCI[0], s, 1e-5f);
    EXPECT_NEAR(r.DCI[1], -s, 1e-5f);
    EXPECT_NEAR(r.DCD[1], s, 1e-5f);
    EXPECT_NEAR(r.ANG[0], 90.0f, 1e-3f);
  }
  {
    // A skew matrix: rows act on the scaled cosines (a transposed product
    // would give other beams and another 2theta).
    ReflectionRun t;
    t.run.exp.RCELL = {0.5f, 0.25f, 0.2f, 90.0f, 90.0f, 90.0f};
    t.run.exp.UBTINV = {{{1.0f, 2.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}};
    t.inputFrom(shelx(1, 1, 0, 100.0f, 1.0f, 1, {0.6f, 0.0f, 0.8f, 1.0f, 0.0f, 0.0f}), 1);
    int ieof = 0;
    readReflection(t.run, ieof);
    // Incident (0.3, 0.2, 0) -> (0.7, 0.2, 0); diffracted (0, 0.25, 0) -> (0.5, 0.25, 0).
    const double li = std::sqrt(0.53), ld = std::sqrt(0.3125);
    const auto& r = t.run.refl;
    EXPECT_NEAR(r.DCI[0], 0.7 / li, 1e-6);
    EXPECT_NEAR(r.DCI[1], 0.2 / li, 1e-6);
    EXPECT_NEAR(r.DCD[0], 0.5 / ld, 1e-6);
    EXPECT_NEAR(r.DCD[1], 0.25 / ld, 1e-6);
    EXPECT_NEAR(r.ANG[0], std::acos(-(0.35 + 0.05) / (li * ld)) * 180.0 / 3.14159265358979, 1e-3);
  }
  auto fails = [&](const std::string& record, const std::string& expected) {
    SCOPED_TRACE(record);
    ReflectionRun t;
    shelxRun(t, shelx(1, 0, 0, 10, 1, 1, {0.6f, 0.6f, 0.8f, -0.8f, 0, 0}) + record);
    int ieof = 0;
    readReflection(t.run, ieof);
    EXPECT_FATAL(readReflection(t.run, ieof), expected);
  };
  const std::string missing = "DIRN COSINES MISSING ON     2TH REFLECTION, HKL =     1    2    3";
  const std::string full = shelx(1, 2, 3, 10, 1, 1, {0.6f, 0.6f, 0.8f, -0.8f, 0, 0});
  fails(shelx(1, 2, 3, 10, 1, 1, {}), missing);
  fails(full.substr(0, 32) + "\n", missing);
  fails(shelx(1, 2, 3, 10, 1, 1, {0, 0.6f, 0, 0.8f, 0, 0}), missing);  // no incident beam
  fails(full.substr(0, 60) + "\n", "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    1");
  fails(std::string(full).replace(16, 1, "O"), "ERROR READING REFLECTION FILE AFTER REFLECTION NO.    1");
}

}  // namespace
}  // namespace korvex::test
