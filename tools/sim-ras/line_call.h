#pragma once
#include <memory>
#include <string>

#include "call_registry.h"

namespace simras {

// How RasDial's caller wants progress: a RasDialFunc (type 0) or RasDialFunc1 (type 1), or no
// notifier at all for a dial that runs to its end before RasDial returns.
struct Notifier {
    DWORD type = 0;
    LPVOID function = nullptr;
};

struct CallPlan {
    std::string number;
    std::string user_name;
    std::string password;
};

// Carries the call on a thread of its own: connects to the line server, runs the DIAL exchange,
// reports the states, then keeps the link until either side ends it.
void start_call(std::shared_ptr<Call> call, Notifier notifier, CallPlan plan);

// The same on the calling thread, without notifications: returns 0 once the link is up (a
// thread then keeps it) or the error that ended the call.
DWORD run_call_to_end(std::shared_ptr<Call> call, CallPlan plan);

// Tells the notifier that the entry's call is connected, from a thread of its own: a dial of an
// entry that is already up gets the existing call.
void report_connected(std::shared_ptr<Call> call, Notifier notifier);

}  // namespace simras
