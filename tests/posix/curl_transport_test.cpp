// What only the native transport can show: Wine's WinInet ignores the connect time-out (a connect
// that is never answered takes the system's own, over two minutes, per attempt).
#include <gtest/gtest.h>

#include "platform/platform_faces.h"
#include "support/loopback_listener.h"
#include "support/web_client.h"

namespace mervolt {
namespace {

// A host that never completes the connection: the connect time-out ends the request (a time-out
// is not retried).
TEST(CurlTransport, UnansweredConnectEndsByTheConnectTimeOut) {
    LoopbackListener saturated(LoopbackListener::Mode::saturated);
    ASSERT_TRUE(saturated.ready());
    WebClient client(platform_http_transport());
    client.set_timeouts(300, 300, 300);
    EXPECT_FALSE(client.post_text(saturated.host() + ":" + std::to_string(saturated.port()) + "/x", {}, {}, {}));
    EXPECT_EQ(client.response_text(), "");
}

}  // namespace
}  // namespace mervolt
