// A polygon's corners in the eight lanes of AVX-512 registers.

#include "exact/flat_polygon_lanes.hpp"

#include <immintrin.h>

#include "exact/divided_difference.hpp"
#include "exact/quick_exp.hpp"

// GCC 12 takes the deliberately undefined lanes inside some intrinsics for
// uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace korvex::exact::eight_lanes {

bool available() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi2");
}

#define EIGHT_LANES KORVEX_EIGHT_LANES

namespace {

// The lanes of corners 0 .. count - 1.
EIGHT_LANES __mmask8 cornersOf(int count) { return static_cast<__mmask8>((1u << count) - 1u); }

// Lane j takes the lane of the corner before j (count - 1 for j = 0): one
// load from a table rather than a vector built afresh.
struct PreviousCorners {
  alignas(64) long long lane[kLanes + 1][kLanes];
  constexpr PreviousCorners() : lane() {
    for (int count = 0; count <= kLanes; ++count)
      for (int j = 0; j < kLanes; ++j) lane[count][j] = j == 0 ? (count + kLanes - 1) % kLanes : j - 1;
  }
};
constexpr PreviousCorners kPreviousCorners;
EIGHT_LANES __m512i previousCorner(int count) { return _mm512_load_si512(kPreviousCorners.lane[count]); }

EIGHT_LANES __m512d add(__m512d a, __m512d b) { return _mm512_add_pd(a, b); }
EIGHT_LANES __m512d sub(__m512d a, __m512d b) { return _mm512_sub_pd(a, b); }
EIGHT_LANES __m512d mul(__m512d a, __m512d b) { return _mm512_mul_pd(a, b); }
EIGHT_LANES __m512d all(double a) { return _mm512_set1_pd(a); }

// A polygon of up to eight corners held in registers.
struct Corners {
  int count;
  __m512d x, y, w;
};

// Where edges into the corners cross a line: c_i + s (c_j - c_i), i the
// corner before j, c_i already in the lanes of j.
EIGHT_LANES __m512d crossing(__m512d c, __m512d ci, __m512d s) { return add(ci, mul(s, sub(c, ci))); }

// The slots of a cut polygon: slot 2j holds the crossing into corner j,
// slot 2j + 1 corner j, taken where the edge into j crosses the line and
// where j is kept. The taken slots' sources (lane j of the crossings or
// lane 8 + j of the corners) are compressed once, for all three
// coordinates; lanes past the count hold no corner.
struct Slots {
  int count;
  __m512i first, second;  // the sources of kept slots 0-7 and 8-15
  EIGHT_LANES Slots(__mmask8 crosses, __mmask8 kept) {
    const unsigned taken = _pdep_u32(crosses, 0x5555u) | _pdep_u32(kept, 0xAAAAu);
    count = __builtin_popcount(taken);
    const __m512i slot = _mm512_set_epi32(15, 7, 14, 6, 13, 5, 12, 4, 11, 3, 10, 2, 9, 1, 8, 0);
    const __m512i source = _mm512_maskz_compress_epi32(static_cast<__mmask16>(taken), slot);
    first = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(source));
    second = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(source, 1));
  }
  // The kept slots of one coordinate in order: the first eight in the
  // register returned; all of them stored at `spill` when it is given.
  EIGHT_LANES __m512d place(__m512d corners, __m512d crossings, double* spill) const {
    const __m512d whole = _mm512_permutex2var_pd(crossings, first, corners);
    if (spill) {
      _mm512_storeu_pd(spill, whole);
      _mm512_storeu_pd(spill + kLanes, _mm512_permutex2var_pd(crossings, second, corners));
    }
    return whole;
  }
};

