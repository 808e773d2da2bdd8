// From intensity to corrected amplitude: anvil angles and sides, the cell's
// transmission, F and sigma(F), the extinction term and the D / O flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/test_support.hpp"
#include "transmission/anvils.hpp"
#include "transmission/transmission.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex {
namespace {

const char kPsiWarning[] = "REFLECTION WITH PSI > 70 DEG DACABS SET ZERO. CHECK DATA, UB AND BLAXES";

struct ItofRun : test::TestRun {
  ItofRun() {
    run.refl.DCI = {0.0f, -1.0f, 0.0f};
    run.refl.DCD = {0.0f, 1.0f, 0.0f};
    run.refl.ANG[0] = 30.0f;
  }
  // A sphere whose table holds the same transmission and SUMTP at every angle.
  void flatSphere(float t, float sumtp) {
    run.exp.MODELTYPE = 4;
    run.exp.CRYSABS = 1;
    run.exp.TSPH.fill(t);
    run.exp.TSPH2.fill(sumtp);
  }
  // A cell of type 1 with no OPEN card: both limits at their reset 80 degrees.
  void cell() {
    run.exp.DACTYPE = 1;
    run.exp.PSIMAX = {80.0f * 0.7853982f / 45.0f, 80.0f * 0.7853982f / 45.0f};
    run.exp.DTHICK = {0.2f, 0.2f, 0.3f, 0.3f};
    run.exp.DMU = {2.025f, 2.025f, 0.473f, 0.473f};
  }
  void reflection(float fi, float sigi) {
    run.refl.FI = fi;
    run.refl.SIGI = sigi;
    run.refl.STAT = {' ', ' ', ' ', ' '};
    itof(run);
  }
};

TEST(TransmissionItof, AmplitudeAndSigma) {
  struct Case {
    const char* what;
    float trans, fi, sigi, fobs, sigf;
  };
  const Case cases[] = {
      {"no absorption", 1.0f, 400.0f, 20.0f, 20.0f, 0.5f},
      {"negative intensity: a tenth of its sigma", 0.5f, -50.0f, 10.0f, std::sqrt(2.0f), 0.5f * 10 * 2 / std::sqrt(2.0f)},
      {"zero intensity", 0.5f, 0.0f, 10.0f, 0.0f, 1.0f},
      {"transmission at the floor", 1.0e-5f, 400.0f, 20.0f, 0.0f, 1.0f},
      {"corrected by 1/T", 0.25f, 100.0f, 8.0f, 20.0f, 0.5f * 8 * 4 / 20.0f},
      {"negative sigma", 0.5f, -50.0f, -10.0f, std::sqrt(2.0f), 0.5f * -10 * 2 / std::sqrt(2.0f)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ItofRun r;
    r.flatSphere(c.trans, -10.0f);
    r.reflection(c.fi, c.sigi);
    EXPECT_FLOAT_EQ(r.run.trans.TRANS, c.trans);
    EXPECT_FLOAT_EQ(r.run.refl.FOBS, c.fobs);
    EXPECT_FLOAT_EQ(r.run.refl.SIGF, c.sigf);
  }
}

TEST(TransmissionItof, NoModelInAir) {
  ItofRun r;
  r.run.exp.CRYSABS = 1;  // a MU card without a model
  r.run.exp.LAMBDAV2 = 2.0e-5f;
  r.reflection(-9.0f, 3.0f);
  EXPECT_EQ(r.run.trans.TRANS, 1.0f);
  EXPECT_EQ(r.run.trans.TDAC, 1.0f);
  EXPECT_EQ(r.run.trans.TXTAL, 1.0f);
  EXPECT_EQ(r.run.trans.TGAS, 1.0f);
  EXPECT_EQ(r.run.trans.TMED, 1.0f);
  EXPECT_FLOAT_EQ(r.run.refl.FOBS, std::sqrt(0.3f));
  EXPECT_FLOAT_EQ(r.run.refl.SIGF, 0.5f * 3.0f / std::sqrt(0.3f));
  // No path through the crystal: no extinction term.
  EXPECT_EQ(r.run.refl.EXTF, 0.0f);
  EXPECT_EQ(r.run.refl.STAT[2], ' ');
}

TEST(TransmissionItof, ExtinctionTerm) {
  // 1588.83 (lambda/V)^2 Tbar (1 + cos^4 2theta) / ((1 + cos^2 2theta)
  // sin theta cos theta) with the mean path Tbar = -SUMTP/TXTAL = 40 microns.
  ItofRun r;
  r.flatSphere(0.5f, -20.0f);
  r.run.exp.LAMBDAV2 = 1.9e-5f;
  for (float tth : {10.0f, 60.0f, 120.0f, -60.0f}) {
    SCOPED_TRACE(tth);
    r.run.refl.ANG[0] = tth;
    r.reflection(100.0f, 5.0f);
    const double th = std::fabs(tth) / 2 * M_PI / 180, c2 = std::cos(2 * th);
    const double want = 1588.83 * 1.9e-5 * 40.0 * (1 + std::pow(c2, 4)) /
                        ((1 + c2 * c2) * std::sin(th) * std::cos(th));
    EXPECT_NEAR(r.run.refl.EXTF, want, 1e-5 * want);
  }
  // Nothing to correct, or a transmission too small: no term.
  r.run.exp.CRYSABS = 0;
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.refl.EXTF, 0.0f);
  r.flatSphere(0.5e-4f, -20.0f);
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.refl.EXTF, 0.0f);
  // 2theta of 0 has no finite term.
  r.flatSphere(0.5f, -20.0f);
  r.run.refl.ANG[0] = 0.0f;
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.refl.EXTF, 0.0f);
}

