#include "support/delay.h"

#include <chrono>
#include <random>

#include "support/support_runtime.h"

namespace mervolt {
namespace {

// The tick count wraps every 49.7 days (and a sign-extended one turns negative after 24.9); a
// wait that spans a wrap would then see time run backwards and wait for weeks. Carrying the
// wraps into a 64-bit count keeps the clock monotonic. Threads race on the readings, so a
// reading a little behind the latest one (less than half the 32-bit range) counts as stale,
// and the latest value is published with a compare-exchange, only ever moving forward.
std::uint64_t extend_ticks(std::uint32_t ticks) {
    std::atomic<std::uint64_t>& latest = support_runtime().extended_ticks;
    std::uint64_t seen = latest.load();
    for (;;) {
        const std::uint32_t ahead = ticks - static_cast<std::uint32_t>(seen);
        if (seen != 0 && ahead >= 0x80000000u) return seen;
        const std::uint64_t extended = seen == 0 ? ticks : seen + ahead;
        if (latest.compare_exchange_weak(seen, extended)) return extended;
    }
}

}  // namespace

void pump_delay(std::int32_t amount, std::int32_t unit) {
    const std::int64_t start = uptime_clock(false);
    double factor = 0;
    switch (unit) {
    case 0: factor = 1; break;
    case 1: factor = 1'000; break;
    case 2: factor = 60'000; break;
    case 3: factor = 3'600'000; break;
    default: break;
    }
    // In double precision, so that no 32-bit amount overflows.
    const auto target = static_cast<std::int64_t>(amount * factor);
    EventPump* pump = support_runtime().pump;
    for (;;) {
        short_sleep(1);
        if (pump) pump->serve_pending();
        const std::int64_t now = uptime_clock(false);
        if (static_cast<double>(now - start) - static_cast<double>(target) >= -0.0000001) return;
    }
}

std::int64_t uptime_clock(bool fine) {
    SystemClock& clock = *support_runtime().clock;
    if (const auto time = clock.time_of_day())
        return static_cast<std::int64_t>(static_cast<double>(time->current_time - time->boot_time) / (fine ? 10.0 : 10'000.0));
    std::int64_t reading = 0;
    if (const auto counter = clock.performance_counter(); counter && counter->frequency > 0)
        reading = static_cast<std::int64_t>(static_cast<double>(counter->value) * (fine ? 1e6 : 1e3) /
                                            static_cast<double>(counter->frequency));
    if (reading == 0 && !fine) reading = static_cast<std::int64_t>(extend_ticks(clock.tick_count()));
    return reading;
}

void short_sleep(std::uint32_t milliseconds) {
    support_runtime().clock->alertable_wait(-static_cast<std::int64_t>(milliseconds) * 10'000);
}

std::uintptr_t start_worker(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) {
    std::uint32_t ignored_id = 0;
    ThreadStarter& threads = *support_runtime().threads;
    const std::uintptr_t started = threads.start(routine, parameter, thread_id ? thread_id : &ignored_id);
    threads.sleep_ms(1);
    return started;
}

std::int32_t random_in_range(std::int32_t low, std::int32_t high) {
    if (high <= low) return low;
    // Seeded per thread from the system's entropy source and the clock; the distribution gives
    // every value of the range the same chance, which a plain modulo of a counter would not.
    thread_local std::mt19937 generator = [] {
        std::random_device entropy;
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        std::seed_seq seed{entropy(), entropy(), static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
        return std::mt19937(seed);
    }();
    return std::uniform_int_distribution<std::int32_t>(low, high)(generator);
}

}  // namespace mervolt
