#pragma once
#include <gtest/gtest.h>

#include "fakes/fake_event_pump.h"
#include "fakes/fake_thread_starter.h"
#include "fakes/virtual_clock.h"
#include "support/support_runtime.h"

namespace mervolt {

// Installs faces into support_runtime() for the lifetime of the object and puts back what was
// installed before (test_main installs the platform's real faces).
class ScopedSupportRuntime {
public:
    ScopedSupportRuntime(TextCodec* codec, SystemClock* clock, EventPump* pump, ThreadStarter* threads);
    ~ScopedSupportRuntime();
    ScopedSupportRuntime(const ScopedSupportRuntime&) = delete;
    ScopedSupportRuntime& operator=(const ScopedSupportRuntime&) = delete;

private:
    TextCodec* codec_;
    SystemClock* clock_;
    EventPump* pump_;
    ThreadStarter* threads_;
};

// A test on virtual time: the real code-page conversion, a virtual clock, a queue of window
// messages and recorded worker threads.
class VirtualRuntimeTest : public testing::Test {
protected:
    VirtualRuntimeTest();

    VirtualClock clock;
    FakeEventPump pump;
    FakeThreadStarter threads;

private:
    ScopedSupportRuntime runtime_;  // after the faces it installs, so it goes before them
};

}  // namespace mervolt
