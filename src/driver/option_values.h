// Option values as typed on the command line, read strictly: in decimal only (a leading zero
// is not octal, 0x is not hexadecimal), never empty, never silently clipped to the type. Every
// refusal is a UsageError naming the option and the value as typed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ornaplex {

// A whole number in [min, max]: decimal digits with an optional sign ("0042" is 42), or decimal
// or exponent notation whose value is exactly whole ("1e6", "2.5e3", "3E8", "100.0"). Refuses an
// empty value, anything not decimal, a value with a fraction ("5.5", "1.5e0": not a whole
// number) and one outside [min, max] (the message gives the limits). unit names what is
// counted, for the message ("events"; empty for a plain number).
std::int64_t readWholeNumber(std::string_view option, std::string_view text, std::int64_t min,
                             std::int64_t max, std::string_view unit = "");

// A finite number in decimal or exponent notation ("0.1", "-2", "1e-3"). Refuses an empty value,
// hexadecimal, inf and nan, and a magnitude beyond double precision. what says what the option
// takes, for the message ("a field in mG").
double readRealNumber(std::string_view option, std::string_view text, std::string_view what);

// n >= 2 values from low to high (both as typed) in equal steps, as decimal texts with as many
// fraction digits as the ends were typed with ("1.0", "2.2", 4: 1.0 1.4 1.8 2.2), or as many more
// as an exact step needs; the shortest text of the nearest double when no decimal step of up to
// 17 more digits is exact. Throws UsageError (option, typed) when an end is not a number.
std::vector<std::string> decimalSteps(std::string_view option, std::string_view typed,
                                      std::string_view low, std::string_view high, std::int64_t n);

// text as one word of a shell command: as it is when it needs no quoting, else in single quotes.
std::string shellWord(std::string_view text);

// text as it goes into a message: quoted when empty or holding a space.
std::string typedValue(std::string_view text);

// The name among candidates that typed most likely meant: one a typing slip away (a letter
// missing, extra, wrong or two swapped; two slips for longer names) or the only one typed
// begins. Empty when none is near or two are equally near. Case is ignored.
std::string nearestName(std::string_view typed, const std::vector<std::string>& candidates);

}  // namespace ornaplex
