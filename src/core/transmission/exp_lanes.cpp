// The C library's expf, several values at a time (see exp_lanes.hpp).
#include "transmission/exp_lanes.hpp"

#include <immintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

// GCC 12 takes the placeholder vectors inside some AVX-512 intrinsics for
// values used before they are set.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace korvex {

namespace {

// exp(x) = 2^(k/32) 2^(r/32) with x 32/ln 2 = k + r: kd = round(x 32/ln 2)
// through the shift 1.5 * 2^52, then 2^(r/32) ~ C0 r^3 + C1 r^2 + C2 r + 1,
// and 2^(k/32) from the table: its bits are those of 2^(i/32) for i = k mod
// 32, less i << 47, so that adding k << 47 puts k/32 into the exponent.
constexpr double kInvLn2N = 0x1.71547652b82fep+5;
constexpr double kShift = 0x1.8p+52;
constexpr double kC0 = 0x1.c6af84b912394p-20;
constexpr double kC1 = 0x1.ebfce50fac4f3p-13;
constexpr double kC2 = 0x1.62e42ff0c52d6p-6;
alignas(64) constexpr std::uint64_t kTable[32] = {
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51,
    0x3fef72b83c7d517b, 0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1,
    0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d,
    0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585,
    0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74, 0x3feea11473eb0187, 0x3feea589994cce13,
    0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d,
    0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069,
    0x3fef5818dcfba487, 0x3fef7c97337b9b5f, 0x3fefa4afa2a490da, 0x3fefd0765b6e4540};
// Arguments whose bits, less the sign, shifted right by 20 exceed this
// (|x| >= 88, infinities, NaNs) take the library's own special cases.
constexpr int kLastOrdinaryTop = 0x42a;

void byLibrary(const float* x, float* y, int n) {
  for (int k = 0; k < n; ++k) y[k] = std::exp(x[k]);
}

// The lanes of x whose exponential the library works out apart.
template <typename Mask>
void specialsByLibrary(Mask special, const float* x, float* y, int lanes) {
  for (int l = 0; l < lanes; ++l)
    if (special >> l & 1) y[l] = std::exp(x[l]);
}

__attribute__((target("avx2,fma"))) void lanes4(const float* x, float* y, int n) {
  const __m256d invLn2N = _mm256_set1_pd(kInvLn2N), shift = _mm256_set1_pd(kShift);
  const __m256d c0 = _mm256_set1_pd(kC0), c1 = _mm256_set1_pd(kC1), c2 = _mm256_set1_pd(kC2);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m128i top = _mm_set1_epi32(kLastOrdinaryTop), exponent = _mm_set1_epi32(0x7ff);
  const long long* table = reinterpret_cast<const long long*>(kTable);
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    const __m128 xf = _mm_loadu_ps(x + k);
    const __m128i abstop = _mm_and_si128(_mm_srli_epi32(_mm_castps_si128(xf), 20), exponent);
    const int special = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(abstop, top)));
    const __m256d xd = _mm256_cvtps_pd(xf);
    __m256d kd = _mm256_fmadd_pd(invLn2N, xd, shift);
    const __m256i ki = _mm256_castpd_si256(kd);
    kd = _mm256_sub_pd(kd, shift);
    const __m256d r = _mm256_fmsub_pd(invLn2N, xd, kd);
    const __m256i t = _mm256_add_epi64(_mm256_i64gather_epi64(table, _mm256_and_si256(ki, _mm256_set1_epi64x(31)), 8),
                                       _mm256_slli_epi64(ki, 47));
    const __m256d z = _mm256_fmadd_pd(c0, r, c1);
    const __m256d r2 = _mm256_mul_pd(r, r);
    __m256d v = _mm256_fmadd_pd(r, c2, one);
    v = _mm256_fmadd_pd(z, r2, v);
    v = _mm256_mul_pd(v, _mm256_castsi256_pd(t));
    _mm_storeu_ps(y + k, _mm256_cvtpd_ps(v));
    if (special != 0) specialsByLibrary(special, x + k, y + k, 4);
  }
  byLibrary(x + k, y + k, n - k);
}

