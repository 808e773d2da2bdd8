// Fatal errors, warnings and the status line during long work.
#include <gtest/gtest.h>

#include <string>

#include "run/controls.hpp"
#include "run/messages.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

// The records around a message as the print file shows them so far (the line
// end of the closing empty record is held until the next record or close).
const std::string kWarningHead = "\n\n****WARNING:\n";
const std::string kWarningTail = "\n\n****PROGRAM WILL CONTINUE\n";
const std::string kFatalHead = "\n\n****FATAL ERROR:\n";
const std::string kFatalTail = "\n\n****PROGRAM WILL HALT\n\n";  // the run is closed: all lines ended

TEST(Warning, PrintRecordAndBoxText) {
  auto check = [](const std::string& message, const std::string& shown) {
    SCOPED_TRACE("\"" + message + "\"");
    test::TestRun t;
    warning(t.run, message);
    // 5X and A100: the text stands right-aligned in the 100 columns after the
    // control character and four blanks.
    const std::string line = std::string(4 + 100 - shown.size(), ' ') + shown;
    EXPECT_EQ(t.printText(), kWarningHead + line + kWarningTail);
    EXPECT_EQ(t.dialog.warningBoxes, std::vector<std::string>{shown});
    EXPECT_EQ(t.run.state.HALTED, 0);
  };
  // L counts from 1, so the shown text ends with the first blank of the run:
  // 19 letters and that blank make 20 characters after 84 blanks (85 with the
  // control character), and the last letter stands in column 104.
  check(std::string(19, 'W'), std::string(19, 'W') + " ");
  check("FIRST PART    SECOND PART", "FIRST PART ");  // cut at the first run of four blanks
  check("TWO  AND THREE   BLANKS", "TWO  AND THREE   BLANKS ");
  check(std::string(150, 'L'), std::string(100, 'L'));  // at most 100 characters with a print file
  check(std::string(256, 'F'), "");                      // no run of four blanks: nothing is shown
  check(" KORVEX_GRID.LST file is locked,no output will be written to this file",
        " KORVEX_GRID.LST file is locked,no output will be written to this file ");
  test::TestRun t;
  warning(t.run, "ABC");
  const std::string record = t.printText().substr(kWarningHead.size());
  EXPECT_EQ(record.find_first_not_of(' '), 4u + 96u);  // 96 blanks after the control character and 5X
  EXPECT_EQ(record.find("ABC \n"), 100u);               // "ABC" ends in column 103 of the file
}

TEST(Warning, WithoutAPrintFileOnlyTheBox) {
  test::TestRun t;
  t.run.state.FILESET[1] = 0;
  warning(t.run, std::string(150, 'L'));
  EXPECT_EQ(t.printText(), "");
  EXPECT_EQ(t.dialog.warningBoxes, std::vector<std::string>{std::string(150, 'L') + " "});  // up to 256 in the box
}

TEST(FatalError, PrintRecordBoxAndTheEndOfTheRun) {
  test::TestRun t;
  const std::string message = std::string(120, 'M') + "  TAIL";
  reportFatal(t.run, FatalError(message));
  // The print file gets the first 100 characters; the box the message up to
  // its run of fourteen blanks, the first blank kept.
  EXPECT_EQ(t.printText(), kFatalHead + "    " + std::string(100, 'M') + kFatalTail);
  EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{message + " "});
  EXPECT_EQ(t.run.state.HALTED, 1);
  EXPECT_EQ(t.dialog.text[ctl::kStatus], "KORVEX HALTED");
  EXPECT_TRUE(t.run.state.ended);
  EXPECT_FALSE(t.run.files.print.isOpen());
  EXPECT_TRUE(t.dialog.enabled[ctl::kViewPrint]);
  EXPECT_TRUE(t.dialog.enabled[ctl::kExit]);
  EXPECT_FALSE(t.dialog.enabled[ctl::kReset]);
}

TEST(FatalError, WithoutAPrintFileStillHaltsAndCloses) {
  test::TestRun t;
  t.run.state.FILESET[1] = 0;
  reportFatal(t.run, FatalError("NO PRINT FILE"));
  EXPECT_EQ(t.printText(), "");
  EXPECT_EQ(t.dialog.fatalBoxes, std::vector<std::string>{"NO PRINT FILE "});
  EXPECT_EQ(t.run.state.HALTED, 1);
  EXPECT_TRUE(t.run.state.ended);
}

TEST(FatalError, MessageTextAndBoxCuts) {
  EXPECT_FATAL(error("SOME FAULT"), "SOME FAULT");
  try {
    error("X");
  } catch (const FatalError& e) {
    EXPECT_EQ(e.message(), std::string("X") + std::string(255, ' '));  // held as 256 characters
  }
  auto check = [](const std::string& message, std::size_t blanks, const std::string& shown) {
    SCOPED_TRACE("\"" + message + "\"");
    EXPECT_EQ(boxText(message, blanks), shown);
  };
  const std::string thirteen(13, ' '), fourteen(14, ' ');
  check("A" + thirteen + "B" + fourteen, 14, "A" + thirteen + "B ");
  check("A" + fourteen + "B" + fourteen, 14, "A ");
  check(std::string(20, 'Z'), 14, "");  // no such run: nothing
  check("WARN    X", 4, "WARN ");
}

TEST(ProcessIndicator, NumberShownFromTen) {
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    test::TestRun t;
    processIndicator(t.run, n);
    // The blank after the text and the number's four leading blanks make a
    // run of five, where the status text stops.
    EXPECT_EQ(t.dialog.text[ctl::kStatus], "PROCESSING REFLECTION");
    EXPECT_EQ(t.dialog.redraws, 1);
  }
  auto check = [](int n, const char* shown) {
    SCOPED_TRACE(n);
    test::TestRun t;
    processIndicator(t.run, n);
    EXPECT_EQ(t.dialog.text[ctl::kStatus], shown);
  };
  check(10, "PROCESSING REFLECTION    10");
  check(12345, "PROCESSING REFLECTION 12345");
  check(123456, "PROCESSING REFLECTION *****");
}

TEST(Wline, StopsBeforeTheFirstRunOfFiveBlanks) {
  auto check = [](const std::string& text, const std::string& shown) {
    SCOPED_TRACE("\"" + text + "\"");
    test::TestRun t;
    wline(t.run, text);
    EXPECT_EQ(t.dialog.text[ctl::kStatus], shown);
    EXPECT_EQ(t.dialog.redraws, 1);
  };
  check("READY    NOW", "READY    NOW");  // four blanks do not end it
  check("READY     NOW", "READY");
  check(std::string(80, 'X'), "");        // no run of five blanks in 80 characters
  check(std::string(90, 'X'), "");        // only 80 characters count
}

}  // namespace
}  // namespace korvex
