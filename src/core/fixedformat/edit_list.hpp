// Fixed layouts written as FORTRAN-style edit lists, e.g. "(3I4,F8.4,F9.2,2F8.2)".
//
// A layout is parsed once into typed items and then applied to a list of
// values, producing whole records. Every writer and reader of the program's
// fixed layouts goes through this module, so field widths, rounding,
// asterisks on overflow and "values ran out" behave the same everywhere.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::ff {

// A value handed to an edit list: an integer, a real or a text.
// Reals are kept as double; a float converts to double exactly, so Fw.d
// rounds the float's exact binary value.
struct Value {
  enum class Kind { Int, Real, Text };
  Kind kind;
  long long i = 0;
  double r = 0.0;
  std::string s;

  Value(int v) : kind(Kind::Int), i(v) {}                      // NOLINT(google-explicit-constructor)
  Value(long v) : kind(Kind::Int), i(v) {}                     // NOLINT
  Value(long long v) : kind(Kind::Int), i(v) {}                // NOLINT
  Value(float v) : kind(Kind::Real), r(static_cast<double>(v)) {}  // NOLINT
  Value(double v) : kind(Kind::Real), r(v) {}                  // NOLINT
  Value(const char* v) : kind(Kind::Text), s(v) {}             // NOLINT
  Value(std::string v) : kind(Kind::Text), s(std::move(v)) {}  // NOLINT
  Value(std::string_view v) : kind(Kind::Text), s(v) {}        // NOLINT
};

// A layout that cannot be parsed: a fault in the program, reported with the
// layout text and the position.
class LayoutError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// One item of a parsed edit list.
struct Item {
  enum class Kind { Int, Real, Text, Skip, Literal, Slash, Group };
  Kind kind = Kind::Literal;
  int width = 0;     // Iw, Fw.d, Aw (0 for A without width), nX
  int decimals = 0;  // Fw.d
  std::string literal;
  int repeat = 1;            // for Group
  std::vector<Item> items;   // for Group
};

class EditList {
 public:
  // Parses the layout; throws LayoutError when it is malformed.
  explicit EditList(std::string_view layout);

  // Applies the layout to the values and returns the records composed.
  // Each "/" ends a record; the end of the layout ends the last one. When
  // the values run out, output stops at the next item that needs a value.
  // When values remain at the end of the layout, a new record starts and
  // the layout is taken up again at its last top-level group (format
  // reversion), or at its start when it has none.
  std::vector<std::string> records(std::span<const Value> values) const;
  std::vector<std::string> records(std::initializer_list<Value> values) const {
    return records(std::span<const Value>(values.begin(), values.size()));
  }

  // The same, as one text: the records one after another. Used where a
  // layout fills a message buffer.
  std::string text(std::initializer_list<Value> values) const;
  std::string text(std::span<const Value> values) const;

  const std::vector<Item>& items() const { return items_; }
  const std::string& layout() const { return layout_; }

 private:
  std::string layout_;
  std::vector<Item> items_;
};

// Single-field formatting, the building blocks of EditList.
std::string formatInt(long long value, int width);
std::string formatReal(double value, int width, int decimals);
std::string formatText(std::string_view text, int width);  // width 0: the whole text

// A text cut or blank-padded to exactly n characters (a FORTRAN CHARACTER*n).
std::string padded(std::string_view text, std::size_t n);
// The text without its trailing blanks.
std::string_view trimRight(std::string_view text);

}  // namespace korvex::ff
