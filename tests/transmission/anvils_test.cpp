// Anvil and platten correction factors of one beam, by cell type.
#include <gtest/gtest.h>

#include <cmath>

#include "experiment/experiment_state.hpp"
#include "support/test_support.hpp"
#include "transmission/anvils.hpp"

namespace korvex {
namespace {

constexpr double kDeg = M_PI / 180.0;

float rad(double degrees) { return static_cast<float>(degrees * kDeg); }

// A cell whose two anvils and two plattens all differ, so a factor that
// takes anvil 1's constants for anvil 2 shows.
ExperimentState cell(int type) {
  ExperimentState e;
  e.DACTYPE = type;
  e.DTHICK = {0.20f, 0.25f, 0.30f, 0.35f};
  e.DMU = {2.0f, 3.0f, 0.5f, 0.7f};
  return e;
}

TEST(TransmissionAnvils, FlatPlatten) {
  const ExperimentState e = cell(1);
  auto check = [&](double psi, int side, double expected) {
    SCOPED_TRACE(testing::Message() << "psi " << psi << " side " << side);
    EXPECT_NEAR(diabs(e, rad(psi), side), expected, 2e-6 * expected);
  };
  // Anvil plus platten along the axis; at 60 degrees both paths double.
  check(0, 1, std::exp(0.2 * 2.0 + 0.3 * 0.5));
  check(60, 1, std::exp(2 * (0.2 * 2.0 + 0.3 * 0.5)));
  check(-60, 1, std::exp(2 * (0.2 * 2.0 + 0.3 * 0.5)));
  check(0, 2, std::exp(0.25 * 3.0 + 0.35 * 0.7));
  check(45, 2, std::exp(std::sqrt(2.0) * (0.25 * 3.0 + 0.35 * 0.7)));
  check(135, 2, std::exp(std::sqrt(2.0) * (0.25 * 3.0 + 0.35 * 0.7)));
}

TEST(TransmissionAnvils, SphericalPlattenSeat) {
  // The seat's outer surface is a sphere of radius R = 1.05 cm whose cap is
  // H = 0.47 cm high on the axis; its centre lies on the axis at W = R - H -
  // anvil thickness on the crystal's side. The platten path along a beam at
  // psi is the way from the crystal to the sphere less the anvil path.
  const ExperimentState e = cell(2);
  auto expected = [&](double psi, int side) {
    const double t = e.DTHICK[side - 1], mu = e.DMU[side - 1], mup = e.DMU[side + 1];
    const double R = 1.05, W = R - 0.47 - t, c = std::cos(psi * kDeg);
    // |X u + W axis| = R, solved for the way X along the unit beam u.
    const double X = -W * c + std::sqrt(W * W * c * c - W * W + R * R);
    const double anvil = t / c;
    return std::exp(mu * anvil + mup * (X - anvil));
  };
  auto check = [&](double psi, int side) {
    SCOPED_TRACE(testing::Message() << "psi " << psi << " side " << side);
    const double want = expected(psi, side);
    EXPECT_NEAR(diabs(e, rad(psi), side), want, 1e-5 * want);
  };
  check(20, 1);
  check(40, 1);
  check(40, 2);
  check(65, 2);
  // On the axis the platten path is the cap height.
  EXPECT_NEAR(diabs(e, 0.0f, 1), std::exp(2.0 * 0.2 + 0.47 * 0.5), 2e-6);
  EXPECT_NEAR(diabs(e, 0.0f, 2), std::exp(3.0 * 0.25 + 0.47 * 0.7), 2e-6);

  ExperimentState thick = cell(2);
  thick.DTHICK[0] = 0.6f;
  EXPECT_FATAL(diabs(thick, 0.1f, 1), "DAC TYPE 2: ANVIL THICKER THAN THE BACKING-PLATE SEAT (MUST BE BELOW 0.58 CM)");
}

TEST(TransmissionAnvils, EmpiricalCurve) {
  for (int type : {3, 6}) {  // a type above 5 takes the same curve
    const ExperimentState e = cell(type);
    auto check = [&](double psi, double T) {
      SCOPED_TRACE(testing::Message() << "type " << type << " psi " << psi);
      EXPECT_NEAR(diabs(e, rad(psi), 1), 1.0 / std::sqrt(T), 2e-6);
      EXPECT_NEAR(diabs(e, rad(psi), 2), 1.0 / std::sqrt(T), 2e-6);
    };
    check(0, 1.0);
    check(1.99, 1 - 0.005 * 1.99);
    check(2.01, 1.04 - 0.02759 * 2.01);
    check(9.59, 1.04 - 0.02759 * 9.59);
    check(9.61, 0.855 - 0.00724 * 9.61);
    check(15.99, 0.855 - 0.00724 * 15.99);
    check(16.01, 0.79 - 0.00333 * 16.01);
    check(50, 0.79 - 0.00333 * 50);
    check(170, 0.855 - 0.00724 * 10);  // beyond 90 degrees the curve is mirrored
  }
}

TEST(TransmissionAnvils, ConicalOpening) {
  const ExperimentState e = cell(4);
  auto check = [&](double psi, int side, double expected) {
    SCOPED_TRACE(testing::Message() << "psi " << psi << " side " << side);
    EXPECT_NEAR(diabs(e, rad(psi), side), expected, 2e-6 * expected);
  };
  const double c5 = std::cos(5 * kDeg), c10 = std::cos(10 * kDeg);
  check(0, 1, std::exp(0.2 * 2.0));         // through the opening: anvil only
  check(5, 1, std::exp(0.2 * 2.0 / c5));
  check(5, 2, std::exp(0.25 * 3.0 / c5));
  check(10, 1, std::exp((0.2 * 2.0 + 0.3 * 0.5) / c10));  // the platten is met
  check(10, 2, std::exp((0.25 * 3.0 + 0.35 * 0.7) / c10));
}

TEST(TransmissionAnvils, UserCurve) {
  ExperimentState e = cell(5);
  e.NDACCURVE = -1;
  e.DACSUMMUT = {0.8f, 1.3f};
  EXPECT_FLOAT_EQ(diabs(e, 0.0f, 1), 1.0f);
  EXPECT_FLOAT_EQ(diabs(e, 0.0f, 2), 1.0f);
  EXPECT_NEAR(diabs(e, rad(60), 1), std::exp(0.8), 2e-6);
  EXPECT_NEAR(diabs(e, rad(60), 2), std::exp(1.3), 4e-6);
}

TEST(TransmissionAnvils, UserTable) {
  ExperimentState e = cell(5);
  e.NDACCURVE = 3;
  e.DACCURVE[0] = {0.0f, 0.9f, 0.8f};
  e.DACCURVE[1] = {10.0f, 0.8f, 0.6f};
  e.DACCURVE[2] = {20.0f, 0.6f, 0.4f};
  auto check = [&](double psi, int side, double T) {
    SCOPED_TRACE(testing::Message() << "psi " << psi << " side " << side);
    EXPECT_NEAR(diabs(e, rad(psi), side), 1.0 / T, 2e-6 / T);
  };
  check(0, 1, 0.9);             // at the first row
  check(5, 1, 0.85);
  check(10, 1, 0.8);            // on a row
  check(15, 1, 0.7);            // halfway between rows 2 and 3
  check(15, 2, 0.5);            // anvil 2 reads its own column
  check(25, 1, 0.6);            // beyond the last row: the last row
  check(25, 2, 0.4);
  check(165, 1, 0.7);           // mirrored beyond 90 degrees
  e.DACCURVE[0][0] = 4.0f;
  check(2, 1, 0.9);             // below the first angle: the first row

  // No table rows at all: no correction, and no read outside the table.
  e.NDACCURVE = 0;
  EXPECT_EQ(diabs(e, rad(15), 1), 1.0f);
  e.NDACCURVE = 1;
  check(15, 2, 0.8);
}

TEST(TransmissionAnvils, NoCell) {
  const ExperimentState e = cell(0);
  EXPECT_EQ(diabs(e, rad(30), 1), 1.0f);
  EXPECT_EQ(diabs(e, rad(30), 2), 1.0f);
}

}  // namespace
}  // namespace korvex
