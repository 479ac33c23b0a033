#pragma once

// What the benchmark's own process has used so far, from getrusage.
namespace ProcessUsage {

// Processor time (user + system): on a shared machine the wall time also
// counts the waits for a core.
double cpuSeconds();
// The peak resident memory, in MiB.
double peakResidentMiB();

}  // namespace ProcessUsage
