#include "gzip_coding.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <zlib.h>

namespace demo {
namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The q parameter of one coding ("gzip;q=0.5"); 1 when it has none.
double quality_of(std::string_view parameters) {
    while (!parameters.empty()) {
        size_t semicolon = parameters.find(';');
        std::string_view parameter = trim(parameters.substr(0, semicolon));
        parameters = semicolon == std::string_view::npos ? std::string_view{} : parameters.substr(semicolon + 1);
        if (parameter.size() >= 2 && (parameter[0] == 'q' || parameter[0] == 'Q') && parameter[1] == '=')
            return std::strtod(std::string(parameter.substr(2)).c_str(), nullptr);
    }
    return 1.0;
}

}  // namespace

std::string gzip_compress(std::string_view body) {
    z_stream stream{};
    // 15 + 16: the largest window, with a gzip header and trailer instead of zlib's.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, static_cast<uLong>(body.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    return out;
}

bool accepts_gzip(std::string_view accept_encoding) {
    while (!accept_encoding.empty()) {
        size_t comma = accept_encoding.find(',');
        std::string_view coding = accept_encoding.substr(0, comma);
        accept_encoding = comma == std::string_view::npos ? std::string_view{} : accept_encoding.substr(comma + 1);
        size_t semicolon = coding.find(';');
        std::string_view name = trim(coding.substr(0, semicolon));
        if (!equals_ignoring_case(name, "gzip") && !equals_ignoring_case(name, "x-gzip")) continue;
        double quality = semicolon == std::string_view::npos ? 1.0 : quality_of(coding.substr(semicolon + 1));
        if (quality > 0) return true;
    }
    return false;
}

}  // namespace demo
