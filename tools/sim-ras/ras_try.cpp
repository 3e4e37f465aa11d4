// ras-try: runs its arguments as steps against the remote-access service, one output line each.
//   dial <phonebook> <entry> <number> <user> <password>  "state N" per notification, then
//                                                        "error E" (failure) or "connected"
//   list                                                 "conn <entry>" per connection, "count N"
//   hangup                                               "hangup <rc>" for the last dial's handle
//   wait-gone <seconds>                                  "gone" once the last call is not listed,
//                                                        else "still-up"
//   sleep <ms>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/win32/ras_remote_access.h"

namespace {

using mervolt::RemoteAccess;
using namespace std::chrono_literals;

constexpr std::uint32_t connected_state = 8192;
// A call that neither connects nor fails in this time is reported as "timeout".
constexpr auto dial_patience = 30s;

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

struct Progress {
    std::uint32_t state;
    std::uint32_t error;
};

class ProgressQueue {
public:
    void push(Progress progress) {
        {
            std::lock_guard lock(lock_);
            queue_.push_back(progress);
        }
        ready_.notify_one();
    }
    bool pop(Progress& progress, std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(lock_);
        if (!ready_.wait_until(lock, deadline, [&] { return !queue_.empty(); })) return false;
        progress = queue_.front();
        queue_.pop_front();
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable ready_;
    std::deque<Progress> queue_;
};

void dial(RemoteAccess& ras, RemoteAccess::Handle& last, char** args) {
    auto queue = std::make_shared<ProgressQueue>();
    const auto result = ras.dial({args[0], args[1], args[2], args[3], args[4]},
                                 [queue](std::uint32_t state, std::uint32_t error) { queue->push({state, error}); });
    last = result.handle;
    if (result.code != 0) return say("error " + std::to_string(result.code));

    const auto deadline = std::chrono::steady_clock::now() + dial_patience;
    Progress progress{};
    while (queue->pop(progress, deadline)) {
        say("state " + std::to_string(progress.state));
        if (progress.error != 0) return say("error " + std::to_string(progress.error));
        if (progress.state == connected_state) return say("connected");
    }
    say("timeout");
}

bool listed(RemoteAccess& ras, RemoteAccess::Handle handle) {
    for (const auto& connection : ras.enumerate().connections) {
        if (connection.handle == handle) return true;
    }
    return false;
}

void list(RemoteAccess& ras) {
    const auto listing = ras.enumerate();
    if (listing.code != 0) return say("error " + std::to_string(listing.code));
    for (const auto& connection : listing.connections) say("conn " + connection.entry_name);
    say("count " + std::to_string(listing.connections.size()));
}

void wait_gone(RemoteAccess& ras, RemoteAccess::Handle handle, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (!listed(ras, handle)) return say("gone");
        if (std::chrono::steady_clock::now() >= deadline) return say("still-up");
        std::this_thread::sleep_for(100ms);
    }
}

int usage(const char* problem) {
    std::fprintf(stderr, "ras-try: %s\nsteps: dial <phonebook> <entry> <number> <user> <password> | list | hangup"
                         " | wait-gone <seconds> | sleep <ms>\n", problem);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    mervolt::RasRemoteAccess ras;
    RemoteAccess::Handle last = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view step = argv[i];
        const int left = argc - i - 1;
        if (step == "dial" && left >= 5) {
            dial(ras, last, argv + i + 1);
            i += 5;
        } else if (step == "list") {
            list(ras);
        } else if (step == "hangup") {
            say("hangup " + std::to_string(ras.hang_up(last)));
        } else if (step == "wait-gone" && left >= 1) {
            wait_gone(ras, last, std::atoi(argv[++i]));
        } else if (step == "sleep" && left >= 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[++i])));
        } else {
            return usage(("bad step: " + std::string(step)).c_str());
        }
    }
    return 0;
}