TEST(TransmissionItof, AnvilAnglesSidesAndTransmission) {
  ItofRun r;
  r.cell();
  auto& refl = r.run.refl;
  auto check = [&](Vec3 dci, Vec3 dcd, int side1, int side2) {
    SCOPED_TRACE(testing::Message() << side1 << side2);
    refl.DCI = dci;
    refl.DCD = dcd;
    r.reflection(100.0f, 5.0f);
    EXPECT_EQ(refl.ISIDE[0], side1);
    EXPECT_EQ(refl.ISIDE[1], side2);
    EXPECT_NEAR(refl.PSI[0], std::acos(std::min(1.0f, std::fabs(dci[1]))), 1e-6);
    EXPECT_NEAR(refl.PSI[1], std::acos(std::min(1.0f, std::fabs(dcd[1]))), 1e-6);
    const float want = 1.0f / (diabs(r.run.exp, refl.PSI[0], side1) * diabs(r.run.exp, refl.PSI[1], side2));
    EXPECT_FLOAT_EQ(r.run.trans.TDAC, want);
    EXPECT_FLOAT_EQ(r.run.trans.TRANS, want);  // no crystal model
    EXPECT_EQ(refl.STAT[2], ' ');
  };
  check({0, -1, 0}, {0, 1, 0}, 1, 2);  // the usual geometry: in through anvil 1, out through 2
  check({0, 1, 0}, {0, -1, 0}, 2, 1);
  check(test::unit(0.3, -0.9, 0.1), test::unit(-0.2, 0.8, 0.4), 1, 2);
  check(test::unit(0.3, -0.9, 0.1), test::unit(-0.2, -0.8, 0.4), 1, 1);
  // A component a rounding step beyond 1 still gives an angle of 0.
  check({0, -1.0000001f, 0}, {0, 1.0000001f, 0}, 1, 2);
  EXPECT_EQ(refl.PSI[0], 0.0f);

  // Without a cell the angles and sides are not touched.
  ItofRun air;
  air.run.refl.PSI = {7.0f, 8.0f};
  air.run.refl.ISIDE = {3, 4};
  air.reflection(100.0f, 5.0f);
  EXPECT_EQ(air.run.refl.PSI[0], 7.0f);
  EXPECT_EQ(air.run.refl.ISIDE[1], 4);
  EXPECT_EQ(air.run.trans.TDAC, 1.0f);
}

