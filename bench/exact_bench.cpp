// Exact transmission against Gaussian integration, reflections per second:
// a crystal of 14 faces ({100} and {111}), in air.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "exact/crystal_pieces.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "run/dialog_layer.hpp"
#include "run/run.hpp"
#include "transmission/crystal.hpp"

namespace {

class QuietDialog : public korvex::DialogLayer {
 public:
  void setText(int, std::string_view) override {}
  void setEnabled(int, bool) override {}
  void redraw() override {}
  void fatalBox(std::string_view) override {}
  void warningBox(std::string_view) override {}
  void note(std::string_view) override {}
  std::optional<int> formatBox(int, std::string_view, std::string_view) override { return std::nullopt; }
  std::optional<std::filesystem::path> fileDialog(const korvex::FileDialogSettings&, std::string&) override {
    return std::nullopt;
  }
  void viewFile(const std::filesystem::path&) override {}
};

// The 14-face crystal: {100} at 60, 45 and 35 microns along x, y, z, cut by
// the eight faces of {111} at 70 microns (UB = I/10: hkl along the axes).
void fourteenFaces(korvex::ExperimentState& e, float level) {
  e.UB = {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}};
  e.NUB = 3;
  e.UBTINV = {{{10.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 0.0f}, {0.0f, 0.0f, 10.0f}}};
  const char* cards[] = {"1 0 0 60",   "-1 0 0 60",  "0 1 0 45",    "0 -1 0 45",   "0 0 1 35",
                         "0 0 -1 35",  "1 1 1 70",   "1 1 -1 70",   "1 -1 1 70",   "1 -1 -1 70",
                         "-1 1 1 70",  "-1 1 -1 70", "-1 -1 1 70",  "-1 -1 -1 70"};
  int f = 0;
  for (const char* c : cards) e.MODELCARDS[f++] = korvex::ff::padded(c, 80);
  e.NFACES = f;
  e.MODELTYPE = 1;
  e.GRID = {level, level, level};
  e.ABSCO = 0.01f;  // mu x size about 1
  e.CRYSABS = 1;
}

// Reflection beams: random directions, fixed seed.
std::vector<std::pair<korvex::Vec3, korvex::Vec3>> beams(int n) {
  std::mt19937 rng(14);
  std::normal_distribution<float> g(0.0f, 1.0f);
  auto unit = [&] {
    korvex::Vec3 v{g(rng), g(rng), g(rng)};
    const float s = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return korvex::Vec3{v[0] / s, v[1] / s, v[2] / s};
  };
  std::vector<std::pair<korvex::Vec3, korvex::Vec3>> b;
  for (int i = 0; i < n; ++i) b.push_back({unit(), unit()});
  return b;
}

struct Model {
  QuietDialog dialog;
  std::ostringstream print;
  std::unique_ptr<korvex::Run> run;
  explicit Model(float level) : run(std::make_unique<korvex::Run>(dialog)) {
    run->files.print.attach(&print);
    fourteenFaces(run->exp, level);
    korvex::getFaces(*run);
    korvex::setGrid(*run);
  }
};

void BM_GaussInAir(benchmark::State& state) {
  Model m(static_cast<float>(state.range(0)));
  const auto b = beams(64);
  std::size_t i = 0;
  for (auto _ : state) {
    m.run->refl.DCI = b[i % b.size()].first;
    m.run->refl.DCD = b[i % b.size()].second;
    korvex::korvex(*m.run);
    benchmark::DoNotOptimize(m.run->trans.TXTAL);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GaussInAir)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kMicrosecond);

void BM_ExactInAir(benchmark::State& state) {
  Model m(3.0f);
  const auto& e = m.run->exp;
  std::vector<korvex::exact::Plane> planes;
  for (int f = 0; f < e.NFACES; ++f) {
    const korvex::exact::V3 n{e.FACE[f][0], e.FACE[f][1], e.FACE[f][2]};
    const double s = 1.0 / korvex::exact::norm(n);
    planes.push_back({s * n, s * e.FACE[f][3]});
  }
  const auto crystal = korvex::exact::buildExactCrystal(planes, {e.BOXMIN[0], e.BOXMIN[1], e.BOXMIN[2]},
                                                         {e.BOXMAX[0], e.BOXMAX[1], e.BOXMAX[2]});
  korvex::exact::PieceCutter cutter;
  const auto b = beams(64);
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& [u, v] = b[i % b.size()];
    const auto m2 = korvex::exact::crystalPathMoments(crystal, {u[0], u[1], u[2]}, {v[0], v[1], v[2]}, 0.01, cutter);
    benchmark::DoNotOptimize(m2.transmitted);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExactInAir)->Unit(benchmark::kMicrosecond);

}  // namespace
