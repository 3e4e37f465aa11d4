#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "support/faces/event_pump.h"
#include "support/faces/system_clock.h"
#include "support/faces/text_codec.h"
#include "support/faces/thread_starter.h"

namespace mervolt {

// The support layer's process-wide resources: the faces behind the free routines of the text,
// delay, clock and worker modules, and the body-buffer lock of the web client. The entry point
// (or a test's fixture) installs it before any window or request exists; the faces it points
// at outlive every caller.
struct SupportRuntime {
    TextCodec* codec = nullptr;
    SystemClock* clock = nullptr;
    EventPump* pump = nullptr;  // may stay unset where no toolkit runs: waits then serve nothing
    ThreadStarter* threads = nullptr;
    std::mutex body_buffer_lock;
    // The last tick-count reading of uptime_clock, extended to 64 bits across the 32-bit wrap.
    std::atomic<std::uint64_t> extended_ticks{0};
};

SupportRuntime& support_runtime();
// Points the runtime at these faces and forgets any clock reading taken from the previous ones.
void install_support_runtime(TextCodec* codec, SystemClock* clock, EventPump* pump, ThreadStarter* threads);

}  // namespace mervolt