TEST(TransmissionItof, BeamsBeyondSeventyDegrees) {
  // DCI(2) = -0.2: psi 78.5 degrees, inside the 80-degree reset limits but
  // beyond what the anvil correction covers. Listed with "D", counted, never
  // an observation F = 0 +- 1; the warning comes once per program run.
  ItofRun r;
  r.cell();
  r.run.refl.DCI = test::unit(std::sqrt(1 - 0.04), -0.2, 0);
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.trans.TDAC, 0.0f);
  EXPECT_EQ(r.run.trans.TRANS, 0.0f);
  EXPECT_EQ(r.run.refl.FOBS, 0.0f);
  EXPECT_EQ(r.run.refl.STAT[2], 'D');
  EXPECT_EQ(r.run.counters.NPSI, 1);
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.refl.STAT[2], 'D');
  EXPECT_EQ(r.run.counters.NPSI, 2);
  ASSERT_EQ(r.dialog.warningBoxes.size(), 1u);
  EXPECT_EQ(r.dialog.warningBoxes[0], std::string(" ") + kPsiWarning + " ");
  const std::string print = r.printText();
  EXPECT_EQ(print.find(kPsiWarning), print.rfind(kPsiWarning));
  EXPECT_NE(print.find(kPsiWarning), std::string::npos);

  // The flag lives as long as the program: a later run stays silent.
  ItofRun later;
  later.cell();
  later.run.state.psiWarningGiven = true;
  later.run.refl.DCD = test::unit(0, 0.2, std::sqrt(1 - 0.04));
  later.reflection(100.0f, 5.0f);
  EXPECT_EQ(later.run.refl.STAT[2], 'D');
  EXPECT_TRUE(later.dialog.warningBoxes.empty());
}

TEST(TransmissionItof, OpeningLimits) {
  ItofRun r;
  r.cell();
  const float deg = 0.7853982f / 45.0f;
  r.run.exp.PSIMAX = {30.0f * deg, 20.0f * deg};
  auto check = [&](double psi1, double psi2, char flag, int npsi) {
    SCOPED_TRACE(testing::Message() << psi1 << " " << psi2);
    const double a = psi1 * M_PI / 180, b = psi2 * M_PI / 180;
    r.run.refl.DCI = test::unit(std::sin(a), -std::cos(a), 0);
    r.run.refl.DCD = test::unit(0, std::cos(b), std::sin(b));
    r.reflection(100.0f, 5.0f);
    EXPECT_EQ(r.run.refl.STAT[2], flag);
    EXPECT_EQ(r.run.counters.NPSI, npsi);
  };
  check(25, 15, ' ', 0);
  check(25, 25, 'D', 1);  // anvil 2's own limit
  check(35, 15, 'D', 2);
  check(35, 25, 'D', 3);  // both beyond: counted once
  EXPECT_TRUE(r.dialog.warningBoxes.empty());
}

TEST(TransmissionItof, ObscuredByTheGasket) {
  // A crystal filling the hole, with beams nearly parallel to the culets:
  // nothing lit (TGAS = 0 < MINILLUM), and beyond 70 degrees as well.
  ItofRun r;
  r.cell();
  test::buildCylinder(r.run.exp, 50.0, 30.0, 2);
  r.run.exp.MODELTYPE = 5;
  r.run.exp.GASKGIVEN = 1;
  r.run.exp.MINILLUM = 0.05f;
  r.run.refl.DCI = test::unit(1, -0.1, 0);
  r.reflection(100.0f, 5.0f);
  EXPECT_EQ(r.run.trans.TGAS, 0.0f);
  EXPECT_EQ(r.run.refl.STAT[2], 'D');
  EXPECT_EQ(r.run.refl.STAT[3], 'O');
  EXPECT_EQ(r.run.counters.NOBSC, 1);
  EXPECT_EQ(r.run.counters.NPSI, 1);

  // With no crystal model in a cell the crystal counts as fully lit.
  ItofRun none;
  none.cell();
  none.run.exp.GASKGIVEN = 1;
  none.run.exp.MINILLUM = 0.05f;
  none.reflection(100.0f, 5.0f);
  EXPECT_EQ(none.run.refl.STAT[3], ' ');
  EXPECT_EQ(none.run.counters.NOBSC, 0);
}

TEST(TransmissionItof, MessagesAreWrittenInTheOrderRaised) {
  // Medium-path notes go to the print file ahead of the reflection's own
  // line; a fatal message raised after them stops the run there.
  ItofRun r;
  ReflectionTransmission t;
  t.messages = {{TransmissionMessage::Kind::MediumPath, -10.0f, {}},
                {TransmissionMessage::Kind::MediumPath, -2.5f, {}},
                {TransmissionMessage::Kind::Fatal, 0.0f, "FAULT IN GASKETABS, I-BEAM"}};
  EXPECT_FATAL(applyTransmission(r.run, t), "FAULT IN GASKETABS, I-BEAM");
  EXPECT_EQ(r.printText(),
            "******WARNING: NEXT REFLECTION HAS PATH IN PRESSURE MEDIUM CALCULATED AS  -10.0 MICRONS\n"
            "******WARNING: NEXT REFLECTION HAS PATH IN PRESSURE MEDIUM CALCULATED AS   -2.5 MICRONS\n");
}

}  // namespace
}  // namespace korvex
