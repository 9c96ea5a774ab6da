// The wall-clock reading a run starts (and ends) with, and what the run derives from it: the
// seed ranNo and the name of the run log.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ornaplex {

struct ClockRecord {
  std::string date;  // CCYYMMDD
  std::string time;  // hhmmss.sss
  std::string zone;  // +hhmm
  // year, month, day, zone offset in minutes, hour, minute, second, millisecond
  std::array<int, 8> values{};
};

// Reads the local date and time with milliseconds.
ClockRecord readClock();
// Builds a record from its eight values (tests, and readClock itself).
ClockRecord clockRecordOf(const std::array<int, 8>& values);

// minute * second * millisecond + second + millisecond: 0 to 3478577.
std::int32_t ranNoOf(const ClockRecord& clock);

// "ornaplex-MMDD-hhmm.o": exactly 20 characters. A run whose name is taken writes its log to
// the first free "ornaplex-MMDD-hhmm-<k>.o".
std::string logNameOf(const ClockRecord& clock);
// The same without ".o".
std::string logBaseOf(const ClockRecord& clock);

}  // namespace ornaplex
