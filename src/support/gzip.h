#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace mervolt {

// Content codings that an HTTP layer may undo: gzip (RFC 1952) and deflate (the zlib format).
enum class ContentCoding { gzip, deflate };

// One inflate stream (zlib), driven a step at a time so that a caller can bound both what it
// feeds and what it takes out.
class Inflater {
public:
    explicit Inflater(ContentCoding coding);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    struct Step {
        std::size_t consumed = 0;
        std::size_t produced = 0;
        bool finished = false;  // the end of the stream was reached
        bool failed = false;    // not such a stream, or corrupt; no further step helps
    };
    Step step(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

// Decodes a gzip body, feeding and draining it in 8,192-byte pieces. Decoding ends at the end of
// the stream, at an error, or when a step makes no progress; what was gathered until then is the
// result (empty when the body is not gzip). nullopt when the decoded bytes would exceed
// max_output: a body that inflates beyond that is refused rather than held in memory.
std::optional<std::vector<std::uint8_t>> gzip_decode(std::span<const std::uint8_t> body,
                                                     std::size_t max_output);

}  // namespace mervolt
