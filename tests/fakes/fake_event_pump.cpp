#include "fakes/fake_event_pump.h"

#include "support/delay.h"

namespace mervolt {

void FakeEventPump::post(Message message) { ready_.push_back(std::move(message)); }

void FakeEventPump::post_at(std::int64_t at_uptime_ms, Message message) {
    timed_.emplace(at_uptime_ms, std::move(message));
}

void FakeEventPump::serve_pending() {
    ++serve_calls;
    for (;;) {
        const std::int64_t now = uptime_clock(false);
        while (!timed_.empty() && timed_.begin()->first <= now) {
            ready_.push_back(std::move(timed_.begin()->second));
            timed_.erase(timed_.begin());
        }
        if (ready_.empty()) return;
        // Taken off the queue before it runs: the handler may serve the queue itself.
        Message message = std::move(ready_.front());
        ready_.pop_front();
        ++messages_served;
        message();
    }
}

}  // namespace mervolt
