// Time sources for native runs: the boot-relative clock serves as the time-of-day information
// (boot time 0), the monotonic clock as the performance counter.
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

std::int64_t boot_clock_ns() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

class PosixClock final : public SystemClock {
public:
    std::optional<TimeOfDay> time_of_day() override { return TimeOfDay{0, boot_clock_ns() / 100}; }

    std::optional<Counter> performance_counter() override {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return Counter{ns.count(), 1'000'000'000};
    }

    std::uint32_t tick_count() override { return static_cast<std::uint32_t>(boot_clock_ns() / 1'000'000); }

    void alertable_wait(std::int64_t interval_100ns) override {
        if (interval_100ns < 0) std::this_thread::sleep_for(std::chrono::nanoseconds(-interval_100ns * 100));
    }

    LocalDateTime now_local() override {
        const time_t now = time(nullptr);
        tm local{};
        localtime_r(&now, &local);
        return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                             local.tm_hour, local.tm_min, local.tm_sec};
    }
};

}  // namespace

SystemClock& platform_clock() {
    static PosixClock clock;
    return clock;
}

}  // namespace mervolt
