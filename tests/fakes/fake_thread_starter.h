#pragma once
#include <cstdint>
#include <vector>

#include "support/faces/thread_starter.h"

namespace mervolt {

// Worker threads that run when the test says: each start is recorded, and run_started() runs
// the recorded routines on the test's thread (or, with run_at_once, start runs the routine
// before it returns). refuse makes every start fail as CreateRemoteThread can.
class FakeThreadStarter final : public ThreadStarter {
public:
    struct Started {
        WorkerRoutine routine;
        void* parameter;
        std::uint32_t id;
    };

    bool refuse = false;
    bool run_at_once = false;
    std::vector<Started> started;  // not yet run
    std::vector<std::uint32_t> sleeps_ms;

    std::uintptr_t start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) override;
    void sleep_ms(std::uint32_t milliseconds) override;
    // Runs (and forgets) every recorded worker, in start order; returns how many ran.
    std::size_t run_started();

private:
    std::uint32_t next_id_ = 1000;
};

}  // namespace mervolt
