#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/faces/message_box.h"

namespace mervolt {

// Records every box shown and answers at once with the configured button. A window tree
// (parent_of) and the active window are set by the test; while_open runs inside each box, as
// the handlers that a real box's message loop serves.
class FakeMessageBox final : public MessageBoxFace {
public:
    struct Shown {
        NativeWindow owner;
        std::u16string text;   // as passed, with its terminating zero
        std::u16string title;
        std::uint32_t type;
        std::uint16_t language;
        std::uint32_t timeout_ms;
    };

    NativeWindow active_window() override { return active; }
    NativeWindow parent_of(NativeWindow window) override;
    NativeWindow desktop_window() override { return desktop; }
    int message_box_timeout(NativeWindow owner, const std::u16string& text, const std::u16string& title,
                            std::uint32_t type, std::uint16_t language, std::uint32_t timeout_ms) override;

    NativeWindow active = 0;
    NativeWindow desktop = 0xD35C;
    std::map<NativeWindow, NativeWindow> parents;  // missing: no parent
    int answer = 1;                                // IDOK
    std::function<void()> while_open;
    std::vector<Shown> shown;
};

}  // namespace mervolt
