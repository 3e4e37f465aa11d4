#include "service/timed_message.h"

#include "support/text.h"

namespace mervolt {

namespace {

// Window trees are shallow; the bound only keeps a broken answer from looping for ever.
constexpr int max_ancestor_steps = 256;

NativeWindow top_level_of(MessageBoxFace& face, NativeWindow window) {
    const NativeWindow desktop = face.desktop_window();
    for (int step = 0; window != 0 && step < max_ancestor_steps; ++step) {
        const NativeWindow parent = face.parent_of(window);
        if (parent == 0 || parent == desktop || parent == window) break;
        window = parent;
    }
    return window;
}

}  // namespace

int show_timed_message(MessageBoxes boxes, std::string_view text, std::uint32_t style, std::string_view title,
                       NativeWindow owner, std::int32_t timeout_ms) {
    if (owner == 0) owner = boxes.face.active_window();
    owner = top_level_of(boxes.face, owner);
    const std::string default_title = title.empty() ? boxes.files.executable_name() : std::string();
    if (title.empty()) title = default_title;
    if (style == 0) style = message_style_information;
    // Or-ed rather than added: a caller's own foreground flag must not carry into the next bit.
    const std::uint32_t type = style | message_style_set_foreground;
    const std::uint32_t timeout = timeout_ms > 0 ? static_cast<std::uint32_t>(timeout_ms) : 0xFFFFFFFFu;
    return boxes.face.message_box_timeout(owner, local_to_wide(text), local_to_wide(title), type, 0, timeout) - 1;
}

}  // namespace mervolt
