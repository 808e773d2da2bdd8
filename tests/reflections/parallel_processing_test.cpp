// The processing loop with its records read ahead and their transmissions
// computed on several threads: what it writes, and where, must not depend on
// the number of threads; a rescaling takes the transmissions already made.
#include <cmath>

#include "reflections/processing.hpp"
#include "reflections/reflection_supply.hpp"
#include "reflections/reflections_support.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex::test {
namespace {

// A box 120 x 60 x 20 microns in a type 1 cell with an absorbing gasket
// whose hole (radius 45) is narrower than the box along x.
struct CellRun : ReflectionRun {
  explicit CellRun(int threads) {
    ExperimentState& e = run.exp;
    buildBox(e, 120.0, 60.0, 20.0, 4, {0.0f, 50.0f, 0.0f});
    e.MODELTYPE = 1;
    e.CRYSABS = 1;
    e.ABSCO = 0.001f;
    e.DACTYPE = 1;
    e.DTHICK = {0.2f, 0.2f, 0.3f, 0.3f};
    e.DMU = {2.025f, 2.025f, 0.473f, 0.473f};
    e.GASKGIVEN = 1;
    e.GASKETT = 100.0f;
    e.GASKETR = 45.0f;
    e.GASKETMU = 0.002f;
    run.state.work.threads = threads;
  }
};

TEST(ParallelProcessing, AFaultStopsTheRunInItsPlaceWithAnyNumberOfThreads) {
  // Six reflections whose beams graze the culets (listed, with the
  // steep-beam warning once), then one along the load axis: the points of
  // the box outside the hole then put the gasket's stepping beyond the
  // layer, a fatal error after the sixth listing line, whatever the threads.
  std::string data;
  for (int n = 1; n <= 6; ++n) data += drevik(n, 0, 0, 20.0f, 100.0f, 5.0f, 10.0f * n, 0, "      ", 90.0f);
  data += drevik(7, 0, 0, 0.0f, 100.0f, 5.0f, 70.0f);
  for (int n = 8; n <= 12; ++n) data += drevik(n, 0, 0, 20.0f, 100.0f, 5.0f, 10.0f * n, 0, "      ", 90.0f);

  std::string first;
  for (int threads : {1, 2, 7}) {
    SCOPED_TRACE(threads);
    CellRun t(threads);
    t.inputFrom(data);
    std::string fault;
    try {
      processData(t.run);
    } catch (const FatalError& f) {
      fault = f.what();
    }
    EXPECT_EQ(fault.rfind("FAULT IN GASKETABS, I-BEAM X =", 0), 0u) << fault;
    const std::string print = t.printText();
    if (first.empty()) {
      first = print;
      EXPECT_NE(print.find("\n  6   0   0 "), std::string::npos) << print;
      EXPECT_EQ(print.find("\n  7   0   0 "), std::string::npos) << print;
    }
    EXPECT_EQ(print, first);
    EXPECT_EQ(t.dialog.warningBoxes.size(), 1u);
    EXPECT_EQ(t.run.counters.NREAD, 7);
  }
}

TEST(ParallelProcessing, ARescalingTakesTheTransmissionsAlreadyMade) {
  // A transmission kept from an earlier pass is taken again for the record
  // at the same place in the file when its beams are the same; otherwise it
  // is computed anew.
  CellRun t(2);
  t.run.exp.GASKGIVEN = 0;
  const std::string data = drevik(1, 0, 0, 20.0f, 100.0f, 5.0f, 10.0f, 0, "      ", 10.0f) +
                           drevik(2, 0, 0, 30.0f, 100.0f, 5.0f, 20.0f, 0, "      ", 5.0f);
  TransmissionCache cache;
  t.inputFrom(data);
  {
    ReflectionSupply pass(t.run, cache);
    while (pass.next()) pass.transmission();
  }
  ASSERT_EQ(cache.entries.size(), 2u);
  const float computed = cache.entries[1].transmission.factors.TRANS;
  ASSERT_GT(computed, 0.0f);
  cache.entries[0].transmission.factors.TRANS = 0.25f;
  cache.entries[1].transmission.factors.TRANS = 0.25f;
  cache.entries[1].beams.DCI[0] += 0.5f;  // not the record's beams

  t.inputFrom(data);
  ReflectionSupply again(t.run, cache);
  ASSERT_TRUE(again.next());
  EXPECT_EQ(again.transmission().factors.TRANS, 0.25f);
  ASSERT_TRUE(again.next());
  EXPECT_EQ(again.transmission().factors.TRANS, computed);
  EXPECT_FALSE(again.next());
}

}  // namespace
}  // namespace korvex::test
