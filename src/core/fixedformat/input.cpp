#include "fixedformat/input.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvex::ff {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a FORTRAN real "[sign]mantissa[exponent]" into a normalised text
// that from_chars reads: the exponent letter may be E, D or Q (or absent
// before a signed exponent). impliedDecimals applies when the mantissa has
// no point. Infinity is accepted; NaN is not (it has no place in a data set).
bool normaliseReal(std::string_view t, int impliedDecimals, std::string& out, bool& infinite, bool& negative) {
  infinite = false;
  negative = false;
  std::size_t p = 0;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    negative = t[p] == '-';
    ++p;
  }
  std::string rest;
  for (std::size_t q = p; q < t.size(); ++q) rest += static_cast<char>(std::toupper(static_cast<unsigned char>(t[q])));
  if (rest == "INF" || rest == "INFINITY") {
    infinite = true;
    return true;
  }
  std::string mant;
  bool point = false;
  int digitsAfterPoint = 0;
  bool anyDigit = false;
  while (p < t.size()) {
    const char c = t[p];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      mant += c;
      anyDigit = true;
      if (point) ++digitsAfterPoint;
    } else if (c == '.') {
      if (point) return false;
      point = true;
    } else {
      break;
    }
    ++p;
  }
  if (!anyDigit) return false;
  long exponent = 0;
  if (p < t.size()) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[p])));
    if (c == 'E' || c == 'D' || c == 'Q') {
      ++p;
    } else if (c != '+' && c != '-') {
      return false;
    }
    bool expNeg = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
      expNeg = t[p] == '-';
      ++p;
    }
    if (p >= t.size()) return false;
    while (p < t.size()) {
      if (!std::isdigit(static_cast<unsigned char>(t[p]))) return false;
      exponent = exponent * 10 + (t[p] - '0');
      if (exponent > 100000) exponent = 100000;
      ++p;
    }
    if (expNeg) exponent = -exponent;
  }
  if (p != t.size()) return false;
  const long scale = point ? -digitsAfterPoint : -impliedDecimals;
  out = mant + "e" + std::to_string(exponent + scale);
  return true;
}

template <typename T>
bool toReal(std::string_view token, int impliedDecimals, T& value) {
  std::string norm;
  bool infinite = false, negative = false;
  if (!normaliseReal(token, impliedDecimals, norm, infinite, negative)) return false;
  T v{};
  if (infinite) {
    v = std::numeric_limits<T>::infinity();
  } else {
    auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (res.ptr != norm.data() + norm.size()) return false;
    if (res.ec == std::errc::result_out_of_range) {
      // Too large: infinity; too small: zero, as the conversion would round.
      const bool huge = norm.find("e-") == std::string::npos;
      v = huge ? std::numeric_limits<T>::infinity() : T(0);
    } else if (res.ec != std::errc()) {
      return false;
    }
  }
  value = negative ? -v : v;
  return true;
}

bool toInt(std::string_view t, int& value) {
  std::size_t p = 0;
  bool neg = false;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    neg = t[p] == '-';
    ++p;
  }
  if (p >= t.size()) return false;
  long long v = 0;
  for (; p < t.size(); ++p) {
    if (!std::isdigit(static_cast<unsigned char>(t[p]))) return false;
    v = v * 10 + (t[p] - '0');
    if (v > std::numeric_limits<int>::max()) return false;
  }
  value = static_cast<int>(neg ? -v : v);
  return true;
}

}  // namespace

bool parseListInt(std::string_view token, int& value) { return toInt(token, value); }
bool parseListReal(std::string_view token, double& value) { return toReal(token, 0, value); }
bool parseListReal(std::string_view token, float& value) { return toReal(token, 0, value); }

ListReader::TokenKind ListReader::next(std::string& token) {
  if (repeatLeft_ > 0) {
    --repeatLeft_;
    token = repeatToken_;
    return token.empty() ? TokenKind::Null : TokenKind::Value;
  }
  while (true) {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return TokenKind::End;
    const char c = text_[pos_];
    if (c == '/') {
      slashSeen_ = true;
      return TokenKind::End;
    }
    if (c == ',') {
      ++pos_;
      if (afterValue_) {
        afterValue_ = false;
        continue;  // the comma that ends the previous value
      }
      return TokenKind::Null;
    }
    std::size_t end = pos_;
    while (end < text_.size() && !isBlank(text_[end]) && text_[end] != ',' && text_[end] != '/') ++end;
    std::string_view t = text_.substr(pos_, end - pos_);
    pos_ = end;
    afterValue_ = true;
    const std::size_t star = t.find('*');
    if (star != std::string_view::npos) {
      int r = 0;
      if (star == 0 || !toInt(t.substr(0, star), r) || r < 1 || t[0] == '+' || t[0] == '-') {
        token = std::string(t);  // not a repeat count: let the caller reject it
        return TokenKind::Value;
      }
      repeatToken_ = std::string(t.substr(star + 1));
      repeatLeft_ = r - 1;
      token = repeatToken_;
      return token.empty() ? TokenKind::Null : TokenKind::Value;
    }
    token = std::string(t);
    return TokenKind::Value;
  }
}

