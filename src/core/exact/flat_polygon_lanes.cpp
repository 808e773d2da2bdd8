// A polygon's corners in the four or eight lanes of AVX-512 registers.

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

// Lane j of eight takes the lane of the corner before j (count - 1 for
// j = 0): one load from a table rather than a vector built afresh.
struct PreviousCorners {
  alignas(64) long long lane[kLanes + 1][kLanes];
  constexpr PreviousCorners() : lane() {
    for (int count = 0; count <= kLanes; ++count)
      for (int j = 0; j < kLanes; ++j) lane[count][j] = j == 0 ? (count + kLanes - 1) % kLanes : j - 1;
  }
};
constexpr PreviousCorners kPreviousCorners;

// The registers a polygon's corners are held in: four lanes while it has at
// most four (on processors that split an eight-lane operation in two
// halves, half the work), eight up to eight. The arithmetic is written with
// the vector types' own operators; these are the rest.
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
  template <int Predicate>
  EIGHT_LANES static __mmask8 compareIn(__mmask8 live, Reals a, Reals b) {
    return _mm256_mask_cmp_pd_mask(live, a, b, Predicate);
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
  EIGHT_LANES static Reals previous(int count, Reals v) {
    return _mm512_permutexvar_pd(_mm512_load_si512(kPreviousCorners.lane[count]), v);
  }
  template <int Predicate>
  EIGHT_LANES static __mmask8 compare(Reals a, Reals b) {
    return _mm512_cmp_pd_mask(a, b, Predicate);
  }
  template <int Predicate>
  EIGHT_LANES static __mmask8 compareIn(__mmask8 live, Reals a, Reals b) {
    return _mm512_mask_cmp_pd_mask(live, a, b, Predicate);
  }
  EIGHT_LANES static Reals blend(__mmask8 take, Reals a, Reals b) { return _mm512_mask_blend_pd(take, a, b); }
  EIGHT_LANES static Reals powerOfTwo(Reals k) {
    return _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_add_epi64(_mm512_cvtpd_epi64(k), _mm512_set1_epi64(1023)), 52));
  }
};

// A polygon's corners held in registers.
template <class L>
struct Corners {
  int count;
  typename L::Reals x, y, w;
};

template <class L>
EIGHT_LANES Corners<L> load(const FlatPolygon& in) {
  const __mmask8 live = cornersOf(in.count);
  return {in.count, L::load(live, in.x.data()), L::load(live, in.y.data()), L::load(live, in.value.data())};
}

template <class L>
EIGHT_LANES void store(const Corners<L>& p, FlatPolygon& out) {
  L::store(out.x.data(), p.x);
  L::store(out.y.data(), p.y);
  L::store(out.value.data(), p.w);
  out.count = p.count;
}

// The slots of a cut polygon: slot 2j holds the crossing into corner j,
// slot 2j + 1 corner j, taken where the edge into j crosses the line and
// where j is kept. The taken slots' sources (lane j of the crossings or
// lane n + j of the corners, n lanes a register) are compressed once, for
// all three coordinates; lanes past the count hold no corner. A part with
// more corners than lanes overflows: from four lanes into eight, from
// eight into memory.
template <class L>
struct Slots;

template <>
struct Slots<EightLanes> {
  using Reals = __m512d;
  int count;
  __m512i first, second;  // the sources of taken slots 0-7 and 8-15
  EIGHT_LANES Slots(__mmask8 crosses, __mmask8 kept) {
    const unsigned taken = _pdep_u32(crosses, 0x5555u) | _pdep_u32(kept, 0xAAAAu);
    count = __builtin_popcount(taken);
    const __m512i slot = _mm512_set_epi32(15, 7, 14, 6, 13, 5, 12, 4, 11, 3, 10, 2, 9, 1, 8, 0);
    const __m512i source = _mm512_maskz_compress_epi32(static_cast<__mmask16>(taken), slot);
    first = _mm512_cvtepu32_epi64(_mm512_castsi512_si256(source));
    second = _mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(source, 1));
  }
  // The first eight taken slots of one coordinate, in order.
  EIGHT_LANES Reals place(Reals corners, Reals crossings) const {
    return _mm512_permutex2var_pd(crossings, first, corners);
  }
  // All of them, into memory.
  EIGHT_LANES void overflow(const Reals (&corners)[3], const Reals (&crossings)[3], FlatPolygon& spill) const {
    double* to[3] = {spill.x.data(), spill.y.data(), spill.value.data()};
    for (int c = 0; c < 3; ++c) {
      _mm512_storeu_pd(to[c], place(corners[c], crossings[c]));
      _mm512_storeu_pd(to[c] + kLanes, _mm512_permutex2var_pd(crossings[c], second, corners[c]));
    }
    spill.count = count;
  }
};

