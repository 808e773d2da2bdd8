// The nearest-face search over the points of a grid line. The search is
// compiled three times, for SSE2 (every x86-64), AVX2 and AVX-512, from one
// text (face_search_lanes.inc); only the set the processor has is ever run,
// and the choice is made once, from what the processor reports.
#include "transmission/face_search.hpp"

#include <immintrin.h>

#include <cmath>
#include <cstring>

// The vector helpers pass vectors by value but are inlined into functions of
// their own instruction set, so no call ever uses the vector ABI.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace korvex {

namespace {

constexpr float kParallel = 1.0e-6f;  // |dot| at or below: the beam runs along the face
constexpr float kNearest = 1.0e-5f;   // distances at or below are ignored

template <int W>
struct Lanes {
  typedef float F __attribute__((vector_size(W * sizeof(float))));
  typedef int I __attribute__((vector_size(W * sizeof(int))));
};

namespace sse2 {
inline bool anyLane(Lanes<4>::I m) { return _mm_movemask_ps(reinterpret_cast<__m128>(m)) != 0; }
#include "transmission/face_search_lanes.inc"
}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace avx2 {
inline bool anyLane(Lanes<4>::I m) { return _mm_movemask_ps(reinterpret_cast<__m128>(m)) != 0; }
inline bool anyLane(Lanes<8>::I m) { return _mm256_movemask_ps(reinterpret_cast<__m256>(m)) != 0; }
#include "transmission/face_search_lanes.inc"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512vl,avx2,fma")
namespace avx512 {
inline bool anyLane(Lanes<4>::I m) { return _mm_movemask_ps(reinterpret_cast<__m128>(m)) != 0; }
inline bool anyLane(Lanes<8>::I m) { return _mm256_movemask_ps(reinterpret_cast<__m256>(m)) != 0; }
inline bool anyLane(Lanes<16>::I m) {
  const __m512i v = reinterpret_cast<__m512i>(m);
  return _mm512_test_epi32_mask(v, v) != 0;
}
#include "transmission/face_search_lanes.inc"
}  // namespace avx512
#pragma GCC pop_options

using Search = void (*)(const float*, int, int, const float*, const float*, float*, float*);

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

void nearestFaces(const float* fdLine, int nz, int nfaces, const float* doti, const float* dotd, float* ti,
                  float* td) {
  chosen().search(fdLine, nz, nfaces, doti, dotd, ti, td);
}

int faceSearchWidth() { return chosen().width; }

bool nearestFacesAtWidth(int width, const float* fdLine, int nz, int nfaces, const float* doti, const float* dotd,
                         float* ti, float* td) {
  const Choice c = choose(width);
  if (c.width != width) return false;
  c.search(fdLine, nz, nfaces, doti, dotd, ti, td);
  return true;
}

}  // namespace korvex
