#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "support/gzip.h"

namespace mervolt {

// Reading a response's raw header block: the status line and header lines, each ending in CR LF.

struct RawHeaderField {
    std::string_view value;  // the text after "Name:" up to the line end (or the block's end)
    bool line_ended = false; // a CR LF follows the value
};

// The first line whose header name is `name` (any letter case), at the block's start or after a
// CR LF.
std::optional<RawHeaderField> find_raw_header(std::string_view raw_headers, std::string_view name);

// The content coding an HTTP layer undoes when its HTTP decoding is on: the first
// Content-Encoding line, when its value (blanks trimmed, any letter case) is gzip or deflate.
std::optional<ContentCoding> undoable_content_coding(std::string_view raw_headers);

// The block without the Content-Encoding lines that name an undoable coding: what the headers of
// a body say once the HTTP layer has decoded it, so that nobody decodes it a second time.
std::string without_undoable_content_coding(std::string_view raw_headers);

}  // namespace mervolt
