#pragma once
#include "support/faces/message_box.h"

namespace mervolt {

// MessageBoxTimeoutW of user32, resolved at run time. Its time-out is backed by a timer of the
// calling thread that ends the box with the time-out result itself, because Wine's
// MessageBoxTimeoutW shows the box but never closes it.
class Win32MessageBox final : public MessageBoxFace {
public:
    NativeWindow active_window() override;
    NativeWindow parent_of(NativeWindow window) override;
    NativeWindow desktop_window() override;
    int message_box_timeout(NativeWindow owner, const std::u16string& text, const std::u16string& title,
                            std::uint32_t type, std::uint16_t language, std::uint32_t timeout_ms) override;
};

}  // namespace mervolt
