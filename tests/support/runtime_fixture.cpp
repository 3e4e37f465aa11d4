#include "support/runtime_fixture.h"

#include "platform/platform_faces.h"

namespace mervolt {

ScopedSupportRuntime::ScopedSupportRuntime(TextCodec* codec, SystemClock* clock, EventPump* pump, ThreadStarter* threads) {
    const SupportRuntime& current = support_runtime();
    codec_ = current.codec;
    clock_ = current.clock;
    pump_ = current.pump;
    threads_ = current.threads;
    install_support_runtime(codec, clock, pump, threads);
}

ScopedSupportRuntime::~ScopedSupportRuntime() { install_support_runtime(codec_, clock_, pump_, threads_); }

VirtualRuntimeTest::VirtualRuntimeTest() : runtime_(&platform_text_codec(), &clock, &pump, &threads) {}

}  // namespace mervolt
