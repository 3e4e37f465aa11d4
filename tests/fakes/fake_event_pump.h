#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

#include "support/faces/event_pump.h"

namespace mervolt {

// The toolkit's process-events step over a queue of callbacks standing for window messages.
// serve_pending runs every message that is due, including those posted while it runs, and
// returns when none is left, so a message handler may wait (pump_delay) and be re-entered just
// as with a real message loop. Timed messages become due by uptime_clock.
class FakeEventPump final : public EventPump {
public:
    using Message = std::function<void()>;

    void post(Message message);
    // Due once uptime_clock() (milliseconds) has reached at_uptime_ms; in time order, then in
    // posting order.
    void post_at(std::int64_t at_uptime_ms, Message message);
    void serve_pending() override;

    std::size_t waiting() const { return ready_.size() + timed_.size(); }
    std::uint64_t serve_calls = 0;
    std::uint64_t messages_served = 0;

private:
    std::deque<Message> ready_;
    std::multimap<std::int64_t, Message> timed_;
};

}  // namespace mervolt
