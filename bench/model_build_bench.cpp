// Time of the polyhedron and grid build for a crystal of 100 faces at the
// finest grid, 32 x 32 x 32 points: the work one "Build Model" does before
// any reflection is read.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "transmission/crystal.hpp"
#include "run/run.hpp"

namespace {

using korvex::bench::SilentDialog;

// A crystal of 100 faces by hkl cards (UB = I/10, so hkl directions are the
// frame's): the forms {100}, {110} and {111} bound it, and the forms {210},
// {211}, {221} and two faces of {310} lie outside it. The corner search
// still tries all 161,700 triples of faces, and every face is tabulated at
// every grid point.
void hklCards(korvex::ExperimentState& e) {
  e.UB = {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}};
  e.NUB = 3;
  e.UBTINV = {{{10.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 0.0f}, {0.0f, 0.0f, 10.0f}}};
  int f = 0;
  auto add = [&](int h, int k, int l, double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %d %d %.1f", h, k, l, d);
    e.MODELCARDS[f++] = korvex::ff::padded(buf, 80);
  };
  // Every signed permutation of (a, b, c), each direction once.
  auto form = [&](int a, int b, int c, double d) {
    std::vector<std::array<int, 3>> seen;
    const int p[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    const int v[3] = {a, b, c};
    for (const auto& q : p)
      for (int signs = 0; signs < 8; ++signs) {
        std::array<int, 3> h{};
        for (int i = 0; i < 3; ++i) h[i] = (signs >> i & 1 ? -1 : 1) * v[q[i]];
        if (std::find(seen.begin(), seen.end(), h) != seen.end()) continue;
        seen.push_back(h);
        add(h[0], h[1], h[2], d);
      }
  };
  form(1, 0, 0, 40.0);
  form(1, 1, 0, 50.0);
  form(1, 1, 1, 60.0);
  form(2, 1, 0, 200.0);
  form(2, 1, 1, 200.0);
  form(2, 2, 1, 200.0);
  add(3, 1, 0, 200.0);
  add(-3, -1, 0, 200.0);
  e.NFACES = f;
  e.MODELTYPE = 1;
  e.GRID = {5.0f, 5.0f, 5.0f};
}

void BM_PolyhedronAndGridOf100FacesAtLevel5(benchmark::State& state) {
  SilentDialog dialog;
  std::ostringstream print;
  for (auto _ : state) {
    korvex::Run run(dialog);
    run.files.print.attach(&print);
    hklCards(run.exp);
    korvex::getFaces(run);
    korvex::setGrid(run);
    benchmark::DoNotOptimize(run.exp.VOLUME);
    state.counters["faces"] = run.exp.NFACES;
    state.counters["corners"] = run.exp.NCORNERS;
    state.counters["edges"] = run.exp.NEDGES;
    print.str("");
  }
}
BENCHMARK(BM_PolyhedronAndGridOf100FacesAtLevel5)->Unit(benchmark::kMillisecond);

// Time of the crystal transmission of one reflection over the same crystal
// and grid: every one of the 32 x 32 x 32 points with every face, the work
// done for each reflection of a data set.
void BM_IntegrationOfOneReflectionOver100FacesAtLevel5(benchmark::State& state) {
  SilentDialog dialog;
  std::ostringstream print;
  auto run = std::make_unique<korvex::Run>(dialog);
  run->files.print.attach(&print);
  hklCards(run->exp);
  korvex::getFaces(*run);
  korvex::setGrid(*run);
  run->exp.ABSCO = 25.0f / 10000.0f;
  run->exp.CRYSABS = 1;
  // 2theta = 30 degrees at all circles zero.
  const korvex::ReflectionBeams beams{{0.258819f, -0.965926f, 0.0f}, {0.258819f, 0.965926f, 0.0f}, 30.0f};
  for (auto _ : state) {
    korvex::ReflectionTransmission out;
    korvex::korvex(run->exp, beams, out);
    benchmark::DoNotOptimize(out.factors.TXTAL);
  }
}
BENCHMARK(BM_IntegrationOfOneReflectionOver100FacesAtLevel5)->Unit(benchmark::kMillisecond);

}  // namespace
