#pragma once
#include <cstdint>

namespace mervolt {

using WorkerRoutine = std::uint32_t (*)(void* parameter);

// New threads of the own process. Workers are fire-and-forget: never joined, never stopped.
class ThreadStarter {
public:
    virtual ~ThreadStarter() = default;
    // Starts routine(parameter) on a new thread; stores its id in *thread_id. Returns non-zero
    // when the thread was started, 0 when no thread could be created. Nothing is left for the
    // caller to release: the thread's handle, where the platform has one, is already closed.
    virtual std::uintptr_t start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;
};

}  // namespace mervolt
