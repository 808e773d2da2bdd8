// Output through edit lists: single fields and whole records.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"

namespace ff = korvex::ff;
using Records = std::vector<std::string>;

TEST(FormatReal, RoundsTheExactBinaryValue) {
  auto check = [](float v, int w, int d, const char* expected) {
    SCOPED_TRACE(std::to_string(v) + " F" + std::to_string(w) + "." + std::to_string(d));
    EXPECT_EQ(ff::formatReal(v, w, d), expected);
  };
  // Decimal "halves" that lie below or above in binary.
  check(2.675f, 5, 2, " 2.67");    // 2.67499995...
  check(1.005f, 5, 2, " 1.00");    // 1.00499999...
  check(0.045f, 5, 2, " 0.05");    // 0.04500000178...
  check(0.0145f, 6, 3, " 0.014");  // 0.01449999958...
  check(8.345f, 5, 2, " 8.35");    // 8.34500026...
  check(-2.675f, 6, 2, " -2.67");
  check(0.99999f, 5, 2, " 1.00");  // the carry reaches the units
  check(9.9999f, 5, 2, "10.00");
  check(123.456f, 8, 3, " 123.456");
  check(1.0e-7f, 8, 3, "   0.000");
}

TEST(FormatReal, LeadingZeroSignAndOverflow) {
  auto check = [](float v, int w, int d, const char* expected) {
    SCOPED_TRACE(std::to_string(v) + " F" + std::to_string(w) + "." + std::to_string(d));
    EXPECT_EQ(ff::formatReal(v, w, d), expected);
  };
  check(0.5f, 5, 3, "0.500");  // room for the optional zero
  check(0.5f, 4, 3, ".500");   // no room: it goes
  check(0.5f, 3, 3, "***");
  check(-0.5f, 6, 3, "-0.500");
  check(-0.5f, 5, 3, "-.500");
  check(-0.5f, 4, 3, "****");
  check(0.0f, 4, 3, ".000");
  check(-0.001f, 6, 2, " -0.00");  // rounds to zero, keeps its sign
  check(-0.004f, 4, 2, "-.00");
  check(12345679.0f, 9, 0, "12345679.");  // Fw.0 keeps the point
  check(12345679.0f, 8, 0, "********");
  check(-3.4f, 4, 0, " -3.");
  check(0.4f, 3, 0, " 0.");
  check(12345.6f, 6, 2, "******");
  check(999.996f, 6, 2, "******");  // rounding carries it past the field
  check(999.994f, 6, 2, "999.99");
  check(1.0e30f, 10, 2, "**********");
}

TEST(FormatReal, NonFiniteValuesStayInTheirField) {
  EXPECT_EQ(ff::formatReal(std::numeric_limits<double>::quiet_NaN(), 8, 3), "     NaN");
  EXPECT_EQ(ff::formatReal(std::numeric_limits<double>::infinity(), 10, 2), "  Infinity");
  EXPECT_EQ(ff::formatReal(-std::numeric_limits<double>::infinity(), 6, 2), "  -Inf");
  EXPECT_EQ(ff::formatReal(std::numeric_limits<double>::infinity(), 2, 0), "**");
}

TEST(FormatIntAndText, WidthsAsterisksCutAndPadding) {
  EXPECT_EQ(ff::formatInt(-12, 3), "-12");
  EXPECT_EQ(ff::formatInt(-123, 3), "***");
  EXPECT_EQ(ff::formatInt(0, 1), "0");
  EXPECT_EQ(ff::formatInt(100000, 5), "*****");
  EXPECT_EQ(ff::formatText("AB", 4), "  AB");      // a shorter text is right-aligned
  EXPECT_EQ(ff::formatText("ABCDEF", 4), "ABCD");  // a longer one cut to its start
  EXPECT_EQ(ff::formatText("ABCD", 4), "ABCD");
  EXPECT_EQ(ff::formatText(" x ", 0), " x ");      // A without width: the whole text
  EXPECT_EQ(ff::padded("ab", 4), "ab  ");
  EXPECT_EQ(ff::padded("abcdef", 4), "abcd");
  EXPECT_EQ(ff::trimRight("ab  "), "ab");
  EXPECT_EQ(ff::trimRight("    "), "");
}

