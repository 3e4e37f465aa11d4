#include "support/gzip.h"

#include <zlib.h>

#include <algorithm>

namespace mervolt {

struct Inflater::Stream {
    z_stream z{};
    bool ready = false;
    bool done = false;
};

Inflater::Inflater(ContentCoding coding) : stream_(std::make_unique<Stream>()) {
    // 16 + MAX_WBITS: the gzip container; MAX_WBITS alone: the zlib container of "deflate".
    const int window_bits = coding == ContentCoding::gzip ? 16 + MAX_WBITS : MAX_WBITS;
    stream_->ready = inflateInit2(&stream_->z, window_bits) == Z_OK;
}

Inflater::~Inflater() {
    if (stream_->ready) inflateEnd(&stream_->z);
}

Inflater::Step Inflater::step(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    Step result;
    if (!stream_->ready) {
        result.failed = true;
        return result;
    }
    if (stream_->done) {
        result.finished = true;
        return result;
    }
    z_stream& z = stream_->z;
    const uInt in_size = static_cast<uInt>(std::min<std::size_t>(input.size(), 1u << 30));
    const uInt out_size = static_cast<uInt>(std::min<std::size_t>(output.size(), 1u << 30));
    z.next_in = const_cast<Bytef*>(input.data());
    z.avail_in = in_size;
    z.next_out = output.data();
    z.avail_out = out_size;
    const int rc = inflate(&z, Z_NO_FLUSH);
    result.consumed = in_size - z.avail_in;
    result.produced = out_size - z.avail_out;
    if (rc == Z_STREAM_END) {
        stream_->done = true;
        result.finished = true;
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        result.failed = true;
    }
    return result;
}

std::optional<std::vector<std::uint8_t>> gzip_decode(std::span<const std::uint8_t> body,
                                                     std::size_t max_output) {
    constexpr std::size_t piece = 8192;
    Inflater inflater(ContentCoding::gzip);
    std::vector<std::uint8_t> decoded;
    std::uint8_t out[piece];
    std::size_t position = 0;
    for (;;) {
        const std::span<const std::uint8_t> in = body.subspan(position, std::min(piece, body.size() - position));
        const Inflater::Step step = inflater.step(in, out);
        position += step.consumed;
        if (step.produced > max_output - decoded.size()) return std::nullopt;
        decoded.insert(decoded.end(), out, out + step.produced);
        if (step.finished || step.failed || (step.consumed == 0 && step.produced == 0)) break;
    }
    return decoded;
}

}  // namespace mervolt
