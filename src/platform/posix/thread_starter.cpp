// Workers on detached std::threads. Linux has no thread ids of the Windows kind that a caller
// could use, so each worker gets a process-unique number.
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/platform_faces.h"

namespace mervolt {
namespace {

class PosixThreadStarter final : public ThreadStarter {
public:
    std::uintptr_t start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) override {
        const std::uint32_t id = next_id_.fetch_add(1);
        // Stored before the thread exists, as CreateRemoteThread does, so the worker may clear it.
        *thread_id = id;
        try {
            std::thread(routine, parameter).detach();
        } catch (const std::system_error&) {
            *thread_id = 0;
            return 0;
        }
        return id;
    }

    void sleep_ms(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

private:
    std::atomic<std::uint32_t> next_id_{1};
};

}  // namespace

ThreadStarter& platform_threads() {
    static PosixThreadStarter threads;
    return threads;
}

}  // namespace mervolt
