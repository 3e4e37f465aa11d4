#pragma once
#include <cstdint>
#include <string_view>

#include "support/faces/file_system.h"
#include "support/faces/message_box.h"

namespace mervolt {

inline constexpr std::uint32_t message_style_information = 64;  // information icon, one OK button
inline constexpr std::uint32_t message_style_set_foreground = 65536;
inline constexpr int message_timed_out = 31999;                  // the system's 32000, minus 1

// The faces every modal message of the client goes through.
struct MessageBoxes {
    MessageBoxFace& face;
    FileSystem& files;  // the executable's file name is the default title
};

// Shows a modal message box on top of the top-level window of owner (default: the calling
// thread's active window) and returns the pressed button's id minus 1 (31999 after a time-out).
// Style 0 means information with OK; an empty title means the executable's file name; a
// time-out of 0 or below means none.
int show_timed_message(MessageBoxes boxes, std::string_view text, std::uint32_t style = 0,
                       std::string_view title = {}, NativeWindow owner = 0, std::int32_t timeout_ms = 0);

}  // namespace mervolt
