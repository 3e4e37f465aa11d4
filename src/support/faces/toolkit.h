#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "support/faces/event_pump.h"
#include "support/window_design.h"

namespace mervolt {

// The window toolkit: exactly what the client's windows ask of it. It turns a WindowDesign into
// real controls (Win32) or in-memory ones (tests) and delivers their events to the window's
// handlers. Texts are local-code-page (GBK) byte strings.

// A loaded window; 0 is none.
using WindowId = std::uintptr_t;

enum class EventKind {
    clicked,          // button, check box, radio button
    key_pressed,      // edit box; argument = virtual-key code; the key still reaches the box
    list_left_click,  // list view
};

struct ControlEvent {
    ControlId control;
    EventKind kind;
    std::int64_t argument = 0;
    bool is(ControlId c, EventKind k) const { return control == c && kind == k; }
};

// The handlers of one window, called on the user-interface thread.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // Every control exists and holds its designed state; the window is shown. This is where a
    // window learns its id: it runs before load_window returns (and inside run_modal).
    virtual void on_created(WindowId) {}
    // The window is about to be destroyed; its controls can still be read.
    virtual void on_destroying() {}
    virtual void on_control_event(const ControlEvent&) {}
    virtual void on_timer(TimerId) {}
};

enum class Placement { minimised, restored_centred };

// A 24-bit colour as the system stores it: red in the low byte (255 is red), blue in the high.
using Colour = std::uint32_t;
inline constexpr Colour colour_black = 0;
inline constexpr Colour colour_red = 255;

// Every operation is used on the user-interface thread. Operations on a window that no longer
// exists do nothing and read as empty (text "", count 0, row -1).
class Toolkit : public EventPump {
public:
    // Creates the window and its controls, shows it, starts its timers and runs on_created
    // before it returns.
    virtual WindowId load_window(const WindowDesign& design, WindowEvents& events) = 0;
    // Loads the window as a modal dialog of owner and returns once it has been destroyed; the
    // owner takes no input meanwhile, while timers and workers go on.
    virtual void run_modal(const WindowDesign& design, WindowEvents& events, WindowId owner) = 0;
    virtual bool exists(WindowId window) = 0;
    virtual bool visible(WindowId window) = 0;
    virtual void set_visible(WindowId window, bool visible) = 0;
    virtual void set_placement(WindowId window, Placement placement) = 0;
    // Runs on_destroying, then removes the window. The process's last window ends the loop.
    virtual void destroy(WindowId window) = 0;

    // Controls
    virtual std::string text(WindowId window, ControlId control) = 0;
    virtual void set_text(WindowId window, ControlId control, std::string_view text) = 0;
    virtual bool checked(WindowId window, ControlId control) = 0;
    // Raises no click.
    virtual void set_checked(WindowId window, ControlId control, bool checked) = 0;
    virtual void set_enabled(WindowId window, ControlId control, bool enabled) = 0;
    virtual void set_text_colour(WindowId window, ControlId control, Colour colour) = 0;
    virtual void focus(WindowId window, ControlId control) = 0;

    // Report-style list view; rows and columns counted from 0.
    virtual void delete_all_rows(WindowId window, ControlId list) = 0;
    virtual int append_row(WindowId window, ControlId list) = 0;  // the new row's index
    virtual void set_cell(WindowId window, ControlId list, int row, int column, std::string_view text) = 0;
    virtual std::string cell(WindowId window, ControlId list, int row, int column) = 0;
    virtual int row_count(WindowId window, ControlId list) = 0;
    // The first row whose cell in column equals text exactly, or -1.
    virtual int find_row(WindowId window, ControlId list, int column, std::string_view text) = 0;
    virtual int selected_row(WindowId window, ControlId list) = 0;  // -1 for none

    // Combo box
    virtual void clear_selection(WindowId window, ControlId combo) = 0;
    virtual int item_count(WindowId window, ControlId combo) = 0;
    virtual std::string item_text(WindowId window, ControlId combo, int item) = 0;
    virtual std::int64_t item_value(WindowId window, ControlId combo, int item) = 0;
    // Selects the first item with exactly this text; false when there is none.
    virtual bool select_item(WindowId window, ControlId combo, std::string_view text) = 0;

    // The themed control look for every window of the thread, present and later ones.
    virtual void use_themed_look() = 0;

    // Runs the message loop until the last window is gone; returns the exit code.
    virtual int run_message_loop() = 0;
    // serve_pending (EventPump): dispatches every waiting message of the thread, then returns.
};

}  // namespace mervolt
