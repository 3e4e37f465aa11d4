#pragma once
#include <cstdint>

#include "support/faces/thread_starter.h"

namespace mervolt {

// Waits without blocking the user-interface thread: sleeps in 1 ms steps and serves the thread's
// window messages after each, until at least the requested time has passed by uptime_clock.
// Units: 0 ms, 1 s, 2 min, 3 h; any other unit makes the target 0 (one step). Handlers can
// therefore run inside a waiting handler, the same one included; nested waits are allowed.
void pump_delay(std::int32_t amount, std::int32_t unit = 0);

// Time since the system started: milliseconds, or microseconds when fine is set. The first
// source that answers wins: the system's time-of-day information (boot and current time), the
// performance counter, then (milliseconds only) the tick count. Any thread.
std::int64_t uptime_clock(bool fine = false);

// One alertable sleep of the calling thread. Any thread.
void short_sleep(std::uint32_t milliseconds);

// Starts routine(parameter) on a new thread of this process, stores its id in *thread_id (when
// given), sleeps 1 ms so that the worker can begin, and returns non-zero when the thread was
// started, 0 when not. Workers are never waited for, stopped or closed; they end by returning.
std::uintptr_t start_worker(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id);

// low when high is not above it, else a pseudo-random integer from low to high, both included,
// each value equally likely.
std::int32_t random_in_range(std::int32_t low, std::int32_t high);

}  // namespace mervolt
