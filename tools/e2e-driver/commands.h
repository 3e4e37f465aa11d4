#pragma once
#include <string>

#include "protocol.h"

namespace driver {

// Carries out one request and gives its reply line (without the line end). Never throws.
std::string answer(const Request& request);
// True for the request that ends the driver.
bool is_quit(const Request& request);

}  // namespace driver
