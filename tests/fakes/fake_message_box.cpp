#include "fakes/fake_message_box.h"

namespace mervolt {

NativeWindow FakeMessageBox::parent_of(NativeWindow window) {
    const auto found = parents.find(window);
    return found == parents.end() ? 0 : found->second;
}

int FakeMessageBox::message_box_timeout(NativeWindow owner, const std::u16string& text, const std::u16string& title,
                                        std::uint32_t type, std::uint16_t language, std::uint32_t timeout_ms) {
    shown.push_back({owner, text, title, type, language, timeout_ms});
    if (while_open) while_open();
    return answer;
}

}  // namespace mervolt
