#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace mervolt {

// Windows are designed in portable code: a window is a table of its controls (name, kind,
// parent, place, caption, initial state) plus the handlers of its events. The toolkit turns a
// design into real or in-memory controls. Captions are local-code-page (GBK) texts.

// A control's index in its window's design table. Each row carries its own id, so a window names
// its controls with an enum whose enumerators are the design names.
using ControlId = int;
// The parent of a control placed directly in the window.
inline constexpr ControlId in_window = -1;

using TimerId = int;

enum class ControlKind {
    group_box,
    picture_box,
    label,
    edit,
    button,
    check_box,
    radio_button,
    combo_box,
    list_view,
};

// Initial state and variants of a control, combined with |.
enum ControlFlags : unsigned {
    no_flags = 0,
    starts_checked = 1u << 0,  // check box ticked, radio button selected at opening
    group_start = 1u << 1,     // first radio button of a group
    password = 1u << 2,        // edit box shows each character as an asterisk
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ColumnDesign {
    std::string_view title;
    int width;
};

struct ComboItem {
    std::string_view text;
    std::int64_t value;
};

struct ControlDesign {
    ControlId id;           // equals the row's index in the table
    std::string_view name;  // the design name
    ControlKind kind;
    ControlId parent;       // in_window, or a group box (earlier in the table) the place is relative to
    Rect place;
    std::string_view caption{};
    unsigned flags = no_flags;
    std::string_view picture{};               // picture box: the program's image resource
    std::span<const ColumnDesign> columns{};  // list view: its report columns
    std::span<const ComboItem> items{};       // combo box: its items
};

struct TimerDesign {
    TimerId id;
    std::string_view name;
    std::uint32_t period_ms;  // fixed for the window's lifetime
};

struct WindowDesign {
    std::string_view name;
    std::string_view title;
    Rect place;  // outer frame, on the screen
    std::span<const ControlDesign> controls;
    std::span<const TimerDesign> timers{};
};

// The control's place on the window's client area: its own place moved by the origins of the
// group boxes it lies in.
Rect client_rect_of(const WindowDesign& design, ControlId control);

// The radio buttons that exclude each other: the run of radio-button rows that holds control,
// starting at a group_start row (or the run's first row) and ending before the next group_start
// row or the next row of another kind. Empty when control is not a radio button.
std::span<const ControlDesign> radio_group_of(const WindowDesign& design, ControlId control);

// True when every row's id is its index and every parent is a group box listed before it; the
// toolkits rely on both.
bool design_is_consistent(const WindowDesign& design);

}  // namespace mervolt
