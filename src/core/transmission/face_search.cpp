// The nearest-face search over the points of a grid line. The search is
// compiled three times, for SSE2 (every x86-64), AVX2 and AVX-512, from one
// text (face_search_lanes.inc); only the set the processor has is ever run,
// and the choice is made once, from what the processor reports.
#include "transmission/face_search.hpp"

#include <cmath>
#include <cstring>

// The vector helpers return vectors by value but are inlined into functions
// of their own instruction set, so no call ever uses the vector ABI.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace korvex {

namespace {

constexpr float kParallel = 1.0e-6f;  // |dot| at or below: the beam runs along the face
constexpr float kNearest = 1.0e-5f;   // distances at or below are ignored

template <int W>
struct Lanes {
  typedef float F __attribute__((vector_size(W * sizeof(float))));
};

namespace sse2 {
#include "transmission/face_search_lanes.inc"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace avx2 {
#include "transmission/face_search_lanes.inc"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512vl,avx2,fma")
namespace avx512 {
#include "transmission/face_search_lanes.inc"
}  // namespace avx512
#pragma GCC pop_options

using Search = void (*)(const float*, int, const ExitFaces&, const ExitFaces&, float*, float*);

struct Choice {
  Search search;
  int width;
};

// The widest search the processor can run, up to `widest` floats.
Choice choose(int widest) {
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
  if (avx512 && widest >= 16) return {avx512::search<16>, 16};
  if (avx2 && widest >= 8) return {avx2::search<8>, 8};
  return {sse2::search<4>, 4};
}

const Choice& chosen() {
  static const Choice choice = choose(16);
  return choice;
}

}  // namespace

ExitFaces exitFaces(const ExperimentState& e, const float* dots) {
  ExitFaces out;
  const bool summed = e.fdistMax.size() == static_cast<std::size_t>(e.NFACES) &&
                      e.fdistMin.size() == static_cast<std::size_t>(e.NFACES);
  for (int n = 0; n < e.NFACES; ++n) {
    const float dot = dots[n];
    if (!(std::fabs(dot) > kParallel)) continue;
    if (summed && !(dot > 0.0f ? e.fdistMax[static_cast<std::size_t>(n)] > 0.0f
                               : e.fdistMin[static_cast<std::size_t>(n)] < 0.0f))
      continue;
    out.face[static_cast<std::size_t>(out.count)] = n;
    out.dot[static_cast<std::size_t>(out.count)] = dot;
    ++out.count;
  }
  return out;
}

void nearestFaces(const float* fdLine, int nz, const ExitFaces& incident, const ExitFaces& diffracted, float* ti,
                  float* td) {
  chosen().search(fdLine, nz, incident, diffracted, ti, td);
}

int faceSearchWidth() { return chosen().width; }

bool nearestFacesAtWidth(int width, const float* fdLine, int nz, const ExitFaces& incident,
                         const ExitFaces& diffracted, float* ti, float* td) {
  const Choice c = choose(width);
  if (c.width != width) return false;
  c.search(fdLine, nz, incident, diffracted, ti, td);
  return true;
}

}  // namespace korvex
