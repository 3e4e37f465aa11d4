#pragma once
#include <cstdint>

namespace simras {

// The remote-access service's text for an error code, GBK, or nullptr for a code it does not
// describe. Every text fits RasGetErrorString's customary 100-byte buffer with its NUL.
const char* ras_error_text(std::uint32_t code);

}  // namespace simras
