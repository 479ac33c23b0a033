#pragma once

// What vantorel-join exits with.
namespace ExitCode {
inline constexpr int kDone = 0;
// Refused (a bad input, an existing output, a refused encoder setting) or failed.
inline constexpr int kFailed = 1;
// The command line itself is wrong.
inline constexpr int kUsage = 2;
// Stopped by Ctrl-C, SIGTERM or SIGHUP: 128 + SIGINT, as a shell reports an interrupted command.
inline constexpr int kStopped = 130;
}  // namespace ExitCode
