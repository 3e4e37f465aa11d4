#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/faces/remote_access.h"

namespace mervolt {

// An in-memory remote-access service for unit tests. Dials follow scripts; their progress is
// held back until the test delivers it (the real service reports from its own thread, at a
// moment the client does not choose). A call is listed from its Connected notification until it
// is hung up or dropped; connections added by the test (foreign ones, "ppoe") are listed until
// hung up.
class FakeRemoteAccess final : public RemoteAccess {
public:
    static constexpr std::uint32_t connected = 8192;
    static constexpr std::uint32_t invalid_handle = 6;

    struct DialScript {
        std::uint32_t immediate_code = 0;  // non-zero: RasDial refuses at once
        bool hands_out_handle = false;     // a refused dial still gives a handle to release
        // (state, error) in order; an error ends the call, state 8192 with error 0 connects it.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> progress = {
            {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {12, 0}, {14, 0}, {21, 0}, {24, 0}, {connected, 0}};
    };
    // A call that reaches authentication and is refused with the error.
    static DialScript failing_with(std::uint32_t error);

    struct DialRecord {
        std::string phonebook_path, entry_name, phone_number, user_name, password;
    };

    // Scripting. Dials without a queued script use the default one (a call that connects).
    void queue_dial(DialScript script) { scripts_.push_back(std::move(script)); }
    Handle add_connection(std::string entry_name);
    // The far end ends the link: no longer listed; its handle still hangs up with 0.
    void drop(Handle handle);
    void fail_enumeration_with(std::uint32_t code) { enumeration_code_ = code; }
    void set_error_text(std::uint32_t code, std::string text) { error_texts_[code] = std::move(text); }

    // Runs every held-back notification through the latest dial's callback, in order, on the
    // calling thread. Notifications of a call hung up meanwhile are dropped, as RAS drops them.
    void deliver_progress();
    std::size_t pending_progress() const { return pending_.size(); }

    // Observation.
    const std::vector<DialRecord>& dials() const { return dials_; }
    const std::vector<Handle>& hang_ups() const { return hang_ups_; }

    DialResult dial(const DialRequest& request, Progress progress) override;
    std::uint32_t hang_up(Handle handle) override;
    Enumeration enumerate() override;
    std::optional<std::string> error_text(std::uint32_t code) override;

private:
    struct Link {
        std::string entry_name;
        bool listed = false;
    };
    Handle new_link(std::string entry_name, bool listed);

    struct Pending {
        Handle handle;
        std::uint32_t state, error;
    };

    Handle next_handle_ = 0x1000;
    std::deque<DialScript> scripts_;
    std::map<Handle, Link> links_;  // handles only grow, so this is dial order
    std::deque<Pending> pending_;
    Progress progress_;
    std::uint32_t enumeration_code_ = 0;
    std::map<std::uint32_t, std::string> error_texts_;
    std::vector<DialRecord> dials_;
    std::vector<Handle> hang_ups_;
};

}  // namespace mervolt
