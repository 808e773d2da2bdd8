// KORVEX crystal-model cards and DAC cards, with the checks after the last
// card that concern them.
#include <gtest/gtest.h>

#include <cmath>

#include "experiment/reader_support.hpp"

namespace korvex {
namespace {

using test::card80;
using test::kCell;
using test::ReadRun;

const std::string kReadError = "  ERROR READING EXPERIMENT DATA FILE  STRING WAS: ";

TEST(ModelCards, MuLessthanReject) {
  auto check = [](const std::string& cards, float absco, int crysabs, float lessthan, int delrej) {
    SCOPED_TRACE(cards);
    ReadRun r(kCell + cards);
    r.read();
    EXPECT_FLOAT_EQ(r.exp().ABSCO, absco);
    EXPECT_EQ(r.exp().CRYSABS, crysabs);
    EXPECT_EQ(r.exp().LESSTHAN, lessthan);
    EXPECT_EQ(r.exp().DELREJ, delrej);
  };
  // With no model the absorption flag is cleared after the last card, the
  // coefficient stays.
  check("KORVEX MU 25.0\nKORVEX MODEL SPHERE 50 3 0\n", 25.0f / 10000.0f, 1, 0.0f, 1);
  check("KORVEX MU 25.0\n", 25.0f / 10000.0f, 0, 0.0f, 1);
  check("KORVEX MU 0\n", 0.0f, 0, 0.0f, 1);
  check("KORVEX MU -4\n", 0.0f, 0, 0.0f, 1);
  check("KORVEX LESSTHAN 2.5\nKORVEX REJECT\n", 0.0f, 0, 2.5f, 1);
  check("KORVEX LESSTHAN -1\nKORVEX REJECT KEEP\n", 0.0f, 0, 0.0f, 0);
}

TEST(ModelCards, EveryKindNeedsAllItsNumbers) {
  auto check = [](const std::string& card) {
    SCOPED_TRACE(card);
    ReadRun r(kCell + card + "\n");
    EXPECT_FATAL(r.read(), "DATA MISSING FROM CARD:  " + card);
  };
  check("KORVEX MODEL HKL 3 3 3");
  check("KORVEX MODEL XYZFACE 3 3");
  check("KORVEX MODEL XYZCORNER 3 3 3");
  check("KORVEX MODEL SPHERE 50 3");
  check("KORVEX MODEL FILLED GASKET 3 3 3");
  check("KORVEX MODEL HKL 3 3 3 X");
  check("KORVEX MU");
  check("KORVEX LESSTHAN TWO");
}

TEST(ModelCards, KindsAndTheirNumbers) {
  ReadRun r(kCell + "KORVEX MU 10\nKORVEX MODEL SPHERE 45.5 4 1\n");
  r.read();
  EXPECT_EQ(r.exp().MODELTYPE, 4);
  EXPECT_EQ(r.exp().RADIUS, 45.5f);
  EXPECT_EQ(r.exp().GRID, (std::array<float, 3>{4, 3, 3}));
  EXPECT_EQ(r.exp().GRIDLIST, 1);

  ReadRun g(kCell + "DAC TYPE 1\nDAC GASKET 100 150 -1 0.05\nKORVEX MODEL FILLED GASKET4 2 3 4 3\n");
  g.read();
  EXPECT_EQ(g.exp().MODELTYPE, 5);  // the numbers start one column after the word
  EXPECT_EQ(g.exp().GRID, (std::array<float, 3>{2, 3, 4}));
  EXPECT_EQ(g.exp().GRIDLIST, 3);
  EXPECT_EQ(g.warnings().size(), 1u);  // model without absorption
}

TEST(ModelCards, FaceAndCornerTables) {
  std::string corners;
  for (int i = 0; i < 200; ++i) corners += "KORVEX CORNER " + std::to_string(i) + " 0 0\n";
  ReadRun r(kCell + "KORVEX MU 5\nKORVEX MODEL XYZCORNER 3 3 3 0\n" + corners);
  r.read();
  EXPECT_EQ(r.exp().NCORNERS, 200);
  EXPECT_EQ(r.exp().MODELCARDS[199], card80(" 199 0 0"));

  ReadRun over(kCell + corners + "KORVEX CORNER 1 1 1\n");
  EXPECT_FATAL(over.read(), "TOO MANY CORNERS IN CRYSTAL MODEL: LIMIT IS 200");

  std::string faces;
  for (int i = 0; i < 201; ++i) faces += "KORVEX FACE 1 0 0 " + std::to_string(i) + "\n";
  ReadRun manyFaces(kCell + faces);
  EXPECT_FATAL(manyFaces.read(), "TOO MANY FACES IN CRYSTAL MODEL: LIMIT IS 200");

  ReadRun before(kCell + "KORVEX MU 5\nKORVEX FACE 1 0 0 0.05\nKORVEX FACE -1 0 0 0.05\nKORVEX MODEL HKL 3 3 3 0\n");
  before.read();
  EXPECT_EQ(before.exp().NFACES, 2);
  EXPECT_EQ(before.exp().MODELCARDS[1], card80(" -1 0 0 0.05"));
  EXPECT_TRUE(before.warnings().empty());

  auto inconsistent = [](const std::string& cards) {
    SCOPED_TRACE(cards);
    ReadRun bad(kCell + cards);
    EXPECT_FATAL(bad.read(), "INCONSISTENT LABELLING FOR FACE MODEL");
  };
  inconsistent("KORVEX MODEL XYZCORNER 3 3 3 0\nKORVEX FACE 1 0 0 0.05\n");
  inconsistent("KORVEX MODEL HKL 3 3 3 0\nKORVEX CORNER 1 0 0\n");
  // Both kinds would share the one text table.
  inconsistent("KORVEX FACE 1 0 0 0.05\nKORVEX CORNER 1 0 0\n");
  inconsistent("KORVEX CORNER 1 0 0\nKORVEX FACE 1 0 0 0.05\n");
}

TEST(ModelCards, MethodCard) {
  auto check = [](const std::string& cards, int method, double tolerance) {
    SCOPED_TRACE(cards);
    ReadRun r(kCell + cards);
    r.read();
    EXPECT_EQ(r.exp().METHOD, method);
    EXPECT_EQ(r.exp().METHODTOL, tolerance);
  };
  check("", 0, 1e-6);
  check("KORVEX METHOD EXACT\n", 1, 1e-6);
  check("korvex method exact 1e-9\n", 1, 1e-9);
  check("KORVEX METHOD EXACT 2.5E-4\nKORVEX METHOD GAUSS\n", 0, 2.5e-4);
  // A METHOD card naming no method changes nothing (and says so).
  ReadRun unknown(kCell + "KORVEX METHOD EXACT\nKORVEX METHOD ANALYTIC\n");
  unknown.read();
  EXPECT_EQ(unknown.exp().METHOD, 1);
  EXPECT_EQ(unknown.warnings(),
            (std::vector<std::string>{"UNRECOGNISED METHOD ON KORVEX METHOD CARD:  KORVEX METHOD ANALYTIC "}));
  for (const std::string card : {"KORVEX METHOD EXACT 0.5", "KORVEX METHOD EXACT 0"}) {
    ReadRun r(kCell + card + "\n");
    EXPECT_FATAL(r.read(), "TOLERANCE ON KORVEX METHOD CARD MUST LIE FROM 1.0E-12 TO 1.0E-2:  " + card);
  }
  ReadRun bad(kCell + "KORVEX METHOD EXACT TIGHT\n");
  EXPECT_FATAL(bad.read(), "DATA MISSING FROM CARD:  KORVEX METHOD EXACT TIGHT");
}

TEST(ModelCards, WarningsInOrder) {
  auto check = [](const std::string& cards, std::vector<std::string> expected) {
    SCOPED_TRACE(cards);
    ReadRun r(kCell + cards);
    r.read();
    // The shown text ends with the first blank of its run of four, within
    // the 100 characters of the print-file record.
    for (auto& w : expected)
      if (w.size() < 100) w += ' ';
    EXPECT_EQ(r.warnings(), expected);
  };
  check("KORVEX MODEL CUBE 3 3 3 0\n",
        {"UNRECOGNISED LABEL ON KORVEX MODEL CARD:  KORVEX MODEL CUBE 3 3 3 0",
         "UNRECOGNISED LABEL ON AN KORVEX CARD:  MODEL CUBE 3 3 3 0"});
  check("KORVEX SIZE 3\n", {"UNRECOGNISED LABEL ON AN KORVEX CARD:  SIZE 3"});
  // Both are cut to 100 columns in the print file and the box.
  check("CONTENTS SI O2\nKORVEX MU 10\nKORVEX MODEL SPHERE 50 3 0\n",
        {"BOTH CELL CONTENTS AND ABSORPTION COEFFICIENT GIVEN IN EXP FILE:  VALUE ON KORVEX MU CARD WILL BE US"});
  check("KORVEX MU 10\nCONTENTS SI O2\nKORVEX MODEL SPHERE 50 3 0\n",
        {"BOTH CELL CONTENTS AND ABSORPTION COEFFICIENT GIVEN IN EXP FILE: VALUE ON KORVEX MU CARD WILL BE USE"});
  check("KORVEX MU 10\n",
        {"NO MODEL LOADED BUT ABS COEFF > 0  : NO CRYSTAL ABSORPTION CORRECTIONS WILL BE MADE"});
  check("KORVEX MODEL SPHERE 50 3 0\nKORVEX MU 0\n",
        {"MODEL LOADED BUT ABS COEFF = 0  :NO CRYSTAL ABSORPTION CORRECTIONS WILL BE MADE"});
  check("KORVEX FACE 1 0 0 1\nKORVEX MU 10\nKORVEX MODEL SPHERE 50 3 0\n",
        {"SPHERICAL MODEL SELECTED, SO OTHER CRYSTAL INFO WILL BE IGNORED"});
  check("DAC TYPE 1\nKORVEX MU 10\nKORVEX MODEL HKL 3 3 3 0\nKORVEX FACE 1 0 0 1\n",
        {"INPUT BY HKL MODEL NOT RECOMMENDED FOR DAC, BETTER TO SWITCH TO CRYSTAL MODEL BY XYZ"});
  check("DAC TYPE 1\nDAC GASKET 50 80 300 0.1\nDAC MUMEDIA 5\nKORVEX MU 10\nKORVEX MODEL FILLED GASKET 3 3 3 0\n",
        {"FILLED GASKET MODEL SELECTED, REQUEST FOR ABSORPTION BY PRESSURE MEDIUM IGNORED"});
  check("DAC TYPE 3\nKORVEX MU 10\nKORVEX MODEL SPHERE 50 3 0\n",
        {"SPHERICAL CRYSTAL NOT COMPATIBLE WITH DAC. CALCULATIONS WILL PROCEED WITH NON-ABSORBING CRYSTAL"});
}

TEST(DacCards, DefaultsOfEachCard) {
  ReadRun r(kCell + "DAC TYPE 2\nDAC OPEN 40\nDAC ANVIL 0.2\nDAC PLATE\nDAC GASKET 100 150 -1 0.05\n");
  r.read();
  const ExperimentState& e = r.exp();
  const float forty = 40.0f * 0.7853982f / 45.0f;
  EXPECT_EQ(e.DACTYPE, 2);
  EXPECT_EQ(e.PSIMAX, (std::array<float, 2>{forty, forty}));
  EXPECT_EQ(e.DTHICK, (std::array<float, 4>{0.2f, 0.2f, 0.0f, 0.0f}));
  EXPECT_EQ(e.DMU, (std::array<float, 4>{2.025f, 2.025f, 0.0f, 0.0f}));
  EXPECT_EQ(e.GASKGIVEN, 1);
  EXPECT_EQ(e.GASKOPAQUE, 1);
  EXPECT_EQ(e.GASKETT, 100.0f);
  EXPECT_EQ(e.GASKETR, 150.0f);
  EXPECT_FLOAT_EQ(e.GASKETMU, -1.0f / 10000.0f);
  EXPECT_EQ(e.MINILLUM, 0.05f);
  EXPECT_TRUE(r.warnings().empty());

  auto check = [](const std::string& card, auto field, auto expected) {
    SCOPED_TRACE(card);
    ReadRun c(kCell + card + "\n");
    c.read();
    EXPECT_EQ(field(c.exp()), expected);
  };
  using F2 = std::array<float, 2>;
  using F4 = std::array<float, 4>;
  check("DAC OPEN 40 0.5", [](const ExperimentState& x) { return x.PSIMAX; }, F2{forty, forty});
  check("DAC OPEN 40 30", [](const ExperimentState& x) { return x.PSIMAX[1]; }, 30.0f * 0.7853982f / 45.0f);
  check("DAC ANVIL 0.2 1.5 0.25", [](const ExperimentState& x) { return x.DMU; }, F4{1.5f, 1.5f, 0, 0});
  check("DAC PLATE 0.3", [](const ExperimentState& x) { return x.DMU; }, F4{0, 0, 0.473f, 0.473f});
  check("DAC PLATE 0.3 0 0.4 0.6", [](const ExperimentState& x) { return x.DTHICK; }, F4{0, 0, 0.3f, 0.4f});
  check("DAC TYPE 7", [](const ExperimentState& x) { return x.DACTYPE; }, 0);
  check("DAC TYPE -1", [](const ExperimentState& x) { return x.DACTYPE; }, 0);
  check("DAC GASKET 50 80 300 0.05", [](const ExperimentState& x) { return x.GASKOPAQUE; }, 0);
  check("DAC ABSPSI CURVE 0.4", [](const ExperimentState& x) { return x.DACSUMMUT; }, F2{0.4f, 0.4f});
  check("DAC ABSPSI CURVE 0.4 0.5", [](const ExperimentState& x) { return x.NDACCURVE; }, -1);
}

TEST(DacCards, AbspsiTable) {
  ReadRun r(kCell +
            "DAC TYPE 5\ndac abspsi\n0 0.9 0.8\n10 0.85\n\n-5 0.5 0.5\n20, 0.8, 0.0005\n  END of table\n"
            "SCALE 2\n");
  r.read();
  const ExperimentState& e = r.exp();
  ASSERT_EQ(e.NDACCURVE, 3);
  EXPECT_EQ(e.DACCURVE[0], (std::array<float, 3>{0, 0.9f, 0.8f}));
  EXPECT_EQ(e.DACCURVE[1], (std::array<float, 3>{10, 0.85f, 0.85f}));
  EXPECT_EQ(e.DACCURVE[2], (std::array<float, 3>{20, 0.8f, 0.8f}));
  EXPECT_EQ(e.SCALE, 2.0f);  // reading goes on after the END line

  // A dropped line leaves its values in the slot the next line fills: an
  // anvil-2 value that the next line does not give is the dropped one's.
  ReadRun reuse(kCell + "DAC ABSPSI\n0 0.9 0.8\n-5 0.5 0.7\n10 0.85\nEND\n");
  reuse.read();
  ASSERT_EQ(reuse.exp().NDACCURVE, 2);
  EXPECT_EQ(reuse.exp().DACCURVE[1], (std::array<float, 3>{10, 0.85f, 0.7f}));

  std::string table = "DAC ABSPSI\n";
  for (int i = 0; i < 100; ++i) table += std::to_string(i) + " 0.9 0.9\n";
  ReadRun full(kCell + table + "-1 0.9 0.9\nEND\n");
  full.read();
  EXPECT_EQ(full.exp().NDACCURVE, 100);
  ReadRun over(kCell + table + "100 0.9 0.9\nEND\n");
  EXPECT_FATAL(over.read(), "TOO MANY POINTS IN DAC ABSPSI TABLE: LIMIT IS 100");
}

TEST(DacCards, FatalCardsAndChecks) {
  auto check = [](const std::string& cards, const std::string& message) {
    SCOPED_TRACE(cards);
    ReadRun r(kCell + cards);
    EXPECT_FATAL(r.read(), message);
  };
  check("DAC TYPE\n", kReadError + "DAC TYPE");
  check("DAC MUMEDIA\n", kReadError + "DAC MUMEDIA");
  check("DAC ANVIL 0.2 X\n", kReadError + "DAC ANVIL 0.2 X");
  check("DAC SIZE 3\n", "UNRECOGNISED LABEL ON A DAC CARD: DAC SIZE 3");
  check("DAC ABSPSI\n0 0.9 0.9\n10 X 0.9\nEND\n", kReadError + "10 X 0.9");
  check("DAC ABSPSI\n0 0.9 0.9\n10\nEND\n", kReadError + "10");
  check("DAC ABSPSI\n0 0.9 0.9\n", "END OF EXP FILE REACHED BEFORE THE END LINE OF THE DAC ABSPSI TABLE");
  check("DAC TYPE 5\nDAC ABSPSI\n-1 0.9 0.9\nEND\n", "DAC TYPE 5 SELECTED, BUT NO ABSPSI TRANSMISSION FUNCTION LOADED");
  check("DAC TYPE 5\n", "DAC TYPE 5 SELECTED, BUT NO ABSPSI TRANSMISSION FUNCTION LOADED");
  check("DAC TYPE 1\nDAC MUMEDIA 1.5\n", "PRESSURE MEDIUM ABSORPTION NEEDS A DAC GASKET CARD");
  check("DAC MUMEDIA 1.5\n", "PRESSURE MEDIUM ABSORPTION NEEDS A DAC GASKET CARD");
  check("KORVEX MODEL FILLED GASKET 3 3 3 0\n", "FILLED GASKET MODEL SELECTED, BUT NO DAC INFORMATION LOADED");
  check("DAC TYPE 1\nKORVEX MODEL FILLED GASKET 3 3 3 0\n",
        "FILLED GASKET MODEL SELECTED, BUT NO GASKET INFORMATION LOADED");
  check("KORVEX MODEL XYZCORNER 3 3 3 0\n", "NO CRYSTAL CORNERS LOADED FROM EXP FILE");
}

}  // namespace
}  // namespace korvex
