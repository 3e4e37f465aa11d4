#include "support/support_runtime.h"

namespace mervolt {

SupportRuntime& support_runtime() {
    static SupportRuntime runtime;
    return runtime;
}

void install_support_runtime(TextCodec* codec, SystemClock* clock, EventPump* pump, ThreadStarter* threads) {
    SupportRuntime& runtime = support_runtime();
    runtime.codec = codec;
    runtime.clock = clock;
    runtime.pump = pump;
    runtime.threads = threads;
    runtime.extended_ticks.store(0);
}

}  // namespace mervolt