TEST(EditList, ComposesRecords) {
  auto check = [](const char* layout, std::initializer_list<ff::Value> values, const Records& expected) {
    SCOPED_TRACE(layout);
    EXPECT_EQ(ff::EditList(layout).records(values), expected);
  };
  check("(3I4,F8.3,1X,A3)", {1, -2, 3, 0.5f, "NEW"}, {"   1  -2   3   0.500 NEW"});
  // Slashes: "(/,A,/)" gives an empty record, the text, an empty record.
  check("(/,A,/)", {"x"}, {"", "x", ""});
  check("(/,/,'*****FATAL ERROR:',/,5X,A10,/,/,'*****PROGRAM WILL HALT',/)", {"MSG"},
        {"", "", "*****FATAL ERROR:", "            MSG", "", "*****PROGRAM WILL HALT", ""});
  // Repeated groups and repeated descriptors.
  check("(2(I2,'|'),2X,2A2)", {1, 2, "a", "bcd"}, {" 1| 2|   abc"});
  check("(' [',3(F5.1),']')", {1.0f, 2.26f, -3.0f}, {" [  1.0  2.3 -3.0]"});
  check("(3'ab')", {}, {"ababab"});
  check("('it''s')", {}, {"it's"});
  check("(5X,'INPUT DATA FILE: ',A4)", {"fo.int    "}, {"     INPUT DATA FILE: fo.i"});
}

TEST(EditList, StopsAtTheFirstItemWithoutAValue) {
  auto check = [](const char* layout, std::initializer_list<ff::Value> values, const Records& expected) {
    SCOPED_TRACE(layout);
    EXPECT_EQ(ff::EditList(layout).records(values), expected);
  };
  // Literals before the field that lacks a value are written; nX only moves
  // the position, so its blanks appear only when something follows them.
  check("(I3,' X=',I3,' Y=',I3)", {1}, {"  1 X="});
  check("(I2,2X,I2)", {1}, {" 1"});
  check("(A,5X,/,3X,A,2X)", {"a", "b"}, {"a", "   b"});
  check("(9(3X,I2,' &',I2,','))", {1, 2, 3, 4}, {"    1 & 2,    3 & 4,"});
  check("(I2,2(' a',I2))", {1, 2}, {" 1 a 2 a"});
  check("(I2,/,' next',I2)", {1}, {" 1", " next"});
  check("('PROCESSING REFLECTION ',I5)", {}, {"PROCESSING REFLECTION "});
  check("('HEADING')", {}, {"HEADING"});
}

TEST(EditList, ReversionStartsANewRecordAtTheLastGroup) {
  auto check = [](const char* layout, std::initializer_list<ff::Value> values, const Records& expected) {
    SCOPED_TRACE(layout);
    EXPECT_EQ(ff::EditList(layout).records(values), expected);
  };
  check("(I2,/,2(I3))", {1, 2, 3, 4, 5}, {" 1", "  2  3", "  4  5"});
  check("(' V',2I3)", {1, 2, 3}, {" V  1  2", " V  3"});  // no group: the whole layout again
  check("(5X,A3,3I2)", {"ALL", 1, 2, 3, 4}, {"     ALL 1 2 3", "     ***"});  // 4 under A3
  // Values that no data item can take are left over rather than looping.
  check("('ONLY TEXT')", {1}, {"ONLY TEXT"});
}

TEST(EditList, MismatchedValuesFillTheFieldWithAsterisks) {
  const ff::EditList l("(I4,F6.1,A3)");
  EXPECT_EQ(l.records({2.7f, 3, 1}), Records{"   2   3.0***"});
  EXPECT_EQ(l.records({std::numeric_limits<float>::quiet_NaN(), 1.0f, "a"}), Records{"****   1.0  a"});
  EXPECT_EQ(l.records({"x", "y", "abc"}), Records{"**********abc"});
}

TEST(EditList, MalformedLayoutsAreRejectedWhenParsed) {
  for (const char* bad : {"I4", "(I)", "(F8)", "(F8.)", "(Q4)", "(I4", "('open)", "(I4))", "(0(I2))"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ff::EditList{bad}, ff::LayoutError);
  }
}

TEST(FormatReal, WorkedOutInIntegersAsTheLibraryWritesIt) {
  // Floats of every size written with 0 to 9 decimals, exact decimal ties
  // among them, against std::to_chars of the same binary value (the
  // integer road serves floats up to 7 decimals; the library the rest).
  std::vector<double> values = {0.0, 0.5, 1.5, 2.5, 0.125, 0.375, 1.0e15, 8.9e15, 123456789.0};
  std::uint32_t u = 12345;
  for (int n = 0; n < 40000; ++n) {
    u = u * 1664525u + 1013904223u;
    const float magnitude = std::ldexp(1.0f, static_cast<int>(u >> 27) - 12);  // 2^-12 to 2^19
    values.push_back(static_cast<double>(magnitude * static_cast<float>(u & 0xffffff) / 16777216.0f));
    values.push_back(static_cast<double>(static_cast<int>(u % 20000)) / 8.0);  // ties at 1 to 3 decimals
  }
  for (double v : values)
    for (int d = 0; d <= 9; ++d) {
      char buf[400];
      const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
      std::string want(buf, res.ptr);
      if (d == 0) want += '.';
      ASSERT_EQ(ff::formatReal(v, 40, d), std::string(40 - want.size(), ' ') + want) << v << " decimals " << d;
    }
}
