// The whole correction of a data set of 5,000 generated reflections (reading,
// transmission, listing, statistics, output), for each kind of crystal: the
// reference (one thread, the plain integration loops) against the fast path
// (every core, the fast kernel). Both write the same files; the benchmark
// reports reflections per second.
//
//   a. a 14-face crystal (a truncated octahedron) in air, grid levels 3, 4, 5;
//   b. the same crystal at level 5 in a type 1 cell whose gasket shadows part
//      of it for steep beams, with an absorbing gasket and medium;
//   c. a sphere;
//   d. a crystal filling the gasket hole, level 5, absorbing gasket.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "experiment/experiment_reader.hpp"
#include "model/model_build.hpp"
#include "reflections/processing.hpp"
#include "run/run.hpp"
#include "transmission/reflection_transmission.hpp"

namespace {

using korvex::bench::SilentDialog;

constexpr int kReflections = 5000;
constexpr double kDegree = M_PI / 180.0;

enum class Crystal { AirLevel3, AirLevel4, AirLevel5, Cell, Sphere, FilledHole };

bool inCell(Crystal c) { return c == Crystal::Cell || c == Crystal::FilledHole; }

// The 24 corners (0, +-a, +-2a) in every order: a truncated octahedron of 14
// faces (8 hexagons, 6 squares), 48 microns across, centred at y = cy.
std::string truncatedOctahedron(double cy) {
  const double a = 12.0;
  std::string cards;
  const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto& o : orders)
    for (int s1 : {-1, 1})
      for (int s2 : {-1, 1}) {
        const double v[3] = {0.0, s1 * a, s2 * 2.0 * a};
        char card[80];
        std::snprintf(card, sizeof card, "KORVEX CORNER %.1f %.1f %.1f\n", v[o[0]], v[o[1]] + cy, v[o[2]]);
        cards += card;
      }
  return cards;
}

std::string experiment(Crystal c) {
  std::string text =
      "TITLE  generated data set\n"
      "WAVEL   1  0.71073\n"
      "UB        0.068325    -0.158810     0.023755\n"
      "UB        0.161245     0.103634    -0.132955\n"
      "UB        0.156721     0.138814     0.126437\n"
      "CELL  4.9134 4.9134 5.4052 90.0000 90.0000 120.0000\n"
      "KORVEX LESSTHAN 2.0\n"
      "KORVEX MU 30.0\n";
  switch (c) {
    case Crystal::AirLevel3: return text + "KORVEX MODEL XYZCORNER 3 3 3 0\n" + truncatedOctahedron(0.0);
    case Crystal::AirLevel4: return text + "KORVEX MODEL XYZCORNER 4 4 4 0\n" + truncatedOctahedron(0.0);
    case Crystal::AirLevel5: return text + "KORVEX MODEL XYZCORNER 5 5 5 0\n" + truncatedOctahedron(0.0);
    case Crystal::Sphere: return text + "KORVEX MODEL SPHERE 40.0 5 0\n";
    case Crystal::Cell:
      // The crystal reaches 27 microns from the axis; beams up to 40 degrees
      // off the axis leave the 60-micron layer up to 45 microns further out,
      // beyond the hole's 50.
      return text + "KORVEX MODEL XYZCORNER 5 5 5 0\n" + truncatedOctahedron(30.0) +
             "DAC TYPE 1\nDAC OPEN 40\nDAC ANVIL 0.17 2.025\nDAC PLATE 0.25 0.473\n"
             "DAC GASKET 60 50 500 0.05\nDAC MUMEDIA 12\n";
    case Crystal::FilledHole:
      return text + "KORVEX MODEL FILLED GASKET 5 5 5 0\n"
                    "DAC TYPE 1\nDAC OPEN 40\nDAC ANVIL 0.17 2.025\nDAC PLATE 0.25 0.473\n"
                    "DAC GASKET 40 60 500 0.05\n";
  }
  return text;
}

// Drevik records at random diffractometer angles; in a cell both beams run
// within 40 degrees of the load axis (Y), in through anvil 1 and out through
// anvil 2. The beams follow the angles as the reader forms them.
std::string reflections(bool cell) {
  std::mt19937 gen(1966);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen); };
  std::string text;
  for (int n = 1; n <= kReflections;) {
    const double tth = uniform(5.0, cell ? 60.0 : 70.0), omega = uniform(-20.0, 20.0);
    const double chi = uniform(cell ? -30.0 : -90.0, cell ? 30.0 : 90.0), phi = uniform(-180.0, 180.0);
    if (cell) {
      const double w1 = (tth / 2 + omega) * kDegree, w2 = (tth / 2 - omega) * kDegree;
      const double sc = std::cos(chi * kDegree), sp = std::sin(phi * kDegree), cp = std::cos(phi * kDegree);
      const double dciY = std::sin(w1) * sc * sp - std::cos(w1) * cp;
      const double dcdY = std::cos(w2) * cp + std::sin(w2) * sc * sp;
      if (!(dciY < -std::cos(40 * kDegree) && dcdY > std::cos(40 * kDegree))) continue;
    }
    const double fi = std::exp(uniform(2.0, 11.0));
    char line[96];
    std::snprintf(line, sizeof line, "%3d%3d%3d%8.3f%8.3f%8.3f%8.3f%12.3f%8.3f%7d        %3d\n", 1 + n % 9, n % 7 - 3,
                  n % 5 - 2, tth, omega, chi, phi, fi, std::sqrt(fi) + 1.0, 10 * n, 0);
    text += line;
    ++n;
  }
  return text;
}

