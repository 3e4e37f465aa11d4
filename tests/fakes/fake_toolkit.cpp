#include "fakes/fake_toolkit.h"

#include <stdexcept>

#include "support/delay.h"

namespace mervolt {

WindowId FakeToolkit::load_window(const WindowDesign& design, WindowEvents& events) {
    if (!design_is_consistent(design)) throw std::logic_error("inconsistent window design");
    const WindowId id = next_id_++;
    auto window = std::make_unique<Window>();
    window->design = &design;
    window->events = &events;
    for (const ControlDesign& row : design.controls) {
        Control control;
        control.text = std::string(row.caption);
        control.checked = (row.flags & starts_checked) != 0;
        control.items.assign(row.items.begin(), row.items.end());
        window->controls.push_back(std::move(control));
    }
    windows_[id] = std::move(window);
    events.on_created(id);
    return id;
}

void FakeToolkit::run_modal(const WindowDesign& design, WindowEvents& events, WindowId) {
    const WindowId id = load_window(design, events);
    windows_[id]->modal = true;
    serve_while([&] { return exists(id); });
    // Nothing left for the user to do: the dialog is closed by its close box.
    destroy(id);
}

bool FakeToolkit::exists(WindowId window) { return live(window) != nullptr; }

bool FakeToolkit::visible(WindowId window) {
    Window* w = live(window);
    return w && w->visible;
}

void FakeToolkit::set_visible(WindowId window, bool visible) {
    if (Window* w = live(window)) w->visible = visible;
}

void FakeToolkit::set_placement(WindowId window, Placement placement) {
    if (Window* w = live(window)) w->placements.push_back(placement);
}

void FakeToolkit::destroy(WindowId window) {
    Window* w = live(window);
    if (!w) return;
    w->events->on_destroying();
    w->exists = false;
}

std::string FakeToolkit::text(WindowId window, ControlId control) {
    Control* c = live(window, control);
    return c ? c->text : std::string();
}

void FakeToolkit::set_text(WindowId window, ControlId control, std::string_view text) {
    if (Control* c = live(window, control)) c->text = std::string(text);
}

bool FakeToolkit::checked(WindowId window, ControlId control) {
    Control* c = live(window, control);
    return c && c->checked;
}

void FakeToolkit::set_checked(WindowId window, ControlId control, bool checked) {
    Control* c = live(window, control);
    if (!c) return;
    if (checked)
        for (const ControlDesign& other : radio_group_of(*windows_[window]->design, control))
            windows_[window]->controls[static_cast<std::size_t>(other.id)].checked = false;
    c->checked = checked;
}

void FakeToolkit::set_enabled(WindowId window, ControlId control, bool enabled) {
    if (Control* c = live(window, control)) c->enabled = enabled;
}

void FakeToolkit::set_text_colour(WindowId window, ControlId control, Colour colour) {
    if (Control* c = live(window, control)) c->colour = colour;
}

void FakeToolkit::focus(WindowId window, ControlId control) {
    if (live(window, control)) windows_[window]->focus = control;
}

void FakeToolkit::delete_all_rows(WindowId window, ControlId list) {
    if (Control* c = live(window, list)) {
        c->rows.clear();
        c->selected_row = -1;
    }
}

int FakeToolkit::append_row(WindowId window, ControlId list) {
    Control* c = live(window, list);
    if (!c) return -1;
    c->rows.emplace_back();
    return static_cast<int>(c->rows.size()) - 1;
}

void FakeToolkit::set_cell(WindowId window, ControlId list, int row, int column, std::string_view text) {
    Control* c = live(window, list);
    if (!c || row < 0 || row >= static_cast<int>(c->rows.size()) || column < 0) return;
    auto& cells = c->rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = std::string(text);
}

std::string FakeToolkit::cell(WindowId window, ControlId list, int row, int column) {
    Control* c = live(window, list);
    if (!c || row < 0 || row >= static_cast<int>(c->rows.size()) || column < 0) return {};
    const auto& cells = c->rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : std::string();
}

int FakeToolkit::row_count(WindowId window, ControlId list) {
    Control* c = live(window, list);
    return c ? static_cast<int>(c->rows.size()) : 0;
}

int FakeToolkit::find_row(WindowId window, ControlId list, int column, std::string_view text) {
    for (int row = 0; row < row_count(window, list); ++row)
        if (cell(window, list, row, column) == text) return row;
    return -1;
}

int FakeToolkit::selected_row(WindowId window, ControlId list) {
    Control* c = live(window, list);
    return c ? c->selected_row : -1;
}

void FakeToolkit::clear_selection(WindowId window, ControlId combo) {
    if (Control* c = live(window, combo)) c->selected_item = -1;
}

int FakeToolkit::item_count(WindowId window, ControlId combo) {
    Control* c = live(window, combo);
    return c ? static_cast<int>(c->items.size()) : 0;
}

std::string FakeToolkit::item_text(WindowId window, ControlId combo, int item) {
    Control* c = live(window, combo);
    if (!c || item < 0 || item >= static_cast<int>(c->items.size())) return {};
    return std::string(c->items[static_cast<std::size_t>(item)].text);
}

std::int64_t FakeToolkit::item_value(WindowId window, ControlId combo, int item) {
    Control* c = live(window, combo);
    if (!c || item < 0 || item >= static_cast<int>(c->items.size())) return 0;
    return c->items[static_cast<std::size_t>(item)].value;
}

bool FakeToolkit::select_item(WindowId window, ControlId combo, std::string_view text) {
    Control* c = live(window, combo);
    if (!c) return false;
    for (std::size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i].text == text) {
            c->selected_item = static_cast<int>(i);
            c->text = std::string(text);
            return true;
        }
    return false;
}

