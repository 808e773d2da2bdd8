// Malformed experiment files: random cards, garbage and files cut short must
// end in a fatal error or a complete read, never a crash or a hang.
#include <gtest/gtest.h>

#include <random>

#include "experiment/reader_support.hpp"

namespace korvex {
namespace {

const char* const kWords[] = {
    "TITLE", "WAVEL", "WAVEL ", "CELL", "UB", "UBL", "BLAXES", "PARITY", "2THETA", "MIN", "MAX", "SCALE ",
    "CONTENTS", "KORVEX", "MU", "LESSTHAN", "REJECT", "KEEP", "MODEL", "HKL", "XYZFACE", "XYZCORNER",
    "SPHERE", "FILLED GASKET", "FACE", "CORNER", "DAC", "TYPE", "ABSPSI", "CURVE", "END", "ANVIL", "PLATE",
    "OPEN", "GASKET", "MUMEDIA", "Z=", "SI", "O2", "FE2", "C", "H12,", ",", "/", "*", "3*", "1E40", "-1E-40",
    "INF", "NAN", "1.5D2", "-", ".", "2147483648", "-7", "0", "1", "2", "3", "5", "0.1", "90", "120", "  ",
};

std::string randomCard(std::mt19937& rng) {
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kWords)) - 1);
  std::uniform_int_distribution<int> length(0, 14);
  std::uniform_int_distribution<int> coin(0, 9);
  std::uniform_int_distribution<int> byte(1, 255);
  std::string card;
  const int n = length(rng);
  for (int i = 0; i < n; ++i) {
    if (coin(rng) == 0) {
      card += static_cast<char>(byte(rng));
    } else {
      card += kWords[pick(rng)];
      if (coin(rng) < 7) card += ' ';
    }
  }
  if (coin(rng) == 0) card += std::string(static_cast<std::size_t>(length(rng)) * 10, '9');
  return card;
}

TEST(ReaderFuzz, RandomAndTruncatedFilesEndCleanly) {
  std::mt19937 rng(20261208u);
  std::uniform_int_distribution<int> cards(0, 40);
  const std::string good = "TITLE t\nWAVEL 1 0.71073\n" + test::kCubicUb +
                           "CELL 10 10 10 90 90 90\nCONTENTS SI O2 Z=3\nKORVEX MU 5\nKORVEX MODEL XYZCORNER 3 3 3 0\n"
                           "KORVEX CORNER 1 1 1\nDAC TYPE 5\nDAC ABSPSI\n0 0.9 0.9\n10 0.8 0.8\nEND\n"
                           "DAC GASKET 100 150 -1 0.05\nDAC MUMEDIA 1\n";
  int complete = 0;
  for (int iteration = 0; iteration < 3000; ++iteration) {
    std::string file;
    if (iteration % 3 == 0) {
      // A good file cut at a random character.
      file = good.substr(0, static_cast<std::size_t>(iteration) % (good.size() + 1));
    } else {
      const int n = cards(rng);
      for (int i = 0; i < n; ++i) file += randomCard(rng) + (i % 7 == 6 ? "\r\n" : "\n");
    }
    SCOPED_TRACE(file);
    test::ReadRun r(file);
    try {
      r.read();
      ++complete;
      EXPECT_TRUE(r.exp().CELLVOL >= 0.1f || r.exp().NUB == 3);
    } catch (const FatalError&) {
    }
  }
  EXPECT_GT(complete, 0);
}

}  // namespace
}  // namespace korvex
