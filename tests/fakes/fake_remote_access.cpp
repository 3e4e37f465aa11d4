#include "fakes/fake_remote_access.h"

namespace mervolt {

FakeRemoteAccess::DialScript FakeRemoteAccess::failing_with(std::uint32_t error) {
    DialScript script;
    script.progress = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {5, error}};
    return script;
}

RemoteAccess::Handle FakeRemoteAccess::new_link(std::string entry_name, bool listed) {
    const Handle handle = next_handle_ += 4;
    links_[handle] = {std::move(entry_name), listed};
    return handle;
}

RemoteAccess::Handle FakeRemoteAccess::add_connection(std::string entry_name) {
    return new_link(std::move(entry_name), true);
}

void FakeRemoteAccess::drop(Handle handle) {
    if (auto found = links_.find(handle); found != links_.end()) found->second.listed = false;
}

RemoteAccess::DialResult FakeRemoteAccess::dial(const DialRequest& request, Progress progress) {
    dials_.push_back({std::string(request.phonebook_path), std::string(request.entry_name),
                      std::string(request.phone_number), std::string(request.user_name), std::string(request.password)});
    DialScript script;
    if (!scripts_.empty()) {
        script = std::move(scripts_.front());
        scripts_.pop_front();
    }
    progress_ = std::move(progress);
    if (script.immediate_code != 0) {
        return {script.immediate_code, script.hands_out_handle ? new_link(std::string(request.entry_name), false) : 0};
    }
    const Handle handle = new_link(std::string(request.entry_name), false);
    for (const auto& [state, error] : script.progress) pending_.push_back({handle, state, error});
    return {0, handle};
}

void FakeRemoteAccess::deliver_progress() {
    while (!pending_.empty()) {
        const Pending next = pending_.front();
        pending_.pop_front();
        auto link = links_.find(next.handle);
        if (link == links_.end()) continue;
        if (next.error == 0 && next.state == connected) link->second.listed = true;
        // A copy: the callback may dial again and so replace the stored one.
        const Progress progress = progress_;
        if (progress) progress(next.state, next.error);
    }
}

std::uint32_t FakeRemoteAccess::hang_up(Handle handle) {
    hang_ups_.push_back(handle);
    return links_.erase(handle) ? 0 : invalid_handle;
}

RemoteAccess::Enumeration FakeRemoteAccess::enumerate() {
    if (enumeration_code_ != 0) return {enumeration_code_, {}};
    Enumeration result;
    for (const auto& [handle, link] : links_) {
        if (link.listed) result.connections.push_back({handle, link.entry_name});
    }
    return result;
}

std::optional<std::string> FakeRemoteAccess::error_text(std::uint32_t code) {
    auto found = error_texts_.find(code);
    if (found == error_texts_.end()) return std::nullopt;
    return found->second;
}

}  // namespace mervolt
