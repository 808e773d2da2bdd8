#include "fixedformat/edit_list.hpp"

#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace korvex::ff {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::vector<Item> parseLayout() {
    skipBlanks();
    expect('(');
    std::vector<Item> items = parseItems();
    expect(')');
    skipBlanks();
    if (pos_ != text_.size()) fail("text after the closing parenthesis");
    return items;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw LayoutError("malformed layout \"" + std::string(text_) + "\" at " + std::to_string(pos_) + ": " + what);
  }
  void skipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool at(char c) {
    skipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }
  void expect(char c) {
    if (!at(c)) fail(std::string("expected '") + c + "'");
    ++pos_;
  }
  int number() {
    skipBlanks();
    int value = 0;
    bool any = false;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > 100000) fail("number too large");
      ++pos_;
      any = true;
    }
    return any ? value : -1;
  }

  std::vector<Item> parseItems() {
    std::vector<Item> items;
    while (true) {
      skipBlanks();
      if (pos_ >= text_.size()) fail("missing ')'");
      const char c = text_[pos_];
      if (c == ')') break;
      if (c == ',') {
        ++pos_;
        continue;
      }
      if (c == '/') {
        ++pos_;
        Item it;
        it.kind = Item::Kind::Slash;
        items.push_back(it);
        continue;
      }
      if (c == '\'' || c == '"') {
        items.push_back(literal(c));
        continue;
      }
      int repeat = number();
      skipBlanks();
      if (pos_ >= text_.size()) fail("unexpected end");
      const char d = static_cast<char>(std::toupper(static_cast<unsigned char>(text_[pos_])));
      if (d == '(') {
        ++pos_;
        Item g;
        g.kind = Item::Kind::Group;
        g.repeat = repeat < 0 ? 1 : repeat;
        if (g.repeat < 1) fail("repeat count below 1");
        g.items = parseItems();
        expect(')');
        items.push_back(std::move(g));
        continue;
      }
      if (d == '\'' || d == '"') {
        // n'text': a repeated literal, as in 100('*') written without a group.
        Item lit = literal(text_[pos_]);
        for (int n = 0; n < (repeat < 0 ? 1 : repeat); ++n) items.push_back(lit);
        continue;
      }
      ++pos_;
      Item it{};
      switch (d) {
        case 'I': {
          it.kind = Item::Kind::Int;
          it.width = number();
          if (it.width < 1) fail("I needs a width");
          break;
        }
        case 'F': {
          it.kind = Item::Kind::Real;
          it.width = number();
          if (it.width < 1) fail("F needs a width");
          expect('.');
          it.decimals = number();
          if (it.decimals < 0) fail("F needs decimals");
          break;
        }
        case 'A': {
          it.kind = Item::Kind::Text;
          const int w = number();
          it.width = w < 0 ? 0 : w;
          break;
        }
        case 'X': {
          it.kind = Item::Kind::Skip;
          it.width = repeat < 0 ? 1 : repeat;
          items.push_back(it);
          continue;
        }
        default:
          fail(std::string("unknown edit descriptor '") + d + "'");
      }
      for (int n = 0; n < (repeat < 0 ? 1 : repeat); ++n) items.push_back(it);
    }
    return items;
  }

  Item literal(char quote) {
    ++pos_;
    Item it;
    it.kind = Item::Kind::Literal;
    while (true) {
      if (pos_ >= text_.size()) fail("unterminated literal");
      const char c = text_[pos_++];
      if (c == quote) {
        if (pos_ < text_.size() && text_[pos_] == quote) {
          it.literal += quote;
          ++pos_;
          continue;
        }
        break;
      }
      it.literal += c;
    }
    return it;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

struct Composer {
  std::span<const Value> values;
  std::size_t next = 0;
  std::vector<std::string> records;
  std::string current;
  // Length of `current` up to its last text or field: blanks of nX after it
  // only move the position and appear once something follows them.
  std::size_t written = 0;
  bool consumedInPass = false;

  // Returns false once the values have run out at a data item.
  bool run(const std::vector<Item>& items) {
    for (const Item& it : items) {
      switch (it.kind) {
        case Item::Kind::Slash:
          current.resize(written);
          records.push_back(std::move(current));
          current.clear();
          written = 0;
          break;
        case Item::Kind::Literal:
          current += it.literal;
          written = current.size();
          break;
        case Item::Kind::Skip:
          current.append(static_cast<std::size_t>(it.width), ' ');
          break;
        case Item::Kind::Group:
          for (int n = 0; n < it.repeat; ++n)
            if (!run(it.items)) return false;
          break;
        case Item::Kind::Int:
        case Item::Kind::Real:
        case Item::Kind::Text: {
          if (next >= values.size()) {
            current.resize(written);
            return false;
          }
          const Value& v = values[next++];
          consumedInPass = true;
          current += field(it, v);
          written = current.size();
          break;
        }
      }
    }
    return true;
  }

  static std::string field(const Item& it, const Value& v) {
    switch (it.kind) {
      case Item::Kind::Int:
        if (v.kind == Value::Kind::Int) return formatInt(v.i, it.width);
        if (v.kind == Value::Kind::Real) {
          // A real under I is taken by truncation; one that no integer holds
          // (NaN, infinity, beyond 64 bits) cannot be converted at all.
          if (!(std::fabs(v.r) < 9.2e18)) return std::string(static_cast<std::size_t>(it.width), '*');
          return formatInt(static_cast<long long>(v.r), it.width);
        }
        return std::string(static_cast<std::size_t>(it.width), '*');
      case Item::Kind::Real:
        if (v.kind == Value::Kind::Real) return formatReal(v.r, it.width, it.decimals);
        if (v.kind == Value::Kind::Int) return formatReal(static_cast<double>(v.i), it.width, it.decimals);
        return std::string(static_cast<std::size_t>(it.width), '*');
      case Item::Kind::Text:
        if (v.kind == Value::Kind::Text) return formatText(v.s, it.width);
        return std::string(static_cast<std::size_t>(it.width), '*');
      default:
        return {};
    }
  }
};

}  // namespace

