#pragma once
#include <cstdint>

namespace mervolt {

using WorkerRoutine = std::uint32_t (*)(void* parameter);

// New threads of the own process. Workers are fire-and-forget: never joined, never stopped.
class ThreadStarter {
public:
    virtual ~ThreadStarter() = default;
    // Starts routine(parameter) on a new thread; stores its id in *thread_id. Returns an opaque
    // non-zero handle, or 0 when no thread could be created.
    virtual std::uintptr_t start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) = 0;
    virtual void sleep_ms(std::uint32_t milliseconds) = 0;
};

}  // namespace mervolt
