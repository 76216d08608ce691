#pragma once

// Timestamps of the start's steps, for judging where a launch spends its
// time. Off unless ZORAVEL_STARTUP_TRACE is set: then each mark writes
// "trace <ms> <step>" to stderr, the milliseconds counted from the value of
// the variable when it is a time in nanoseconds since the epoch (the process's
// start, as the start-up benchmark passes it), else from the first mark.
namespace StartupTrace {

bool isOn();
void mark(const char* step);

}  // namespace StartupTrace
