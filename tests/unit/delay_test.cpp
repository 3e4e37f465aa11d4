#include "support/delay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "support/runtime_fixture.h"

namespace mervolt {
namespace {

class PumpDelay : public VirtualRuntimeTest {};

TEST_F(PumpDelay, WaitsAtLeastTheTargetInOneMillisecondSteps) {
    struct Case {
        std::int32_t amount, unit;
        std::int64_t elapsed_ms;
        const char* why;
    };
    const Case cases[] = {
        {0, 0, 1, "zero sleeps one step and serves the queue once"},
        {5, 7, 1, "an unknown unit makes the target 0"},
        {5, -1, 1, "a negative unit is unknown too"},
        {-5, 0, 1, "a negative amount behaves like 0"},
        {250, 0, 250, "milliseconds"},
        {2, 1, 2'000, "seconds"},
        {1, 2, 60'000, "minutes"},
    };
    for (const Case& c : cases) {
        const std::int64_t start = clock.elapsed_ms();
        const std::uint64_t waits = clock.waits, serves = pump.serve_calls;
        pump_delay(c.amount, c.unit);
        const std::int64_t elapsed = clock.elapsed_ms() - start;
        EXPECT_EQ(elapsed, c.elapsed_ms) << c.why;
        EXPECT_EQ(clock.waits - waits, static_cast<std::uint64_t>(c.elapsed_ms)) << c.why;
        EXPECT_EQ(pump.serve_calls - serves, static_cast<std::uint64_t>(c.elapsed_ms)) << c.why;
    }
}

TEST_F(PumpDelay, HandlesMessagesPostedDuringTheWait) {
    std::vector<std::int64_t> handled_at;
    const std::int64_t start = clock.elapsed_ms();
    pump.post_at(start + 500, [&] { handled_at.push_back(clock.elapsed_ms() - start); });
    pump.post_at(start + 1'999, [&] { handled_at.push_back(clock.elapsed_ms() - start); });
    pump.post_at(start + 2'500, [&] { handled_at.push_back(-1); });
    pump_delay(2, 1);
    EXPECT_GE(clock.elapsed_ms() - start, 2'000);
    EXPECT_EQ(handled_at, (std::vector<std::int64_t>{500, 1'999}));
    EXPECT_EQ(pump.waiting(), 1u) << "the message due after the wait stays queued";
}

TEST_F(PumpDelay, ReenteredHandlerRunsToCompletionInsideTheOuterWait) {
    std::vector<std::string> events;
    int depth = 0;
    // A handler that waits 1000 ms; a second message enters it again 100 ms into the wait.
    std::function<void()> handler = [&] {
        const int level = ++depth;
        const std::int64_t entered = clock.elapsed_ms();
        events.push_back("enter " + std::to_string(level));
        if (level == 1) pump.post_at(entered + 100, handler);
        pump_delay(1'000);
        events.push_back("leave " + std::to_string(level) + " after " + std::to_string(clock.elapsed_ms() - entered));
    };
    pump.post(handler);
    pump_delay(0);
    EXPECT_EQ(events, (std::vector<std::string>{"enter 1", "enter 2", "leave 2 after 1000", "leave 1 after 1100"}));
}

TEST_F(PumpDelay, WithoutAPumpStillWaits) {
    ScopedSupportRuntime no_pump(support_runtime().codec, &clock, nullptr, &threads);
    const std::int64_t start = clock.elapsed_ms();
    pump_delay(30);
    EXPECT_EQ(clock.elapsed_ms() - start, 30);
}

TEST_F(PumpDelay, ShortSleepIsOneRelativeAlertableWait) {
    const std::int64_t start = clock.elapsed_ms();
    short_sleep(7);
    EXPECT_EQ(clock.waits, 1u);
    EXPECT_EQ(clock.elapsed_ms() - start, 7);
}

class UptimeClock : public VirtualRuntimeTest {};

TEST_F(UptimeClock, FirstSourceThatAnswersWins) {
    struct Case {
        const char* why;
        bool time_of_day, counter;
        std::int64_t frequency;
        std::uint32_t tick_at_boot;
        std::int64_t elapsed_ms;
        std::int64_t expected_ms, expected_us;
    };
    const Case cases[] = {
        {"time of day: current minus boot", true, true, 10'000'000, 9'000, 5'000, 5'000, 5'000'000},
        {"counter when the time of day fails", false, true, 3'579'545, 9'000, 5'000, 5'000, 5'000'000},
        {"tick count when both fail; no microseconds", false, false, 10'000'000, 9'000, 5'000, 14'000, 0},
        {"tick count when the counter reads 0", false, true, 10'000'000, 777, 0, 777, 0},
        {"counter with a zero frequency gives 0", false, true, 0, 42, 3, 45, 0},
    };
    for (const Case& c : cases) {
        VirtualClock source;
        source.time_of_day_answers = c.time_of_day;
        source.performance_counter_answers = c.counter;
        source.counter_frequency = c.frequency;
        source.tick_at_boot = c.tick_at_boot;
        source.advance_ms(c.elapsed_ms);
        ScopedSupportRuntime runtime(support_runtime().codec, &source, &pump, &threads);
        EXPECT_EQ(uptime_clock(false), c.expected_ms) << c.why;
        EXPECT_EQ(uptime_clock(true), c.expected_us) << c.why;
    }
}

TEST_F(UptimeClock, MicrosecondsAreAThousandTimesMilliseconds) {
    clock.advance_ms(123'456);
    EXPECT_EQ(uptime_clock(true), uptime_clock(false) * 1'000);
}

TEST_F(UptimeClock, TickCountStaysMonotonicAcrossItsWraps) {
    for (const std::uint32_t boot_tick : {0x7FFFFF00u, 0xFFFFFF00u}) {
        VirtualClock source;
        source.time_of_day_answers = source.performance_counter_answers = false;
        source.tick_at_boot = boot_tick;
        ScopedSupportRuntime runtime(support_runtime().codec, &source, &pump, &threads);
        const std::int64_t first = uptime_clock();
        source.advance_ms(0x200);  // across 2^31 (where a sign-extended count turns negative) or 2^32
        EXPECT_EQ(uptime_clock() - first, 0x200) << std::hex << boot_tick;
        source.advance_ms(0x7FFF0000);
        EXPECT_EQ(uptime_clock() - first, 0x200 + 0x7FFF0000) << std::hex << boot_tick;
    }
}

TEST_F(UptimeClock, WaitSpanningTheTickWrapEnds) {
    clock.time_of_day_answers = clock.performance_counter_answers = false;
    clock.tick_at_boot = 0x7FFFFFF0u;
    pump_delay(100);
    EXPECT_EQ(clock.elapsed_ms(), 100);
}

class StartWorker : public VirtualRuntimeTest {};

std::uint32_t record_parameter(void* parameter) {
    *static_cast<int*>(parameter) += 1;
    return 0;
}

TEST_F(StartWorker, StartsTheRoutineWithItsParameterThenSleepsOneMillisecond) {
    int runs = 0;
    std::uint32_t id = 0;
    EXPECT_NE(start_worker(record_parameter, &runs, &id), 0u);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(threads.sleeps_ms, std::vector<std::uint32_t>{1});
    EXPECT_EQ(runs, 0) << "the caller does not wait for the worker";
    threads.run_started();
    EXPECT_EQ(runs, 1);
}

TEST_F(StartWorker, RefusedThreadGivesZeroAndNoId) {
    threads.refuse = true;
    int runs = 0;
    std::uint32_t id = 99;
    EXPECT_EQ(start_worker(record_parameter, &runs, &id), 0u);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(start_worker(record_parameter, &runs, nullptr), 0u) << "no place for the id is fine";
}

TEST(RandomInRange, BoundsAndFairness) {
    EXPECT_EQ(random_in_range(5, 5), 5);
    EXPECT_EQ(random_in_range(5, 2), 5);
    EXPECT_EQ(random_in_range(0, -1), 0) << "an empty list's bounds";
    std::set<std::int32_t> seen;
    for (int i = 0; i < 2'000; ++i) {
        const std::int32_t value = random_in_range(-2, 3);
        ASSERT_GE(value, -2);
        ASSERT_LE(value, 3);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 6u) << "every row gets its chance, the bounds included";
    const std::int32_t wide = random_in_range(INT32_MIN, INT32_MAX);
    EXPECT_GE(wide, INT32_MIN);
}

}  // namespace
}  // namespace mervolt
