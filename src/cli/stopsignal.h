#pragma once

// Ctrl-C (SIGINT), SIGTERM and a hang-up (SIGHUP) ask the join to stop at its
// next block instead of ending the process, so that it can drop what it wrote.
// A second signal ends the process at once, which leaves nothing behind either:
// the output has no name until it is complete.
namespace StopSignal {
void install();
bool requested();
}  // namespace StopSignal
