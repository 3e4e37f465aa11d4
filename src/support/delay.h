#pragma once
#include <cstdint>

#include "support/faces/thread_starter.h"

namespace mervolt {

// Waits without blocking the user-interface thread: sleeps in 1 ms steps and serves the thread's
// window messages after each. Units: 0 ms, 1 s, 2 min, 3 h; any other unit makes the target 0.
// Handlers can therefore run inside a waiting handler, the same one included.
void pump_delay(std::int32_t amount, std::int32_t unit = 0);

// Time since the system started: milliseconds, or microseconds when fine is set.
std::int64_t uptime_clock(bool fine = false);

// One alertable sleep of the calling thread.
void short_sleep(std::uint32_t milliseconds);

// Starts routine(parameter) on a new thread of this process, stores its id in *thread_id and
// returns its handle (0 on failure). Workers are never waited for; they end by returning.
std::uintptr_t start_worker(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id);

// low when high is not above it, else a pseudo-random integer in [low, high] seeded from the clock.
std::int32_t random_in_range(std::int32_t low, std::int32_t high);

}  // namespace mervolt
