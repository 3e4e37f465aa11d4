// Workers as new threads of the own process, started with CreateRemoteThread on the current
// process's pseudo-handle. The client never waits for a worker, so the thread handle is closed
// at once: the thread runs on, and no handle is left behind per worker.
#include <windows.h>

#include "platform/platform_faces.h"
#include "platform/win32/scoped_handle.h"

namespace mervolt {
namespace {

struct WorkerStart {
    WorkerRoutine routine;
    void* parameter;
};

// The client's routines have their own signature; this adapts them to the thread start routine.
DWORD WINAPI run_worker(LPVOID start_record) {
    const WorkerStart start = *static_cast<WorkerStart*>(start_record);
    delete static_cast<WorkerStart*>(start_record);
    return start.routine(start.parameter);
}

class Win32ThreadStarter final : public ThreadStarter {
public:
    std::uintptr_t start(WorkerRoutine routine, void* parameter, std::uint32_t* thread_id) override {
        auto* record = new WorkerStart{routine, parameter};
        DWORD id = 0;
        const ScopedHandle thread(CreateRemoteThread(GetCurrentProcess(), nullptr, 0, run_worker, record, 0, &id));
        if (!thread.valid()) {
            delete record;
            *thread_id = 0;
            return 0;
        }
        *thread_id = id;
        return id;
    }

    void sleep_ms(std::uint32_t milliseconds) override { Sleep(milliseconds); }
};

}  // namespace

ThreadStarter& platform_threads() {
    static Win32ThreadStarter threads;
    return threads;
}

}  // namespace mervolt
