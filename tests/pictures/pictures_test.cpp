// The data behind the pictures: the model's faces, edges and misplaced
// corners, the shadow map against the correction's own shadow test, and the
// plots of a whole cell run against the reflection listing.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "pictures/model_scene.hpp"
#include "pictures/shadow_map.hpp"
#include "pictures/transmission_plots.hpp"
#include "run/file_selection.hpp"
#include "run/run_sequence.hpp"
#include "model/model_support.hpp"
#include "support/test_support.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex {
namespace {

using namespace pictures;
namespace fs = std::filesystem;

Dir3 minus(const Dir3& a, const Dir3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

TEST(PicturesModelScene, BoxFacesRunAnticlockwiseFromOutsideAndEdgesAreShared) {
  ExperimentState e;
  test::buildBox(e, 100.0, 60.0, 40.0, 2, {0.0f, 50.0f, 0.0f});
  e.MODELTYPE = 1;
  const ModelScene s = modelScene(e);
  ASSERT_EQ(s.body, Body::Polyhedron);
  ASSERT_EQ(s.faces.size(), 6u);
  EXPECT_EQ(s.edges.size(), 12u);
  const Dir3 centre{0, 50, 0};
  for (const SceneFace& f : s.faces) {
    SCOPED_TRACE(f.label);
    ASSERT_EQ(f.corners.size(), 4u);
    EXPECT_EQ(f.label, std::to_string(f.number));  // no orientation matrix: face numbers
    EXPECT_GT(dot(f.normal, minus(f.centroid, centre)), 0.0);  // outward
    for (std::size_t i = 0; i < 4; ++i) {
      const Dir3 a = toDir(s.corners[f.corners[i]]), b = toDir(s.corners[f.corners[(i + 1) % 4]]),
                 c = toDir(s.corners[f.corners[(i + 2) % 4]]);
      EXPECT_GT(dot(cross(minus(b, a), minus(c, b)), f.normal), 0.0);
    }
  }
  EXPECT_NEAR(s.extent, std::sqrt(50.0 * 50 + 30 * 30 + 20 * 20), 1e-3);
  EXPECT_TRUE(s.misplaced.empty());

  // In a cell the corners beyond the hole or in an anvil are named.
  struct Row { float thickness, radius; std::size_t misplaced; };
  for (const Row& row : {Row{100, 80, 0}, Row{100, 50, 8}, Row{60, 80, 4}, Row{100, 53.85f, 8}, Row{100, 53.852f, 0}}) {
    SCOPED_TRACE(testing::Message() << row.thickness << " " << row.radius);
    e.DACTYPE = 1;
    e.GASKGIVEN = 1;
    e.GASKETT = row.thickness;
    e.GASKETR = row.radius;
    const ModelScene cell = modelScene(e);
    EXPECT_EQ(cell.misplaced.size(), row.misplaced);
    EXPECT_TRUE(cell.gasket);
    // Drawn about the hole's middle, and big enough for the gasket around it.
    EXPECT_DOUBLE_EQ(cell.centre[1], row.thickness / 2.0);
    EXPECT_GE(cell.extent, 1.25 * row.radius);
  }
}

TEST(PicturesModelScene, FaceLabelsAreTheSmallestWholeIndices) {
  auto check = [](std::array<float, 3> h, const char* expected) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(hklLabel(h), expected);
  };
  check({1, 0, 0}, "(1 0 0)");
  check({1, -1.5f, 0}, "(2 -3 0)");
  check({1, 0.333334f, -0.666667f}, "(3 1 -2)");
  check({-1, 0.000002f, 0}, "(-1 0 0)");
  check({1, 4.7612f, -6.9912f}, "(1.00 4.76 -6.99)");
}

// The illuminated fraction of a beam as the integration grid weighs it, by
// the shadow test of the correction with the incident and the diffracted
// beam both along the direction, written out here independently.
double fractionByHand(const ExperimentState& e, const Vec3& d) {
  if (std::fabs(d[1]) < 0.174f) return 0;
  double lit = 0;
  for (int i = 0; i < e.NGRID[0]; ++i)
    for (int j = 0; j < e.NGRID[1]; ++j)
      for (int k = 0; k < e.NGRID[2]; ++k) {
        const float x = e.XG[i], y = e.YG[i][j], z = e.ZG[i][j][k];
        const float s = d[1] > 0 ? (y - e.GASKETT) / d[1] : y / d[1];  // to the culet ahead
        const float ex = x - s * d[0], ez = z - s * d[2];
        if (!(ex * ex + ez * ez - e.GASKETR * e.GASKETR > 0.001f))
          lit += static_cast<double>(e.WX[i]) * e.WY[i][j] * e.WZ[i][j][k];
      }
  return lit / e.VOLUME;
}

TEST(PicturesShadowMap, IsTheWeightedShareOfGridPointsWhoseBeamPassesThroughTheHole) {
  ExperimentState e;
  // A box off the axis in a hole it nearly fills: shadowed from 20 degrees on.
  test::buildBox(e, 80.0, 30.0, 50.0, 8, {10.0f, 20.0f, -5.0f});
  e.MODELTYPE = 1;
  e.DACTYPE = 1;
  e.GASKGIVEN = 1;
  e.GASKETT = 40.0f;
  e.GASKETR = 60.0f;
  ASSERT_TRUE(hasShadowMap(e));
  int partial = 0;
  for (int anvil : {1, 2})
    for (double psi = 0; psi < 90; psi += 7.5)
      for (double az = 0; az < 360; az += 40) {
        SCOPED_TRACE(testing::Message() << anvil << " " << psi << " " << az);
        const Vec3 d = beamDirection(anvil, psi, az);
        const MapPosition m = mapPosition(d);
        EXPECT_EQ(m.anvil, anvil);
        EXPECT_NEAR(m.psi, psi, 1e-4);
        if (psi > 0) EXPECT_NEAR(m.azimuth, az, 1e-3);
        const float f = illuminatedFraction(e, d);
        EXPECT_NEAR(f, fractionByHand(e, d), 1e-4);
        partial += f > 0.01f && f < 0.99f;
      }
  EXPECT_GT(partial, 20);  // the gasket does shadow part of the crystal
  EXPECT_FLOAT_EQ(illuminatedFraction(e, {0, 1, 0}), 1.0f);
  EXPECT_FLOAT_EQ(illuminatedFraction(e, beamDirection(2, 80.5, 0)), 0.0f);  // runs along the culets

  const auto maps = shadowMaps(e, 18, 24);
  EXPECT_EQ(maps[1].anvil, 2);
  EXPECT_FLOAT_EQ(maps[1].at(3, 5), illuminatedFraction(e, beamDirection(2, 3.5 * 5, 5.5 * 15)));
}

TEST(PicturesTransmissionPlots, RoundAxes) {
  struct Row { double lo, hi, minSpan, min, max, step; };
  for (const Row& r : {Row{0.3012, 0.3734, 0, 0.30, 0.38, 0.02}, Row{12.1, 69.5, 0, 0, 80, 20},
                       Row{1.0, 1.0, 0.01, 0.994, 1.006, 0.002}, Row{0.97, 0.97, 0, 0.92, 1.02, 0.02},
                       Row{1.02, 2.5, 0, 1.0, 2.5, 0.5}}) {
    SCOPED_TRACE(testing::Message() << r.lo << " " << r.hi);
    const Axis a = roundAxis(r.lo, r.hi, "", r.minSpan);
    EXPECT_NEAR(a.min, r.min, 1e-9);
    EXPECT_NEAR(a.max, r.max, 1e-9);
    EXPECT_NEAR(a.step, r.step, 1e-12);
  }
}

// One line of the cell listing, read back from the print file.
struct ListingLine {
  float tth, psi[2], trans, factor[4];
  std::string flags;
};

std::map<int, ListingLine> cellListing(const std::string& print) {
  std::map<int, ListingLine> lines;
  for (const std::string& l : test::splitLines(print)) {
    if (l.size() < 122 || l[80] != '[' || l[82] != ']' || l[89] != '[' || l[91] != ']') continue;
    auto num = [&](std::size_t from, std::size_t to) { return std::stof(l.substr(from, to - from)); };
    ListingLine x{num(44, 51), {num(74, 80), num(83, 89)}, num(11, 19),
                  {num(92, 98), num(98, 104), num(104, 110), num(110, 116)}, l.substr(122)};
    lines[static_cast<int>(num(116, 122))] = x;  // a later pass replaces an earlier one
  }
  return lines;
}

TEST(PicturesTransmissionPlots, PointsAreTheListingsValuesInAWholeCellRun) {
  // The golden platelet in a type 1 cell, with a narrower opening and an
  // opaque gasket that obscures reflections, so that every kind of point
  // occurs.
  const fs::path input = fs::path(KORVEX_SOURCE_DIR) / "tests/golden/cases/corners_type1_gasket_medium/input";
  test::TempDir dir;
  std::string exp = test::readFile(input / "plate.exp");
  auto replaceLine = [&](const std::string& start, const std::string& with) {
    const auto at = exp.find(start);
    ASSERT_NE(at, std::string::npos) << start;
    exp.replace(at, exp.find('\n', at) - at, with);
  };
  replaceLine("DAC OPEN", "DAC OPEN 30");
  replaceLine("DAC GASKET", "DAC GASKET 40 52 -1 0.93");
  test::writeFile(dir / "plate.exp", exp);
  fs::copy_file(input / "plate.int", dir / "plate.int");

  test::RecordingDialog dialog;
  korvex::Run run(dialog);
  const char* names[] = {"plate.exp", "plate.prt", "plate.int", "plate.hkl"};
  for (int slot = 1; slot <= 4; ++slot) ASSERT_TRUE(openSlot(run, slot, dir / names[slot - 1]));
  runProg(run);
  ASSERT_EQ(run.state.HALTED, 0);
  const auto listing = cellListing(test::readFile(dir / "plate.prt"));
  ASSERT_EQ(listing.size(), run.listed.size());

  const PlotPage byTth = transmissionAgainstTwoTheta(run.exp, run.listed);
  const PlotPage byPsi = transmissionAgainstPsi(run.exp, run.listed);
  ASSERT_EQ(byTth.panels.size(), 5u);  // overall, crystal, anvils, gasket, medium
  ASSERT_EQ(byPsi.panels.size(), 10u);
  int kinds[3] = {0, 0, 0}, written = 0;
  for (const auto& [seq, line] : listing) {
    const bool d = line.flags.find('D') != std::string::npos, o = line.flags.find('O') != std::string::npos;
    const bool kept = line.flags.find_first_of("STDO") == std::string::npos;
    written += kept;
    if (d || o || kept) ++kinds[d ? 1 : o ? 2 : 0];
  }
  EXPECT_GT(kinds[1], 0);
  EXPECT_GT(kinds[2], 0);
  EXPECT_GT(kinds[0], 0);

  for (std::size_t p = 0; p < byPsi.panels.size(); ++p) {
    const PlotPanel& panel = p < byTth.panels.size() ? byTth.panels[p] : byPsi.panels[p - byTth.panels.size()];
    SCOPED_TRACE(panel.title);
    int seen[3] = {0, 0, 0};
    for (const PlotPoint& pt : panel.points) {
      const ListedReflection& r = run.listed[static_cast<std::size_t>(pt.reflection)];
      const ListingLine& line = listing.at(r.seq);
      ++seen[static_cast<int>(pt.kind)];
      EXPECT_EQ(pt.kind == PointKind::BeyondOpening, line.flags.find('D') != std::string::npos) << r.seq;
      // Against 2theta for the first five panels, then psi of either beam.
      const float x = p < 5 ? line.tth : line.psi[(p - 5) % 2];
      EXPECT_NEAR(pt.x, x, 0.0051) << r.seq;
      const std::size_t factor = p < 5 ? p : (p - 5) / 2;
      const float y = factor == 0 ? line.trans : line.factor[factor - 1];
      EXPECT_NEAR(pt.y, y, factor == 0 ? 0.000051 : 0.00051) << r.seq;
    }
    EXPECT_EQ(std::vector<int>(seen, seen + 3), std::vector<int>(kinds, kinds + 3));
  }
  const Histogram h = correctionHistogram(run.listed);
  EXPECT_EQ(h.total, written);
  int counted = 0;
  for (int c : h.counts) counted += c;
  EXPECT_EQ(counted, written);
  // The psi panels mark the opening of the anvil each beam passes.
  ASSERT_EQ(byPsi.panels[0].xMarks.size(), 1u);
  EXPECT_NEAR(byPsi.panels[0].xMarks[0], 30.0, 1e-4);
}

}  // namespace
}  // namespace korvex
