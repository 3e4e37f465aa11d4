#include "call_registry.h"

#include "plain_text.h"

namespace simras {

HRASCONN CallRegistry::next_handle() {
    last_handle_ += 4;
    return reinterpret_cast<HRASCONN>(last_handle_);
}

CallRegistry::Admission CallRegistry::admit(const std::string& phonebook, const std::string& entry_name,
                                            const std::string& device_name) {
    std::lock_guard lock(lock_);
    for (const auto& [handle, entry] : calls_) {
        const bool live = entry.phase == CallPhase::dialling || entry.phase == CallPhase::up;
        if (live && same_ignoring_case(entry.call->phonebook, phonebook) &&
            same_ignoring_case(entry.call->entry_name, entry_name)) {
            return {entry.call, true, entry.phase};
        }
    }
    auto call = std::make_shared<Call>();
    call->handle = next_handle();
    call->phonebook = phonebook;
    call->entry_name = entry_name;
    call->device_name = device_name;
    calls_.emplace(call->handle, Entry{call, CallPhase::dialling});
    return {call, false, CallPhase::dialling};
}

void CallRegistry::set_phase(const Call& call, CallPhase phase) {
    std::lock_guard lock(lock_);
    if (auto found = calls_.find(call.handle); found != calls_.end()) found->second.phase = phase;
}

CallPhase CallRegistry::phase(const Call& call) {
    std::lock_guard lock(lock_);
    auto found = calls_.find(call.handle);
    return found == calls_.end() ? CallPhase::failed : found->second.phase;
}

std::vector<ListedConnection> CallRegistry::listed(const std::vector<std::string>& foreign_names) {
    std::lock_guard lock(lock_);
    std::vector<ListedConnection> connections;
    for (const auto& [handle, entry] : calls_) {
        if (entry.phase != CallPhase::up) continue;
        connections.push_back({handle, entry.call->entry_name, entry.call->device_name, entry.call->phonebook});
    }
    for (const std::string& name : foreign_names) {
        if (foreign_hung_up_.count(name)) continue;
        auto [found, added] = foreign_handles_.try_emplace(name, nullptr);
        if (added) found->second = next_handle();
        connections.push_back({found->second, name, "WAN Miniport (PPTP)", ""});
    }
    return connections;
}

DWORD CallRegistry::hang_up(HRASCONN handle) {
    std::shared_ptr<Call> call;
    {
        std::lock_guard lock(lock_);
        if (auto found = calls_.find(handle); found != calls_.end()) {
            call = found->second.call;
            calls_.erase(found);
        } else {
            for (const auto& [name, foreign] : foreign_handles_) {
                if (foreign == handle && foreign_hung_up_.insert(name).second) return ERROR_SUCCESS;
            }
            return ERROR_INVALID_HANDLE;
        }
    }
    call->hung_up = true;
    std::lock_guard link_lock(call->link_lock);
    if (call->link != INVALID_SOCKET) shutdown(call->link, SD_BOTH);
    return ERROR_SUCCESS;
}

CallRegistry& call_registry() {
    static CallRegistry registry;
    return registry;
}

}  // namespace simras
