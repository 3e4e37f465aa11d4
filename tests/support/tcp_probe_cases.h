#pragma once
#include "support/faces/tcp_probe.h"

namespace mervolt {

// What every real TcpProbe must do, run by the platform tests with their own implementation.
void expect_tcp_probe_behaviour(TcpProbe& probe);

}  // namespace mervolt
