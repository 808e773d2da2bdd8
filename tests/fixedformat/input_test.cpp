// Reading card and record text: list-directed fields and fixed columns.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "fixedformat/input.hpp"

namespace ff = korvex::ff;
using ff::ReadStatus;

TEST(ListReader, SeparatorsNullsAndSlash) {
  struct Case {
    const char* text;
    ReadStatus status;
    int a, b, c;  // after reading three integers preset to 7, 8, 9
  };
  const Case cases[] = {
      {"1 2 3", ReadStatus::Ok, 1, 2, 3},
      {"1,2,3", ReadStatus::Ok, 1, 2, 3},
      {"  1 ,  2\t,3  ", ReadStatus::Ok, 1, 2, 3},  // blanks around a comma make one separator
      {"1,,3", ReadStatus::Ok, 1, 8, 3},            // an empty value keeps its contents
      {",2,", ReadStatus::EndOfText, 7, 2, 9},      // a leading comma is a null; then the text ends
      {"1,,,", ReadStatus::Ok, 1, 8, 9},
      {"1 / 5 6", ReadStatus::Ok, 1, 8, 9},         // a slash ends the list
      {"1,2/", ReadStatus::Ok, 1, 2, 9},
      {"/", ReadStatus::Ok, 7, 8, 9},
      {"3*4", ReadStatus::Ok, 4, 4, 4},             // repeat count
      {"2*,5", ReadStatus::Ok, 7, 8, 5},            // r* alone: r empty values
      {"2*6 -1", ReadStatus::Ok, 6, 6, -1},
      {"1 2", ReadStatus::EndOfText, 1, 2, 9},      // running out of text is not a bad value
      {"", ReadStatus::EndOfText, 7, 8, 9},
      {"1 x 3", ReadStatus::BadValue, 1, 8, 9},     // a bad token stops and keeps the target
      {"1 2.5 3", ReadStatus::BadValue, 1, 8, 9},   // not an integer
      {"1 0*5 3", ReadStatus::BadValue, 1, 8, 9},   // a repeat count must be positive
      {"1 -2*5", ReadStatus::BadValue, 1, 8, 9},
      {"+1 -0 3", ReadStatus::Ok, 1, 0, 3},
      {"99999999999", ReadStatus::BadValue, 7, 8, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    int a = 7, b = 8, d = 9;
    ff::ListReader r(c.text);
    EXPECT_EQ(r.readAll(a, b, d), c.status);
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(b, c.b);
    EXPECT_EQ(d, c.c);
  }
}

TEST(ListReader, RealForms) {
  auto check = [](const char* text, float expected) {
    SCOPED_TRACE(text);
    float v = -99.0f;
    EXPECT_EQ(ff::ListReader(text).read(v), ReadStatus::Ok);
    EXPECT_EQ(v, expected);
  };
  check("1.5", 1.5f);
  check("-.25", -0.25f);
  check("+3.", 3.0f);
  check("7", 7.0f);
  check("1.5E2", 150.0f);
  check("1.5e-1", 0.15f);
  check("2.5D1", 25.0f);
  check("2.5+1", 25.0f);  // a signed exponent without its letter
  check("0.017453292", 0.017453292f);
  check("1E-60", 0.0f);
  check("2*0.5", 0.5f);

  for (const char* bad : {".", "1.2.3", "1e", "e5", "abc", "NaN", "--1"}) {
    SCOPED_TRACE(bad);
    float v = -99.0f;
    EXPECT_EQ(ff::ListReader(bad).read(v), ReadStatus::BadValue);
    EXPECT_EQ(v, -99.0f);
  }
}

TEST(ListReader, ContinuesWhereTheLastReadStopped) {
  ff::ListReader r("  3 0.5, 2*1.25 / 9");
  int n = 0;
  float x = 0, y = 0, z = 0, w = -1;
  EXPECT_EQ(r.read(n), ReadStatus::Ok);
  EXPECT_EQ(r.readAll(x, y, z), ReadStatus::Ok);
  EXPECT_EQ(r.read(w), ReadStatus::Ok);  // after the slash: kept
  EXPECT_EQ(n, 3);
  EXPECT_EQ(x, 0.5f);
  EXPECT_EQ(y, 1.25f);
  EXPECT_EQ(z, 1.25f);
  EXPECT_EQ(w, -1.0f);

  double d = 0;
  EXPECT_EQ(ff::ListReader("0.1").read(d), ReadStatus::Ok);
  EXPECT_EQ(d, 0.1);  // double precision is read as such, not through a float
}

TEST(ReadFixed, IntegerAndRealColumns) {
  const ff::EditList layout("(3I4,F8.2,2X,F6.0)");
  // The record from its six fields, each given at its full width.
  auto record = [](std::initializer_list<std::string> fields) {
    const std::size_t widths[] = {4, 4, 4, 8, 2, 6};
    std::string r;
    std::size_t n = 0;
    for (const std::string& f : fields) {
      EXPECT_EQ(f.size(), widths[n++]) << "field \"" << f << "\"";
      r += f;
    }
    return r;
  };
  auto check = [&](const std::string& rec, ReadStatus status, int h, int k, int l, float a, float b) {
    SCOPED_TRACE("\"" + rec + "\"");
    int ih = -1, ik = -1, il = -1;
    float fa = -1, fb = -1;
    EXPECT_EQ(ff::readFixed(layout, rec, {&ih, &ik, &il, &fa, &fb}), status);
    if (status != ReadStatus::Ok) return;
    EXPECT_EQ(ih, h);
    EXPECT_EQ(ik, k);
    EXPECT_EQ(il, l);
    EXPECT_EQ(fa, a);
    EXPECT_EQ(fb, b);
  };
  const ReadStatus ok = ReadStatus::Ok, bad = ReadStatus::BadValue;
  check(record({"   1", "  -2", "   3", "   12345", "xx", "   250"}), ok, 1, -2, 3, 123.45f, 250.0f);  // implied
  check(record({"   1", "  -2", "   3", "   1.5  ", "xx", "   2.5"}), ok, 1, -2, 3, 1.5f, 2.5f);  // a point overrides
  check(record({"   1", "  -2", "   3", " 1.5E+02", "xx", " 1.5E2"}), ok, 1, -2, 3, 150.0f, 150.0f);
  check(record({"   1", "  -2", "   3", " 12345E1", "xx", "      "}), ok, 1, -2, 3, 1234.5f, 0.0f);  // scaled
  check(record({"    ", "    ", "    ", "        ", "  ", "      "}), ok, 0, 0, 0, 0.0f, 0.0f);  // blank is zero
  check("   1", ok, 1, 0, 0, 0.0f, 0.0f);                                                       // short record
  check(record({" 1 2", "-  3", "    ", "1 2 3 45", "xx", "    -7"}), ok, 12, -3, 0, 123.45f, -7.0f);  // blanks
  check(record({"   1", "  -2", "   3", "    -.05", "xx", "      "}), ok, 1, -2, 3, -0.05f, 0.0f);
  check(record({"   1", "  -x", "   3", "   12345", "xx", "   250"}), bad, 0, 0, 0, 0, 0);
  check(record({"   1", " 1.5", "   3", "   12345", "xx", "   250"}), bad, 0, 0, 0, 0, 0);  // point in an I field
  check(record({"   1", "  -2", "   3", "  12a45 ", "xx", "   250"}), bad, 0, 0, 0, 0, 0);
  check(record({"   1", "  -2", "   3", " 1.2.3  ", "xx", "   250"}), bad, 0, 0, 0, 0, 0);
}

TEST(ReadFixed, TextFieldsAndTargetKinds) {
  std::string a;
  int n = 0;
  EXPECT_EQ(ff::readFixed(ff::EditList("(A4,1X,I3)"), "ab", {&a, &n}), ReadStatus::Ok);
  EXPECT_EQ(a, "ab  ");  // cut or padded to the width
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ff::readFixed(ff::EditList("(A4,1X,I3)"), "abcd  12", {&a, &n}), ReadStatus::Ok);
  EXPECT_EQ(a, "abcd");
  EXPECT_EQ(n, 12);

  // Fewer targets than fields: the rest of the record is not read.
  int first = 0;
  EXPECT_EQ(ff::readFixed(ff::EditList("(2I2)"), " 5zz", {&first}), ReadStatus::Ok);
  EXPECT_EQ(first, 5);

  // A target of the wrong kind is refused, not converted.
  float f = 0;
  EXPECT_EQ(ff::readFixed(ff::EditList("(I3)"), "  1", {&f}), ReadStatus::BadValue);
  EXPECT_EQ(ff::readFixed(ff::EditList("(F5.1)"), "  1.0", {&n}), ReadStatus::BadValue);
}

TEST(ReadFixed, FieldParsersOnTheirOwn) {
  int i = -1;
  EXPECT_TRUE(ff::parseFixedInt("     ", i));
  EXPECT_EQ(i, 0);
  EXPECT_FALSE(ff::parseFixedInt("  - ", i));
  EXPECT_FALSE(ff::parseFixedInt("1e3", i));
  float v = -1;
  EXPECT_TRUE(ff::parseFixedReal("    5", 3, v));
  EXPECT_EQ(v, 0.005f);
  EXPECT_TRUE(ff::parseFixedReal("-1234", 2, v));
  EXPECT_EQ(v, -12.34f);
  EXPECT_TRUE(ff::parseFixedReal(" 1.E3", 2, v));
  EXPECT_EQ(v, 1000.0f);
  EXPECT_TRUE(ff::parseFixedReal("1E99", 0, v));  // beyond single precision
  EXPECT_EQ(v, std::numeric_limits<float>::infinity());
}
