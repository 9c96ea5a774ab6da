#include "driver/option_values.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "common/errors.h"
#include "common/number_text.h"

namespace ornaplex {

namespace {

// A number written in decimal: value = (negative ? -1 : 1) * digits * 10^shift, with digits
// free of leading and trailing zeros (empty for zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  std::int64_t shift = 0;
};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// [+-] digits [. digits] [(e|E) [+-] digits], at least one mantissa digit, nothing else.
std::optional<Decimal> scanDecimal(std::string_view s) {
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
  std::size_t mantissaDigits = 0;
  std::int64_t fractionDigits = 0;
  for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) d.digits += s[i];
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits, ++fractionDigits)
      d.digits += s[i];
  }
  if (mantissaDigits == 0) return std::nullopt;
  std::int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    if (i == s.size() || !isDigit(s[i])) return std::nullopt;
    for (; i < s.size() && isDigit(s[i]); ++i)  // saturates far beyond any number's digits
      exponent = std::min<std::int64_t>(exponent * 10 + (s[i] - '0'), 1'000'000'000);
    if (negativeExponent) exponent = -exponent;
  }
  if (i != s.size()) return std::nullopt;
  d.shift = exponent - fractionDigits;
  const std::size_t lead = d.digits.find_first_not_of('0');
  d.digits.erase(0, lead == std::string::npos ? d.digits.size() : lead);
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.shift;
  }
  if (d.digits.empty()) d.shift = 0;
  return d;
}

bool looksHexadecimal(std::string_view s) {
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
  return s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
}

// The decimal scan of text, refusing hexadecimal with its own message; none when text is no
// number at all (the caller says what it takes).
std::optional<Decimal> scanDecimalOnly(const std::string& head, std::string_view text) {
  if (looksHexadecimal(text))
    throw UsageError(head +
                     "not a decimal number (values are read in decimal only, 0x is not taken "
                     "as hexadecimal) write the value in decimal digits");
  return scanDecimal(text);
}

std::string lower(std::string_view s) {
  std::string l(s);
  for (char& c : l) c = char(std::tolower(static_cast<unsigned char>(c)));
  return l;
}

std::string_view withoutDashes(std::string_view s) {
  while (!s.empty() && s.front() == '-') s.remove_prefix(1);
  return s;
}

// Edits (insert, delete, replace, swap of neighbours) that turn a into b.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

}  // namespace

std::string shellWord(std::string_view text) {
  constexpr std::string_view kPlain =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.,:/=+@%";
  if (!text.empty() && text.find_first_not_of(kPlain) == std::string_view::npos)
    return std::string(text);
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string typedValue(std::string_view text) {
  if (!text.empty() && text.find_first_of(" \t") == std::string_view::npos)
    return std::string(text);
  return "'" + std::string(text) + "'";
}

std::int64_t readWholeNumber(std::string_view option, std::string_view text, std::int64_t min,
                             std::int64_t max, std::string_view unit) {
  const std::string head = std::string(option) + " " + typedValue(text) + ": ";
  const std::string takes = "(" + std::string(option) + " takes a whole number" +
                            (unit.empty() ? "" : " of " + std::string(unit)) + " from " +
                            std::to_string(min) + " to " + std::to_string(max);
  if (text.empty())
    throw UsageError(head + "an empty value " + takes + ") give a value in that range");
  const std::optional<Decimal> d = scanDecimalOnly(head, text);
  if (!d)
    throw UsageError(head + "not a number " + takes +
                     ", in decimal digits or exponent notation such as 1e6) give a value in "
                     "that range");
  if (d->shift < 0)
    throw UsageError(head + "not a whole number " + takes + ") give a whole number");

  // The magnitude, or none when it does not fit in 64 bits.
  std::optional<std::uint64_t> magnitude = 0;
  if (d->digits.size() + std::uint64_t(d->shift) > 20) magnitude.reset();
  for (std::size_t k = 0; magnitude && k < d->digits.size() + std::size_t(d->shift); ++k) {
    const unsigned digit = k < d->digits.size() ? unsigned(d->digits[k] - '0') : 0u;
    std::uint64_t next;
    if (__builtin_mul_overflow(*magnitude, 10u, &next) ||
        __builtin_add_overflow(next, digit, &next))
      magnitude.reset();
    else
      magnitude = next;
  }
  const auto tooLarge = [&] {
    return UsageError(head + "too large " + takes + ") give at most " + std::to_string(max));
  };
  const auto tooSmall = [&] {
    return UsageError(head + "too small " + takes + ") give at least " + std::to_string(min));
  };
  if (!magnitude) throw d->negative ? tooSmall() : tooLarge();
  const __int128 value = d->negative ? -__int128(*magnitude) : __int128(*magnitude);
  if (value > max) throw tooLarge();
  if (value < min) throw tooSmall();
  return std::int64_t(value);
}

double readRealNumber(std::string_view option, std::string_view text, std::string_view what) {
  const std::string head = std::string(option) + " " + typedValue(text) + ": ";
  const std::string takes = "(" + std::string(option) + " takes " + std::string(what);
  if (text.empty()) throw UsageError(head + "an empty value " + takes + ") give a value");
  const std::optional<Decimal> d = scanDecimalOnly(head, text);
  if (!d)
    throw UsageError(head + "not a finite decimal number " + takes +
                     ", written like 0.1, -2 or 1e-3) give such a number");
  const std::string s(text);
  errno = 0;
  const double v = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && !d->digits.empty())
    throw UsageError(head + "beyond double precision " + takes +
                     ", of magnitude 2.3e-308 to 1.8e308 or 0) give a value in that range");
  return v;
}

