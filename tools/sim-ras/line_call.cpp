#include "line_call.h"

#include <ws2tcpip.h>
#include <raserror.h>

#include <chrono>
#include <optional>
#include <thread>

#include "dial_number.h"
#include "line_protocol.h"
#include "sim_settings.h"

namespace simras {
namespace {

using Clock = std::chrono::steady_clock;
// How long a line server may take to accept the connection, and then to answer the request.
constexpr auto connect_timeout = std::chrono::seconds(10);
constexpr auto reply_timeout = std::chrono::seconds(10);
// Waits are cut into slices so that a hang-up from another thread ends them promptly.
constexpr long wait_slice_us = 50'000;

// The states a PPTP call passes through on Windows, in order, around the two steps that can fail.
constexpr DWORD states_before_connect[] = {RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice};
constexpr DWORD states_before_authentication[] = {RASCS_DeviceConnected, RASCS_AllDevicesConnected,
                                                  RASCS_Authenticate};
// 24 is RASCS_ApplySettings (Windows 7 and later), which mingw's enumeration lacks.
constexpr DWORD states_after_authentication[] = {RASCS_AuthAck, RASCS_Authenticated, RASCS_Projected,
                                                 RASCS_LogonNetwork, 24, RASCS_Connected};

// Winsock is started once and never cleaned up: the DLL stays loaded for the life of the
// process (it pins itself), and a cleanup racing a link's thread would close its socket.
void ensure_winsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

void notify(const Call& call, const Notifier& notifier, DWORD state, DWORD error = 0) {
    if (!notifier.function || call.hung_up) return;
    const auto rasconnstate = static_cast<RASCONNSTATE>(state);
    if (notifier.type == 1) {
        reinterpret_cast<RASDIALFUNC1>(notifier.function)(call.handle, WM_RASDIALEVENT, rasconnstate, error, 0);
    } else {
        reinterpret_cast<RASDIALFUNC>(notifier.function)(WM_RASDIALEVENT, rasconnstate, error);
    }
}

std::optional<in_addr> numeric_address(const std::string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) == 1) return address;
    return std::nullopt;
}

