#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_event_pump.h"
#include "support/faces/toolkit.h"

namespace mervolt {

// In-memory windows and controls. A test plays the user (click, type, press a key, pick a row)
// and reads back what the windows show. The message queue is a FakeEventPump: what the test posts
// there (for example a click at some virtual time) runs when the client serves its events, in
// pump_delay or in a loop. Destroyed windows stay readable for the test but no longer exist for
// the client.
class FakeToolkit final : public Toolkit {
public:
    explicit FakeToolkit(FakeEventPump& queue) : queue_(queue) {}

    struct Control {
        std::string text;
        bool checked = false;
        bool enabled = true;
        std::optional<Colour> colour;
        std::vector<std::vector<std::string>> rows;  // list view
        int selected_row = -1;
        std::vector<ComboItem> items;                // combo box (texts point into the design)
        int selected_item = -1;
    };
    struct Window {
        const WindowDesign* design = nullptr;
        WindowEvents* events = nullptr;
        bool exists = true;
        bool visible = true;
        bool modal = false;
        std::vector<Placement> placements;
        ControlId focus = in_window;
        std::vector<Control> controls;
    };

    // Toolkit
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
    void use_themed_look() override { themed = true; }
    int run_message_loop() override;
    void serve_pending() override;

    // The user. Each acts at once, on an existing window only.
    void click(WindowId window, ControlId control);  // check boxes toggle, radio buttons select
    void type(WindowId window, ControlId control, std::string_view text);
    void press_key(WindowId window, ControlId control, int key_code);
    void click_row(WindowId window, ControlId list, int row);  // selects the row (-1: none) and clicks
    void fire_timer(WindowId window, TimerId timer);

    // What the windows show.
    const Window& window(WindowId window) const;
    const Control& control(WindowId window, ControlId control) const;
    // The latest window loaded from the design of that name (0 if none was).
    WindowId latest(std::string_view design_name) const;
    int loads(std::string_view design_name) const;
    bool themed = false;

private:
    // Serves the queue while the condition holds and messages are waiting, due now or later.
    void serve_while(const std::function<bool()>& condition);
    Window* live(WindowId window);
    Control* live(WindowId window, ControlId control);

    FakeEventPump& queue_;
    std::map<WindowId, std::unique_ptr<Window>> windows_;
    WindowId next_id_ = 1;
};

}  // namespace mervolt
