#pragma once
#include <cstdint>
#include <string>

namespace mervolt {

// A native window handle as the message box needs it; 0 is none.
using NativeWindow = std::uintptr_t;

// The system message box that closes itself after a time-out, and the window queries that find
// its owner. Texts are UTF-16 with a terminating zero.
class MessageBoxFace {
public:
    virtual ~MessageBoxFace() = default;
    // The calling thread's active window, or 0.
    virtual NativeWindow active_window() = 0;
    // The ancestor one level up (for a top-level window: the desktop), or 0.
    virtual NativeWindow parent_of(NativeWindow window) = 0;
    virtual NativeWindow desktop_window() = 0;
    // Blocks until the box closes; the pressed button's id, or 32000 when the time-out closed it.
    // A time-out of 0xFFFFFFFF means none.
    virtual int message_box_timeout(NativeWindow owner, const std::u16string& text, const std::u16string& title,
                                    std::uint32_t type, std::uint16_t language, std::uint32_t timeout_ms) = 0;
};

}  // namespace mervolt
