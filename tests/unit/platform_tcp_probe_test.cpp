// The platform's TCP connect probe: BSD sockets with poll() natively, Winsock with select()
// under Wine.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/platform_faces.h"
#include "support/loopback_listener.h"

namespace mervolt {
namespace {

using Mode = LoopbackListener::Mode;

TEST(PlatformTcpProbe, ConnectsOnlyToAListeningPort) {
    const struct {
        Mode mode;
        bool connects;
    } cases[] = {{Mode::accepting, true}, {Mode::refusing, false}};
    for (const auto& c : cases) {
        LoopbackListener listener(c.mode);
        ASSERT_TRUE(listener.ready());
        EXPECT_EQ(platform_tcp_probe().connect(listener.host(), listener.port(), 2000), c.connects)
            << listener.host() << ":" << listener.port();
    }
}

TEST(PlatformTcpProbe, NoHostOrAnUnknownNameFails) {
    EXPECT_FALSE(platform_tcp_probe().connect("", 81, 500));
    EXPECT_FALSE(platform_tcp_probe().connect("no-such-host.invalid", 81, 500));
}

TEST(PlatformTcpProbe, AnUnansweredRequestGivesUpAtTheTimeOut) {
    // Without the time-out the system retries for minutes; the bound is generous for a busy machine.
    LoopbackListener listener(Mode::saturated);
    ASSERT_TRUE(listener.ready());
    const auto start = std::chrono::steady_clock::now();
    platform_tcp_probe().connect(listener.host(), listener.port(), 300);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace mervolt
