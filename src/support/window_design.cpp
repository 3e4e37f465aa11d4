#include "support/window_design.h"

namespace mervolt {

Rect client_rect_of(const WindowDesign& design, ControlId control) {
    Rect rect = design.controls[static_cast<std::size_t>(control)].place;
    for (ControlId parent = design.controls[static_cast<std::size_t>(control)].parent; parent != in_window;
         parent = design.controls[static_cast<std::size_t>(parent)].parent) {
        rect.x += design.controls[static_cast<std::size_t>(parent)].place.x;
        rect.y += design.controls[static_cast<std::size_t>(parent)].place.y;
    }
    return rect;
}

std::span<const ControlDesign> radio_group_of(const WindowDesign& design, ControlId control) {
    const auto rows = design.controls;
    const auto is_radio = [&](std::size_t i) { return rows[i].kind == ControlKind::radio_button; };
    auto first = static_cast<std::size_t>(control);
    if (first >= rows.size() || !is_radio(first)) return {};
    while (first > 0 && !(rows[first].flags & group_start) && is_radio(first - 1)) --first;
    std::size_t end = static_cast<std::size_t>(control) + 1;
    while (end < rows.size() && is_radio(end) && !(rows[end].flags & group_start)) ++end;
    return rows.subspan(first, end - first);
}

bool design_is_consistent(const WindowDesign& design) {
    for (std::size_t i = 0; i < design.controls.size(); ++i) {
        const ControlDesign& row = design.controls[i];
        if (row.id != static_cast<ControlId>(i)) return false;
        if (row.parent == in_window) continue;
        if (row.parent < 0 || row.parent >= row.id) return false;
        if (design.controls[static_cast<std::size_t>(row.parent)].kind != ControlKind::group_box) return false;
    }
    return true;
}

}  // namespace mervolt