// What is left of p on the kept side of the line: Empty, Unchanged (p as it
// was) or Cut, with the part in p; false in `fits` when the part has more
// than eight corners, which are then in `spill` instead.
EIGHT_LANES Cut cut(Corners& p, const FlatLine& line, double eps, FlatPolygon& spill, bool& fits) {
  const __mmask8 live = cornersOf(p.count);
  const __m512d a = all(line.a), b = all(line.b), c = all(line.c);
  const __m512d v = add(add(mul(a, p.x), mul(b, p.y)), c);
  const __mmask8 above = _mm512_mask_cmp_pd_mask(live, v, all(eps), _CMP_GT_OQ);
  const __mmask8 below = _mm512_mask_cmp_pd_mask(live, v, all(-eps), _CMP_LT_OQ);
  if (above == 0) return Cut::Empty;
  if (below == 0) return Cut::Unchanged;
  const __mmask8 kept = _mm512_mask_cmp_pd_mask(live, v, all(-eps), _CMP_GE_OQ);
  // The corner before each, and its value on the line formed from its own
  // coordinates (the same bits as moving v, with fewer steps in between).
  const __m512i before = previousCorner(p.count);
  const __m512d xi = _mm512_permutexvar_pd(before, p.x), yi = _mm512_permutexvar_pd(before, p.y);
  const __m512d wi = _mm512_permutexvar_pd(before, p.w);
  const __m512d vi = add(add(mul(a, xi), mul(b, yi)), c);
  const __mmask8 aboveBefore = _mm512_mask_cmp_pd_mask(live, vi, all(eps), _CMP_GT_OQ);
  const __mmask8 belowBefore = _mm512_mask_cmp_pd_mask(live, vi, all(-eps), _CMP_LT_OQ);
  const __mmask8 crosses = static_cast<__mmask8>((aboveBefore & below) | (belowBefore & above));
  // The crossing on the edge into corner j, formed in every lane (without
  // waiting for the masks) and kept where the edge crosses.
  const __m512d s = _mm512_div_pd(vi, sub(vi, v));
  const Slots slots(crosses, kept);
  fits = slots.count <= kLanes;
  p.x = slots.place(p.x, crossing(p.x, xi, s), fits ? nullptr : spill.x.data());
  p.y = slots.place(p.y, crossing(p.y, yi, s), fits ? nullptr : spill.y.data());
  p.w = slots.place(p.w, crossing(p.w, wi, s), fits ? nullptr : spill.value.data());
  const int count = slots.count;
  p.count = count;
  if (!fits) spill.count = count;
  return count >= 3 ? Cut::Cut : Cut::Empty;
}

EIGHT_LANES Corners load(const FlatPolygon& in) {
  const __mmask8 live = cornersOf(in.count);
  return {in.count, _mm512_maskz_loadu_pd(live, in.x.data()), _mm512_maskz_loadu_pd(live, in.y.data()),
          _mm512_maskz_loadu_pd(live, in.value.data())};
}

EIGHT_LANES void store(const Corners& p, FlatPolygon& out) {
  _mm512_storeu_pd(out.x.data(), p.x);
  _mm512_storeu_pd(out.y.data(), p.y);
  _mm512_storeu_pd(out.value.data(), p.w);
  out.count = p.count;
}

}  // namespace

EIGHT_LANES Cut clipWhileEight(const FlatPolygon& in, const FlatLine* lines, int count, double eps, FlatPolygon& out, int& used) {
  Corners p = load(in);
  bool changed = false;
  for (used = 0; used < count;) {
    bool fits = true;
    const Cut result = cut(p, lines[used++], eps, out, fits);
    if (result == Cut::Empty) return Cut::Empty;
    if (result == Cut::Unchanged) continue;
    changed = true;
    if (!fits) return Cut::Cut;  // in `out`
  }
  if (!changed) return Cut::Unchanged;
  store(p, out);
  return Cut::Cut;
}

namespace {

// The registers a polygon's corner and edge terms are formed in: four lanes
// for up to four corners (on processors that split an eight-lane operation
// in two halves, half the work), eight for more. The arithmetic is written
// with the vector types' own operators; these are the rest.
struct FourLanes {
  using Reals = __m256d;
  static constexpr int kCount = 4;
  EIGHT_LANES static Reals all(double a) { return _mm256_set1_pd(a); }
  EIGHT_LANES static Reals load(__mmask8 live, const double* from) { return _mm256_maskz_loadu_pd(live, from); }
  EIGHT_LANES static void store(double* to, Reals v) { _mm256_storeu_pd(to, v); }
  // Lane j takes the value of the corner before j.
  EIGHT_LANES static Reals previous(int count, Reals v) {
    return _mm256_permutexvar_pd(_mm256_set_epi64x(2, 1, 0, count - 1), v);
  }
  template <int Predicate>
  EIGHT_LANES static __mmask8 compare(Reals a, Reals b) {
    return _mm256_cmp_pd_mask(a, b, Predicate);
  }
  EIGHT_LANES static Reals blend(__mmask8 take, Reals a, Reals b) { return _mm256_mask_blend_pd(take, a, b); }
  // 2^k for whole numbers k held as doubles.
  EIGHT_LANES static Reals powerOfTwo(Reals k) {
    return _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_add_epi64(_mm256_cvtpd_epi64(k), _mm256_set1_epi64x(1023)), 52));
  }
};

