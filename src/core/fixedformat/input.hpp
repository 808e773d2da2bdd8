// Reading numbers from card and record text: free-format (list-directed)
// fields of the experiment file, and the fixed columns of the reflection
// formats.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "fixedformat/edit_list.hpp"

namespace korvex::ff {

enum class ReadStatus {
  Ok,         // every requested value was read (or kept, for nulls and after a slash)
  EndOfText,  // the text ran out before a requested value
  BadValue,   // a token that is not a number of the wanted kind
};

// List-directed reading from a text: values separated by blanks or commas; a
// slash ends the list; an empty value (two commas) and every value after a
// slash keep their previous contents; "r*value" repeats a value r times and
// "r*" stands for r empty values. Values are read in order by successive
// calls; each call continues where the previous one stopped.
class ListReader {
 public:
  explicit ListReader(std::string_view text) : text_(text) {}

  ReadStatus read(int& value);
  ReadStatus read(float& value);
  ReadStatus read(double& value);

  // Reads several values in order; stops at the first that is not Ok and
  // returns its status (values read before it keep what was read).
  template <typename... T>
  ReadStatus readAll(T&... values) {
    ReadStatus status = ReadStatus::Ok;
    ((status == ReadStatus::Ok ? (status = read(values), 0) : 0), ...);
    return status;
  }

 private:
  enum class TokenKind { Value, Null, End };
  TokenKind next(std::string& token);
  template <typename T, typename Parse>
  ReadStatus readValue(T& value, Parse parse);

  std::string_view text_;
  std::size_t pos_ = 0;
  bool slashSeen_ = false;
  bool afterValue_ = false;
  int repeatLeft_ = 0;
  std::string repeatToken_;  // empty: the repeated item is null
};

// Parsing one token as FORTRAN list-directed input would (no blanks inside).
bool parseListInt(std::string_view token, int& value);
bool parseListReal(std::string_view token, double& value);
bool parseListReal(std::string_view token, float& value);

// Fixed-column reading of one record through an edit list of Iw, Fw.d, Aw,
// nX (and "/" is not allowed). A short record is padded with blanks; a blank
// field reads as zero; blanks inside a numeric field are ignored; a real
// field without a decimal point has the edit list's number of implied
// decimals, and an explicit point or an exponent overrides them.
using Target = std::variant<int*, float*, std::string*>;
ReadStatus readFixed(const EditList& layout, std::string_view record,
                     std::initializer_list<Target> targets);

bool parseFixedInt(std::string_view field, int& value);
bool parseFixedReal(std::string_view field, int decimals, float& value);

}  // namespace korvex::ff
