#include "ui/expiry_colour.h"

#include "support/text.h"

namespace mervolt {

Colour expiry_colour(std::string_view expiry_text, const LocalDateTime& now) {
    return compare_clamped(now, parse_date_time(expiry_text)) > 0 ? colour_red : colour_black;
}

}  // namespace mervolt