__attribute__((target("avx512f,avx512dq,avx512vl,avx2,fma"))) void lanes8(const float* x, float* y, int n) {
  const __m512d invLn2N = _mm512_set1_pd(kInvLn2N), shift = _mm512_set1_pd(kShift);
  const __m512d c0 = _mm512_set1_pd(kC0), c1 = _mm512_set1_pd(kC1), c2 = _mm512_set1_pd(kC2);
  const __m512d one = _mm512_set1_pd(1.0);
  const __m256i top = _mm256_set1_epi32(kLastOrdinaryTop), exponent = _mm256_set1_epi32(0x7ff);
  const __m512i tableLow = _mm512_load_si512(kTable), tableHigh = _mm512_load_si512(kTable + 8);
  const __m512i tableLow2 = _mm512_load_si512(kTable + 16), tableHigh2 = _mm512_load_si512(kTable + 24);
  int k = 0;
  for (; k + 8 <= n; k += 8) {
    const __m256 xf = _mm256_loadu_ps(x + k);
    const __m256i abstop = _mm256_and_si256(_mm256_srli_epi32(_mm256_castps_si256(xf), 20), exponent);
    const int special = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(abstop, top)));
    const __m512d xd = _mm512_cvtps_pd(xf);
    __m512d kd = _mm512_fmadd_pd(invLn2N, xd, shift);
    const __m512i ki = _mm512_castpd_si512(kd);
    kd = _mm512_sub_pd(kd, shift);
    const __m512d r = _mm512_fmsub_pd(invLn2N, xd, kd);
    // Entry ki mod 32 of the table, from two 16-entry lookups.
    const __m512i firstHalf = _mm512_permutex2var_epi64(tableLow, ki, tableHigh);
    const __m512i secondHalf = _mm512_permutex2var_epi64(tableLow2, ki, tableHigh2);
    const __mmask8 upper = _mm512_test_epi64_mask(ki, _mm512_set1_epi64(16));
    const __m512i entry = _mm512_mask_blend_epi64(upper, firstHalf, secondHalf);
    const __m512i t = _mm512_add_epi64(entry, _mm512_slli_epi64(ki, 47));
    const __m512d z = _mm512_fmadd_pd(c0, r, c1);
    const __m512d r2 = _mm512_mul_pd(r, r);
    __m512d v = _mm512_fmadd_pd(r, c2, one);
    v = _mm512_fmadd_pd(z, r2, v);
    v = _mm512_mul_pd(v, _mm512_castsi512_pd(t));
    _mm256_storeu_ps(y + k, _mm512_cvtpd_ps(v));
    if (special != 0) specialsByLibrary(special, x + k, y + k, 8);
  }
  lanes4(x + k, y + k, n - k);
}

using Lanes = void (*)(const float*, float*, int);

struct Choice {
  Lanes lanes;
  int width;
};

// The widest lanes up to `widest` that the processor runs and the library's
// road allows: the library takes its FMA road where FMA and AVX2 are there.
Choice choose(int widest) {
  __builtin_cpu_init();
  const bool fma = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  const bool avx512 = fma && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512vl");
  if (avx512 && widest >= 8) return {lanes8, 8};
  if (fma && widest >= 4) return {lanes4, 4};
  return {byLibrary, 1};
}

// Arguments for the check at first use: the whole range the program meets
// (paths times coefficients, from about -200 to a little above 0), the
// edges of the library's special cases, and a stride through all floats.
bool agreesWithLibrary(Lanes lanes) {
  constexpr int kCount = 4096;
  float x[kCount], want[kCount], got[kCount];
  for (int k = 0; k < kCount; ++k) {
    if (k < 2048) {
      x[k] = -200.0f * static_cast<float>(k) / 2048.0f + 1.0f / static_cast<float>(k + 3);
    } else {
      const std::uint32_t u = static_cast<std::uint32_t>(k - 2048) * 2097143u;
      std::memcpy(&x[k], &u, sizeof u);
    }
  }
  const float edges[] = {88.0f, -88.0f, 87.99999f, -87.99999f, 88.72283f, -103.97208f, -103.27893f, 0.0f, -0.0f};
  std::memcpy(x, edges, sizeof edges);
  byLibrary(x, want, kCount);
  lanes(x, got, kCount);
  return std::memcmp(want, got, sizeof want) == 0;
}

const Choice& chosen() {
  static const Choice choice = [] {
    const Choice c = choose(8);
    return c.width == 1 || agreesWithLibrary(c.lanes) ? c : Choice{byLibrary, 1};
  }();
  return choice;
}

}  // namespace

void expLanes(const float* x, float* y, int n) { chosen().lanes(x, y, n); }

int expLanesWidth() { return chosen().width; }

bool expLanesAtWidth(int width, const float* x, float* y, int n) {
  const Choice c = choose(width);
  if (c.width != width) return false;
  c.lanes(x, y, n);
  return true;
}

}  // namespace korvex