template <>
struct Slots<FourLanes> {
  using Reals = __m256d;
  int count;
  __m256i first, second;  // the sources of taken slots 0-3 and 4-7
  EIGHT_LANES Slots(__mmask8 crosses, __mmask8 kept) {
    const unsigned taken = _pdep_u32(crosses, 0x55u) | _pdep_u32(kept, 0xAAu);
    count = __builtin_popcount(taken);
    const __m256i slot = _mm256_set_epi32(7, 3, 6, 2, 5, 1, 4, 0);
    const __m256i source = _mm256_maskz_compress_epi32(static_cast<__mmask8>(taken), slot);
    first = _mm256_cvtepu32_epi64(_mm256_castsi256_si128(source));
    second = _mm256_cvtepu32_epi64(_mm256_extracti128_si256(source, 1));
  }
  EIGHT_LANES Reals place(Reals corners, Reals crossings) const {
    return _mm256_permutex2var_pd(crossings, first, corners);
  }
  // All of them, into eight lanes.
  EIGHT_LANES void overflow(const Reals (&corners)[3], const Reals (&crossings)[3], Corners<EightLanes>& grown) const {
    __m512d* to[3] = {&grown.x, &grown.y, &grown.w};
    for (int c = 0; c < 3; ++c)
      *to[c] = _mm512_insertf64x4(_mm512_castpd256_pd512(place(corners[c], crossings[c])),
                                  _mm256_permutex2var_pd(crossings[c], second, corners[c]), 1);
    grown.count = count;
  }
};

// What is left of p on the kept side of the line: Empty, Unchanged (p as it
// was) or Cut, with the part in p; false in `fits` when the part has more
// corners than p's lanes, which then went to `over` instead.
template <class L, class Overflow>
EIGHT_LANES Cut cut(Corners<L>& p, const FlatLine& line, double eps, Overflow& over, bool& fits) {
  using R = typename L::Reals;
  const __mmask8 live = cornersOf(p.count);
  const R a = L::all(line.a), b = L::all(line.b), c = L::all(line.c);
  const R v = (a * p.x + b * p.y) + c;
  const __mmask8 above = L::template compareIn<_CMP_GT_OQ>(live, v, L::all(eps));
  const __mmask8 below = L::template compareIn<_CMP_LT_OQ>(live, v, L::all(-eps));
  if (above == 0) return Cut::Empty;
  if (below == 0) return Cut::Unchanged;
  const __mmask8 kept = L::template compareIn<_CMP_GE_OQ>(live, v, L::all(-eps));
  // The corner before each, and its value on the line formed from its own
  // coordinates (the same bits as moving v, with fewer steps in between).
  const R xi = L::previous(p.count, p.x), yi = L::previous(p.count, p.y), wi = L::previous(p.count, p.w);
  const R vi = (a * xi + b * yi) + c;
  const __mmask8 aboveBefore = L::template compareIn<_CMP_GT_OQ>(live, vi, L::all(eps));
  const __mmask8 belowBefore = L::template compareIn<_CMP_LT_OQ>(live, vi, L::all(-eps));
  const __mmask8 crosses = static_cast<__mmask8>((aboveBefore & below) | (belowBefore & above));
  // Where the edge into corner j crosses the line, c_i + s (c_j - c_i),
  // formed in every lane (without waiting for the masks) and kept where it
  // crosses.
  const R s = vi / (vi - v);
  const R corners[3] = {p.x, p.y, p.w};
  const R crossings[3] = {xi + s * (p.x - xi), yi + s * (p.y - yi), wi + s * (p.w - wi)};
  const Slots<L> slots(crosses, kept);
  fits = slots.count <= L::kCount;
  if (!fits) slots.overflow(corners, crossings, over);
  p.x = slots.place(corners[0], crossings[0]);
  p.y = slots.place(corners[1], crossings[1]);
  p.w = slots.place(corners[2], crossings[2]);
  p.count = slots.count;
  return slots.count >= 3 ? Cut::Cut : Cut::Empty;
}

}  // namespace

EIGHT_LANES Cut clipWhileEight(const FlatPolygon& in, const FlatLine* lines, int count, double eps, FlatPolygon& out,
                               int& used) {
  bool changed = false;
  used = 0;
  Corners<EightLanes> p;
  if (in.count <= FourLanes::kCount) {
    Corners<FourLanes> q = load<FourLanes>(in);
    bool fits = true;
    while (fits && used < count) {
      const Cut result = cut(q, lines[used++], eps, p, fits);
      if (result == Cut::Empty) return Cut::Empty;
      changed = changed || result == Cut::Cut;
    }
    if (fits) {
      if (!changed) return Cut::Unchanged;
      store(q, out);
      return Cut::Cut;
    }
    // More than four corners: on in eight lanes.
  } else {
    p = load<EightLanes>(in);
  }
  while (used < count) {
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
