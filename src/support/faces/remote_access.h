#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mervolt {

// The operating system's remote-access service (RAS), 8-bit variant: asynchronous VPN calls
// placed from a phonebook entry, the machine's connections, and the service's error texts.
// Texts are local-code-page (GBK) bytes; codes are RAS error codes (0 for success).
class RemoteAccess {
public:
    using Handle = std::uintptr_t;  // opaque connection handle; 0 stands for none

    struct DialRequest {
        std::string_view phonebook_path;
        std::string_view entry_name;
        std::string_view phone_number;
        std::string_view user_name;
        std::string_view password;
    };
    // Called on a thread of the remote-access service, once per connection state the call
    // enters (error 0) and once for the failure that ends it (the state reached, the error).
    // State 8192 means connected.
    using Progress = std::function<void(std::uint32_t state, std::uint32_t error)>;

    struct DialResult {
        std::uint32_t code = 0;  // 0: the call was started and its progress goes to the callback
        Handle handle = 0;       // may be non-zero even when code is not 0; hang it up then
    };
    struct Connection {
        Handle handle = 0;
        std::string entry_name;
    };
    struct Enumeration {
        std::uint32_t code = 0;
        std::vector<Connection> connections;  // every connection of the machine, whatever placed it
    };

    virtual ~RemoteAccess() = default;
    // Returns at once. The callback replaces the one of any earlier dial: every call's
    // progress goes to the callback of the latest dial.
    virtual DialResult dial(const DialRequest& request, Progress progress) = 0;
    // 0 when the handle was a call (ended now, even while still dialling); non-zero otherwise.
    virtual std::uint32_t hang_up(Handle handle) = 0;
    virtual Enumeration enumerate() = 0;
    // The service's own text for the code (at most 99 bytes), or nullopt when it has none.
    virtual std::optional<std::string> error_text(std::uint32_t code) = 0;
};

}  // namespace mervolt
