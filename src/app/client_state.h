#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/faces/system_clock.h"
#include "support/web_client.h"

namespace mervolt {

struct SupportRuntime;
class TrayNotifier;  // the main window's tray icon; declared with it

using HotkeyHandler = void (*)();

// The one process-wide record. The user-interface thread owns it; workers touch only
// line_reachable, probe_thread (probe workers) and, under catalogue_lock, catalogue_client.
struct ClientState {
    std::unique_ptr<WebClient> sign_in_client;
    std::string service_base;
    std::string account_password;
    std::string user_name;
    std::string dial_address;
    std::string current_node;
    // Written by port-probe workers while the user-interface thread reads them: whole 32-bit
    // words, atomic so that the exchange is defined behaviour.
    std::atomic<std::uint32_t> probe_thread{0};
    std::atomic<std::int32_t> line_reachable{0};
    LocalDateTime last_dial_time{};
    std::int32_t link_expected = 0;
    std::string default_gateway;
    std::uintptr_t ras_connection = 0;
    TrayNotifier* tray_notifier = nullptr;
    std::vector<std::int32_t> hotkey_ids;
    std::vector<HotkeyHandler> hotkey_handlers;
    std::unique_ptr<WebClient> catalogue_client;
    std::string list_reply;
    LocalDateTime last_hotkey_time{};
    SupportRuntime* support_runtime = nullptr;

    // The line list and search (user-interface thread) and the member-notice worker share
    // catalogue_client; each request on it holds this lock so that two never overlap.
    std::mutex catalogue_lock;
};

}  // namespace mervolt
