// Time sources behind uptime_clock and the 1 ms sleep step. The native entry points of ntdll
// are looked up on first use; each result is published with an atomic exchange, so threads
// racing on the first use all end up with the same complete value.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

using NtQuerySystemInformationFn = LONG(NTAPI*)(ULONG information_class, PVOID buffer, ULONG length, PULONG returned);
using NtDelayExecutionFn = LONG(NTAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);

constexpr ULONG system_time_of_day_information = 3;
// Boot time at bytes 0-7, current time at 8-15; the system fills no more than it is given.
constexpr ULONG time_of_day_record_size = 36;

template <typename Function>
Function ntdll_entry(std::atomic<Function>& slot, const char* name) {
    Function entry = slot.load();
    if (!entry) {
        entry = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
        slot.exchange(entry);
    }
    return entry;
}

class Win32Clock final : public SystemClock {
public:
    std::optional<TimeOfDay> time_of_day() override {
        const auto query = ntdll_entry(query_information_, "NtQuerySystemInformation");
        if (!query) return std::nullopt;
        unsigned char record[time_of_day_record_size] = {};
        if (query(system_time_of_day_information, record, sizeof record, nullptr) < 0) return std::nullopt;
        TimeOfDay time{};
        std::memcpy(&time.boot_time, record, 8);
        std::memcpy(&time.current_time, record + 8, 8);
        return time;
    }

    std::optional<Counter> performance_counter() override {
        LARGE_INTEGER value{}, frequency{};
        if (!QueryPerformanceCounter(&value) || !QueryPerformanceFrequency(&frequency)) return std::nullopt;
        return Counter{value.QuadPart, frequency.QuadPart};
    }

    std::uint32_t tick_count() override { return GetTickCount(); }

    void alertable_wait(std::int64_t interval_100ns) override {
        if (const auto delay = ntdll_entry(delay_execution_, "NtDelayExecution")) {
            LARGE_INTEGER interval{};
            interval.QuadPart = interval_100ns;
            delay(TRUE, &interval);
            return;
        }
        SleepEx(interval_100ns < 0 ? static_cast<DWORD>(-interval_100ns / 10'000) : 0, TRUE);
    }

    LocalDateTime now_local() override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return LocalDateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    }

private:
    std::atomic<NtQuerySystemInformationFn> query_information_{nullptr};
    std::atomic<NtDelayExecutionFn> delay_execution_{nullptr};
};

}  // namespace

SystemClock& platform_clock() {
    static Win32Clock clock;
    return clock;
}

}  // namespace mervolt
