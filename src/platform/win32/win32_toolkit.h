#pragma once
#include <windows.h>

#include "support/faces/text_codec.h"
#include "support/faces/toolkit.h"

namespace mervolt {

// The toolkit on user32/comctl32: each design row becomes a native control at its place, with
// its caption and initial state, in a CJK font; events reach the window's handlers.
class Win32Toolkit final : public Toolkit {
public:
    Win32Toolkit(TextCodec& codec, HINSTANCE instance);
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    WindowId load_window(const WindowDesign& design, WindowEvents& events) override;
    void run_modal(const WindowDesign& design, WindowEvents& events, WindowId owner) override;
    bool exists(WindowId window) override;
    bool visible(WindowId window) override;
    void set_visible(WindowId window, bool visible) override;
    void set_placement(WindowId window, Placement placement) override;
    void destroy(WindowId window) override;

    std::string text(WindowId window, ControlId control) override;
    void set_text(WindowId window, ControlId control, std::string_view text) override;
    bool checked(WindowId window, ControlId control) override;
    void set_checked(WindowId window, ControlId control, bool checked) override;
    void set_enabled(WindowId window, ControlId control, bool enabled) override;
    void set_text_colour(WindowId window, ControlId control, Colour colour) override;
    void focus(WindowId window, ControlId control) override;

    void delete_all_rows(WindowId window, ControlId list) override;
    int append_row(WindowId window, ControlId list) override;
    void set_cell(WindowId window, ControlId list, int row, int column, std::string_view text) override;
    std::string cell(WindowId window, ControlId list, int row, int column) override;
    int row_count(WindowId window, ControlId list) override;
    int find_row(WindowId window, ControlId list, int column, std::string_view text) override;
    int selected_row(WindowId window, ControlId list) override;

    void clear_selection(WindowId window, ControlId combo) override;
    int item_count(WindowId window, ControlId combo) override;
    std::string item_text(WindowId window, ControlId combo, int item) override;
    std::int64_t item_value(WindowId window, ControlId combo, int item) override;
    bool select_item(WindowId window, ControlId combo, std::string_view text) override;

    void use_themed_look() override;
    int run_message_loop() override;
    void serve_pending() override;

    // The native handle of a loaded window or of one of its controls (in_window: the window).
    HWND native_handle(WindowId window, ControlId control = in_window);

private:
    HWND create_window(const WindowDesign& design, WindowEvents& events, HWND owner);
    HWND control(WindowId window, ControlId control);

    TextCodec& codec_;
    HINSTANCE instance_;
};

}  // namespace mervolt