template <typename T, typename Parse>
ReadStatus ListReader::readValue(T& value, Parse parse) {
  if (slashSeen_) return ReadStatus::Ok;
  std::string token;
  switch (next(token)) {
    case TokenKind::End:
      return slashSeen_ ? ReadStatus::Ok : ReadStatus::EndOfText;
    case TokenKind::Null:
      return ReadStatus::Ok;
    case TokenKind::Value:
      break;
  }
  T v{};
  if (!parse(token, v)) return ReadStatus::BadValue;
  value = v;
  return ReadStatus::Ok;
}

ReadStatus ListReader::read(int& value) { return readValue(value, [](std::string_view t, int& v) { return toInt(t, v); }); }
ReadStatus ListReader::read(float& value) {
  return readValue(value, [](std::string_view t, float& v) { return toReal(t, 0, v); });
}
ReadStatus ListReader::read(double& value) {
  return readValue(value, [](std::string_view t, double& v) { return toReal(t, 0, v); });
}

bool parseFixedInt(std::string_view field, int& value) {
  std::string t;
  for (char c : field)
    if (!isBlank(c)) t += c;
  if (t.empty()) {
    value = 0;
    return true;
  }
  return toInt(t, value);
}

bool parseFixedReal(std::string_view field, int decimals, float& value) {
  std::string t;
  for (char c : field)
    if (!isBlank(c)) t += c;
  if (t.empty()) {
    value = 0.0f;
    return true;
  }
  return toReal(t, decimals, value);
}

namespace {

struct FixedReader {
  std::string_view record;
  std::size_t pos = 0;
  const Target* target;
  const Target* end;

  std::string_view take(int width) {
    const auto w = static_cast<std::size_t>(width);
    std::string_view f = pos < record.size() ? record.substr(pos, w) : std::string_view{};
    pos += w;
    return f;  // shorter than w when the record is short: the rest reads as blanks
  }

  // Returns Ok, BadValue, or EndOfText when the targets are used up.
  ReadStatus run(const std::vector<Item>& items) {
    for (const Item& it : items) {
      switch (it.kind) {
        case Item::Kind::Skip:
          pos += static_cast<std::size_t>(it.width);
          break;
        case Item::Kind::Literal:
          pos += it.literal.size();
          break;
        case Item::Kind::Slash:
          return ReadStatus::BadValue;
        case Item::Kind::Group:
          for (int n = 0; n < it.repeat; ++n) {
            const ReadStatus s = run(it.items);
            if (s != ReadStatus::Ok) return s;
          }
          break;
        case Item::Kind::Int:
        case Item::Kind::Real:
        case Item::Kind::Text: {
          if (target == end) return ReadStatus::EndOfText;
          const std::string_view f = take(it.width);
          bool ok = true;
          if (it.kind == Item::Kind::Int) {
            if (auto p = std::get_if<int*>(target)) ok = parseFixedInt(f, **p);
            else ok = false;
          } else if (it.kind == Item::Kind::Real) {
            if (auto p = std::get_if<float*>(target)) ok = parseFixedReal(f, it.decimals, **p);
            else ok = false;
          } else {
            if (auto p = std::get_if<std::string*>(target)) **p = padded(f, static_cast<std::size_t>(it.width));
            else ok = false;
          }
          if (!ok) return ReadStatus::BadValue;
          ++target;
          break;
        }
      }
    }
    return ReadStatus::Ok;
  }
};

}  // namespace

ReadStatus readFixed(const EditList& layout, std::string_view record, std::initializer_list<Target> targets) {
  FixedReader r{record, 0, targets.begin(), targets.end()};
  const ReadStatus s = r.run(layout.items());
  if (s == ReadStatus::EndOfText) return ReadStatus::Ok;  // every target was filled
  return s;
}

}  // namespace korvex::ff
