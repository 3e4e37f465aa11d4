#pragma once
#include <string>
#include <string_view>

namespace mervolt {

// The bytes in the gzip container (zlib, fastest level).
std::string gzip_compress(std::string_view bytes);

}  // namespace mervolt