// sim-ras.ini's [hosts] first (a hosts file: test names never reach a real resolver), then a
// dotted address, then the system's resolver.
std::optional<in_addr> resolve(const std::string& host) {
    const std::string name = mapped_host(host).value_or(host);
    if (auto address = numeric_address(name)) return address;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

enum class Wait { ready, failed, timed_out, hung_up };

// Waits for the link to become readable (or, for a connect, writable / failed).
Wait wait_for(const Call& call, SOCKET link, bool connecting, Clock::time_point deadline) {
    for (;;) {
        if (call.hung_up) return Wait::hung_up;
        if (Clock::now() >= deadline) return Wait::timed_out;
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(link, &ready);
        FD_SET(link, &failed);
        timeval slice{0, wait_slice_us};
        const int count = select(0, connecting ? nullptr : &ready, connecting ? &ready : nullptr, &failed, &slice);
        if (count == SOCKET_ERROR) return Wait::failed;
        if (FD_ISSET(link, &failed)) return Wait::failed;
        if (count > 0) return Wait::ready;
    }
}

void close_link(Call& call) {
    std::lock_guard lock(call.link_lock);
    if (call.link != INVALID_SOCKET) closesocket(call.link);
    call.link = INVALID_SOCKET;
}

// The error that ended the call; 0 when the line server accepted it; ERROR_USER_DISCONNECTION
// when it was hung up meanwhile.
DWORD connect_line(Call& call, const in_addr& address, std::uint16_t port) {
    SOCKET link = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (link == INVALID_SOCKET) return ERROR_NO_ANSWER;
    {
        std::lock_guard lock(call.link_lock);
        call.link = link;
    }
    u_long non_blocking = 1;
    ioctlsocket(link, FIONBIO, &non_blocking);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr = address;
    target.sin_port = htons(port);
    if (connect(link, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) return ERROR_SUCCESS;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return ERROR_NO_ANSWER;

    switch (wait_for(call, link, true, Clock::now() + connect_timeout)) {
        case Wait::hung_up: return ERROR_USER_DISCONNECTION;
        case Wait::ready: break;
        default: return ERROR_NO_ANSWER;  // refused, unreachable or silent
    }
    int error = 0;
    int length = sizeof error;
    getsockopt(link, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error == 0 ? ERROR_SUCCESS : ERROR_NO_ANSWER;
}

bool send_all(SOCKET link, const std::string& bytes) {
    std::size_t sent = 0;
    const auto deadline = Clock::now() + reply_timeout;
    while (sent < bytes.size()) {
        const int n = send(link, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (WSAGetLastError() != WSAEWOULDBLOCK || Clock::now() >= deadline) {
            return false;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return true;
}

// Sends the request and reads the one reply line: 0 (accepted), the server's error, or
// ERROR_FROM_DEVICE for a garbled, missing or late reply.
DWORD authenticate(Call& call, SOCKET link, const CallPlan& plan) {
    if (!send_all(link, dial_request_line(plan.user_name, plan.password))) return ERROR_FROM_DEVICE;
    const auto deadline = Clock::now() + reply_timeout;
    std::string reply;
    for (;;) {
        switch (wait_for(call, link, false, deadline)) {
            case Wait::hung_up: return ERROR_USER_DISCONNECTION;
            case Wait::ready: break;
            default: return ERROR_FROM_DEVICE;
        }
        char chunk[128];
        const int n = recv(link, chunk, sizeof chunk, 0);
        if (n == 0) return ERROR_FROM_DEVICE;  // closed without a whole reply
        if (n < 0) {
            if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
            return ERROR_FROM_DEVICE;
        }
        reply.append(chunk, static_cast<std::size_t>(n));
        const auto end = reply.find("\r\n");
        if (end != std::string::npos) return parse_line_reply(std::string_view(reply).substr(0, end)).value_or(ERROR_FROM_DEVICE);
        if (reply.size() > max_reply_line) return ERROR_FROM_DEVICE;
    }
}

// Until either side ends the link. Whatever the server sends after its reply is ignored.
void keep_link(const std::shared_ptr<Call>& call) {
    const SOCKET link = call->link;
    for (;;) {
        const Wait wait = wait_for(*call, link, false, Clock::time_point::max());
        if (wait == Wait::hung_up) break;
        if (wait == Wait::ready) {
            char chunk[256];
            const int n = recv(link, chunk, sizeof chunk, 0);
            if (n > 0 || (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)) continue;
        }
        call_registry().set_phase(*call, CallPhase::dropped);
        break;
    }
    close_link(*call);
}

// The call up to the link: 0 when it is up, otherwise the error, already reported.
DWORD establish(const std::shared_ptr<Call>& call, const Notifier& notifier, const CallPlan& plan) {
    auto fail = [&](DWORD state, DWORD error) {
        close_link(*call);
        if (error == ERROR_USER_DISCONNECTION) return error;  // hung up: nobody is told any more
        call_registry().set_phase(*call, CallPhase::failed);
        notify(*call, notifier, state, error);
        return error;
    };

    for (DWORD state : states_before_connect) notify(*call, notifier, state);
    const auto target = parse_dial_number(plan.number);
    const auto address = target ? resolve(target->host) : std::nullopt;
    if (!address) return fail(RASCS_ConnectDevice, ERROR_DNSNAME_NOT_RESOLVABLE);
    if (DWORD error = connect_line(*call, *address, target->port)) return fail(RASCS_ConnectDevice, error);

    for (DWORD state : states_before_authentication) notify(*call, notifier, state);
    if (DWORD error = authenticate(*call, call->link, plan)) return fail(RASCS_Authenticate, error);
    if (call->hung_up) return fail(RASCS_Authenticate, ERROR_USER_DISCONNECTION);

    call_registry().set_phase(*call, CallPhase::up);
    for (DWORD state : states_after_authentication) notify(*call, notifier, state);
    return ERROR_SUCCESS;
}

}  // namespace

void start_call(std::shared_ptr<Call> call, Notifier notifier, CallPlan plan) {
    ensure_winsock();
    std::thread([call = std::move(call), notifier, plan = std::move(plan)] {
        if (establish(call, notifier, plan) == ERROR_SUCCESS) keep_link(call);
    }).detach();
}

DWORD run_call_to_end(std::shared_ptr<Call> call, CallPlan plan) {
    ensure_winsock();
    const DWORD result = establish(call, Notifier{}, plan);
    if (result == ERROR_SUCCESS) std::thread([call = std::move(call)] { keep_link(call); }).detach();
    return result;
}

void report_connected(std::shared_ptr<Call> call, Notifier notifier) {
    std::thread([call = std::move(call), notifier] { notify(*call, notifier, RASCS_Connected); }).detach();
}

}  // namespace simras
