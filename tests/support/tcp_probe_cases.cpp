#include "support/tcp_probe_cases.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/loopback_listener.h"

namespace mervolt {

void expect_tcp_probe_behaviour(TcpProbe& probe) {
    using Mode = LoopbackListener::Mode;
    {
        LoopbackListener listener(Mode::accepting);
        ASSERT_TRUE(listener.ready());
        EXPECT_TRUE(probe.connect(listener.host(), listener.port(), 2000)) << "a listening port answers";
    }
    {
        LoopbackListener listener(Mode::refusing);
        ASSERT_TRUE(listener.ready());
        EXPECT_FALSE(probe.connect(listener.host(), listener.port(), 2000)) << "a refused connection fails";
    }
    EXPECT_FALSE(probe.connect("", 81, 500)) << "no host";
    EXPECT_FALSE(probe.connect("no-such-host.invalid", 81, 500)) << "a name that does not resolve";
    {
        // An unanswered request gives up at the time-out instead of after the system's minutes of
        // retries; the bound is generous because the machine may be busy.
        LoopbackListener listener(Mode::saturated);
        ASSERT_TRUE(listener.ready());
        const auto start = std::chrono::steady_clock::now();
        probe.connect(listener.host(), listener.port(), 300);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

}  // namespace mervolt
