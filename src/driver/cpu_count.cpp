#include "driver/cpu_count.h"

#include <sched.h>

#include <thread>

namespace ornaplex {

unsigned usableCpus() {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  if (::sched_getaffinity(0, sizeof mask, &mask) == 0) {
    const int n = CPU_COUNT(&mask);
    if (n > 0) return unsigned(n);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1u;
}

}  // namespace ornaplex
