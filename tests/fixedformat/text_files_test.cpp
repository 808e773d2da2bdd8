// Records on their way to files: carriage control, plain records, lines in.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "files/file_error.hpp"
#include "fixedformat/text_files.hpp"
#include "support/test_support.hpp"

namespace ff = korvex::ff;

namespace {

// What a carriage-control writer leaves in its stream once closed.
std::string rendered(const std::vector<std::string>& records) {
  std::ostringstream out;
  ff::CarriageControlWriter w;
  w.attach(&out);
  w.records(records);
  w.close();
  return out.str();
}

}  // namespace

TEST(CarriageControl, RendersAsTheAsaUtilityDoes) {
  auto check = [](const std::vector<std::string>& records, const std::string& expected) {
    SCOPED_TRACE(::testing::PrintToString(records));
    EXPECT_EQ(rendered(records), expected);
  };
  check({" a", " b"}, "a\nb\n");
  check({" a", "0b"}, "a\n\nb\n");    // one empty line before
  check({" a", "1b"}, "a\n\fb\n");    // new page
  check({" a", "+b"}, "a\rb\n");      // over the previous line
  check({"1a"}, "\fa\n");             // first record of the file
  check({"0a"}, "\na\n");
  check({"+a"}, "a\n");               // nothing to print over yet
  check({"", " ", "xa"}, "\n\na\n");  // empty records and any other character: a new line
  check({" a", "$b", " c"}, "a\nbc\n");  // '$' leaves the line open for the next record
  check({"$a"}, "a");                  // and it stays open at the end
  check({}, "");
}

TEST(CarriageControl, EditListRecordsLoseTheirFirstCharacter) {
  std::ostringstream out;
  ff::CarriageControlWriter w;
  w.attach(&out);
  // A20 of asterisks shows 19 of them; 5X shows as four blanks.
  w.write(ff::EditList("(A20,/,5X,'X')"), {std::string(20, '*')});
  w.close();
  EXPECT_EQ(out.str(), std::string(19, '*') + "\n    X\n");
}

TEST(CarriageControl, AppendsToAnExistingFile) {
  korvex::test::TempDir dir;
  const auto path = dir / "run.prt";
  korvex::test::writeFile(path, "old\n");
  ff::CarriageControlWriter w;
  ASSERT_TRUE(w.open(path, true));
  w.record(" new");
  w.close();
  EXPECT_EQ(korvex::test::readFile(path), "old\nnew\n");
  // Replacing: the file changes only at commit; closed before, it stays.
  ASSERT_TRUE(w.open(path, false));
  w.record(" lost");
  w.close();
  EXPECT_EQ(korvex::test::readFile(path), "old\nnew\n");
  ASSERT_TRUE(w.open(path, false));
  w.record(" only");
  w.commit();
  EXPECT_EQ(korvex::test::readFile(path), "only\n");
  EXPECT_FALSE(w.open(dir.path(), true));  // a folder cannot be written
  EXPECT_FALSE(w.isOpen());
  w.record(" dropped");                    // a closed writer ignores records
}

TEST(PlainWriter, OneLinePerRecordAndRewind) {
  korvex::test::TempDir dir;
  const auto path = dir / "out.hkl";
  ff::PlainWriter w;
  ASSERT_TRUE(w.open(path));
  w.write(ff::EditList("(3I4)"), {1, 2, 3, 4});
  w.rewind();  // the data set starts again, e.g. after rescaling
  w.write(ff::EditList("(3I4)"), {1, 2, 3, 4});
  w.commit();
  EXPECT_EQ(korvex::test::readFile(path), "   1   2   3\n   4\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left
}

// Lines end at LF, CR LF or a lone CR, also where a read ends between the CR
// and the LF; a byte-order mark opens no line; a failed read is never the
// end of the file.
TEST(LineReader, LinesAsUsersWriteThemAndFailedReads) {
  const std::vector<std::string> want{"CELL 1", "TITLE", "", "last"};
  for (const std::string text : {"CELL 1\nTITLE\n\nlast", "CELL 1\r\nTITLE\r\n\r\nlast\r\n", "CELL 1\rTITLE\r\rlast\r",
                                 "\xEF\xBB\xBF" "CELL 1\nTITLE\r\n\rlast\n"})
    for (std::size_t piece : {1, 2, 7, 4096}) {
      SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(text) << " read " << piece << " at a time");
      ff::LineReader r;
      r.attach(std::make_unique<korvex::test::ScriptedSource>(text, piece));
      std::vector<std::string> lines;
      for (std::string line; r.readLine(line);) lines.push_back(line);
      EXPECT_EQ(lines, want);
      EXPECT_EQ(r.lineNumber(), 4);
      r.rewind();
      std::string first;
      ASSERT_TRUE(r.readLine(first));
      EXPECT_EQ(first, "CELL 1");  // the mark is skipped again
    }

  ff::LineReader r("INPUT DATA FILE");
  r.attach(std::make_unique<korvex::test::ScriptedSource>("1\n2\n", 1, true));
  std::string line;
  ASSERT_TRUE(r.readLine(line));
  ASSERT_TRUE(r.readLine(line));
  EXPECT_THROW(r.readLine(line), korvex::files::FileError);

  korvex::test::TempDir dir;
  EXPECT_FALSE(r.open(dir / "missing.exp"));
  EXPECT_EQ(r.openError(), "No such file or directory");
  EXPECT_FALSE(r.open(dir.path()));  // a folder is not a file to read
  EXPECT_FALSE(r.readLine(line));
}