struct EightLanes {
  using Reals = __m512d;
  static constexpr int kCount = 8;
  EIGHT_LANES static Reals all(double a) { return _mm512_set1_pd(a); }
  EIGHT_LANES static Reals load(__mmask8 live, const double* from) { return _mm512_maskz_loadu_pd(live, from); }
  EIGHT_LANES static void store(double* to, Reals v) { _mm512_storeu_pd(to, v); }
  EIGHT_LANES static Reals previous(int count, Reals v) { return _mm512_permutexvar_pd(previousCorner(count), v); }
  template <int Predicate>
  EIGHT_LANES static __mmask8 compare(Reals a, Reals b) {
    return _mm512_cmp_pd_mask(a, b, Predicate);
  }
  EIGHT_LANES static Reals blend(__mmask8 take, Reals a, Reals b) { return _mm512_mask_blend_pd(take, a, b); }
  EIGHT_LANES static Reals powerOfTwo(Reals k) {
    return _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_add_epi64(_mm512_cvtpd_epi64(k), _mm512_set1_epi64(1023)), 52));
  }
};

// quickExp lane by lane: the same steps, the power of two and the ends of
// the range set lane by lane.
template <class L>
EIGHT_LANES typename L::Reals exp(typename L::Reals x) {
  using R = typename L::Reals;
  R kd, r, p;
  exp_steps::reduce(x, kd, r);
  exp_steps::series(r, p);
  R y = p * L::powerOfTwo(kd);
  y = L::blend(L::template compare<_CMP_GT_OQ>(x, L::all(709.0)), y, L::all(__builtin_inf()));
  // Not above -708 (or NaN): 0, or the NaN itself.
  const __mmask8 low = L::template compare<_CMP_NGT_UQ>(x, L::all(-708.0));
  const __mmask8 nan = L::template compare<_CMP_UNORD_Q>(x, x);
  return L::blend(low, y, L::blend(nan, L::all(0.0), x));
}

template <class L>
EIGHT_LANES void termsIn(const FlatPolygon& p, const FlatLinear& added, double mu, double ax, double ay, double* path,
                         double* term, double* termH) {
  using R = typename L::Reals;
  const int n = p.count;
  const __mmask8 live = cornersOf(n);
  const R x = L::load(live, p.x.data()), y = L::load(live, p.y.data()), w = L::load(live, p.value.data());
  const R t = w + ((L::all(added.a) * x + L::all(added.b) * y) + L::all(added.c));
  L::store(path, t);
  const R lj = L::all(-mu) * t, ej = exp<L>(lj);
  const R xi = L::previous(n, x), yi = L::previous(n, y), li = L::previous(n, lj), ei = L::previous(n, ej);
  const R nx = y - yi, ny = xi - x;
  // expMeanOnSegment(l_i, l_j, e_i, e_j) lane by lane.
  const R h = lj - li;
  const __mmask8 apart = static_cast<__mmask8>(L::template compare<_CMP_GT_OQ>(h, L::all(kExpMeanSeriesReach)) |
                                               L::template compare<_CMP_LT_OQ>(h, L::all(-kExpMeanSeriesReach)));
  R series;
  expMeanSeries(h, ei, series);
  // The quotient in every lane, so that it need not wait for the series.
  const R mean = L::blend(apart, series, (ej - ei) / h);
  L::store(term, (L::all(ax) * nx + L::all(ay) * ny) * mean);
  L::store(termH, ((xi - L::all(p.x[0])) * nx + (yi - L::all(p.y[0])) * ny) * mean);
}

}  // namespace

EIGHT_LANES void cornerAndEdgeTerms(const FlatPolygon& p, const FlatLinear& added, double mu, double ax, double ay,
                                    double* path, double* term, double* termH) {
  if (p.count <= FourLanes::kCount) {
    termsIn<FourLanes>(p, added, mu, ax, ay, path, term, termH);
  } else {
    termsIn<EightLanes>(p, added, mu, ax, ay, path, term, termH);
  }
}

#undef EIGHT_LANES

}  // namespace korvex::exact::eight_lanes
