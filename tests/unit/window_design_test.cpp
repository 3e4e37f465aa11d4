#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/window_design.h"

namespace mervolt {
namespace {

// A frame inside a frame inside the window, and two radio groups side by side with a label
// between the second group and a third one.
enum : ControlId { outer, inner, deep_label, top_label, r1, r2, r3, r4, r5, gap_label, r6 };
constexpr std::array<ControlDesign, 11> rows{{
    {outer, "outer", ControlKind::group_box, in_window, {10, 20, 300, 200}},
    {inner, "inner", ControlKind::group_box, outer, {5, 7, 100, 80}},
    {deep_label, "deep_label", ControlKind::label, inner, {1, 2, 30, 10}, "deep"},
    {top_label, "top_label", ControlKind::label, in_window, {-3, -1, 30, 10}, "top"},
    {r1, "r1", ControlKind::radio_button, in_window, {0, 0, 10, 10}, "1", group_start},
    {r2, "r2", ControlKind::radio_button, in_window, {0, 0, 10, 10}, "2"},
    {r3, "r3", ControlKind::radio_button, outer, {0, 0, 10, 10}, "3", group_start | starts_checked},
    {r4, "r4", ControlKind::radio_button, outer, {0, 0, 10, 10}, "4"},
    {r5, "r5", ControlKind::radio_button, outer, {0, 0, 10, 10}, "5"},
    {gap_label, "gap_label", ControlKind::label, in_window, {0, 0, 10, 10}},
    {r6, "r6", ControlKind::radio_button, in_window, {0, 0, 10, 10}, "6"},
}};
constexpr WindowDesign design{"test", "test", {0, 0, 400, 300}, rows};

TEST(WindowDesign, ControlsAreMovedByTheGroupBoxesTheyLieIn) {
    EXPECT_EQ(client_rect_of(design, outer), (Rect{10, 20, 300, 200}));
    EXPECT_EQ(client_rect_of(design, inner), (Rect{15, 27, 100, 80}));
    EXPECT_EQ(client_rect_of(design, deep_label), (Rect{16, 29, 30, 10}));
    EXPECT_EQ(client_rect_of(design, top_label), (Rect{-3, -1, 30, 10}));
}

TEST(WindowDesign, RadioGroupsRunFromAGroupStartToTheNextStartOrOtherKind) {
    const struct {
        ControlId control;
        std::string members;
    } cases[] = {
        {r1, "12"}, {r2, "12"},              // ended by the next group's start
        {r3, "345"}, {r5, "345"},            // ended by a control of another kind
        {r6, "6"},                           // a run without a start begins at its first row
        {top_label, ""},                     // not a radio button
    };
    for (const auto& c : cases) {
        std::string members;
        for (const ControlDesign& row : radio_group_of(design, c.control)) members += row.caption;
        EXPECT_EQ(members, c.members) << rows[static_cast<std::size_t>(c.control)].name;
    }
}

TEST(WindowDesign, ConsistencyNeedsIdsInOrderAndGroupBoxParentsListedFirst) {
    EXPECT_TRUE(design_is_consistent(design));

    constexpr std::array<ControlDesign, 2> id_out_of_order{{
        {1, "a", ControlKind::label, in_window, {}},
        {0, "b", ControlKind::label, in_window, {}},
    }};
    constexpr std::array<ControlDesign, 2> parent_is_a_label{{
        {0, "a", ControlKind::label, in_window, {}},
        {1, "b", ControlKind::label, 0, {}},
    }};
    constexpr std::array<ControlDesign, 2> parent_listed_later{{
        {0, "a", ControlKind::label, 1, {}},
        {1, "b", ControlKind::group_box, in_window, {}},
    }};
    constexpr std::array<ControlDesign, 1> own_parent{{
        {0, "a", ControlKind::group_box, 0, {}},
    }};
    EXPECT_FALSE(design_is_consistent({"w", "w", {}, id_out_of_order}));
    EXPECT_FALSE(design_is_consistent({"w", "w", {}, parent_is_a_label}));
    EXPECT_FALSE(design_is_consistent({"w", "w", {}, parent_listed_later}));
    EXPECT_FALSE(design_is_consistent({"w", "w", {}, own_parent}));
}

}  // namespace
}  // namespace mervolt
