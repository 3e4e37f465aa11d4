#pragma once
#include <string_view>

#include "support/faces/system_clock.h"
#include "support/faces/toolkit.h"

namespace mervolt {

// The colour of the expiry label: red once now is later than the expiry read from the text (a
// text that is no date reads as the earliest date, so it shows red), black otherwise, equality
// included. Both are clamped to the date range before they are compared.
Colour expiry_colour(std::string_view expiry_text, const LocalDateTime& now);

}  // namespace mervolt