// Takes what the run writes and keeps none of it, so that the figures are
// those of the correction and not of a growing buffer in memory.
class Discard : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct Correction {
  Correction(Crystal c, bool fast, int threads) : run(dialog) {
    experimentText.str(experiment(c));
    run.files.experiment.attach(&experimentText);
    run.files.print.attach(&print);
    run.state.FILESET = {1, 1, 1, 1};
    korvex::readCrystalData(run);
    korvex::buildModel(run);
    data = reflections(inCell(c));
    run.state.work.threads = threads;
    run.state.work.referenceKernel = !fast;
  }
  ~Correction() {
    run.files.input.close();
    run.files.output.close();
    run.files.print.close();
  }
  void correct() {
    input.str(data);
    input.clear();
    run.files.input.attach(&input);
    run.files.output.attach(&output);
    korvex::processData(run);
  }
  SilentDialog dialog;
  std::istringstream experimentText, input;
  Discard sink;
  std::ostream print{&sink}, output{&sink};
  std::string data;
  korvex::Run run;
};

// The reference runs on one thread; the fast path on `threads` (0 = every
// core).
void correction(benchmark::State& state, Crystal c, bool fast, int threads) {
  auto job = std::make_unique<Correction>(c, fast, fast ? threads : 1);
  for (auto _ : state) {
    job->correct();
    benchmark::DoNotOptimize(job->run.counters.NOUT);
  }
  if (job->run.state.HALTED == 1 || job->run.counters.NREAD != kReflections) state.SkipWithError("the run failed");
  state.counters["refl/s"] = benchmark::Counter(kReflections, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["us/refl"] =
      benchmark::Counter(kReflections, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
                         benchmark::Counter::OneK::kIs1000);
}

#define KORVEX_CORRECTION(name, crystal)                                                                          \
  BENCHMARK_CAPTURE(correction, name##_reference, crystal, false, 1)->Unit(benchmark::kMillisecond)->UseRealTime(); \
  BENCHMARK_CAPTURE(correction, name##_fast, crystal, true, 0)->Unit(benchmark::kMillisecond)->UseRealTime();       \
  BENCHMARK_CAPTURE(correction, name##_fast_one_thread, crystal, true, 1)->Unit(benchmark::kMillisecond)->UseRealTime()

// The transmission alone, one thread, over the beams of the first 64
// reflections of the data set: the kernels without the loop around them.
void kernel(benchmark::State& state, Crystal c, korvex::CrystalKernel k) {
  auto job = std::make_unique<Correction>(c, k == korvex::CrystalKernel::Fast, 1);
  std::vector<korvex::ReflectionBeams> beams;
  job->input.str(job->data);
  job->run.files.input.attach(&job->input);
  for (int n = 0; n < 64; ++n) {
    int ieof = 0;
    korvex::readReflection(job->run, ieof);
    beams.push_back(korvex::beamsOf(job->run.refl));
  }
  for (auto _ : state)
    for (const auto& b : beams) benchmark::DoNotOptimize(korvex::reflectionTransmission(job->run.exp, b, k));
  state.counters["us/refl"] = benchmark::Counter(static_cast<double>(beams.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert,
                                                 benchmark::Counter::OneK::kIs1000);
}
BENCHMARK_CAPTURE(kernel, air_level5_reference, Crystal::AirLevel5, korvex::CrystalKernel::Reference)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernel, air_level5_fast, Crystal::AirLevel5, korvex::CrystalKernel::Fast)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernel, cell_level5_reference, Crystal::Cell, korvex::CrystalKernel::Reference)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernel, cell_level5_fast, Crystal::Cell, korvex::CrystalKernel::Fast)->Unit(benchmark::kMillisecond);

KORVEX_CORRECTION(a_air_level3, Crystal::AirLevel3);
KORVEX_CORRECTION(a_air_level4, Crystal::AirLevel4);
KORVEX_CORRECTION(a_air_level5, Crystal::AirLevel5);
KORVEX_CORRECTION(b_cell_gasket_medium, Crystal::Cell);
KORVEX_CORRECTION(c_sphere, Crystal::Sphere);
KORVEX_CORRECTION(d_filled_hole, Crystal::FilledHole);

}  // namespace
