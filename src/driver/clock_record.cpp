#include "driver/clock_record.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace ornaplex {

ClockRecord clockRecordOf(const std::array<int, 8>& v) {
  ClockRecord c;
  c.values = v;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", v[0], v[1], v[2]);
  c.date = buf;
  std::snprintf(buf, sizeof buf, "%02d%02d%02d.%03d", v[4], v[5], v[6], v[7]);
  c.time = buf;
  const int zone = v[3] < 0 ? -v[3] : v[3];
  std::snprintf(buf, sizeof buf, "%c%02d%02d", v[3] < 0 ? '-' : '+', zone / 60, zone % 60);
  c.zone = buf;
  return c;
}

ClockRecord readClock() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  const int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&t, &local);
  return clockRecordOf({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        int(local.tm_gmtoff / 60), local.tm_hour, local.tm_min, local.tm_sec, ms});
}

std::int32_t ranNoOf(const ClockRecord& c) {
  const int minute = c.values[5], second = c.values[6], millisecond = c.values[7];
  return minute * second * millisecond + second + millisecond;
}

std::string logNameOf(const ClockRecord& c) {
  return logBaseOf(c) + ".o";
}

std::string logBaseOf(const ClockRecord& c) {
  std::string name = "ornaplex-";
  for (int v : {c.values[1], c.values[2]}) {
    name += char('0' + v / 10);
    name += char('0' + v % 10);
  }
  name += '-';
  for (int v : {c.values[4], c.values[5]}) {
    name += char('0' + v / 10);
    name += char('0' + v % 10);
  }
  return name;
}

}  // namespace ornaplex
