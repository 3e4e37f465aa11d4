#include <gtest/gtest.h>

#include "platform/win32/win32_tcp_probe.h"
#include "support/tcp_probe_cases.h"

namespace mervolt {
namespace {

TEST(Win32TcpProbe, ConnectsOnlyToAnAnsweringPortWithinItsTimeOut) {
    Win32TcpProbe probe;
    expect_tcp_probe_behaviour(probe);
}

}  // namespace
}  // namespace mervolt
