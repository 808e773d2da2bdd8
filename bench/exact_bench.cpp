// Exact transmission against Gaussian integration at levels 3, 4 and 5 with
// the fast and the reference kernel, reflections per second: a crystal of
// 14 faces ({100} and {111}) in air, and the same crystal in a type 1 cell
// whose gasket shadows part of it, with an absorbing gasket and medium. Each
// case computes the whole transmission of one reflection (anvils included)
// over a fixed set of beams.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "bench_support.hpp"
#include "exact/exact_transmission.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "run/run.hpp"
#include "transmission/reflection_transmission.hpp"

namespace {

using korvex::Vec3;

Vec3 unit(float x, float y, float z) {
  const float s = std::sqrt(x * x + y * y + z * z);
  return {x / s, y / s, z / s};
}

// The 14-face crystal, 120 x 90 x 70 microns: {100} at 60, 45 and 35 microns
// along x, y and z, cut by the eight faces of {111} at 70 microns, as faces
// through three points, its centre at `centre`.
void fourteenFaces(korvex::ExperimentState& e, Vec3 centre) {
  std::vector<std::pair<Vec3, float>> faces{{{1, 0, 0}, 60.0f}, {{-1, 0, 0}, 60.0f}, {{0, 1, 0}, 45.0f},
                                            {{0, -1, 0}, 45.0f}, {{0, 0, 1}, 35.0f}, {{0, 0, -1}, 35.0f}};
  for (int s = 0; s < 8; ++s)
    faces.push_back({unit(s & 1 ? -1.0f : 1.0f, s & 2 ? -1.0f : 1.0f, s & 4 ? -1.0f : 1.0f), 70.0f});
  for (const auto& [n, d] : faces) {
    // Two directions in the face, and three points on it.
    const Vec3 a = std::fabs(n[0]) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    const Vec3 t1{n[1] * a[2] - n[2] * a[1], n[2] * a[0] - n[0] * a[2], n[0] * a[1] - n[1] * a[0]};
    const Vec3 t2{n[1] * t1[2] - n[2] * t1[1], n[2] * t1[0] - n[0] * t1[2], n[0] * t1[1] - n[1] * t1[0]};
    char card[160];
    float p[9];
    for (int k = 0; k < 3; ++k) {
      const float s1 = k == 1 ? 20.0f : 0.0f, s2 = k == 2 ? 20.0f : 0.0f;
      for (int i = 0; i < 3; ++i) p[3 * k + i] = centre[i] + d * n[i] + s1 * t1[i] + s2 * t2[i];
    }
    std::snprintf(card, sizeof card, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f", p[0], p[1], p[2], p[3], p[4],
                  p[5], p[6], p[7], p[8]);
    e.MODELCARDS[static_cast<std::size_t>(e.NFACES++)] = korvex::ff::padded(card, 80);
  }
  e.MODELTYPE = 2;
}

enum class Setting { Air, Cell };

struct Model {
  korvex::bench::SilentDialog dialog;
  std::ostringstream print;
  std::unique_ptr<korvex::Run> run = std::make_unique<korvex::Run>(dialog);
  std::vector<korvex::ReflectionBeams> beams;