namespace {

// The places after the decimal point a number was typed with: "1.0" 1, "2" 0, "1e-3" 3.
std::int64_t typedPlaces(std::string_view s) {
  const std::size_t e = s.find_first_of("eE");
  const std::string_view mantissa = s.substr(0, e);
  const std::size_t dot = mantissa.find('.');
  std::int64_t places = dot == std::string_view::npos ? 0 : std::int64_t(mantissa.size() - dot - 1);
  if (e != std::string_view::npos)
    places -= std::strtoll(std::string(s.substr(e + 1)).c_str(), nullptr, 10);
  return std::max<std::int64_t>(places, 0);
}

// value * 10^places as an integer, when it is one and fits.
std::optional<__int128> scaled(const Decimal& d, std::int64_t places) {
  const std::int64_t zeros = d.shift + places;
  if (zeros < 0 || zeros + std::int64_t(d.digits.size()) > 36) return std::nullopt;
  __int128 v = 0;
  for (char c : d.digits) v = v * 10 + (c - '0');
  for (std::int64_t k = 0; k < zeros; ++k) v *= 10;
  return d.negative ? -v : v;
}

std::string decimalText(__int128 v, std::int64_t places) {
  const bool negative = v < 0;
  std::string digits;
  for (__int128 m = negative ? -v : v; m > 0 || std::int64_t(digits.size()) <= places; m /= 10)
    digits.insert(digits.begin(), char('0' + int(m % 10)));
  if (places > 0) digits.insert(digits.end() - places, '.');
  return (negative ? "-" : "") + digits;
}

}  // namespace

std::vector<std::string> decimalSteps(std::string_view option, std::string_view typed,
                                      std::string_view low, std::string_view high, std::int64_t n) {
  const double lo = readRealNumber(option, low, "a range's low end, LOW:HIGH:POINTS");
  const double hi = readRealNumber(option, high, "a range's high end, LOW:HIGH:POINTS");
  const std::string head = std::string(option) + " " + typedValue(typed) + ": ";
  const std::optional<Decimal> a = scanDecimalOnly(head, low), b = scanDecimalOnly(head, high);
  const std::int64_t places = std::max(typedPlaces(low), typedPlaces(high));
  std::vector<std::string> values;
  for (std::int64_t p = places; a && b && p <= places + 17; ++p) {
    const std::optional<__int128> l = scaled(*a, p), h = scaled(*b, p);
    if (!l || !h) break;
    if ((*h - *l) % (n - 1) != 0) continue;
    for (std::int64_t i = 0; i < n; ++i)
      values.push_back(decimalText(*l + (*h - *l) / (n - 1) * i, p));
    return values;
  }
  for (std::int64_t i = 0; i < n; ++i)
    values.push_back(shortestText(i + 1 == n ? hi : lo + (hi - lo) * double(i) / double(n - 1)));
  return values;
}

std::string nearestName(std::string_view typed, const std::vector<std::string>& candidates) {
  const std::string t = lower(typed);
  const std::string_view core = withoutDashes(t);
  const std::size_t allowed = core.size() <= 2 ? 0 : core.size() <= 5 ? 1 : 2;
  std::string best, prefixed;
  std::size_t bestDistance = allowed + 1;
  int bestCount = 0, prefixCount = 0;
  for (const std::string& c : candidates) {
    const std::string l = lower(c);
    const std::string_view candidateCore = withoutDashes(l);
    if (core.size() >= 3 && candidateCore.substr(0, core.size()) == core) {
      prefixed = c;
      ++prefixCount;
    }
    const std::size_t dist = editDistance(t, l);
    if (dist > allowed) continue;
    if (dist < bestDistance) {
      bestDistance = dist;
      best = c;
      bestCount = 1;
    } else if (dist == bestDistance) {
      ++bestCount;
    }
  }
  if (bestCount == 1) return best;
  if (bestCount == 0 && prefixCount == 1) return prefixed;
  return "";
}

}  // namespace ornaplex
