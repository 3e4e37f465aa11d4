#include "fakes/fake_thread_starter.h"

namespace mervolt {

std::uintptr_t FakeThreadStarter::start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) {
    if (refuse) {
        *thread_id = 0;
        return 0;
    }
    const std::uint32_t id = next_id_++;
    *thread_id = id;
    if (run_at_once)
        routine(parameter);
    else
        started.push_back({routine, parameter, id});
    return id;
}

void FakeThreadStarter::sleep_ms(std::uint32_t milliseconds) { sleeps_ms.push_back(milliseconds); }

std::size_t FakeThreadStarter::run_started() {
    std::size_t ran = 0;
    while (!started.empty()) {
        const Started next = started.front();
        started.erase(started.begin());
        next.routine(next.parameter);
        ++ran;
    }
    return ran;
}

}  // namespace mervolt
