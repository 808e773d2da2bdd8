// The experiment file's general cards and the checks after its last card.
#include <gtest/gtest.h>

#include "experiment/reader_support.hpp"
#include "geometry/cell.hpp"
#include "run/run_sequence.hpp"

namespace korvex {
namespace {

using test::card80;
using test::kCell;
using test::kCubicUb;
using test::ReadRun;

const std::string kReadError = "  ERROR READING EXPERIMENT DATA FILE  STRING WAS: ";

TEST(GeneralCards, ResetValuesAndAFileOfComments) {
  ReadRun r("      comment in columns 7 on\n\n       WAVEL 1 1.54\n");
  r.run.exp.GRID = {5, 5, 5};
  r.run.exp.DELREJ = 0;
  EXPECT_FATAL(r.read(), "NO UNIT CELL OR UB IN EXP FILE");
  const ExperimentState& e = r.exp();
  EXPECT_EQ(e.BLAXES, (std::array<int, 3>{1, 2, 3}));
  EXPECT_EQ(e.PARITY, (std::array<int, 4>{1, 1, 1, 1}));
  EXPECT_FLOAT_EQ(e.WAVELENGTH, 0.7093f);
  EXPECT_EQ(e.SCALE, 1.0f);
  EXPECT_EQ(e.TTHMIN, 0.0f);
  EXPECT_EQ(e.TTHMAX, 180.0f);
  EXPECT_EQ(e.DELREJ, 1);
  EXPECT_EQ(e.GRID, (std::array<float, 3>{3, 3, 3}));
}

TEST(GeneralCards, CardsInLowerCaseTitleAsWritten) {
  // Beyond column 80 nothing is read.
  ReadRun r("title  Quartz, low" + std::string(62, ' ') + "X\nwavel 1 1.5418\nparity -1 1 1 -1\nscale 2.5\n" + kCell);
  r.read();
  EXPECT_EQ(r.exp().TITLE, card80(" Quartz, low"));
  EXPECT_FLOAT_EQ(r.exp().WAVELENGTH, 1.5418f);
  EXPECT_EQ(r.exp().PARITY, (std::array<int, 4>{-1, 1, 1, -1}));
  EXPECT_FLOAT_EQ(r.exp().SCALE, 2.5f);
}

TEST(GeneralCards, UblCardsAreDividedByALaterWavelength) {
  ReadRun r("UBL 0.2 0 0\nUBL 0 0.2 0\nUBL 0 0 0.2\nWAVEL 1 2.0\n");
  r.read();
  EXPECT_FLOAT_EQ(r.exp().UB[1][1], 0.1f);
  EXPECT_FLOAT_EQ(r.exp().CELLUB[0], 10.0f);
  EXPECT_NEAR(r.exp().CELLVOL, 1000.0f, 0.01f);
  EXPECT_EQ(r.exp().CELL[0], r.exp().CELLUB[0]);  // the cell taken from UB
}

TEST(GeneralCards, CellCardWithoutUb) {
  ReadRun r("CELL 5 6 7 90 90 120\n");
  r.run.exp.CELL[6] = 3.0f;  // the seventh slot keeps what it held
  r.read();
  EXPECT_NEAR(r.exp().CELLVOL, 181.865f, 0.01f);
  EXPECT_EQ(r.exp().CELL[6], 3.0f);
  EXPECT_EQ(r.exp().CELLGIVEN, 1);
  EXPECT_EQ(r.exp().NUB, 0);
}

TEST(GeneralCards, CellDiffersFromUbByMoreThanOnePercent) {
  auto check = [](const std::string& cell, std::size_t warnings) {
    SCOPED_TRACE(cell);
    ReadRun r(kCubicUb + cell);
    r.read();
    EXPECT_EQ(r.warnings().size(), warnings);
    EXPECT_NEAR(r.exp().CELLVOL, getCellVol({r.exp().CELL[0], r.exp().CELL[1], r.exp().CELL[2], r.exp().CELL[3], r.exp().CELL[4], r.exp().CELL[5]}, 0),
                0.01f);
  };
  check("CELL 10.05 10 10 90 90 90\n", 0);
  check("CELL 10.2 10 10 90 90 90\n", 1);
  check("CELL 10.2 10 9.8 90 90 91\n", 3);

  // Without a print file the box shows the whole message.
  ReadRun r(kCubicUb + "CELL 10.2 10 10 90 90 90 1040.5 1020\n");
  r.run.state.FILESET[1] = 0;
  r.read();
  ASSERT_EQ(r.warnings().size(), 1u);
  EXPECT_EQ(r.warnings()[0],
            "UNIT CELL IN EXP FILE DIFFERENT FROM CALCULATED FROM UB MATRIX:   FROM UB:"
            "   10.0000   10.0000   10.0000   90.0000   90.0000   90.0000  999.9998"
            "  FROM EXP:   10.2000   10.0000   10.0000   90.0000   90.0000   90.0000 1040.5000 ");
  EXPECT_EQ(r.exp().CELLVOL, 1020.0f);  // the volume on the card is the one used
}

TEST(GeneralCards, TwoThetaLimits) {
  auto check = [](const std::string& card, float tthmin, float tthmax) {
    SCOPED_TRACE(card);
    ReadRun r(kCell + card + "\n");
    r.read();
    EXPECT_FLOAT_EQ(r.exp().TTHMIN, tthmin);
    EXPECT_FLOAT_EQ(r.exp().TTHMAX, tthmax);
  };
  check("2THETA MIN 3.0 MAX 60.0", 3.0f, 60.0f);
  check("2THETA MAX 60.0 MIN 3.0", 3.0f, 60.0f);
  check("2theta max 60", 0.0f, 60.0f);
  check("2THETA MIN 4.0", 4.0f, 180.0f);
}

TEST(GeneralCards, CellCardHoldingContents) {
  ReadRun r("WAVEL 1 0.7093\nCELL 5 5 5 90 90 90 CONTENTS si o2 Z=3\n");
  r.read();
  EXPECT_EQ(r.exp().CELLVOL, 125.0f);
  EXPECT_EQ(r.exp().CONTGIVEN, 1);
  EXPECT_EQ(r.exp().CONTENTS, ff::padded(" SI O2 Z=3", 60));
  EXPECT_FLOAT_EQ(r.exp().ZFORM, 3.0f);
  EXPECT_EQ(r.exp().ELCOUNT[13], 1.0f);
  EXPECT_EQ(r.exp().ELCOUNT[7], 2.0f);
}

TEST(GeneralCards, FatalCards) {
  auto check = [](const std::string& file, const std::string& message) {
    SCOPED_TRACE(file);
    ReadRun r(file);
    EXPECT_FATAL(r.read(), message);
  };
  check(kCell + "WAVEL 0.71073\n", kReadError + "WAVEL 0.71073");
  check(kCell + "WAVEL 1 0\n", kReadError + "WAVEL 1 0");
  check(kCell + "BLAXES 1 2 X\n", kReadError + "BLAXES 1 2 X");
  check(kCell + "BLAXES 1 2\n", kReadError + "BLAXES 1 2");
  check(kCell + "PARITY 1 1 1\n", kReadError + "PARITY 1 1 1");
  check(kCell + "SCALE\n", kReadError + "SCALE");
  check(kCell + "2THETA MAX           60\n", kReadError + "2THETA MAX           60");
  check(kCell + "2THETA MIN 2 MAX SIXTY\n", kReadError + "2THETA MIN 2 MAX SIXTY");
  check("CELL 10 10 1O 90 90 90\n", kReadError + "CELL 10 10 1O 90 90 90");
  check("UB 0.1 0\nUB 0 0.1 0\nUB 0 0 0.1\n", kReadError + "UB 0.1 0");
  check(kCubicUb + "UB 0 0 0.1\n", "*****ERROR: TOO MANY UB LINES");
  check(kCell + "UB 0.1 0 0\nUB 0 0.1 0\n", "ERROR IN READ_HKL: ONLY PART OF UB MATRIX PRESENT");
  check("CELL 0 0 0 90 90 90\n", "NO UNIT CELL OR UB IN EXP FILE");
}

// Build Model with only the reader between the stages: the print file holds
// the warnings and the fatal message in the order they were raised.
TEST(GeneralCards, MessagesReachThePrintFileInOrder) {
  test::TestRun t;
  t.experimentFrom(kCubicUb + "CELL 10.5 10 10 90 90 90\nKORVEX MU 10\nKORVEX MODEL HKL 3 3 3 0\nDAC TYPE 1\n");
  RunStages stages;
  stages.writeHeader = [](korvex::Run&) {};
  stages.buildModel = [](korvex::Run&) {};
  runBuild(t.run, stages);
  // A warning stands right-aligned in its 100 columns, a fatal message is the
  // first 100 columns of the message.
  const std::string expected =
      "\n\n****WARNING:\n    "
      "UNIT CELL IN EXP FILE DIFFERENT FROM CALCULATED FROM UB MATRIX:   FROM UB:   10.0000   10.0000   10."
      "\n\n****PROGRAM WILL CONTINUE\n\n\n\n****FATAL ERROR:\n    " +
      ff::padded("NO CRYSTAL FACES LOADED FROM EXP FILE", 100) + "\n\n****PROGRAM WILL HALT\n\n";
  EXPECT_EQ(t.printText(), expected);
  EXPECT_EQ(t.run.state.HALTED, 1);
}

// Every non-blank line that no card test takes is kept with its number and
// its text as written; lines of a DAC table belong to their card. A tab is
// one blank, so a card keyed with a tab is read.
TEST(GeneralCards, LinesNotReadAsCardsAreKeptWithTheirNumbers) {
  ReadRun r("TITLE t\n"
            "WAVE 1 0.71\n"                   // 2: misspelt
            "WAVEL\t1 0.71073\n"              // 3: a tab after the keyword
            "\n   \t \n"                       // 4, 5: blank
            "   CELL 10 10 10 90 90 90\n"      // 6: shifted out of column 1
            "DAC TYPE 5\nDAC ABSPSI\n0 0.9 0.8\n10 0.85\nEND\n"  // the table takes 9-11
            "sacle 2\n"                        // 12
            "CELL 10 10 10 90 90 90\n"
            "CONTENTS C1\n"
            "2THETA MAX 100\n"
            "# a comment\n");                  // 16
  r.read();
  std::vector<std::pair<int, std::string>> unread;
  for (const UnreadLine& u : r.exp().unreadLines) unread.emplace_back(u.line, u.text);
  EXPECT_EQ(unread, (std::vector<std::pair<int, std::string>>{
                        {2, "WAVE 1 0.71"}, {6, "   CELL 10 10 10 90 90 90"}, {12, "sacle 2"}, {16, "# a comment"}}));
  EXPECT_FLOAT_EQ(r.exp().WAVELENGTH, 0.71073f);
  EXPECT_EQ(r.exp().DACTYPE, 5);
}

}  // namespace
}  // namespace korvex
