#pragma once
#include <atomic>
#include <cstdint>

#include "support/faces/system_clock.h"

namespace mervolt {

// A SystemClock whose time moves only when a test advances it or when someone sleeps on it
// (the alertable wait moves it by the interval), so waits are instant and deterministic.
// Each time source can be switched off to test the fall-through between them.
class VirtualClock final : public SystemClock {
public:
    // Virtual time since the simulated boot.
    std::int64_t elapsed_ms() const { return elapsed_100ns_.load() / 10'000; }
    void advance_ms(std::int64_t milliseconds) { elapsed_100ns_ += milliseconds * 10'000; }

    bool time_of_day_answers = true;
    bool performance_counter_answers = true;
    std::int64_t boot_time_100ns = 133'000'000'000'000'000;  // an arbitrary wall-clock boot moment
    std::int64_t counter_frequency = 10'000'000;               // counts per second
    std::uint32_t tick_at_boot = 0;                            // to place the 32-bit wrap
    LocalDateTime local_at_boot{2030, 1, 1, 8, 0, 0};          // now_local() moves with the clock
    std::uint64_t waits = 0;                                   // alertable waits so far

    std::optional<TimeOfDay> time_of_day() override;
    std::optional<Counter> performance_counter() override;
    std::uint32_t tick_count() override;
    void alertable_wait(std::int64_t interval_100ns) override;
    LocalDateTime now_local() override;

private:
    std::atomic<std::int64_t> elapsed_100ns_{0};
};

}  // namespace mervolt
