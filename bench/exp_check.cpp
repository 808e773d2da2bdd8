// The exhaustive proof that the vector exponential (exp_lanes.hpp) returns
// what the C library's expf returns: every one of the 2^32 float arguments,
// at every width this processor runs, compared bit for bit. Not a test (it
// takes a minute or two); its result is recorded in bench/README.md.
//
//   build-release/bench/korvex_exp_check
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "transmission/exp_lanes.hpp"

namespace {

constexpr int kBlock = 4096;

// Compares the arguments whose bits run from `first` for `count` blocks;
// returns the number of differences and keeps the first one.
std::uint64_t checkRange(int width, std::uint64_t first, std::uint64_t blocks, std::uint32_t& firstBad) {
  std::array<float, kBlock> x{}, want{}, got{};
  std::uint64_t bad = 0;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    for (int k = 0; k < kBlock; ++k) {
      const auto u = static_cast<std::uint32_t>(first + b * kBlock + static_cast<std::uint64_t>(k));
      std::memcpy(&x[k], &u, sizeof u);
      want[k] = std::exp(x[k]);
    }
    korvex::expLanesAtWidth(width, x.data(), got.data(), kBlock);
    for (int k = 0; k < kBlock; ++k) {
      if (std::memcmp(&want[k], &got[k], sizeof(float)) != 0) {
        if (bad == 0) std::memcpy(&firstBad, &x[k], sizeof firstBad);
        ++bad;
      }
    }
  }
  return bad;
}

}  // namespace

int main() {
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  const std::uint64_t blocks = (std::uint64_t{1} << 32) / kBlock;
  int failures = 0;
  for (int width : {8, 4}) {
    float probe = 0.0f, out = 0.0f;
    if (!korvex::expLanesAtWidth(width, &probe, &out, 1)) {
      std::printf("width %d: not run by this processor\n", width);
      continue;
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    std::vector<std::uint64_t> bad(threads, 0);
    std::vector<std::uint32_t> firstBad(threads, 0);
    for (unsigned t = 0; t < threads; ++t) {
      const std::uint64_t from = blocks * t / threads, to = blocks * (t + 1) / threads;
      pool.emplace_back([&, t, from, to] { bad[t] = checkRange(width, from * kBlock, to - from, firstBad[t]); });
    }
    std::uint64_t total = 0;
    for (unsigned t = 0; t < threads; ++t) {
      pool[t].join();
      if (bad[t] != 0 && total == 0) std::printf("width %d: first difference at bits 0x%08x\n", width, firstBad[t]);
      total += bad[t];
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("width %d: %llu of 4294967296 arguments differ from the library (%.0f s, %u threads)\n", width,
                static_cast<unsigned long long>(total), seconds, threads);
    if (total != 0) ++failures;
  }
  std::printf("the lanes in use on this machine: width %d\n", korvex::expLanesWidth());
  return failures == 0 ? 0 : 1;
}
