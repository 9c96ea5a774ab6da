// Fortran-style text output: list-directed records and the E11.4, F9.4 and progress fields.
//
// The list-directed layout is that of the common Fortran runtime:
//  - a record starts with one blank before its first item;
//  - items are separated by one blank, except that two character items in a row are joined
//    as they stand;
//  - an integer takes 11 columns (right-aligned), more only when its digits need them;
//  - a real is a G edit with d significant digits (17 for double, 9 for single) in a field of
//    w columns (25, 16) with e exponent digits (3, 2). Magnitudes in [0.1, 10^d) after
//    rounding are written in fixed form, right-aligned in w - e - 2 columns and followed by
//    e + 2 blanks; others in exponent form (one digit before the point, d in all),
//    right-aligned in w; NaN and Infinity are right-aligned in w.
// Decimal digits come from the exact binary value, rounded to nearest with ties to even.
#include "common/fortran_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ornaplex {
namespace {

constexpr int kIntegerWidth = 11;  // columns of a default integer item, sign included

struct RealKind {
  int width;      // w: columns of the whole item
  int digits;     // d: significant digits
  int expDigits;  // e: digits of the exponent in exponent form
};
constexpr RealKind kReal8{25, 17, 3};
constexpr RealKind kReal4{16, 9, 2};

void padLeft(std::string& out, std::size_t width, const std::string& s) {
  if (s.size() < width) out.append(width - s.size(), ' ');
  out += s;
}

std::string padLeft(std::size_t width, const std::string& s) {
  std::string out;
  padLeft(out, width, s);
  return out;
}

// A finite value rounded to `digits` significant decimal digits: value = digits_ x 10^(exp10 -
// digits + 1), i.e. d.ddd x 10^exp10. Zero gives all zeros and exp10 = 0.
struct Decimal {
  bool negative;
  std::string mantissa;  // exactly `digits` decimal digits
  int exp10;
};

Decimal roundDecimal(double v, int digits) {
  char buf[64];
  // %e with a given precision rounds the exact binary value to nearest, ties to even.
  const int n = std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  Decimal d{std::signbit(v), {}, 0};
  int i = 0;
  if (buf[i] == '-') ++i;
  for (; i < n && buf[i] != 'e'; ++i) {
    if (buf[i] != '.') d.mantissa += buf[i];
  }
  d.exp10 = std::atoi(buf + i + 1);
  return d;
}

// Exponent field of an E edit: E+dd for |exp| < 100 when two digits are asked, otherwise the
// letter is dropped to make room (+ddd); with three digits, E+ddd.
std::string exponentField(int exp10, int expDigits) {
  const char sign = exp10 < 0 ? '-' : '+';
  const int mag = std::abs(exp10);
  std::string digits = std::to_string(mag);
  if (static_cast<int>(digits.size()) < expDigits) {
    digits.insert(0, static_cast<std::size_t>(expDigits) - digits.size(), '0');
    return std::string("E") + sign + digits;
  }
  if (static_cast<int>(digits.size()) == expDigits) return std::string("E") + sign + digits;
  // One more digit than asked: the letter gives way.
  return std::string(1, sign) + digits;
}

// Exponent form with one digit before the point: d.ddddE+xx.
std::string exponentForm(const Decimal& d, int expDigits) {
  std::string s;
  if (d.negative) s += '-';
  s += d.mantissa[0];
  s += '.';
  s.append(d.mantissa, 1, std::string::npos);
  s += exponentField(d.exp10, expDigits);
  return s;
}

std::string nonFinite(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-Infinity" : "Infinity";
}

void appendReal(std::string& out, double v, const RealKind& k) {
  if (!std::isfinite(v)) {
    padLeft(out, static_cast<std::size_t>(k.width), nonFinite(v));
    return;
  }
  const Decimal d = roundDecimal(v, k.digits);
  const std::size_t trailing = static_cast<std::size_t>(k.expDigits) + 2;
  if (v == 0.0 || (d.exp10 >= -1 && d.exp10 < k.digits)) {
    // Fixed form with d significant digits; zero shows d - 1 decimals.
    std::string s;
    if (d.negative) s += '-';
    const int intDigits = v == 0.0 ? 1 : d.exp10 + 1;
    if (intDigits <= 0) {
      s += "0.";
      s += d.mantissa;
    } else {
      s.append(d.mantissa, 0, static_cast<std::size_t>(intDigits));
      s += '.';
      s.append(d.mantissa, static_cast<std::size_t>(intDigits), std::string::npos);
    }
    padLeft(out, static_cast<std::size_t>(k.width) - trailing, s);
    out.append(trailing, ' ');
    return;
  }
  padLeft(out, static_cast<std::size_t>(k.width), exponentForm(d, k.expDigits));
}

std::string integerText(std::int64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

}  // namespace

ListLine::ListLine() = default;

void ListLine::beginItem(bool isText) {
  if (!started_) {
    line_ += ' ';
    started_ = true;
  } else if (!(isText && lastWasText_)) {
    line_ += ' ';
  }
  lastWasText_ = isText;
}

ListLine& ListLine::text(std::string_view s) {
  beginItem(true);
  line_ += s;
  return *this;
}

ListLine& ListLine::integer(std::int64_t v) {
  beginItem(false);
  padLeft(line_, kIntegerWidth, integerText(v));
  return *this;
}

ListLine& ListLine::real8(double v) {
  beginItem(false);
  appendReal(line_, v, kReal8);
  return *this;
}

ListLine& ListLine::real4(float v) {
  beginItem(false);
  appendReal(line_, static_cast<double>(v), kReal4);
  return *this;
}

std::string formatE11_4(double v) {
  constexpr std::size_t kWidth = 11;
  if (!std::isfinite(v)) return padLeft(kWidth, nonFinite(v));
  return padLeft(kWidth, exponentForm(roundDecimal(v, 5), 2));
}

std::string formatF9_4(double v) {
  constexpr std::size_t kWidth = 9;
  if (!std::isfinite(v)) return padLeft(kWidth, nonFinite(v));
  char buf[400];
  // %f rounds the exact value; a negative value that rounds to zero keeps its sign, as -0.0000.
  const int n = std::snprintf(buf, sizeof buf, "%.4f", v);
  if (n < 0 || static_cast<std::size_t>(n) > kWidth) return std::string(kWidth, '*');
  return padLeft(kWidth, std::string(buf, static_cast<std::size_t>(n)));
}

std::string formatProgress(std::int64_t event) {
  // I12: wider numbers are written in full rather than as a row of asterisks.
  return padLeft(12, integerText(event)) + "  events";
}

}  // namespace ornaplex