int FakeToolkit::run_message_loop() {
    serve_while([&] {
        for (const auto& entry : windows_)
            if (entry.second->exists) return true;
        return false;
    });
    return 0;
}

void FakeToolkit::serve_while(const std::function<bool()>& condition) {
    while (condition()) {
        const auto served = queue_.messages_served;
        serve_pending();
        if (queue_.messages_served != served) continue;
        // Nothing was due: wait for the next message as a message loop blocks, which moves a
        // virtual clock on. With nothing left at all, nothing else can happen.
        if (queue_.waiting() == 0) return;
        short_sleep(1);
    }
}

void FakeToolkit::serve_pending() { queue_.serve_pending(); }

void FakeToolkit::click(WindowId window, ControlId control) {
    Control* c = live(window, control);
    if (!c || !c->enabled) return;
    const ControlKind kind = windows_[window]->design->controls[static_cast<std::size_t>(control)].kind;
    if (kind == ControlKind::check_box) c->checked = !c->checked;
    if (kind == ControlKind::radio_button) set_checked(window, control, true);
    windows_[window]->events->on_control_event({control, EventKind::clicked});
}

void FakeToolkit::type(WindowId window, ControlId control, std::string_view text) {
    if (Control* c = live(window, control)) c->text = std::string(text);
}

void FakeToolkit::press_key(WindowId window, ControlId control, int key_code) {
    if (!live(window, control)) return;
    windows_[window]->events->on_control_event({control, EventKind::key_pressed, key_code});
}

void FakeToolkit::click_row(WindowId window, ControlId list, int row) {
    Control* c = live(window, list);
    if (!c) return;
    c->selected_row = row >= 0 && row < static_cast<int>(c->rows.size()) ? row : -1;
    windows_[window]->events->on_control_event({list, EventKind::list_left_click});
}

void FakeToolkit::fire_timer(WindowId window, TimerId timer) {
    if (Window* w = live(window)) w->events->on_timer(timer);
}

const FakeToolkit::Window& FakeToolkit::window(WindowId window) const { return *windows_.at(window); }

const FakeToolkit::Control& FakeToolkit::control(WindowId window, ControlId control) const {
    return windows_.at(window)->controls.at(static_cast<std::size_t>(control));
}

WindowId FakeToolkit::latest(std::string_view design_name) const {
    WindowId found = 0;
    for (const auto& [id, window] : windows_)
        if (window->design->name == design_name) found = id;
    return found;
}

int FakeToolkit::loads(std::string_view design_name) const {
    int count = 0;
    for (const auto& [id, window] : windows_) count += window->design->name == design_name;
    return count;
}

FakeToolkit::Window* FakeToolkit::live(WindowId window) {
    const auto found = windows_.find(window);
    return found != windows_.end() && found->second->exists ? found->second.get() : nullptr;
}

FakeToolkit::Control* FakeToolkit::live(WindowId window, ControlId control) {
    Window* w = live(window);
    if (!w || control < 0 || control >= static_cast<int>(w->controls.size())) return nullptr;
    return &w->controls[static_cast<std::size_t>(control)];
}

}  // namespace mervolt