  Model(Setting setting, float level, int method) {
    run->files.print.attach(&print);
    korvex::ExperimentState& e = run->exp;
    korvex::resetForNewFile(e);
    e.GRID = {level, level, level};
    e.ABSCO = 0.01f;  // mu x mean width about 1
    e.CRYSABS = 1;
    std::mt19937 rng(14);
    std::normal_distribution<float> g(0.0f, 1.0f);
    if (setting == Setting::Air) {
      fourteenFaces(e, {0, 0, 0});
      for (int i = 0; i < 64; ++i) beams.push_back({unit(g(rng), g(rng), g(rng)), unit(g(rng), g(rng), g(rng)), 30});
    } else {
      // Culets 100 microns apart, a hole of radius 78: the corners reach 74
      // from the axis, so beams up to 35 degrees off it shadow part of the
      // crystal in many reflections.
      fourteenFaces(e, {0, 50, 0});
      e.DACTYPE = 1;
      e.DTHICK = {0.18f, 0.18f, 0.4f, 0.4f};
      e.DMU = {2.025f, 2.025f, 0.473f, 0.473f};
      e.GASKGIVEN = 1;
      e.GASKETT = 100.0f;
      e.GASKETR = 78.0f;
      e.GASKETMU = 297.0f / 10000.0f;
      e.MINILLUM = 0.05f;
      e.MEDIAABS = 1;
      e.MUMEDIA = 22.0f / 10000.0f;
      std::uniform_real_distribution<float> tilt(-0.7f, 0.7f);
      for (int i = 0; i < 64; ++i)
        beams.push_back({unit(tilt(rng), -1.0f, tilt(rng)), unit(tilt(rng), 1.0f, tilt(rng)), 30});
    }
    korvex::getFaces(*run);
    korvex::setGrid(*run);
    e.METHOD = method;
    if (method == 1) korvex::buildExactModel(e);
  }
};

// The transmission of one reflection after another over the fixed beams,
// by the Gaussian grid at level state.range(0) with either kernel (method 0),
// or exactly (method 1; the level then only sets the unused grid).
void correct(benchmark::State& state, Setting setting, int method,
             korvex::CrystalKernel kernel = korvex::CrystalKernel::Fast) {
  const Model m(setting, static_cast<float>(state.range(0)), method);
  std::size_t i = 0;
  for (auto _ : state) {
    const korvex::ReflectionTransmission t =
        korvex::reflectionTransmission(m.run->exp, m.beams[i % m.beams.size()], kernel);
    benchmark::DoNotOptimize(t.factors.TRANS);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GaussInAir(benchmark::State& state) { correct(state, Setting::Air, 0); }
void BM_GaussInAirReference(benchmark::State& state) {
  correct(state, Setting::Air, 0, korvex::CrystalKernel::Reference);
}
void BM_ExactInAir(benchmark::State& state) { correct(state, Setting::Air, 1); }
void BM_GaussInCell(benchmark::State& state) { correct(state, Setting::Cell, 0); }
void BM_GaussInCellReference(benchmark::State& state) {
  correct(state, Setting::Cell, 0, korvex::CrystalKernel::Reference);
}
void BM_ExactInCell(benchmark::State& state) { correct(state, Setting::Cell, 1); }

// The exact mode against level 5 with the fast kernel in air, in alternate
// turns of about 40 ms each (whole rounds of the 64 beams), long enough for
// the processor to settle at the speed it keeps for that work. Both see the
// same machine: on one whose speed wanders from minute to minute their
// ratio holds where two separate cases' would not. The fastest turn of each
// is its speed undisturbed; the counters give both per reflection, their
// ratio, and the ratio of all turns' times. The time shown is the exact
// mode's mean per reflection.
void BM_ExactAgainstGauss5InAir(benchmark::State& state) {
  const Model exact(Setting::Air, 5.0f, 1), gauss(Setting::Air, 5.0f, 0);
  using Clock = std::chrono::steady_clock;
  const auto turn = [](const Model& m, int rounds) {
    const Clock::time_point start = Clock::now();
    for (int r = 0; r < rounds; ++r)
      for (const korvex::ReflectionBeams& beams : m.beams) {
        const korvex::ReflectionTransmission t =
            korvex::reflectionTransmission(m.run->exp, beams, korvex::CrystalKernel::Fast);
        benchmark::DoNotOptimize(t.factors.TRANS);
      }
    return std::chrono::duration<double>(Clock::now() - start).count() / static_cast<double>(rounds * m.beams.size());
  };
  double exactSum = 0.0, gaussSum = 0.0, exactBest = 1e300, gaussBest = 1e300;
  for (auto _ : state) {
    const double e = turn(exact, 60), g = turn(gauss, 6);
    exactSum += e;
    gaussSum += g;
    exactBest = std::min(exactBest, e);
    gaussBest = std::min(gaussBest, g);
    state.SetIterationTime(e);
  }
  state.counters["exact_us"] = 1e6 * exactBest;
  state.counters["gauss5_us"] = 1e6 * gaussBest;
  state.counters["times_faster"] = gaussBest / exactBest;
  state.counters["times_faster_all_turns"] = gaussSum / exactSum;
}

// Iterations in whole rounds of the 64 beams, so every case sees the same
// reflections.
BENCHMARK(BM_GaussInAir)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMicrosecond)->Iterations(64 * 160);
BENCHMARK(BM_GaussInAirReference)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMicrosecond)->Iterations(64 * 20);
BENCHMARK(BM_ExactInAir)->Arg(3)->Unit(benchmark::kMicrosecond)->Iterations(64 * 400);
BENCHMARK(BM_ExactAgainstGauss5InAir)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(12);
BENCHMARK(BM_GaussInCell)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMicrosecond)->Iterations(64 * 40);
BENCHMARK(BM_GaussInCellReference)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMicrosecond)->Iterations(64 * 5);
BENCHMARK(BM_ExactInCell)->Arg(3)->Unit(benchmark::kMicrosecond)->Iterations(64);

}  // namespace
