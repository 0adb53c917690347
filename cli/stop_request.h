#pragma once
// A request to end the running command: raised from a signal handler (Ctrl-C,
// SIGTERM, SIGHUP) or from Windows' console and session notices, read by every
// command between two loop rounds, serve's included. Program-wide because a
// signal handler can reach nothing else.
#include <csignal>

namespace tavik::cli {

// The signal's number; safe to call from a signal handler.
void RequestStop(int signal) noexcept;
// 0 while no stop is asked for, else the signal that asked.
int StopRequested() noexcept;
// Forgets a request (a new command runs, in tests).
void ClearStopRequest() noexcept;

}  // namespace tavik::cli
