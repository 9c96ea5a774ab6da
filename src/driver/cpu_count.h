// The CPUs this process may run on: its affinity mask, which taskset, batch-system cpusets and
// mpirun's binding set. One worker thread per such CPU is the default.
#pragma once

namespace ornaplex {

// The CPUs in this process's affinity mask; the machine's count when the mask cannot be read;
// at least 1.
unsigned usableCpus();

}  // namespace ornaplex
