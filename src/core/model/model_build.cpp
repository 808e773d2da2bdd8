// The model build: the crystal model the experiment file describes, its fit
// between the anvils and into the gasket hole, and the experiment report.
#include "model/model_build.hpp"

#include <string>

#include "exact/exact_transmission.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "reports/reports.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "transmission/gasket.hpp"
#include "transmission/sphere.hpp"

namespace korvex {
namespace {

const ff::EditList kInIncidentAnvil(
    "('ERROR IN CRYSTAL MODEL, CORNER ',I3,' HAS NEGATIVE Y-COORDINATE, LIES IN I-BEAM ANVIL!')");
const ff::EditList kInDiffractedAnvil(
    "('ERROR IN CRYSTAL MODEL, CORNER ',I3,' HAS Y-COORDINATE > GASKET T, LIES IN D-BEAM ANVIL!')");
constexpr char kNotInHole[] = "CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE";

enum ModelType { kNoModel = 0, kHklFaces = 1, kPointFaces = 2, kCorners = 3, kSphere = 4, kFilledGasket = 5 };

[[noreturn]] void reportAndStop(Run& run, const std::string& message) {
  writeCrystalData(run);
  error(message);
}

// The crystal must lie between the anvil faces y = 0 and y = GASKETT, and
// with both beams along the cell axis no corner may be shadowed by the
// gasket: it must fit into the hole.
void checkFitInCell(Run& run) {
  ExperimentState& e = run.exp;
  for (int m = 0; m < e.NCORNERS; ++m) {
    const float y = e.CORNER[m][1];
    if (y < 0.0f) reportAndStop(run, kInIncidentAnvil.text({m + 1}));
    if (y > e.GASKETT) reportAndStop(run, kInDiffractedAnvil.text({m + 1}));
  }
  run.refl.DCI = {0.0f, 1.0f, 0.0f};
  run.refl.DCD = {0.0f, 1.0f, 0.0f};
  if (checkShadow(e, beamsOf(run.refl)) != 1) reportAndStop(run, kNotInHole);
}

}  // namespace

void buildModel(Run& run) {
  ExperimentState& e = run.exp;
  run.state.MODELBUILT = 0;
  if (run.state.methodOverride >= 0) e.METHOD = run.state.methodOverride;

  switch (e.MODELTYPE) {
    case kSphere:
      checkGridLevels(e, 1);
      setTrnsSphere(run);
      break;
    case kFilledGasket:
      checkGridLevels(e, 3);
      setGridFillG(run);
      break;
    case kNoModel:
      break;
    default:
      // Refused before the polyhedron is listed, not after.
      checkGridLevels(e, 3);
      getFaces(run);
      setGrid(run);
      if (e.GASKGIVEN == 1) checkFitInCell(run);
      break;
  }

  if (e.METHOD == 1) buildExactModel(e);
  writeCrystalData(run);
  run.state.MODELBUILT = 1;
}

}  // namespace korvex
