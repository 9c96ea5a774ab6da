// Fortran-style text output: list-directed records and the fixed edit descriptors the report
// uses. Column widths are those of a common Fortran list-directed writer and are the same
// everywhere in the program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ornaplex {

// One list-directed record. It starts with one blank; each item follows in order. Texts are
// written exactly as they stand; numbers take the fixed-width fields of the list-directed
// writer (integers right-aligned in 12 columns, or wider when needed; double-precision reals
// with 17 significant digits; single-precision reals with 9).
class ListLine {
 public:
  ListLine();
  ListLine& text(std::string_view s);
  ListLine& integer(std::int64_t v);
  ListLine& real8(double v);  // a double-precision item
  ListLine& real4(float v);   // a single-precision item
  ListLine& operator<<(std::string_view s) { return text(s); }
  ListLine& operator<<(const char* s) { return text(s); }
  ListLine& operator<<(int v) { return integer(v); }
  ListLine& operator<<(long v) { return integer(v); }
  ListLine& operator<<(long long v) { return integer(v); }
  ListLine& operator<<(double v) { return real8(v); }
  ListLine& operator<<(float v) { return real4(v); }
  const std::string& str() const { return line_; }
  operator std::string_view() const { return line_; }

 private:
  void beginItem(bool isText);  // the record's leading blank or the separator before an item
  std::string line_;
  bool started_ = false;
  bool lastWasText_ = false;
};

// E11.4 with scale factor 1: one digit before the point, four after, a four-character
// exponent (E+01, E-03; a three-digit exponent drops the letter: -104), 11 wide.
std::string formatE11_4(double v);
// F9.4: fixed form, 9 wide, 4 decimals (asterisks when it does not fit).
std::string formatF9_4(double v);
// The progress record: the event number right-aligned in 12 characters, two blanks, "events".
std::string formatProgress(std::int64_t event);

}  // namespace ornaplex
