#include "gbk_conversion.h"

#include <cerrno>
#include <iconv.h>

// The service's own literals are UTF-8 (see CMakeLists.txt); the client's build would make this 3.
static_assert(sizeof("億") == 4, "demo service literals must be compiled as UTF-8");

namespace demo {
namespace {

std::optional<std::string> convert(const char* to, const char* from, std::string_view input) {
    // One descriptor per call: an iconv_t carries shift state and must not be shared by threads.
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string output;
    char buffer[256];
    char* in = const_cast<char*>(input.data());
    size_t in_left = input.size();
    bool ok = true;
    while (in_left > 0) {
        char* out = buffer;
        size_t out_left = sizeof buffer;
        size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
        output.append(buffer, static_cast<size_t>(out - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            ok = false;  // EILSEQ or EINVAL: a malformed or truncated sequence
            break;
        }
        if (rc != static_cast<size_t>(-1) && rc > 0) {
            ok = false;  // glibc counts characters it replaced instead of failing
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return output;
}

}  // namespace

std::optional<std::string> gbk_to_utf8(std::string_view gbk) { return convert("UTF-8", "CP936", gbk); }

std::optional<std::string> utf8_to_gbk(std::string_view utf8) { return convert("CP936", "UTF-8", utf8); }

}  // namespace demo