EditList::EditList(std::string_view layout) : layout_(layout), items_(Parser(layout).parseLayout()) {}

std::vector<std::string> EditList::records(std::span<const Value> values) const {
  Composer c;
  c.values = values;
  // Reversion point: the last top-level group, or the whole layout.
  std::size_t reversion = 0;
  for (std::size_t n = 0; n < items_.size(); ++n)
    if (items_[n].kind == Item::Kind::Group) reversion = n;
  const std::vector<Item> tail(items_.begin() + static_cast<std::ptrdiff_t>(reversion), items_.end());

  bool more = c.run(items_);
  while (more && c.next < values.size()) {
    if (!c.consumedInPass) break;  // a layout without data items cannot take the values
    c.consumedInPass = false;
    c.current.resize(c.written);
    c.records.push_back(std::move(c.current));
    c.current.clear();
    c.written = 0;
    more = c.run(tail);
  }
  c.current.resize(c.written);
  c.records.push_back(std::move(c.current));
  return std::move(c.records);
}

std::string EditList::text(std::span<const Value> values) const {
  std::string out;
  for (const std::string& r : records(values)) out += r;
  return out;
}

std::string EditList::text(std::initializer_list<Value> values) const {
  return text(std::span<const Value>(values.begin(), values.size()));
}

std::string formatInt(long long value, int width) {
  const std::string s = std::to_string(value);
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

namespace {

// The significant bits of 5^d, d = 0..7.
constexpr int kFivePowerBits[8] = {1, 3, 5, 7, 10, 12, 14, 17};

// The fixed-point digits of a >= 0 with `decimals` decimals, correctly
// rounded from a's binary value, ties to even, as std::to_chars writes them:
// worked out in integers when a times 10^decimals is exact in a double (a
// value with at most 36 significant bits and at most 7 decimals, below
// 2^53), which is every float the program writes. Returns false otherwise.
bool exactFixedDigits(double a, int decimals, char* out, char*& end) {
  if (decimals < 0 || decimals > 7 || !(a < 9.0e15)) return false;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  const std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  if ((bits >> 52) == 0 && mantissa != 0) return false;  // subnormal
  const int significant = mantissa == 0 ? 1 : 53 - __builtin_ctzll(mantissa);
  if (significant + kFivePowerBits[decimals] > 53) return false;
  std::uint64_t scale = 1;
  for (int d = 0; d < decimals; ++d) scale *= 10;
  const double product = a * static_cast<double>(scale);  // exact
  if (!(product < 9.0e15)) return false;
  const auto n = static_cast<std::uint64_t>(std::nearbyint(product));
  end = std::to_chars(out, out + 32, n / scale).ptr;
  if (decimals > 0) {
    *end++ = '.';
    const std::uint64_t fraction = n % scale;
    char digits[8];
    char* f = std::to_chars(digits, digits + 8, fraction).ptr;
    const auto written = static_cast<int>(f - digits);
    for (int z = written; z < decimals; ++z) *end++ = '0';
    for (char* c = digits; c != f; ++c) *end++ = *c;
  }
  return true;
}

}  // namespace

std::string formatReal(double value, int width, int decimals) {
  const auto w = static_cast<std::size_t>(width);
  auto fit = [w](const std::string& s) {
    if (s.size() > w) return std::string(w, '*');
    return std::string(w - s.size(), ' ') + s;
  };
  if (std::isnan(value)) return fit("NaN");
  if (std::isinf(value)) {
    const bool neg = value < 0;
    std::string s = neg ? "-Infinity" : "Infinity";
    if (s.size() > w) s = neg ? "-Inf" : "Inf";
    return fit(s);
  }
  const bool negative = std::signbit(value);
  char buf[400];
  char* end = nullptr;
  if (!exactFixedDigits(std::fabs(value), decimals, buf, end)) {
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) return std::string(w, '*');
    end = res.ptr;
  }
  std::string digits(buf, end);
  if (decimals == 0) digits += '.';
  std::string s = (negative ? "-" : "") + digits;
  if (s.size() > w && digits.size() > 1 && digits[0] == '0' && digits[1] == '.') {
    // The optional leading zero goes only when the field has no room for it.
    s = (negative ? "-" : "") + digits.substr(1);
  }
  return fit(s);
}

std::string formatText(std::string_view text, int width) {
  if (width <= 0) return std::string(text);
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(0, w));
  return std::string(w - text.size(), ' ') + std::string(text);
}

std::string padded(std::string_view text, std::size_t n) {
  std::string s(text.substr(0, std::min(n, text.size())));
  s.resize(n, ' ');
  return s;
}

std::string_view trimRight(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

}  // namespace korvex::ff
