#pragma once

namespace mervolt {

// The window toolkit's process-events step: dispatch every message waiting in the calling
// thread's queue, one by one, and return when the queue is empty.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void serve_pending() = 0;
};

}  // namespace mervolt
