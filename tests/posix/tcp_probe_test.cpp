#include <gtest/gtest.h>

#include "platform/posix/posix_tcp_probe.h"
#include "support/tcp_probe_cases.h"

namespace mervolt {
namespace {

TEST(PosixTcpProbe, ConnectsOnlyToAnAnsweringPortWithinItsTimeOut) {
    PosixTcpProbe probe;
    expect_tcp_probe_behaviour(probe);
}

}  // namespace
}  // namespace mervolt
