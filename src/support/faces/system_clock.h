#pragma once
#include <cstdint>
#include <optional>

namespace mervolt {

// Local calendar date and time of day, whole seconds.
struct LocalDateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The time sources behind uptime_clock, the alertable sleep step, and the local time of day.
class SystemClock {
public:
    struct TimeOfDay { std::int64_t boot_time; std::int64_t current_time; };  // 100-ns units
    struct Counter { std::int64_t value; std::int64_t frequency; };           // counts, counts/s

    virtual ~SystemClock() = default;
    virtual std::optional<TimeOfDay> time_of_day() = 0;
    virtual std::optional<Counter> performance_counter() = 0;
    virtual std::uint32_t tick_count() = 0;
    // Alertable relative wait; the interval is in 100-ns units, negative meaning relative.
    virtual void alertable_wait(std::int64_t interval_100ns) = 0;
    virtual LocalDateTime now_local() = 0;
};

}  // namespace mervolt
