// Density and absorption coefficient from the cell contents, and the
// element tables they rest on.
#include <gtest/gtest.h>

#include "experiment/element_tables.hpp"
#include "experiment/reader_support.hpp"

namespace korvex {
namespace {

// As the box shows it: up to and with the blank that opens the run of four.
const char* const kUninterpreted = "UNINTERPRETED CHARACTER ON CELL CONTENTS CARD ";

struct Contents : test::TestRun {
  Contents(const std::string& formula, float wavelength = 0.7093f, float cellvol = 113.0f) {
    run.exp.WAVELENGTH = wavelength;
    run.exp.CELLVOL = cellvol;
    calcMu(run, ff::padded(formula, 60));
  }
  float count(int z) const { return run.exp.ELCOUNT[static_cast<std::size_t>(z - 1)]; }
  float mu() const { return run.exp.ABSCO * 10000.0f; }  // cm-1
};

TEST(ElementTables, TellingRows) {
  struct Row {
    int z;
    const char* symbol;
    std::array<float, 6> values;  // ATWT, then Cr, Fe, Co, Cu, Mo
  };
  const Row rows[] = {
      {1, "H ", {1.007f, 0.412f, 0.4f, 0.397f, 0.391f, 0.373f}},
      {6, "C ", {12.01f, 15, 8.99f, 7.07f, 4.51f, 0.576f}},
      {8, "O ", {16, 37.8f, 22.8f, 18, 11.5f, 1.22f}},
      {14, "SI", {28.09f, 196, 122, 97.8f, 63.7f, 6.64f}},
      {26, "FE", {55.85f, 113, 71, 57.2f, 302, 37.6f}},
      {29, "CU", {63.54f, 153, 96.8f, 78, 51.8f, 49.1f}},
      {42, "MO", {95.94f, 442, 284, 230, 154, 18.8f}},
      {82, "PB", {207.19f, 643, 420, 343, 235, 122}},
      {92, "U ", {238.03f, 766, 528, 420, 288, 102}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.symbol);
    const auto i = static_cast<std::size_t>(r.z - 1);
    EXPECT_STREQ(ELSYM[i], r.symbol);
    EXPECT_EQ(ATWT[i], r.values[0]);
    for (std::size_t w = 0; w < 5; ++w) EXPECT_EQ(MUMASS[w][i], r.values[w + 1]) << w;
  }
}

TEST(CalcMu, QuartzWithThreeFormulaUnits) {
  Contents c("SI O2 Z=3");
  EXPECT_EQ(c.count(14), 1.0f);
  EXPECT_EQ(c.count(8), 2.0f);
  EXPECT_EQ(c.run.exp.ZFORM, 3.0f);
  EXPECT_NEAR(c.run.exp.DENSITY, 2.649f, 0.0005f);
  EXPECT_NEAR(c.mu(), 9.942f, 0.0005f);
  EXPECT_EQ(c.run.exp.CRYSABS, 1);
  EXPECT_TRUE(c.dialog.warningBoxes.empty());
}

TEST(CalcMu, FormulaSpellings) {
  auto check = [](const std::string& formula, std::vector<std::pair<int, float>> counts, float z = 1.0f) {
    SCOPED_TRACE(formula);
    Contents c(formula);
    float total = 0.0f;
    for (auto [element, n] : counts) {
      EXPECT_EQ(c.count(element), n) << element;
      total += n;
    }
    float all = 0.0f;
    for (float n : c.run.exp.ELCOUNT) all += n;
    EXPECT_EQ(all, total);  // nothing else counted
    EXPECT_EQ(c.run.exp.ZFORM, z);
    EXPECT_TRUE(c.dialog.warningBoxes.empty());
  };
  check("FE2 O3", {{26, 2}, {8, 3}});
  check("FE O", {{26, 1}, {8, 1}});
  check("C6 H12 O6", {{6, 6}, {1, 12}, {8, 6}});
  check("C6,H12,O6", {{6, 6}, {1, 12}, {8, 6}});
  check("CO3", {{27, 3}});          // cobalt, not carbonate
  check("C O3", {{6, 1}, {8, 3}});  // carbonate needs a blank
  check("NA CL Z=4", {{11, 1}, {17, 1}}, 4.0f);
  check("Z=4, CA C O3", {{20, 1}, {6, 1}, {8, 3}}, 4.0f);
  check("Z=2,MG2,SI1,O4", {{12, 2}, {14, 1}, {8, 4}}, 2.0f);
  check("K0.5 AL2.5 Z=8", {{19, 0.5f}, {13, 2.5f}}, 8.0f);
  // Only "Z=", its number and the delimiter after it are taken out, though
  // the number is read up to the comma.
  check("Z=3 C6,H12,O6", {{6, 6}, {1, 12}, {8, 6}}, 3.0f);
  // A symbol followed directly by a comma has an empty count: no atom.
  check("C, H12 O6", {{6, 0}, {1, 12}, {8, 6}});
  check("MG2,SI,O4", {{12, 2}, {14, 0}, {8, 4}});
}

TEST(CalcMu, LeftoverLettersWarnOncePerCharacter) {
  Contents unknown("SI O2 XX");
  EXPECT_EQ(unknown.dialog.warningBoxes, std::vector<std::string>(2, kUninterpreted));
  EXPECT_EQ(unknown.run.exp.CRYSABS, 1);  // the calculation goes on

  Contents twice("C6 O2 C");
  EXPECT_EQ(twice.dialog.warningBoxes, std::vector<std::string>{kUninterpreted});
  EXPECT_EQ(twice.count(6), 6.0f);
}

TEST(CalcMu, CountThatCannotBeReadStopsTheCalculation) {
  auto check = [](const std::string& formula) {
    SCOPED_TRACE(formula);
    Contents c(formula);
    EXPECT_EQ(c.dialog.warningBoxes, std::vector<std::string>{kUninterpreted});
    EXPECT_EQ(c.run.exp.CRYSABS, 0);
    EXPECT_EQ(c.run.exp.ABSCO, 0.0f);
    for (float n : c.run.exp.ELCOUNT) EXPECT_EQ(n, 0.0f);
  };
  check("C H12, O6");  // the text after C begins with the next symbol
  check("C6H12O6");    // H's count runs into the next symbol
  check("SI O2 Z=X");
}

// A blank right after "Z=" leaves Z unread and "Z=" in the text; a signed
// count is read with its sign, which is then a leftover. Both warn per
// character and the calculation goes on.
TEST(CalcMu, LeftoversOfZAndSigns) {
  Contents z("SI O2 Z= 3");
  EXPECT_EQ(z.dialog.warningBoxes, std::vector<std::string>(2, kUninterpreted));
  EXPECT_EQ(z.run.exp.ZFORM, 1.0f);
  EXPECT_EQ(z.count(8), 2.0f);
  EXPECT_EQ(z.run.exp.CRYSABS, 1);

  Contents bare("SI O2 Z=");
  EXPECT_EQ(bare.dialog.warningBoxes, std::vector<std::string>(2, kUninterpreted));
  EXPECT_EQ(bare.run.exp.ZFORM, 1.0f);

  // The negative count adds to the absorption sum but not to the mass.
  Contents sign("SI O-2");
  EXPECT_EQ(sign.dialog.warningBoxes, std::vector<std::string>{kUninterpreted});
  EXPECT_EQ(sign.count(8), -2.0f);
  const float density = 28.09f / (113.0f * 0.6023f);
  const float sum = 28.09f * 6.64f + -2.0f * 16.0f * 1.22f;
  EXPECT_FLOAT_EQ(sign.mu(), sum * density / 28.09f);
}

TEST(CalcMu, Radiations) {
  auto check = [](float lambda, std::size_t w) {
    SCOPED_TRACE(lambda);
    Contents c("SI", lambda);
    const float density = 28.09f / (113.0f * 0.6023f);
    EXPECT_FLOAT_EQ(c.mu(), 28.09f * MUMASS[w][13] * density / 28.09f);
  };
  check(0.7093f, 4);
  check(1.5418f, 3);
  check(1.79f, 2);
  check(1.85f, 2);  // in the Fe and the Co window: cobalt
  check(1.93f, 1);
  check(2.29f, 0);

  Contents unknown("SI O2", 1.0f);
  EXPECT_EQ(unknown.dialog.warningBoxes, std::vector<std::string>{"WAVELENGTH =  1.000 NOT RECOGNISED "});
  EXPECT_EQ(unknown.run.exp.CRYSABS, 0);
  EXPECT_EQ(unknown.run.exp.DENSITY, 0.0f);  // not computed

  Contents nothing("12 ,");
  EXPECT_EQ(nothing.dialog.warningBoxes,
            std::vector<std::string>{"ABSCO CALCULATED NEGATIVE OR ZERO - SET TO ZERO "});
  EXPECT_EQ(nothing.run.exp.CRYSABS, 0);
}

}  // namespace
}  // namespace korvex
