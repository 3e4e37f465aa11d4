#include "fakes/virtual_clock.h"

#include "support/text.h"

namespace mervolt {

std::optional<SystemClock::TimeOfDay> VirtualClock::time_of_day() {
    if (!time_of_day_answers) return std::nullopt;
    return TimeOfDay{boot_time_100ns, boot_time_100ns + elapsed_100ns_.load()};
}

std::optional<SystemClock::Counter> VirtualClock::performance_counter() {
    if (!performance_counter_answers) return std::nullopt;
    // The counter starts at 0 at boot, as the real one does.
    const std::int64_t elapsed = elapsed_100ns_.load();
    return Counter{static_cast<std::int64_t>(static_cast<double>(elapsed) * counter_frequency / 1e7), counter_frequency};
}

std::uint32_t VirtualClock::tick_count() { return tick_at_boot + static_cast<std::uint32_t>(elapsed_ms()); }

void VirtualClock::alertable_wait(std::int64_t interval_100ns) {
    ++waits;
    if (interval_100ns < 0) elapsed_100ns_ += -interval_100ns;
}

LocalDateTime VirtualClock::now_local() { return add_seconds(local_at_boot, elapsed_ms() / 1000); }

}  // namespace mervolt
